// The main window: its procedure, creation and destruction, and the threads
// the shell starts and stops.
#pragma once
#include <cstdint>

#include "platform/platform.h"
#include "quillmoor_version.h"

constexpr const char* kMainWindowClass = "NORMAL0";
constexpr const char* kMainWindowTitle = "Quillmoor Ver." QM_VERSION;

intptr_t MainWindowProc(platform::Window w, uint32_t msg, intptr_t wParam, intptr_t lParam);
// A frame delay not yet learned (0) starts at the target rate's frame time.
void StartFrameDelay();
void OnCreate();
void OnDestroy();

// Start-up up to (not including) the main window: classes, the drawing and
// sound layers' tables, the seed, the constant game state, the regulator.
void PrepareProcess();
// Creates the main window (OnCreate runs inside). Returns 0 on failure.
platform::Window CreateMainWindow();
// Where the loop gets its messages: platform::GetMessage, or a stand-in in tests.
using MessageSource = int (*)(platform::Message&);
// Pumps messages until the quit message (returns 0) or an error (-1).
int RunMessageLoop(MessageSource next);
// The whole process from start-up to the end of the message loop.
int RunShell(MessageSource next);
// Stops whatever threads the shell started that are still running.
void StopShellThreads();

platform::ThreadHandle GameThreadHandle();
platform::ThreadHandle RegulatorThreadHandle();
