#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "pxnthook/hookproc.h"
#include "pxnthook/listener.h"
#include "pxnthook/pxnthook.h"

namespace pxnthook {

namespace {

std::mutex g_mutex;
int g_installed = 0;
std::unique_ptr<Listener> g_listener;

void LogOnce(const std::string& line) { fputs(line.c_str(), stderr); }

}  // namespace

}  // namespace pxnthook

extern "C" int InstalliereHook(int window, int install) {
  using namespace pxnthook;
  const bool stored = WriteTargetWindow(window);
  std::lock_guard<std::mutex> lock(g_mutex);
  // any non-zero request means "install": a second install must not start a second listener
  const int wanted = install != 0 ? 1 : 0;
  if (wanted == g_installed) return 0;
  if (wanted) {
    if (!stored) {
      // keys grabbed with nowhere to send them would be lost to every program
      LogOnce("InstalliereHook() the window cannot be stored: the keys are left to others\n");
      return 0;
    }
    g_listener = Listener::Start(ReadTargetWindow, LogOnce);
    if (!g_listener) return 0;
    g_installed = 1;
    return 1;
  }
  g_listener.reset();
  g_installed = 0;
  return 1;
}
