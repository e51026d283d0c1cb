// Writes the settings fuzzer's starting corpus: a new installation's file, a
// played one with the unlock, and hand-edited ones (blanks, quotes, commas,
// lone line ends, out-of-range values).
#include <cstdio>
#include <cstring>

#include "fuzz/seed_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const char* const seeds[] = {
      "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n\r\n",
      "60\r\n12\r\n1\r\n0\r\n123456\r\n30\r\nAH!NO_WAY!!\r\n",
      "  30\r\n\t5\r\n 1\r\n0\r\n 999\r\n 20\r\nah!no_way!!\r\n",
      "\"15\"\n\"3\"x\r1\n0\n99pts\n\"5\"\n\"AH!NO_WAY!!\"\n",
      "30,7\r\n1,0\r\n50\r\n12\r\n",
      "-5\r\n99999999999\r\n&H10\r\n\"\r\n4294967295\r\n7\r\n\r\n",
  };
  int n = 0;
  for (const char* s : seeds) {
    if (!WriteSeed(argv[1], n++, s, std::strlen(s))) return 1;
  }
  return 0;
}
