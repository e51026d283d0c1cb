// The modal "Option" window opened with S on the title screen.
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

// The window class of the options window, registered at start-up.
constexpr const char* kDialogClass = "NORMALDLG";

int OpenOptionWindow(platform::Window owner, const std::string& kind);
intptr_t OptionWindowProc(platform::Window w, uint32_t msg, intptr_t wParam, intptr_t lParam);
void FillOptions();
void ApplyOptions();
void CloseOptionWindow(platform::Window w, int exitCode);

// The first half of opening: creates the window owned by owner, installs its
// procedure and builds and fills the controls, without showing it or running
// its loop (OpenOptionWindow does both; tests and captures use this alone).
platform::Window CreateOptionWindow(platform::Window owner);
