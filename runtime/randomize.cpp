// Kept apart from the generator so that code using only the generator does
// not need a platform backend to link.
#include "platform/platform.h"
#include "runtime/runtime.h"

void Randomize() { SetRandomSeed(platform::GetTickCount()); }
