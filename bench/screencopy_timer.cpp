// Full-screen copies through the X11 layer, with and without shared memory:
// prints the median of N runs in milliseconds for each.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/x11/x11.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? atoi(argv[1]) : 20;
  auto c = platform::x11::Connection::Open();
  if (!c) {
    fprintf(stderr, "screencopy_timer: no display\n");
    return 1;
  }
  const platform::x11::Rect all{0, 0, c->ScreenWidth(), c->ScreenHeight()};
  for (bool shm : {true, false}) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
      auto t0 = std::chrono::steady_clock::now();
      auto px = c->CopyScreenRect(all, shm);
      auto t1 = std::chrono::steady_clock::now();
      if (!px) return 1;
      ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    printf("screen copy %dx%d %-5s median %.2f ms  (min %.2f, max %.2f, %d runs)\n", all.right,
           all.bottom, shm ? "xshm" : "plain", ms[ms.size() / 2], ms.front(), ms.back(), runs);
  }
  return 0;
}
