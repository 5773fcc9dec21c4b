#include "instari/script/syscommands.h"

namespace instari::script {

void AddSystemCommands(CommandTable& table) {
  sys::AddRegistryCommands(table);
  sys::AddSystemValueCommands(table);
  sys::AddDialogCommands(table);
  sys::AddProgramCommands(table);
}

}  // namespace instari::script
