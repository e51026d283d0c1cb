// What the drawing layer's files share: the slot table, the target and the
// messages. Nothing outside zkgdi/ includes this.
#pragma once
#include <atomic>
#include <mutex>
#include <string>

#include "zkgdi/zkgdi.h"

namespace zkgdi {

struct Slot {
  std::atomic<Window> window{0};  // 0: free or released
  Surface back;                   // drawn by the game thread
  Surface front;                  // the last finished frame, read by paints
  std::mutex frontMutex;          // guards front
};

// Slot n for n in 1..kZkgdiMaxWindows.
Slot& SlotAt(int n);
Window Target();
// The back buffer of the current target, or null when the target is not
// registered (no message; callers decide).
Surface* TargetBack();

// The three message boxes. Each returns the box's result.
int ShowModeMessage();
int ShowTooManyWindows(Window owner);
int ShowAlreadyRegistered(Window window);
int ShowWrongWindow();

}  // namespace zkgdi
