// The settings file: options, the tuned frame delay, the high score and the
// God unlock. It lives beside the executable, or in the user's configuration
// folder for an installed game or one whose folder cannot be written.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Decides where this run's settings live and reads them (at start). A file
// there that cannot be read (or no place at all) leaves the game on its
// defaults, says so in a message box, and nothing is written there this run.
void LoadSettings();
// Saves to the file read at start (not written when that could not be read).
void SaveSettings();
// The file the settings are saved to this run: empty before LoadSettings, or
// when nothing is saved.
std::string SettingsPath();
// LoadSettings for an executable's path (empty: unknown) and the user's
// configuration folder.
void LoadSettingsFor(const std::string& executable, const std::string& configDir);

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
// the executable (empty: unknown), `configDir` the game's folder among the
// user's own (empty: none). Beside the executable while its folder can be written
// and is not under /usr; otherwise saved to configDir/quillmoor.ini
// (its folders are made), and read from there, or from an existing file
// beside the executable until that exists. Empty places: nowhere.
struct SettingsPlaces {
  std::string load, save;
};
SettingsPlaces ChooseSettingsPlaces(const std::string& beside, const std::string& configDir);

// The in-memory side: the seven fields of the game state.
SettingsValues CurrentSettings();
// Stores the values into the game state with the load-time rules applied
// (targetFps below 1 -> 30, a level outside 5/12/20/30 -> 12, frameDelay 0..1000).
void ApplyLoadedSettings(const SettingsValues& v);

// Reading and saving against an explicit path. A missing or empty file is
// written with what memory holds and read back. Unless the file was read, the
// game state keeps its values with the defaults applied. Save returns false
// when the file was left as it was (also a read-only one).
enum class SettingsLoad { kRead, kMissing, kUnreadable };
SettingsLoad LoadSettingsFrom(const std::string& path);
bool SaveSettingsTo(const std::string& path);

// Writes a file of the game's own (a recorded game) into the settings file's
// folder, replacing any old one the same safe way as the settings; nothing
// when the settings are not saved this run.
bool WriteFileBesideSettings(const std::string& name, const std::string& bytes);
