// The settings reader on arbitrary bytes: it must never read outside them,
// and whatever it reads must come out of the loader's rules as a level the
// enemy loops can use and a delay the frame loop can sleep, and survive a
// save and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/settings.h"
#include "state/game_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SettingsValues read = ParseSettings(data, size);
  if (read.godUnlocked != 0 && read.godUnlocked != 1) std::abort();

  ApplyLoadedSettings(read);
  const SettingsValues held = CurrentSettings();
  const int32_t s = held.enemySlots;
  if (s != 5 && s != 12 && s != 20 && s != 30) std::abort();
  if (held.frameDelay < 0 || held.frameDelay > 1000) std::abort();
  if (held.targetFps < 1) std::abort();

  // What the game would write reads back as the same values (the reader
  // never gives a negative number except through 32-bit wrap, which the
  // writer's sign then turns into 0: skip those).
  const std::string bytes = FormatSettings(held);
  const SettingsValues back =
      ParseSettings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  auto same = [](int32_t a, int32_t b) { return a < 0 ? b == 0 : a == b; };
  if (!same(held.targetFps, back.targetFps) || !same(held.frameDelay, back.frameDelay) ||
      !same(held.fireMode, back.fireMode) || !same(held.spareSetting, back.spareSetting) ||
      !same(held.hiScore, back.hiScore) || !same(held.enemySlots, back.enemySlots) ||
      held.godUnlocked != back.godUnlocked)
    std::abort();
  return 0;
}
