#include "prentix/frame/hookfilter.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

#include "platform/x11/keygrab.h"
#include "platform/x11/x11.h"

namespace prentix {

std::optional<ModifierKeys> KeysOf(long word) {
  using namespace platform::x11;
  if (!(word & kKeysGiven)) return std::nullopt;
  return ModifierKeys{(word & kModShift) != 0, (word & kModCtrl) != 0, (word & kModAlt) != 0};
}

HookCommandFilter::HookCommandFilter(unsigned long window, Deliver deliver)
    : window_(window), deliver_(std::move(deliver)) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return;
  const char* name = platform::x11::kCommandAtomName;
  xcb_connection_t* c = x11->connection();
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
  if (reply) {
    atom_ = reply->atom;
    free(reply);
  }
}

bool HookCommandFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (atom_ == 0 || eventType != "xcb_generic_event_t") return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
  auto* cm = reinterpret_cast<xcb_client_message_event_t*>(event);
  if (cm->type != atom_ || cm->window != window_ || cm->format != 32) return false;
  deliver_(static_cast<int>(cm->data.data32[0]), static_cast<long>(cm->data.data32[1]));
  return true;
}

}  // namespace prentix
