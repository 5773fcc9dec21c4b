#pragma once
// The desktop-wide part of the hook: a thread with its own X connection
// that grabs the configured keys and runs the hook procedure for each of
// their presses and releases. The grabs follow prentix.ini as it changes.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/x11/keygrab.h"

namespace pxnthook {

// The keys that have to reach the hook so that every rule can fire: each
// configured key under every modifier set its rule can match, and Print
// Screen under all of them (the hook swallows it always). Other
// combinations stay with the focused program.
std::vector<platform::x11::GrabSpec> GrabsFor(const std::optional<std::string>& window,
                                              const std::optional<std::string>& screen);

// "key" entry as the hook reads it: 10-character buffer of prentix.ini.
std::optional<std::string> ReadKeyEntry(const char* entry);

class Listener {
 public:
  using TargetReader = std::function<std::optional<long>()>;
  using Log = std::function<void(const std::string&)>;
  // Null when there is no display to listen on.
  static std::unique_ptr<Listener> Start(TargetReader readTarget, Log log);
  ~Listener();  // stops the thread and releases the grabs
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

 private:
  Listener() = default;
  void Run();
  void Regrab();
  bool SettingsChanged();  // drains the directory watch

  std::unique_ptr<platform::x11::Connection> conn_;
  std::unique_ptr<platform::x11::KeyGrabber> grabber_;  // goes before conn_
  TargetReader readTarget_;
  Log log_;
  int stopFd_ = -1, watchFd_ = -1, pollFd_ = -1;
  bool toldHeld_ = false;
  // refused because another program holds them; tried again now and then
  std::vector<platform::x11::GrabSpec> missing_;
  void NoteMissing();
  std::vector<platform::x11::GrabSpec> grabs_;  // what is grabbed now
  bool grabbed_ = false;
  std::thread thread_;
};

}  // namespace pxnthook
