// Program start, program groups and start items.

#include <vector>

#include "instari/ixstdf32/ixstdf.h"
#include "instari/script/syscommands.h"
#include "platform/shell.h"

namespace instari::script::sys {

namespace {

// SW_SHOWMAXIMIZED, what exec uses unless told otherwise.
constexpr int kDefaultShow = 3;

// Program and parameters of an exec text: a leading double quote encloses
// the program, else the first blank ends it.
std::pair<std::string, std::string> SplitExec(const std::string& cmd) {
  std::string program, parameters;
  if (!cmd.empty() && cmd[0] == '"') {
    size_t close = cmd.find('"', 1);
    program = cmd.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    if (close != std::string::npos) parameters = cmd.substr(close + 1);
  } else {
    size_t blank = cmd.find(' ');
    program = cmd.substr(0, blank);
    if (blank != std::string::npos) parameters = cmd.substr(blank + 1);
  }
  parameters.erase(0, std::min(parameters.find_first_not_of(' '), parameters.size()));
  return {program, parameters};
}

Outcome Exec(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 2) && !StatementShape(t, 3)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 1);
  if (!v) return Outcome::kDone;
  int show = v->size() > 1 ? static_cast<int>(LeadingInteger((*v)[1])) : kDefaultShow;
  auto [program, parameters] = SplitExec((*v)[0]);
  return Flags(in, platform::ShellExecute("open", program, parameters, "", show) >= 32);
}

Outcome ExecGroup(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto x = in.OperandValue(t, 1);
  if (!x) return Outcome::kDone;
  return Flags(in, StartGroup(x->c_str()) == 0);
}

Outcome CreateItem(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 9)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 1);
  if (!v) return Outcome::kDone;
  // the library rewrites the code and the item name in place
  std::vector<char> code((*v)[0].begin(), (*v)[0].end()), item((*v)[1].begin(), (*v)[1].end());
  code.push_back('\0');
  item.push_back('\0');
  int rc = CreateStartItem(
      code.data(), item.data(), (*v)[2].c_str(), (*v)[3].c_str(), (*v)[4].c_str(), (*v)[5].c_str(),
      static_cast<int>(LeadingInteger((*v)[6])), static_cast<int>(LeadingInteger((*v)[7])));
  return Flags(in, rc == 0);
}

}  // namespace

const char* ProgramGroupList() { return GetProgrammGruppen(); }

void AddProgramCommands(CommandTable& table) {
  table.AddStatement(kw_exec, Exec);
  table.AddStatement(kw_execgroup, ExecGroup);
  table.AddStatement(kw_createitem, CreateItem);
}

}  // namespace instari::script::sys
