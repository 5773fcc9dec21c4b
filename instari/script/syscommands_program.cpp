// Program start, program groups and start items.

#include "instari/script/syscommands.h"

namespace instari::script::sys {

const char* ProgramGroupList() { return nullptr; }

void AddProgramCommands(CommandTable&) {}

}  // namespace instari::script::sys
