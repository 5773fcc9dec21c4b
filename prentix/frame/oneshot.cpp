#include "prentix/frame/oneshot.h"

#include "platform/x11/x11.h"
#include "pxnthook/hookproc.h"

namespace prentix {

bool HandOverToRunningProgram(int command) {
  auto window = pxnthook::ReadTargetWindow();
  if (!window || *window == 0) return false;
  auto c = platform::x11::Connection::Open();
  if (!c) return false;
  auto w = static_cast<platform::x11::WindowId>(static_cast<unsigned long>(*window));
  // the value outlives the program: a window of another program may have
  // the number by now
  auto cls = c->WindowClass(w);
  if (!cls || (*cls != "prentix" && *cls != "Prentix")) return false;
  return c->PostCommand(w, command) && c->Synced();
}

}  // namespace prentix
