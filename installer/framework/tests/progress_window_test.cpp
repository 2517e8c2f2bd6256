// Tests of the progress window's state: the percentage in its title, when it shows, what
// the bar reports back, and a window that no longer exists.
#include "installer/framework/progress_window.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quellbrook {
namespace {

std::vector<std::string> Titles(const ProgressWindow& window) {
  std::vector<std::string> titles;
  for (const std::string& event : window.Events())
    if (event.rfind("title ", 0) == 0) titles.push_back(event.substr(6));
  return titles;
}

TEST(ProgressWindow, StartsHiddenAndShowsAtTheFirstPosition) {
  ProgressWindow window(std::string("Kandorvale Library Files Install"), "", 1);
  EXPECT_TRUE(window.IsWindow());
  EXPECT_FALSE(window.IsVisible());
  EXPECT_EQ(window.WindowText(), "");
  EXPECT_EQ(window.Owner(), "Kandorvale Library Files Install");
  EXPECT_EQ(window.Events(), (std::vector<std::string>{"create 390x130"}));

  window.SetRange(0, 10, 1);
  EXPECT_FALSE(window.IsVisible());
  EXPECT_EQ(window.SetPos(4), 0);
  EXPECT_TRUE(window.IsVisible());
  EXPECT_EQ(window.WindowText(), " [40%]");
  // The title changes only with the whole percentage.
  EXPECT_EQ(window.SetPos(4), 4);
  EXPECT_EQ(Titles(window), (std::vector<std::string>{" [40%]"}));
  EXPECT_EQ(std::count(window.Events().begin(), window.Events().end(), "show"), 1);

  window.Hide();
  EXPECT_FALSE(window.IsVisible());
  window.SetText("Loading %s: %d of %d", "LOAD_ALG", 3, 12);
  EXPECT_EQ(window.TextLine(), "Loading LOAD_ALG: 3 of 12");
  EXPECT_FALSE(window.IsVisible());
  window.Show();
  EXPECT_TRUE(window.IsVisible());
}

TEST(ProgressWindow, StepsPassEveryTenthAndGoPastTheEnd) {
  ProgressWindow window(std::nullopt, "Assays", 1);
  window.SetRange(0, 10, 1);
  std::vector<int> previous;
  for (int i = 0; i < 11; ++i) previous.push_back(window.StepIt());
  EXPECT_EQ(Titles(window), (std::vector<std::string>{
                                "Assays [10%]", "Assays [20%]", "Assays [30%]", "Assays [40%]",
                                "Assays [50%]", "Assays [60%]", "Assays [70%]", "Assays [80%]",
                                "Assays [90%]", "Assays [100%]", "Assays [110%]"}));
  EXPECT_EQ(window.Position(), 11);
  // The bar holds its position inside its range and reports the one before.
  EXPECT_EQ(window.BarPosition(), 10);
  EXPECT_EQ(previous, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

  // The lower end is not subtracted: position 15 of 10..20 is 150%.
  window.SetRange(10, 20, 5);
  window.SetPos(15);
  EXPECT_EQ(window.WindowText(), "Assays [150%]");
  // An empty range keeps the percentage at 0.
  window.SetRange(5, 5, 1);
  window.SetPos(3);
  EXPECT_EQ(window.WindowText(), "Assays [0%]");
  window.SetPos(100);
  EXPECT_EQ(window.WindowText(), "Assays [0%]");
}

TEST(ProgressWindow, StepAndClear) {
  ProgressWindow window(std::nullopt, "", 0);
  // The bar's own first step is its default, not the window's.
  EXPECT_EQ(window.SetStep(2), 10);
  EXPECT_EQ(window.SetStep(3), 2);
  window.SetRange(0, 100, 25);
  window.StepIt();
  EXPECT_EQ(window.Position(), 25);
  window.SetText("%s", "working");
  window.Clear();
  EXPECT_EQ(window.TextLine(), "");
  EXPECT_EQ(window.Position(), 0);
  EXPECT_EQ(window.WindowText(), " [0%]");
  EXPECT_EQ(window.Events().back(), "update");
  // Texts of any length: the line holds them whole.
  const std::string longText(2000, 'x');
  window.SetText("%s", longText.c_str());
  EXPECT_EQ(window.TextLine(), longText);
}

TEST(ProgressWindow, OperationsOnADestroyedWindowGiveRememberedValues) {
  ProgressWindow window(std::nullopt, "Devices", 1);
  window.SetRange(0, 4, 1);
  window.SetPos(2);
  window.SetText("%s", "before");
  ASSERT_TRUE(window.DestroyWindow());
  EXPECT_FALSE(window.DestroyWindow());
  const std::size_t events = window.Events().size();
  EXPECT_EQ(window.SetPos(3), 2);
  EXPECT_EQ(window.StepIt(), 2);
  EXPECT_EQ(window.SetStep(7), 1);
  EXPECT_EQ(window.SetStep(8), 7);
  window.SetRange(0, 100, 1);
  window.SetText("%s", "after");
  window.Show();
  window.Clear();
  EXPECT_EQ(window.Events().size(), events);
  EXPECT_FALSE(window.IsVisible());
  EXPECT_EQ(window.TextLine(), "before");
  EXPECT_EQ(window.WindowText(), "Devices [50%]");
  EXPECT_EQ(window.Position(), 0);  // Clear still forgets the remembered position
}

}  // namespace
}  // namespace quellbrook
