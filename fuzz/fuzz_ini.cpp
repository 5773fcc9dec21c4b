// INI parser and editor: any bytes parse, and edits keep the document
// consistent (a key set is read back, a re-parse gives the same text).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  auto doc = platform::IniDocument::Parse(bytes);
  for (const auto& name : doc.SectionNames()) {
    for (const auto& key : doc.Keys(name)) (void)doc.Get(name, key);
    (void)doc.SectionLines(name);
  }
  std::string text = doc.Serialize();
  if (platform::IniDocument::Parse(text).Serialize() != text) abort();

  // derive a section and key from the input and edit with them
  std::string section = bytes.substr(0, size % 7), key = bytes.substr(size % 7, 5);
  if (doc.Set(section, key, "v=1")) {
    auto back = doc.Get(section, key);
    if (!back || *back != "v=1") abort();
    doc.DeleteKey(section, key);
  }
  doc.DeleteSection(section);
  (void)doc.Serialize();
  return 0;
}
