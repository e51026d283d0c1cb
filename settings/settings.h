// The settings file: options, the tuned frame delay, the high score and the
// God unlock. It lives beside the executable, or in the user's configuration
// folder when the executable's folder cannot be written.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The file the settings are saved to.
std::string SettingsPath();
void LoadSettings();
void SaveSettings();

// The seven stored values in file order, as the file holds them (no defaults).
struct SettingsValues {
  int32_t targetFps = 0;
  int32_t frameDelay = 0;
  int32_t fireMode = 0;
  int32_t spareSetting = 0;
  int32_t hiScore = 0;
  int32_t enemySlots = 0;
  int32_t godUnlocked = 0;
};

// The exact text of the seventh line that unlocks the God level.
inline constexpr const char kGodUnlockText[] = "AH!NO_WAY!!";

// Reads the seven fields from a settings file's bytes. Fields the bytes do not
// hold read as 0 (empty). Never fails: any bytes give some values.
SettingsValues ParseSettings(const uint8_t* data, size_t size);
// The file's exact bytes for the values: seven lines ended by CR LF.
std::string FormatSettings(const SettingsValues& v);
// The path rule: "x.exe" -> "x.ini", anything else gets ".ini" appended.
std::string SettingsPathFor(const std::string& executablePath);

// Where the settings are read from and saved to. `beside` is the file beside
// the executable, `configDir` the user's configuration folder (empty: none).
// Beside the executable while its folder can be written; otherwise saved to
// configDir/quillmoor/quillmoor.ini (its folders are made), and read from
// there, or from an existing file beside the executable until that exists.
struct SettingsPlaces {
  std::string load, save;
};
SettingsPlaces ChooseSettingsPlaces(const std::string& beside, const std::string& configDir);

// The in-memory side: the seven fields of the game state.
SettingsValues CurrentSettings();
// Stores the values into the game state with the load-time rules applied
// (targetFps 0 -> 30, a level outside 5/12/20/30 -> 12, frameDelay 0..1000).
void ApplyLoadedSettings(const SettingsValues& v);

// LoadSettings / SaveSettings against an explicit path. Load returns false
// when the file could not be read (the game state then keeps its values, with
// the defaults applied); Save returns false when the file was left as it was.
bool LoadSettingsFrom(const std::string& path);
bool SaveSettingsTo(const std::string& path);

// Writes a file of the game's own (a recorded game) into the settings file's
// folder, replacing any old one the same safe way as the settings.
bool WriteFileBesideSettings(const std::string& name, const std::string& bytes);

// Test hook: called during a save once the temporary file is written and
// synced, just before it is renamed over the settings file. Returning false
// abandons the save at that point, as a crash there would (the temporary file
// is left behind). An empty function removes the hook.
void SetSettingsSaveHook(std::function<bool(const std::string& tempPath)> hook);
