#pragma once
// The installation-script interpreter: reads a script into the program
// store, checks it, and runs it statement by statement.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "instari/script/fields.h"
#include "instari/script/handles.h"
#include "instari/script/lexer.h"
#include "instari/script/systemfacts.h"
#include "instari/ui/installerui.h"
#include "instari/ui/texts.h"

namespace instari::script {

// One stored statement. The structure links are -1 until the executor
// first meets the statement, then kept for the rest of the run.
struct Statement {
  std::string text;
  int elseIndex = -1;   // if: its else
  int endIndex = -1;    // if, else: the endif; while, break: the endwhile
  int startIndex = -1;  // endif: its if; endwhile, continue: the while
  int firstToken = kEol;
  int lineNumber = 0;
};

class Interpreter;

// What a command handler made of a statement.
enum class Outcome {
  kNoMatch,  // the tokens do not have the shape it needs: try the later tests
  kDone,     // handled (an error report counts as handled)
  kExit,     // end the run
};

using CommandHandler = Outcome (*)(Interpreter&, TokenBuffer&);

// Keyword -> handler, for the two places a keyword can stand: first
// ("copyfile x x") and third after "F =" ("F = strlen x"). Later command
// families register their handlers here; a keyword without a handler is an
// unknown command.
class CommandTable {
 public:
  void AddStatement(int keyword, CommandHandler h);
  void AddFunction(int keyword, CommandHandler h);
  CommandHandler Statement(int keyword) const;
  CommandHandler Function(int keyword) const;

 private:
  std::array<CommandHandler, kKeywordCount> statements_{};
  std::array<CommandHandler, kKeywordCount> functions_{};
};

// The commands this module implements: control flow, string functions,
// makefields, dates, statement display, files and directories.
void AddCoreCommands(CommandTable& table);
void AddControlCommands(CommandTable& table);
void AddStringCommands(CommandTable& table);
void AddDateCommands(CommandTable& table);
// Files and directories: copies, moves, deletes, dates, text files, searches.
void AddFileCommands(CommandTable& table);
// Registry, INI, program start, system, network, mail and dialogs.
void AddSystemCommands(CommandTable& table);
CommandTable CoreCommands();

// What an error report that no one answers does: end the run at once, or
// go on (as OK) until the same statement or the error log runs away.
enum class OnError { kContinue, kStop };

class Interpreter {
 public:
  Interpreter(InstallerUi& ui, SystemFacts& facts, CommandTable commands = CoreCommands());

  // The whole run. args[0] is the program name, then the command line.
  // Returns the exit code: 0, 1 after a cancelled error report or an
  // over-long statement, 2 when the script or the working directory could
  // not be opened. Fields and statements stay readable until the next run.
  int RunScript(const std::vector<std::string>& args);

  // Splits one physical line into statements and stores them; 1 when
  // reading must stop (eof, a failed include, or the run was aborted).
  int ReadLine(std::string_view line, int lineNumber);

  // --- services for command handlers ---
  bool Checking() const { return checking_; }
  InstallerUi& Ui() { return ui_; }
  SystemFacts& Facts() { return facts_; }
  const NumberLocale& Numbers() const { return numbers_; }
  int Language() const { return language_; }
  FieldStore& Fields() { return fields_; }
  // Open text files and searches; all closed when a run ends.
  HandleTable& Handles() { return handles_; }
  const std::vector<Statement>& Program() const { return program_; }
  std::vector<Statement>& Program() { return program_; }
  int CurrentIndex() const { return index_; }
  // The statement to run next is index + 1.
  void SetCurrentIndex(int index) { index_ = index; }

  // Subscripts in name replaced by their decimal index ("list[i]" ->
  // "list[3]"); a missing subscript field is reported and counts as 0.
  std::string ResolveName(std::string_view name);
  const std::string* GetField(std::string_view name);
  void SetField(std::string_view name, std::string_view value);

  // A literal's text or an identifier's field value; a missing field is
  // reported ("Feld: '%s' ist nicht definiert.") and gives nullopt.
  std::optional<std::string> OperandValue(const TokenBuffer& t, int i);
  static bool IsOperand(int kind) { return kind == kLiteral || kind == kIdentifier; }

  // The error report for the current statement; always 0.
  int ReportError(const std::string& message);
  // Error reports of the last run that were answered with OK (the run went on).
  int ErrorReportCount() const { return errorReports_; }
  void SetOnError(OnError mode) { onError_ = mode; }
  // Why an unattended run was ended (exit code 3); "" when it was not.
  const std::string& StopReason() const { return stopReason_; }
  void SetSuccess();
  void SetFailure();

  // The run ends at once; RunScript returns code.
  void Abort(int code);
  bool Aborted() const { return aborted_; }

  // The background window is made once per run; true the first time.
  bool FirstBackground() { return !std::exchange(backgroundCreated_, true); }

  bool DialogLogging() const { return dialogLogging_; }
  void SetDialogLogging(bool on) { dialogLogging_ = on; }

  // Runs the statement at the current index (already tokenized into t):
  // 1 to end the run, else 0.
  int Execute(TokenBuffer& t);

 private:
  // Reads a script or include file through ReadLine; false when it could
  // not be opened or the run was aborted. opened tells the first case apart.
  bool ReadScriptFile(const std::string& name, std::optional<int> includeLine,
                      bool* opened = nullptr);
  void TooManyTokens();
  void AppendToErrorLog(const std::string& text, bool always = false);
  void StopUnattended(const std::string& reason);
  void CreateStartFields();
  void SetLateFields(const TokenBuffer& t);
  void CollapseGroup(TokenBuffer& t);
  void SubstitutePercents(std::string& text);
  void Prepare(TokenBuffer& t);
  Outcome Dispatch(TokenBuffer& t);
  Outcome Assignment(TokenBuffer& t);
  Outcome ExpressionAssignment(TokenBuffer& t);
  bool TokenizeStatement(const std::string& text, TokenBuffer& t);

  InstallerUi& ui_;
  SystemFacts& facts_;
  CommandTable commands_;
  FieldStore fields_;
  HandleTable handles_;
  std::vector<Statement> program_;
  std::vector<std::string> args_;
  TokenBuffer tokens_;
  NumberLocale numbers_;
  int language_ = 9;
  int index_ = 0;
  bool checking_ = false;
  bool blockComment_ = false;
  int blockCommentLine_ = 0;
  bool dialogLogging_ = true;
  bool backgroundCreated_ = false;
  bool aborted_ = false;
  int exitCode_ = 0;
  int errorReports_ = 0;
  OnError onError_ = OnError::kContinue;
  std::string stopReason_;
  // unanswered reports per statement index, and in all; log bytes this run
  std::vector<int> unansweredAt_;
  int unanswered_ = 0;
  long logBytes_ = 0;
  int includeDepth_ = 0;
  bool lateIp_ = false, lateAdapter_ = false, lateHost_ = false, lateUser_ = false;
};

// "%02d-%02d-%02d %02d:%02d:%02d" with years since 1900: the time stamp of
// __Date__ and of the error log.
std::string DateStamp(const std::tm& t);

}  // namespace instari::script
