// ixcopy SRC DST | ixcopy -n SRCDIR DSTDIR: IxCopyFile of one file, or of
// every file of a folder into another, for compare_ixcopy.sh. Prints the
// files copied; exit status 1 when a copy failed.
#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "instari/ixstdf32/ixstdf.h"

int main(int argc, char** argv) {
  if (argc == 4 && strcmp(argv[1], "-n") == 0) {
    DIR* d = opendir(argv[2]);
    if (!d) return 1;
    int copied = 0, failed = 0;
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      std::string from = std::string(argv[2]) + "/" + e->d_name;
      std::string to = std::string(argv[3]) + "/" + e->d_name;
      if (IxCopyFile(from.c_str(), to.c_str()) > 0)
        ++copied;
      else
        ++failed;
    }
    closedir(d);
    printf("%d copied, %d failed\n", copied, failed);
    return failed ? 1 : 0;
  }
  if (argc != 3) {
    fprintf(stderr, "usage: ixcopy SRC DST | ixcopy -n SRCDIR DSTDIR\n");
    return 2;
  }
  int r = IxCopyFile(argv[1], argv[2]);
  if (r <= 0) {
    fprintf(stderr, "ixcopy: %d %s\n", r, GibLetztenFehlerText());
    return 1;
  }
  printf("1 copied\n");
  return 0;
}
