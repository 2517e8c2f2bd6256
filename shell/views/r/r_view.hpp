// View 6, the R console: R commands typed or selected in the command box run in the
// program's one R session, and what R prints appears in the output beside it. Get
// expression hands the group's expression values to R as a data frame. R starts when the
// view is first shown; the view stays for the whole run, and so does R's workspace.
#pragma once

#include <QWidget>

#include <string>
#include <string_view>

#include "shell/views/pane/right_view.hpp"

class QPlainTextEdit;
class QPushButton;

inline constexpr const char* kTypeRCommandsMessage =
    "Please first type in R commands in the left box";
inline constexpr const char* kNoExpressionValuesMessage =
    "Group not opened or expression value not computed";
inline constexpr const char* kCannotWriteRExpressionMessage =
    "Cannot write a expression data file for importing to R";
// Written for a command when R cannot be reached.
inline constexpr const char* kRObjectNotAvailable = "Object not available";
// An error text R's link gives without saying more; it is not shown.
inline constexpr const char* kRUnknownError = "unknown (internal) error";

class RView final : public QWidget, public RightView {
  Q_OBJECT
 public:
  static constexpr int kCommandBox = 1272;
  static constexpr int kRunButton = 1267;
  static constexpr int kGetExpressionButton = 1283;
  static constexpr int kOutput = 1266;
  // Our own: interrupts the command that runs.
  static constexpr int kStopButton = 1284;

  explicit RView(QWidget* parent);
  ~RView() override;

  // Starts R (its message when that fails), takes R's printed output into the view and
  // makes R's working folder the group's.
  void OnInitialUpdate() override;

  // Runs a command text: its comments removed, echoed after "> ", evaluated, R's error
  // text (or kRObjectNotAvailable) written on failure, then "done". While it runs the
  // window's events are handled and Stop (the button, Escape or Stop Analysis)
  // interrupts it. Ignored while another command runs.
  void RunCommandText(std::string_view text);
  // The Run button: the box's selection, or all of it, trimmed.
  void Run();
  // The Get expression button.
  void GetExpression();
  // The Stop button.
  void Stop();

  bool Running() const { return mRunning; }
  QString OutputText() const;

 private:
  // Appends to the output as it comes ("\r\n" shown as a line break).
  void Write(std::string_view text);
  // Appends a line to the command box at its end.
  void AppendCommandLine(const std::string& line);
  void ShowRunning(bool running);

  QPlainTextEdit* mCommands;
  QPlainTextEdit* mOutput;
  QPushButton* mRun;
  QPushButton* mGetExpression;
  QPushButton* mStop;
  bool mRunning = false;
  // The start of a character whose other bytes are still to come.
  std::string mHeldOutput;
};
