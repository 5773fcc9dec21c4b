#pragma once
// Where the library's system information comes from: this host unless a
// host program or a test puts in a machine of its own.

#include "platform/sysinfo.h"

namespace ixstdf {

// null: this host again. The source must outlive its use.
void SetSystemSource(platform::SystemSource* source);

}  // namespace ixstdf
