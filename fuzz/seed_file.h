// Writes seed N of a fuzz target's corpus into FOLDER/seedN; false if any of it failed.
#pragma once

#include <cstdio>
#include <string>

inline bool WriteSeed(const char* folder, int n, const void* data, size_t size) {
  const std::string path = std::string(folder) + "/seed" + std::to_string(n);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}
