#pragma once
// Shared pieces of the registry, system and dialog commands.

#include <optional>
#include <string>

#include "instari/script/interpreter.h"

namespace instari::script::sys {

inline bool Op(const TokenBuffer& t, int i) { return Interpreter::IsOperand(t.kinds[i]); }
inline bool Id(const TokenBuffer& t, int i) { return t.kinds[i] == kIdentifier; }
// "F = keyword" followed by operands only, count tokens in all.
inline bool FunctionShape(const TokenBuffer& t, int count) {
  if (t.count != count || !Id(t, 0)) return false;
  for (int i = 3; i < count; ++i)
    if (!Op(t, i)) return false;
  return true;
}
// "keyword" followed by operands only.
inline bool StatementShape(const TokenBuffer& t, int count) {
  if (t.count != count) return false;
  for (int i = 1; i < count; ++i)
    if (!Op(t, i)) return false;
  return true;
}

inline Outcome Flags(Interpreter& in, bool ok) {
  if (ok)
    in.SetSuccess();
  else
    in.SetFailure();
  return Outcome::kDone;
}

inline Outcome Result(Interpreter& in, const std::string& target, const std::string& value) {
  in.SetField(target, value);
  in.SetSuccess();
  return Outcome::kDone;
}

inline std::string MissingField(const std::string& name) {
  return "Feld: '" + name + "' ist nicht definiert.";
}

// The operand values from..to-1 (to -1: to the end); nullopt after a
// reported missing field.
std::optional<std::vector<std::string>> Operands(Interpreter& in, const TokenBuffer& t, int from,
                                                 int to = -1);

// The program groups as GetProgrammGruppen lists them (CR LF separated), or null.
const char* ProgramGroupList();

void AddRegistryCommands(CommandTable& table);
void AddSystemValueCommands(CommandTable& table);
void AddDialogCommands(CommandTable& table);
void AddProgramCommands(CommandTable& table);

}  // namespace instari::script::sys
