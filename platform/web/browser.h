// The page's glue to the browser, built for the page alone: its canvas,
// sound, events and storage, and the fibers its platform threads run on.
// Everything the page decides for itself is in page.h, built and tested on
// the desktop too.
#pragma once
#include <cstdint>
#include <functional>

namespace platform::web {

// Runs the program on the page's first platform thread ("main") and the
// browser's event loop for ever: the game's pictures in the canvas, its
// sound, the player's input, the settings and recordings kept in the
// browser's storage (/persist, IndexedDB).
[[noreturn]] void RunPage(std::function<int()> program);

// fibers.cpp: from now on platform threads are fibers and the clock is
// `clock` (real time); RunFibers enters the first thread started and calls
// idle(until) on the page's own stack whenever no thread can go on.
void UseFibers(std::function<uint64_t()> clock);
[[noreturn]] void RunFibers(const std::function<void(uint64_t until)>& idle);

}  // namespace platform::web
