#pragma once
// Key grabs on the root window: the stand-in for a system-wide keyboard
// hook. A grabbed key reaches only us, whatever window has the focus; keys
// that are not grabbed go on to the focused program untouched.

#include <optional>
#include <vector>

#include "platform/x11/x11.h"

namespace platform::x11 {

enum ModifierBits : unsigned { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

struct GrabSpec {
  int vk;         // Windows virtual-key code
  unsigned mods;  // ModifierBits that must be down, exactly
  bool operator==(const GrabSpec&) const = default;
};

struct KeyEvent {
  int vk;
  bool release;
  unsigned mods;  // ModifierBits held when the event happened
};

class KeyGrabber {
 public:
  explicit KeyGrabber(Connection& c);
  ~KeyGrabber();
  KeyGrabber(const KeyGrabber&) = delete;
  KeyGrabber& operator=(const KeyGrabber&) = delete;

  // Replaces the current grabs (each also with Caps Lock and Num Lock on, as
  // grabs match modifiers exactly). Returns the specs another program holds.
  std::vector<GrabSpec> SetGrabs(const std::vector<GrabSpec>& specs);
  // Grabs these too, keeping what is held; returns the refused ones.
  std::vector<GrabSpec> AddGrabs(const std::vector<GrabSpec>& specs);
  const std::vector<GrabSpec>& Grabs() const { return grabbed_; }

  // The next grabbed key event, waiting up to timeoutMs; also returns early
  // (nullopt, *wakeReady = true) when wakeFd becomes readable. A held key
  // gives repeated presses and one release.
  std::optional<KeyEvent> Next(int timeoutMs, int wakeFd = -1, bool* wakeReady = nullptr);

 private:
  void Ungrab();
  Connection& conn_;
  std::vector<GrabSpec> grabbed_;
  unsigned numLockMask_ = 0;
};

}  // namespace platform::x11
