#include "pxnthook/listener.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <set>

#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "pxnthook/hookproc.h"

namespace pxnthook {

using platform::x11::GrabSpec;
using platform::x11::kModAlt;
using platform::x11::kModCtrl;
using platform::x11::kModShift;

namespace {

constexpr const char* kIniName = "prentix.ini";
constexpr int kRetryMs = 5000;

void AddRule(std::vector<GrabSpec>& out, const std::optional<std::string>& entry) {
  if (!entry) return;
  HotKeyRule r = ParseHotKey(*entry);
  if (r.vk < 1 || r.vk > 255) return;
  unsigned required = r.form == HotKeyRule::kAlt     ? unsigned{kModAlt}
                      : r.form == HotKeyRule::kShift ? unsigned{kModShift}
                                                     : 0u;
  for (unsigned mods = 0; mods < 8; ++mods) {
    if ((mods & required) != required) continue;
    if (r.form == HotKeyRule::kPlain && (mods & kModShift)) continue;
    out.push_back({r.vk, mods});
  }
}

}  // namespace

std::vector<GrabSpec> GrabsFor(const std::optional<std::string>& window,
                               const std::optional<std::string>& screen) {
  std::vector<GrabSpec> out;
  for (unsigned mods = 0; mods < 8; ++mods) out.push_back({kVkSnapshot, mods});
  AddRule(out, window);
  AddRule(out, screen);
  return out;
}

std::optional<std::string> ReadKeyEntry(const char* entry) {
  return platform::GetPrivateProfileString("key", entry, "", 10, kIniName);
}

std::unique_ptr<Listener> Listener::Start(TargetReader readTarget, Log log) {
  auto conn = platform::x11::Connection::Open();
  if (!conn) return nullptr;
  std::unique_ptr<Listener> l(new Listener);
  l->conn_ = std::move(conn);
  l->readTarget_ = std::move(readTarget);
  l->log_ = std::move(log);
  l->stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  l->watchFd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  l->pollFd_ = epoll_create1(EPOLL_CLOEXEC);
  if (l->stopFd_ < 0 || l->pollFd_ < 0) return nullptr;
  if (l->watchFd_ >= 0)
    inotify_add_watch(l->watchFd_, platform::WindowsDirectory().c_str(),
                      IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM);
  for (int fd : {l->stopFd_, l->watchFd_}) {
    if (fd < 0) continue;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    epoll_ctl(l->pollFd_, EPOLL_CTL_ADD, fd, &ev);
  }
  // the keys are held before we return, so a key pressed right after install counts
  l->grabber_ = std::make_unique<platform::x11::KeyGrabber>(*l->conn_);
  l->Regrab();
  l->thread_ = std::thread(&Listener::Run, l.get());
  return l;
}

Listener::~Listener() {
  if (thread_.joinable()) {
    uint64_t one = 1;
    (void)!write(stopFd_, &one, sizeof one);
    thread_.join();
  }
  for (int fd : {stopFd_, watchFd_, pollFd_})
    if (fd >= 0) close(fd);
}

void Listener::Regrab() {
  // prentix.ini changes for many reasons (recent files, the tool bar);
  // grabs stay as they are unless the keys changed, since regrabbing lets
  // a key pressed meanwhile go to the focused program
  auto specs = GrabsFor(ReadKeyEntry("window"), ReadKeyEntry("screen"));
  if (grabbed_ && specs == grabs_) return;
  grabbed_ = true;
  grabs_ = specs;
  auto refused = grabber_->SetGrabs(specs);
  missing_ = refused;
  NoteMissing();
  if (!refused.empty() && !toldHeld_ && log_) {
    toldHeld_ = true;  // once: the desktop often keeps Print for itself
    log_("InstalliereHook() key " + std::to_string(refused.front().vk) +
         " is held by another program\n");
  }
}

void Listener::Run() {
  // the modifiers as they were when the key event happened, not when we
  // get round to it: xdotool-fast typists release Alt right after the key
  unsigned eventMods = 0;
  unsigned heldAtPress[256] = {};
  HookInputs in;
  in.readKeyEntry = ReadKeyEntry;
  in.isKeyDown = [&](int vk) {
    switch (vk) {
      case kVkShift:
        return (eventMods & kModShift) != 0;
      case 17:
        return (eventMods & kModCtrl) != 0;
      case kVkMenu:
        return (eventMods & kModAlt) != 0;
    }
    return conn_->IsKeyDown(vk);
  };
  in.readTargetWindow = readTarget_;
  // the keys go along: the program decides as they were at the release
  in.post = [this, &eventMods](long window, int command) {
    conn_->PostCommand(
        static_cast<platform::x11::WindowId>(static_cast<unsigned long>(window) & 0xFFFFFFFFul),
        command, static_cast<long>(eventMods) | platform::x11::kKeysGiven);
  };
  in.callNext = [](int, uint32_t, uint32_t) { return 0L; };  // nothing below a grab

  for (;;) {
    bool woken = false;
    // a key another program holds is asked for again every few seconds,
    // only while one is missing: an idle hook otherwise sleeps
    auto ev = grabber_->Next(missing_.empty() ? 60000 : kRetryMs, pollFd_, &woken);
    if (ev) {
      // a modifier let go between the key's press and its release (macro
      // keys, xdotool) still counts: it was held when the key went down
      const size_t vk = static_cast<size_t>(ev->vk) & 0xFF;
      eventMods = ev->mods | (ev->release ? heldAtPress[vk] : 0u);
      heldAtPress[vk] = ev->release ? 0u : ev->mods;
      HookProc(0, static_cast<uint32_t>(ev->vk), ev->release ? kKeyUpFlag : 0u, in);
      continue;
    }
    if (!woken) {
      if (!missing_.empty()) {
        missing_ = grabber_->AddGrabs(missing_);
        if (missing_.empty() && log_)
          log_("InstalliereHook() the keys held by others are ours now\n");
        NoteMissing();
      }
      continue;
    }
    uint64_t n;
    if (read(stopFd_, &n, sizeof n) == sizeof n) return;
    if (SettingsChanged()) Regrab();
  }
}

// The program tells the user which keys it could not have: it reads them
// from the runtime folder right after the install.
void Listener::NoteMissing() {
  const std::string dir = platform::RuntimeDirectory();
  if (dir.empty()) return;
  const std::string path = dir + "/" + kHeldKeysFile + std::to_string(getpid());
  if (missing_.empty()) {
    unlink(path.c_str());
    return;
  }
  std::set<int> codes;
  for (const auto& g : missing_) codes.insert(g.vk);
  std::string keys;
  for (int vk : codes) keys += std::to_string(vk) + " ";
  platform::ReplaceFile(path, keys);
}

bool Listener::SettingsChanged() {
  bool changed = false;
  alignas(inotify_event) char buf[4096];
  ssize_t len;
  while (watchFd_ >= 0 && (len = read(watchFd_, buf, sizeof buf)) > 0) {
    for (char* p = buf; p < buf + len;) {
      auto* e = reinterpret_cast<inotify_event*>(p);
      if (e->len && platform::SameNameIgnoringCase(e->name, kIniName)) changed = true;
      p += sizeof(inotify_event) + e->len;
    }
  }
  return changed;
}

}  // namespace pxnthook
