#pragma once
// The library's error state and result buffers, shared by every operation.
//
// The error state is one number and one text for the process. Storing it
// follows one rule (StoreError): a text that does not fit is refused with a
// message box; otherwise a pending system error of the calling thread is
// appended with its message, even when the number is 0, so callers judge
// failure by the number and never by the text.
//
// The system error stands in for the thread's last-error value: operations
// set it when a call below them failed, either with that call's Win32-style
// code or with errno, and nothing clears it.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "instari/ixstdf32/ixstdf.h"
#include "platform/registry.h"
#include "platform/utf8.h"

namespace ixstdf {

inline constexpr int32_t kFailure = IXSTDF_FAILURE;
inline constexpr size_t kErrorTextSize = 256;

struct SystemError {
  int32_t code = 0;
  bool isErrno = false;  // code is an errno value, else a Win32-style code
};

void SetSystemError(int32_t win32Code);
void SetSystemErrno(int errnoValue);
SystemError CurrentSystemError();
// The message of a code as one line, in English.
std::string SystemMessage(const SystemError& e);

// SetzeLetzteFehlerNr's rule; returns number.
int32_t StoreError(int32_t number, const char* text);
// Every operation starts with this: number 0, empty text.
inline void ClearError() { StoreError(0, ""); }
// Stores the failure number with text; returns the failure number.
inline int32_t Fail(const char* text) { return StoreError(kFailure, text); }
int32_t LastErrorNumber();
const char* LastErrorText();

// Shows a message box through the host's function.
void ShowMessage(const char* text, const char* caption);

// A fixed result buffer of Size bytes that an operation hands out: the
// text or bytes put in are cut to Size-1 bytes (text at a character
// boundary) and followed by a zero byte.
template <size_t Size>
class ResultBuffer {
 public:
  char* Data() { return data_; }
  char* SetText(std::string_view s) {
    std::string_view cut = platform::Utf8Prefix(s, Size - 1);
    return SetBytes(cut.data(), cut.size());
  }
  char* SetBytes(const void* bytes, size_t n) {
    if (n > Size - 1) n = Size - 1;
    if (n) memmove(data_, bytes, n);
    data_[n] = '\0';
    return data_;
  }
  // Appends text when all of it fits; false (nothing changed) otherwise.
  bool AppendWhole(std::string_view s) {
    size_t len = strlen(data_);
    if (s.size() > Size - 1 - len) return false;
    memcpy(data_ + len, s.data(), s.size());
    data_[len + s.size()] = '\0';
    return true;
  }
  void Clear() { data_[0] = '\0'; }

 private:
  char data_[Size] = {};
};

// Copies text into a caller buffer of size bytes, cut at a character
// boundary; a null buffer is left alone.
void CopyOut(char* buffer, size_t size, std::string_view text);

// The registry handle for a root handle of the interface; null for a value
// that is not one of the predefined roots.
platform::HKEY PlatformRoot(HKEY root);

// Closes a registry handle when it goes.
class KeyHolder {
 public:
  KeyHolder() = default;
  ~KeyHolder() {
    if (key_) platform::RegCloseKey(key_);
  }
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;
  platform::HKEY* Out() { return &key_; }
  platform::HKEY Get() const { return key_; }

 private:
  platform::HKEY key_ = nullptr;
};

}  // namespace ixstdf
