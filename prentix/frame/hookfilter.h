#pragma once
// Commands posted to the main window by the keyboard hook arrive as X
// client messages of type TERVOLA_WM_COMMAND; this filter turns them into
// routed commands, handled from the event loop like any posted message.

#include <QAbstractNativeEventFilter>
#include <functional>

namespace prentix {

class HookCommandFilter : public QAbstractNativeEventFilter {
 public:
  using Deliver = std::function<void(int id)>;
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
