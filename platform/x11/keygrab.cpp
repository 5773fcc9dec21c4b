#include "platform/x11/keygrab.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>

#include <chrono>

namespace platform::x11 {

namespace {

unsigned XMods(unsigned mods) {
  return ((mods & kModShift) ? ShiftMask : 0) | ((mods & kModCtrl) ? ControlMask : 0) |
         ((mods & kModAlt) ? Mod1Mask : 0);
}

// The modifier bit Num Lock sits on (Mod2 on most keyboards).
unsigned FindNumLockMask(Display* d) {
  unsigned mask = 0;
  XModifierKeymap* map = XGetModifierMapping(d);
  if (!map) return 0;
  KeyCode numLock = XKeysymToKeycode(d, XK_Num_Lock);
  for (int m = 0; m < 8 && numLock; ++m)
    for (int k = 0; k < map->max_keypermod; ++k)
      if (map->modifiermap[m * map->max_keypermod + k] == numLock) mask = 1u << m;
  XFreeModifiermap(map);
  return mask;
}

}  // namespace

KeyGrabber::KeyGrabber(Connection& c) : conn_(c) {
  Display* d = conn_.display();
  numLockMask_ = FindNumLockMask(d);
  Bool supported;
  XkbSetDetectableAutoRepeat(d, True, &supported);
}

KeyGrabber::~KeyGrabber() { Ungrab(); }

void KeyGrabber::Ungrab() {
  Display* d = conn_.display();
  for (const auto& g : grabbed_) {
    KeyCode kc = XKeysymToKeycode(d, KeySymFromVirtualKey(g.vk));
    for (unsigned lock :
         {0u, static_cast<unsigned>(LockMask), numLockMask_, LockMask | numLockMask_})
      XUngrabKey(d, kc, XMods(g.mods) | lock, conn_.Root());
  }
  grabbed_.clear();
  XSync(d, False);
}

std::vector<GrabSpec> KeyGrabber::SetGrabs(const std::vector<GrabSpec>& specs) {
  Ungrab();
  return AddGrabs(specs);
}

std::vector<GrabSpec> KeyGrabber::AddGrabs(const std::vector<GrabSpec>& specs) {
  Display* d = conn_.display();
  std::vector<GrabSpec> refused;
  for (const auto& g : specs) {
    unsigned long sym = KeySymFromVirtualKey(g.vk);
    KeyCode kc = sym ? XKeysymToKeycode(d, sym) : 0;
    if (!kc) continue;  // no such key on this keyboard
    bool dup = false;
    for (const auto& have : grabbed_) dup = dup || have == g;
    if (dup) continue;
    conn_.Synced();
    for (unsigned lock :
         {0u, static_cast<unsigned>(LockMask), numLockMask_, LockMask | numLockMask_})
      XGrabKey(d, kc, XMods(g.mods) | lock, conn_.Root(), False, GrabModeAsync, GrabModeAsync);
    if (conn_.Synced()) {
      grabbed_.push_back(g);
    } else {
      refused.push_back(g);  // BadAccess: another program holds it
      for (unsigned lock :
           {0u, static_cast<unsigned>(LockMask), numLockMask_, LockMask | numLockMask_})
        XUngrabKey(d, kc, XMods(g.mods) | lock, conn_.Root());
      conn_.Synced();
    }
  }
  return refused;
}

std::optional<KeyEvent> KeyGrabber::Next(int timeoutMs, int wakeFd, bool* wakeReady) {
  Display* d = conn_.display();
  if (wakeReady) *wakeReady = false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type != KeyPress && e.type != KeyRelease) continue;
      int vk =
          VirtualKeyFromKeySym(XkbKeycodeToKeysym(d, static_cast<KeyCode>(e.xkey.keycode), 0, 0));
      if (!vk) continue;
      const unsigned st = e.xkey.state;
      unsigned mods = ((st & ShiftMask) ? kModShift : 0u) | ((st & ControlMask) ? kModCtrl : 0u) |
                      ((st & Mod1Mask) ? kModAlt : 0u);
      return KeyEvent{vk, e.type == KeyRelease, mods};
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) return std::nullopt;
    pollfd p[2] = {{ConnectionNumber(d), POLLIN, 0}, {wakeFd, POLLIN, 0}};
    poll(p, wakeFd >= 0 ? 2 : 1, static_cast<int>(left));
    if (wakeFd >= 0 && (p[1].revents & POLLIN)) {
      if (wakeReady) *wakeReady = true;
      return std::nullopt;
    }
  }
}

}  // namespace platform::x11
