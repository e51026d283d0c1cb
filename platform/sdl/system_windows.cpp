// What the SDL game asks of Windows beyond SDL: the time since start-up and
// the user's folder for the game's files.
#include "platform/platform.h"

// After the game's own names, which some of its macros would rename.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>

namespace platform {

// Milliseconds since the system started (see system_posix.cpp).
uint32_t GetTickCount() { return ::GetTickCount(); }

// %APPDATA%\Quillmoor, in UTF-8 as every path of the game.
std::string UserConfigDirectory() {
  const wchar_t* appData = _wgetenv(L"APPDATA");
  const int n = appData ? WideCharToMultiByte(CP_UTF8, 0, appData, -1, nullptr, 0, nullptr, nullptr) : 0;
  if (n <= 1) return {};
  std::string folder(n - 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, appData, -1, folder.data(), n, nullptr, nullptr);
  return folder + "\\Quillmoor";
}

}  // namespace platform
