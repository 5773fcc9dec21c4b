// startup_timer RUNS PROGRAM [ARGS...]: the time from starting a tray
// program to its icon docked in the system tray, and its resident memory a
// second later, best and median of RUNS starts. Needs a running tray.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

int Descendants(Display* d, Window w) {
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &n)) return 0;
  int count = static_cast<int>(n);
  for (unsigned i = 0; i < n; ++i) count += Descendants(d, children[i]);
  if (children) XFree(children);
  return count;
}

Window FindNamed(Display* d, Window w, const char* name) {
  char* found = nullptr;
  if (XFetchName(d, w, &found) && found) {
    bool match = strcmp(found, name) == 0;
    XFree(found);
    if (match) return w;
  }
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  Window result = None;
  if (XQueryTree(d, w, &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n && result == None; ++i) result = FindNamed(d, children[i], name);
    if (children) XFree(children);
  }
  return result;
}

long RssKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return atol(line.c_str() + 6);
  }
  return -1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: startup_timer RUNS PROGRAM [ARGS...]\n");
    return 2;
  }
  int runs = atoi(argv[1]);
  // windows come and go while the tree is walked
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    fprintf(stderr, "startup_timer: no display\n");
    return 1;
  }
  Window tray = XGetSelectionOwner(d, XInternAtom(d, "_NET_SYSTEM_TRAY_S0", False));
  if (tray == None) {
    fprintf(stderr, "startup_timer: no system tray\n");
    return 1;
  }
  // some trays own the selection with a proxy and embed icons in a window
  // of the panel; that one is named "SystemTray"
  Window watched = FindNamed(d, DefaultRootWindow(d), "SystemTray");
  if (watched == None) watched = tray;

  std::vector<double> ms;
  std::vector<double> rss;
  for (int r = 0; r < runs; ++r) {
    int before = Descendants(d, watched);
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
      perror("startup_timer: spawn");
      return 1;
    }
    bool docked = false;
    while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10)) {
      if (Descendants(d, watched) > before) {
        docked = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    auto t1 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    long kb = RssKb(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    if (!docked) {
      fprintf(stderr, "startup_timer: %s never docked\n", argv[2]);
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    rss.push_back(kb / 1024.0);
    // the old icon gone before the next start
    for (int i = 0; i < 200 && Descendants(d, watched) > before; ++i) usleep(5000);
  }
  printf("%-28s docked  best %6.1f ms  median %6.1f ms   idle RSS %5.1f MB  (%d runs)\n",
         strrchr(argv[2], '/') ? strrchr(argv[2], '/') + 1 : argv[2],
         *std::min_element(ms.begin(), ms.end()), Median(ms), Median(rss), runs);
  XCloseDisplay(d);
  return 0;
}
