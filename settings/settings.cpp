#include "settings/settings.h"

#include <algorithm>
#include <mutex>

#include "platform/files/files.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "state/game_state.h"

namespace {

// No real settings file comes near this; a bigger one is read only this far,
// so a stray huge file cannot exhaust memory at start-up.
constexpr size_t kMaxSettingsBytes = 1 << 20;

namespace files = platform::files;

// This run's settings file, decided once at start: every save goes to the
// file that was read then, wherever the executable has gone since. keep is
// false when nothing may be written there.
struct Place {
  std::string file;
  bool keep = false;
};
std::mutex placeMutex;
Place place;

void SetPlace(const std::string& file, bool keep) {
  std::lock_guard<std::mutex> lock(placeMutex);
  place = {file, keep};
}

Place CurrentPlace() {
  std::lock_guard<std::mutex> lock(placeMutex);
  return place;
}

const char* const kCaption = "Settings";
const char* const kCannotReadText = "設定ファイルを読み込めません";
const char* const kNoPlaceText = "設定ファイルの場所がわかりません";
const char* const kNotSavedText = "設定とリプレイは保存されません";

// Reads one field: blanks and tabs before it are skipped; it ends at a comma or
// at the end of the line (CR, LF or CR LF, consumed with it). A field may be
// quoted; a quote that is never closed ends with its line, so one stray quote
// cannot swallow the lines after it.
std::string ReadField(const uint8_t* d, size_t n, size_t& pos) {
  auto isEnd = [](uint8_t c) { return c == ',' || c == '\r' || c == '\n'; };
  while (pos < n && (d[pos] == ' ' || d[pos] == '\t')) ++pos;
  std::string field;
  if (pos < n && d[pos] == '"') {
    ++pos;
    size_t start = pos;
    while (pos < n && d[pos] != '"' && d[pos] != '\r' && d[pos] != '\n') ++pos;
    field.assign(reinterpret_cast<const char*>(d + start), pos - start);
    if (pos < n && d[pos] == '"') ++pos;
    while (pos < n && !isEnd(d[pos])) ++pos;  // text after the closing quote
  } else {
    size_t start = pos;
    while (pos < n && !isEnd(d[pos])) ++pos;
    field.assign(reinterpret_cast<const char*>(d + start), pos - start);
  }
  if (pos < n) {
    if (d[pos] == '\r') {
      ++pos;
      if (pos < n && d[pos] == '\n') ++pos;
    } else {
      ++pos;  // comma or LF
    }
  }
  return field;
}

}  // namespace

SettingsValues ParseSettings(const uint8_t* data, size_t size) {
  size_t pos = 0;
  int32_t numbers[6];
  for (int32_t& v : numbers) v = static_cast<int32_t>(Val(ReadField(data, size, pos)));
  SettingsValues v;
  v.targetFps = numbers[0];
  v.frameDelay = numbers[1];
  v.fireMode = numbers[2];
  v.spareSetting = numbers[3];
  v.hiScore = numbers[4];
  v.enemySlots = numbers[5];
  v.godUnlocked = ReadField(data, size, pos) == kGodUnlockText ? 1 : 0;
  return v;
}

std::string FormatSettings(const SettingsValues& v) {
  std::string out;
  for (int32_t n : {v.targetFps, v.frameDelay, v.fireMode, v.spareSetting, v.hiScore,
                    v.enemySlots}) {
    out += Str(n);
    out += "\r\n";
  }
  if (v.godUnlocked == 1) out += kGodUnlockText;
  out += "\r\n";
  return out;
}

std::string SettingsPathFor(const std::string& executablePath) {
  if (executablePath.empty()) return {};
  size_t n = executablePath.size();
  if (n >= 4 && executablePath[n - 4] == '.') {
    std::string ext = executablePath.substr(n - 3);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return static_cast<char>(c | 0x20); });
    if (ext == "exe") return executablePath.substr(0, n - 3) + "ini";
  }
  return executablePath + ".ini";
}

SettingsPlaces ChooseSettingsPlaces(const std::string& beside, const std::string& configDir) {
  if (beside.empty()) return {};
  const std::string folder = files::FolderOf(beside);
  // An installed game (/usr/bin, /usr/games, /usr/local/...) keeps its files
  // in the user's folder, also when run as root, who could write beside it.
  const bool installed = folder == "/usr" || folder.starts_with("/usr/");
  if (!installed && (configDir.empty() || files::FolderWritable(folder))) return {beside, beside};
  if (configDir.empty()) return {};
  // Where it may not write (/usr/bin, say): the high score goes to the user's
  // own folder instead of being lost at every exit.
  files::MakeFolders(configDir);
  const std::string own = configDir + "/quillmoor.ini";
  return {!files::Exists(own) && files::Exists(beside) ? beside : own, own};
}

std::string SettingsPath() {
  const Place p = CurrentPlace();
  return p.keep ? p.file : std::string();
}

SettingsValues CurrentSettings() {
  SettingsValues v;
  v.targetFps = gs.targetFps;
  v.frameDelay = gs.frameDelay;
  v.fireMode = gs.fireMode;
  v.spareSetting = gs.spareSetting;
  v.hiScore = gs.hiScore;
  v.enemySlots = gs.enemySlots;
  v.godUnlocked = gs.godUnlocked;
  return v;
}

void ApplyLoadedSettings(const SettingsValues& v) {
  gs.targetFps = PlayableTargetFps(v.targetFps);
  // The regulator sleeps this long every frame: a hand-edited huge value
  // would freeze the game.
  gs.frameDelay = std::clamp(v.frameDelay, 0, 1000);
  gs.fireMode = v.fireMode;
  gs.spareSetting = v.spareSetting;
  gs.hiScore = v.hiScore;
  // The level sizes the enemy loops: only the four levels are safe.
  const int32_t s = v.enemySlots;
  gs.enemySlots = (s == 5 || s == 12 || s == 20 || s == 30) ? s : 12;
  gs.godUnlocked = v.godUnlocked;
}

SettingsLoad LoadSettingsFrom(const std::string& path) {
  std::string bytes;
  files::Read r = path.empty() ? files::Read::kMissing : files::ReadFile(path, kMaxSettingsBytes, bytes);
  if (r == files::Read::kMissing || (r == files::Read::kRead && bytes.empty())) {
    // A new installation: write the file with what memory holds, then read it
    // back as any other file.
    if (SaveSettingsTo(path)) r = files::ReadFile(path, kMaxSettingsBytes, bytes);
  }
  if (r != files::Read::kRead) {
    ApplyLoadedSettings(CurrentSettings());
    return r == files::Read::kMissing ? SettingsLoad::kMissing : SettingsLoad::kUnreadable;
  }
  ApplyLoadedSettings(
      ParseSettings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  return SettingsLoad::kRead;
}

bool SaveSettingsTo(const std::string& path) {
  if (path.empty()) return false;
  const bool ok = files::ReplaceFile(path, FormatSettings(CurrentSettings()));
  platform::LogEvent((ok ? "settings written " : "settings not written ") + path);
  return ok;
}

bool WriteFileBesideSettings(const std::string& name, const std::string& bytes) {
  const std::string settings = SettingsPath();
  const std::string path = settings.empty() ? name : files::FolderOf(settings) + "/" + name;
  const bool ok = !settings.empty() && files::ReplaceFile(path, bytes);
  if (!ok) platform::LogEvent("not written " + path);
  return ok;
}

void LoadSettingsFor(const std::string& executable, const std::string& configDir) {
  const SettingsPlaces places = ChooseSettingsPlaces(SettingsPathFor(executable), configDir);
  SetPlace(places.save, false);
  const SettingsLoad r = LoadSettingsFrom(places.load);  // no place: the defaults
  if (places.load.empty() || r == SettingsLoad::kUnreadable) {
    // Nothing is written where the settings could not be read: not the file,
    // whose high score would be lost, nor a recording beside it (best.qmr
    // would give way to any game, against a high score read as 0).
    const std::string text = places.load.empty() ? kNoPlaceText : kCannotReadText + ("\r" + places.load);
    SetPlace(places.load, false);
    platform::MessageBox(0, text + "\r" + kNotSavedText, kCaption, platform::MB_OK | platform::MB_ICONEXCLAMATION);
    return;
  }
  SetPlace(places.save, true);
}

void LoadSettings() { LoadSettingsFor(platform::ExecutablePath(), platform::UserConfigDirectory()); }

void SaveSettings() {
  const Place p = CurrentPlace();
  if (p.keep)
    SaveSettingsTo(p.file);
  else
    platform::LogEvent("settings not written " + p.file);
}
