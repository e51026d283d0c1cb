// Where the game's pictures and music are: a folder holding image/ and bgm/.
// The game and its headless twin look for it the same way, so that a
// recording is checked against the very pictures it was played with.
#pragma once
#include <string>

#include "platform/files/files.h"

namespace platform {

inline bool HoldsGameData(const std::string& dir) {
  return files::IsFolder(dir + "/image") && files::IsFolder(dir + "/bgm");
}

// The first folder that holds the data: ../share/quillmoor from the
// program's own folder (installed: /usr/games and /usr/share/quillmoor), the
// current folder, the program's own folder (built or unpacked in place).
// Empty when none does.
inline std::string FindDataFolder(const std::string& programPath) {
  const std::string own = files::FolderOf(programPath);
  for (const std::string& dir : {own + "/../share/quillmoor", std::string("."), own})
    if (HoldsGameData(dir)) return dir;
  return {};
}

}  // namespace platform
