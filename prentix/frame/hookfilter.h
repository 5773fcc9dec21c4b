#pragma once
// Commands posted to the main window by the keyboard hook arrive as X
// client messages of type TERVOLA_WM_COMMAND; this filter turns them into
// routed commands, handled from the event loop like any posted message.

#include <QAbstractNativeEventFilter>
#include <functional>
#include <optional>

#include "prentix/capture/screensource.h"

namespace prentix {

// The keys a command's second word carries; nullopt when the sender did not
// know them.
std::optional<ModifierKeys> KeysOf(long word);

class HookCommandFilter : public QAbstractNativeEventFilter {
 public:
  // keys: the second word as the hook sent it (0 from older senders)
  using Deliver = std::function<void(int id, long keys)>;
  // window: the X window the hook posts to. Without an X display the
  // filter never fires.
  HookCommandFilter(unsigned long window, Deliver deliver);
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  unsigned long window_;
  unsigned int atom_ = 0;
  Deliver deliver_;
};

}  // namespace prentix
