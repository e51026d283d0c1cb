// Where the game's pictures and music are: a folder holding image/ and bgm/.
// The game and its headless twin look for it the same way, so that a
// recording is checked against the very pictures it was played with.
#pragma once
#include <sys/stat.h>

#include <string>

namespace platform {

inline bool HoldsGameData(const std::string& dir) {
  struct stat st {};
  for (const char* sub : {"/image", "/bgm"})
    if (::stat((dir + sub).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return true;
}

// The first folder that holds the data: ../share/quillmoor from the
// program's own folder (installed: /usr/games and /usr/share/quillmoor), the
// current folder, the program's own folder (built or unpacked in place).
// Empty when none does.
inline std::string FindDataFolder(const std::string& programPath) {
  const size_t slash = programPath.find_last_of('/');
  const std::string own = slash == std::string::npos ? "." : programPath.substr(0, slash);
  for (const std::string& dir : {own + "/../share/quillmoor", std::string("."), own})
    if (HoldsGameData(dir)) return dir;
  return {};
}

}  // namespace platform
