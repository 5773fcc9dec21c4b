// Statement lexer and line reader: any bytes give tokens or a clean stop,
// and a literal written back with QuoteLiteral reads as the same text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "instari/script/interpreter.h"
#include "instari/script/lexer.h"
#include "instari/ui/scriptedui.h"

using namespace instari::script;

namespace {
struct NoFacts : HostSystemFacts {};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  bool block = false;
  TokenBuffer buf;
  Tokenize(text, buf, block);
  for (int i = 0; i < buf.count; ++i) {
    if (buf.texts[i].size() >= kTokenSize) __builtin_trap();
    if (buf.kinds[i] != kLiteral) continue;
    TokenBuffer again;
    bool b = false;
    if (!Tokenize(QuoteLiteral(buf.texts[i]), again, b) || again.count != 1 ||
        again.texts[0] != buf.texts[i])
      __builtin_trap();
  }
  instari::ScriptedUi ui;
  NoFacts facts;
  Interpreter in(ui, facts);
  // every line of the input through the reader, as a script file would be
  size_t start = 0;
  int number = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (in.ReadLine(std::string_view(text).substr(start, end - start), ++number) != 0) break;
    start = end + 1;
  }
  return 0;
}
