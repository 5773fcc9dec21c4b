// The library's probe and identity.
#include "instari/ixstdf32/errorstate.h"
#include "instari/ixstdf32/ixstdf.h"
#include "platform/winerror.h"

extern "C" {

int TesteDll(const char* text) {
  ixstdf::Fail("der fehlertext!");
  ixstdf::SetSystemError(platform::ERROR_INVALID_NAME);
  ixstdf::ShowMessage(text ? text : "", "ixstdf");
  return 1;
}

char* GetDllName(void) {
  static char name[] = "instari/ixstdf32/IxStdF";
  return name;
}

// The time stamp of this source when the library was built, in the form
// "Fri Oct 17 10:20:05 1997".
char* GetDllVersion(void) {
  static char version[] = __TIMESTAMP__;
  return version;
}

}  // extern "C"
