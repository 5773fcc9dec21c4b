// Hive file parser and writer: any bytes either parse or are refused; what
// parses writes out as text that parses back to the same hive and the same
// text; values set from the input read back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/reghive.h"

using platform::RegHive;

namespace {

void CheckRoundTrip(const RegHive& hive) {
  std::string text = hive.Serialize();
  std::string why;
  auto again = RegHive::Parse(text, &why);
  if (!again) abort();
  if (!(*again == hive)) abort();
  if (again->Serialize() != text) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string why;
  auto hive = RegHive::Parse(bytes, &why);
  if (!hive) {
    if (why.empty()) abort();  // a refusal always says why
    hive = RegHive();
  }
  CheckRoundTrip(*hive);

  // a key, a value name, a type and data taken from the input
  platform::RegPath path{platform::RegRoot::CurrentUser, {}};
  std::string keyName = bytes.substr(0, size % 5 + 1);
  if (platform::IsValidKeyName(keyName)) path.parts = {"Software", keyName};
  std::string valueName = bytes.substr(size / 2, 6);
  if (!platform::IsValidValueName(valueName)) valueName = "v";
  uint32_t type = size ? static_cast<uint8_t>(bytes[0]) % 12 : 1;
  std::string value = bytes.substr(size / 3);
  platform::RegKey& key = hive->Create(path);
  key.SetValue(valueName, type, value);
  const platform::RegValue* v = hive->Find(path)->Value(valueName);
  if (!v || v->type != type || v->data != value) abort();
  CheckRoundTrip(*hive);
  hive->Find(path)->RemoveValue(valueName);
  if (hive->Find(path)->Value(valueName)) abort();
  CheckRoundTrip(*hive);
  return 0;
}
