// Expression evaluator: any text gives a value or an error code, never a
// crash, a hang or a deep recursion.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "instari/script/evaluate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  instari::script::EvalResult r =
      instari::script::Evaluate(std::string_view(reinterpret_cast<const char*>(data), size));
  if (r.code < 0 || r.code > 6) __builtin_trap();
  return 0;
}
