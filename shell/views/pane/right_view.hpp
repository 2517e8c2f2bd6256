// What the main frame asks of a view in the right pane: its first-show set-up and the
// menu commands it handles itself (the Data, Image, Clustering, Chromosome and Pathway
// menus, and Find Gene, Find Next and Export Image of the View menu).
#pragma once

#include <optional>

class QString;

// The state a command's menu item shows.
struct CommandState {
  bool enabled = false;
  bool checked = false;
  // The item's text while the view is shown (a string that lives as long as the
  // program); null keeps the menu's own text.
  const char* text = nullptr;
};

class RightView {
 public:
  virtual ~RightView() = default;
  // Runs once, right after the view was created.
  virtual void OnInitialUpdate() {}
  // The view's state for a command it handles; empty for a command it does not handle.
  virtual std::optional<CommandState> UpdateCommand(int /*id*/) const { return std::nullopt; }
  // Runs a command; false when the view does not handle it.
  virtual bool RunCommand(int /*id*/) { return false; }
  // Asked when an array item of the tree is clicked while this view is shown; false
  // when the view does not show arrays.
  virtual bool ShowArray(int /*array*/) { return false; }
};
