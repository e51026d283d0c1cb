#include "settings/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "platform/platform.h"
#include "runtime/runtime.h"
#include "state/game_state.h"

namespace {

// No real settings file comes near this; a bigger one is read only this far,
// so a stray huge file cannot exhaust memory at start-up.
constexpr size_t kMaxSettingsBytes = 1 << 20;

std::mutex hookMutex;
std::function<bool(const std::string&)> saveHook;

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

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadSettingsFile(const std::string& path, std::string& out) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return ReadResult::Failed;
  }
  char buf[4096];
  while (out.size() < kMaxSettingsBytes) {
    ssize_t got = ::read(fd, buf, std::min(sizeof buf, kMaxSettingsBytes - out.size()));
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return ReadResult::Failed;
    }
    if (got == 0) break;
    out.append(buf, static_cast<size_t>(got));
  }
  ::close(fd);
  return ReadResult::Ok;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(put);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
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
  if (configDir.empty() || ::access(DirectoryOf(beside).c_str(), W_OK) == 0) return {beside, beside};
  // Installed where it may not write (/usr/bin, say): the high score goes to
  // the user's own folder instead of being lost at every exit.
  const std::string folder = configDir + "/quillmoor";
  // Every missing folder on the way, private to the user.
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1))
    ::mkdir(folder.substr(0, slash).c_str(), 0700);
  ::mkdir(folder.c_str(), 0700);
  const std::string own = folder + "/quillmoor.ini";
  struct stat st {};
  const bool ownExists = ::stat(own.c_str(), &st) == 0;
  const bool besideExists = ::stat(beside.c_str(), &st) == 0;
  return {!ownExists && besideExists ? beside : own, own};
}

std::string SettingsPath() {
  return ChooseSettingsPlaces(SettingsPathFor(platform::ExecutablePath()),
                              platform::UserConfigDirectory())
      .save;
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
  gs.targetFps = v.targetFps == 0 ? 30 : v.targetFps;
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

bool LoadSettingsFrom(const std::string& path) {
  std::string bytes;
  ReadResult r = path.empty() ? ReadResult::Failed : ReadSettingsFile(path, bytes);
  if (r == ReadResult::Missing || (r == ReadResult::Ok && bytes.empty())) {
    // A new installation: write the file with what memory holds, then read it
    // back as any other file.
    SaveSettingsTo(path);
    r = ReadSettingsFile(path, bytes);
  }
  if (r != ReadResult::Ok) {
    ApplyLoadedSettings(CurrentSettings());
    return false;
  }
  ApplyLoadedSettings(
      ParseSettings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  return true;
}

namespace {

// The old file is replaced only by a complete, synced new one: a crash or kill
// at any moment leaves either the old file or the new one, never a torn one.
enum class Replaced { kYes, kNo, kStoppedByHook };
Replaced ReplaceFile(const std::string& path, const std::string& bytes, bool settingsHook) {
  if (path.empty()) return Replaced::kNo;
  const std::string temp = path + ".tmp";

  mode_t mode = 0644;
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) {
    if (!S_ISREG(old.st_mode)) return Replaced::kNo;
    mode = old.st_mode & 07777;  // a replaced file keeps its permissions
  }

  ::unlink(temp.c_str());  // a leftover of an interrupted save
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  bool ok = fd >= 0;
  if (ok) {
    ok = WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
  }
  if (ok && settingsHook) {
    std::function<bool(const std::string&)> hook;
    {
      std::lock_guard<std::mutex> lock(hookMutex);
      hook = saveHook;
    }
    if (hook && !hook(temp)) return Replaced::kStoppedByHook;  // as a crash would stop it
  }
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    if (fd >= 0) ::unlink(temp.c_str());
    return Replaced::kNo;
  }
  // Make the rename itself durable.
  int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return Replaced::kYes;
}

}  // namespace

bool SaveSettingsTo(const std::string& path) {
  if (path.empty()) return false;
  const Replaced r = ReplaceFile(path, FormatSettings(CurrentSettings()), true);
  if (r == Replaced::kStoppedByHook) return false;
  const bool ok = r == Replaced::kYes;
  platform::LogEvent((ok ? "settings written " : "settings not written ") + path);
  return ok;
}

bool WriteFileBesideSettings(const std::string& name, const std::string& bytes) {
  const std::string settings = SettingsPath();
  if (settings.empty()) return false;
  const std::string path = DirectoryOf(settings) + "/" + name;
  const bool ok = ReplaceFile(path, bytes, false) == Replaced::kYes;
  if (!ok) platform::LogEvent("not written " + path);
  return ok;
}

void LoadSettings() {
  LoadSettingsFrom(ChooseSettingsPlaces(SettingsPathFor(platform::ExecutablePath()),
                                        platform::UserConfigDirectory())
                       .load);
}

void SaveSettings() { SaveSettingsTo(SettingsPath()); }

void SetSettingsSaveHook(std::function<bool(const std::string&)> hook) {
  std::lock_guard<std::mutex> lock(hookMutex);
  saveHook = std::move(hook);
}
