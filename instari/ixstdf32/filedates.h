#pragma once
// TesteFileDatum for the copies that follow it: the two lookups it makes are
// kept, so the copy does not look the names up again.

#include "platform/findfile.h"

namespace ixstdf {

struct LookedUp {
  platform::FileLookup source, target;
};

// TesteFileDatum's result and error state; *p receives the lookups (the
// target's only when the source was found).
int TesteFileDatumKeeping(const char* source, const char* target, LookedUp* p);

}  // namespace ixstdf
