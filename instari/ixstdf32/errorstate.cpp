#include "instari/ixstdf32/errorstate.h"

#include <cstdio>
#include <cstdlib>

#include "platform/winerror.h"

namespace ixstdf {

namespace {

thread_local SystemError t_systemError;

int32_t g_number = 0;
ResultBuffer<kErrorTextSize> g_text;

IxStdFMessageBox g_showMessage = nullptr;
void* g_showContext = nullptr;

const char* Win32Message(int32_t code) {
  switch (code) {
    case platform::ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.";
    case platform::ERROR_PATH_NOT_FOUND:
      return "The system cannot find the path specified.";
    case platform::ERROR_ACCESS_DENIED:
      return "Access is denied.";
    case platform::ERROR_INVALID_HANDLE:
      return "The handle is invalid.";
    case platform::ERROR_BAD_FORMAT:
      return "An attempt was made to load a program with an incorrect format.";
    case platform::ERROR_INVALID_PARAMETER:
      return "The parameter is incorrect.";
    case platform::ERROR_INVALID_NAME:
      return "The filename, directory name, or volume label syntax is incorrect.";
    case platform::ERROR_BAD_PATHNAME:
      return "The specified path is invalid.";
    case platform::ERROR_FILENAME_EXCED_RANGE:
      return "The filename or extension is too long.";
    case platform::ERROR_MORE_DATA:
      return "More data is available.";
    case platform::ERROR_NO_MORE_ITEMS:
      return "No more data is available.";
    case platform::ERROR_BADDB:
      return "The configuration registry database is corrupt.";
    case platform::ERROR_REGISTRY_IO_FAILED:
      return "An I/O operation initiated by the registry failed unrecoverably.";
    case platform::ERROR_KEY_DELETED:
      return "Illegal operation attempted on a registry key that has been marked for deletion.";
    default:
      return nullptr;
  }
}

}  // namespace

void SetSystemError(int32_t win32Code) { t_systemError = {win32Code, false}; }
void SetSystemErrno(int errnoValue) { t_systemError = {errnoValue, true}; }
SystemError CurrentSystemError() { return t_systemError; }

std::string SystemMessage(const SystemError& e) {
  if (e.isErrno) {
    // strerrordesc_np: the English text whatever the locale
    const char* m = strerrordesc_np(e.code);
    return m ? m : "Unknown error " + std::to_string(e.code);
  }
  const char* m = Win32Message(e.code);
  return m ? m : "Unknown error " + std::to_string(e.code);
}

int32_t StoreError(int32_t number, const char* text) {
  SystemError sys = t_systemError;  // read first, before anything can change it
  g_number = number;
  std::string_view given = text ? text : "";
  if (given.size() > kErrorTextSize - 1) {
    ShowMessage("SetzeLetztenFehlerText: Text zu lang", "IxStdF");
    return number;
  }
  if (sys.code == 0) {
    g_text.SetText(given);
    return number;
  }
  char head[64];
  snprintf(head, sizeof head,
           " / LastError: 0x%lx=%ld=", static_cast<unsigned long>(static_cast<uint32_t>(sys.code)),
           static_cast<long>(sys.code));
  std::string composed = std::string(given) + head + SystemMessage(sys);
  g_text.SetText(composed);  // cut at a character boundary when too long
  return number;
}

int32_t LastErrorNumber() { return g_number; }
const char* LastErrorText() { return g_text.Data(); }

void ShowMessage(const char* text, const char* caption) {
  if (g_showMessage) {
    g_showMessage(text, caption, g_showContext);
    return;
  }
  fprintf(stderr, "%s: %s\n", caption, text);
}

void CopyOut(char* buffer, size_t size, std::string_view text) {
  if (!buffer || size == 0) return;
  std::string cut = platform::Utf8ForBuffer(text, size);
  memcpy(buffer, cut.data(), cut.size());
  buffer[cut.size()] = '\0';
}

platform::HKEY PlatformRoot(HKEY root) {
  // the sign-extended values, and the same numbers passed as 32 bits
  auto v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(root));
  if ((v >> 32) != 0xFFFFFFFFu && (v >> 32) != 0) return nullptr;
  switch (static_cast<uint32_t>(v)) {
    case 0x80000000u:
      return platform::HKEY_CLASSES_ROOT;
    case 0x80000001u:
      return platform::HKEY_CURRENT_USER;
    case 0x80000002u:
      return platform::HKEY_LOCAL_MACHINE;
    case 0x80000003u:
      return platform::HKEY_USERS;
    case 0x80000005u:
      return platform::HKEY_CURRENT_CONFIG;
    default:
      return nullptr;
  }
}

}  // namespace ixstdf

extern "C" {

void IxStdFSetMessageBox(IxStdFMessageBox show, void* context) {
  ixstdf::g_showMessage = show;
  ixstdf::g_showContext = context;
}

int SetzeLetzteFehlerNr(int number, const char* text) { return ixstdf::StoreError(number, text); }

int GibLetzteFehlerNr(void) { return ixstdf::LastErrorNumber(); }

char* GibLetztenFehlerText(void) { return const_cast<char*>(ixstdf::LastErrorText()); }

}  // extern "C"
