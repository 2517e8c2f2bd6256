// The R console view.
#include "shell/views/r/r_view.hpp"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTextCursor>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/services/stat_connector.hpp"
#include "engine/services/user_prompt.hpp"
#include "platform/system_error.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/r/r_view_text.hpp"

namespace {

// The folder R works in: the group's working folder, else the program's own.
std::string WorkingFolder() {
  const std::string& folder = TheGroup().Settings().WORKING_DIR;
  if (!folder.empty()) return folder;
  std::error_code ignored;
  return std::filesystem::current_path(ignored).string();
}

}  // namespace

RView::RView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("view%1").arg(VIEW_R));
  auto* splitter = new QSplitter(Qt::Horizontal, this);

  auto* left = new QWidget(splitter);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(
      new QLabel(QStringLiteral("Type in or highlight R commands and then click \"Run\":"), left));
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mCommands = new QPlainTextEdit(left);
  mCommands->setObjectName(ControlName(kCommandBox));
  mCommands->setFont(fixed);
  mCommands->setLineWrapMode(QPlainTextEdit::NoWrap);
  leftLayout->addWidget(mCommands, 1);
  auto* buttons = new QHBoxLayout;
  mRun = new QPushButton(QStringLiteral("&Run"), left);
  mRun->setObjectName(ControlName(kRunButton));
  mGetExpression = new QPushButton(QStringLiteral("&Get expression"), left);
  mGetExpression->setObjectName(ControlName(kGetExpressionButton));
  mStop = new QPushButton(QStringLiteral("S&top"), left);
  mStop->setObjectName(ControlName(kStopButton));
  mStop->setEnabled(false);
  auto* help = ManualLink("r_view", left);
  for (QWidget* button : {static_cast<QWidget*>(mRun), static_cast<QWidget*>(mGetExpression),
                          static_cast<QWidget*>(mStop)})
    buttons->addWidget(button);
  buttons->addStretch(1);
  buttons->addWidget(help);
  leftLayout->addLayout(buttons);

  auto* right = new QWidget(splitter);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addWidget(new QLabel(QStringLiteral("R output:"), right));
  mOutput = new QPlainTextEdit(right);
  mOutput->setObjectName(ControlName(kOutput));
  mOutput->setFont(fixed);
  mOutput->setReadOnly(true);
  mOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
  rightLayout->addWidget(mOutput, 1);

  splitter->addWidget(left);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter);

  connect(mRun, &QPushButton::clicked, this, [this] { Run(); });
  connect(mGetExpression, &QPushButton::clicked, this, [this] { GetExpression(); });
  connect(mStop, &QPushButton::clicked, this, [this] { Stop(); });
}

RView::~RView() {
  DefaultStatConnector().AttachOutputDevice({});
}

void RView::OnInitialUpdate() {
  RConnection().StartR(true);
  DefaultStatConnector().AttachOutputDevice([this](std::string_view text) { Write(text); });
  RunCommandText(SetWorkingFolderStatement(WorkingFolder()));
}

QString RView::OutputText() const {
  return mOutput->toPlainText();
}

void RView::Write(std::string_view text) {
  mHeldOutput.append(text);
  const std::size_t whole = WholeUtf8Length(mHeldOutput);
  QString shown = ToQString(std::string_view(mHeldOutput).substr(0, whole));
  mHeldOutput.erase(0, whole);
  shown.remove(QLatin1Char('\r'));
  mOutput->moveCursor(QTextCursor::End);
  mOutput->insertPlainText(shown);
  mOutput->verticalScrollBar()->setValue(mOutput->verticalScrollBar()->maximum());
}

void RView::ShowRunning(bool running) {
  mRunning = running;
  mRun->setEnabled(!running);
  mGetExpression->setEnabled(!running);
  mStop->setEnabled(running);
}

void RView::RunCommandText(std::string_view text) {
  if (mRunning) return;
  const RCommandText command = PrepareRCommand(text);
  Write("> " + command.echo + "\n");
  if (!command.statement.empty()) {
    RLink& r = RConnection();
    // A link that is not up (R missing, or it ended) is started again here.
    RReply reply = r.Start();
    const bool reached = reply.ok;
    if (reached) {
      ShowRunning(true);
      {
        const RaisedAnalysisRunning running;
        reply = r.ExecuteCommand(ConsoleStatement(command.statement));
      }
      ShowRunning(false);
    }
    if (!reached || reply.error == kRNotConnectedError)
      Write(std::string(kRObjectNotAvailable) + "\n");
    else if (!reply && reply.error != kRUnknownError)
      Write("  " + reply.error + "\n");
  }
  Write("done\n");
}

void RView::Run() {
  const QTextCursor cursor = mCommands->textCursor();
  QString text = cursor.hasSelection() ? cursor.selectedText() : mCommands->toPlainText();
  // A selection gives its line breaks as paragraph separators.
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text = text.trimmed();
  if (text.isEmpty()) {
    AfxMessageBox(kTypeRCommandsMessage);
    return;
  }
  RunCommandText(FromQString(text));
}

void RView::GetExpression() {
  if (mRunning) return;
  const Group& group = TheGroup();
  if (!group.Modelled) {
    AfxMessageBox(kNoExpressionValuesMessage);
    return;
  }
  const std::string path = ExpressionFilePath(WorkingFolder(), group.Name());
  if (int error = 0; !WriteExpressionFile(path, &error)) {
    AfxMessageBox(
        platform::WithSystemReason(std::string(kCannotWriteRExpressionMessage) + path, error));
    return;
  }
  const std::string name = RDataFrameName(group.Name());
  for (const std::string& statement : LoadExpressionStatements(name, path))
    RunCommandText(statement);
  for (const std::string& line : ExpressionHintLines(name)) AppendCommandLine(line);
}

void RView::AppendCommandLine(const std::string& line) {
  QTextCursor cursor = mCommands->textCursor();
  cursor.movePosition(QTextCursor::End);
  mCommands->setTextCursor(cursor);
  mCommands->ensureCursorVisible();
  // A last line without its line break keeps its text to itself.
  const QString text = mCommands->toPlainText();
  const QString lead =
      text.isEmpty() || text.endsWith(QLatin1Char('\n')) ? QString() : QStringLiteral("\n");
  mCommands->insertPlainText(lead + ToQString(line) + QLatin1Char('\n'));
}

void RView::Stop() {
  if (mRunning) AnalysisRunning = 0;
}
