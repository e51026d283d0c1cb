// What the game is started with: its command line, and the folder its
// pictures and music are read from.
#include "platform/data_folder.h"
#include "platform/files/files.h"
#include "platform/sdl/sdl_internal.h"

namespace platform::sdl {
namespace {

const std::string kUsage = "usage: quillmoor [--scale N] [--replay FILE] [--help] [--version]";

// An argument as it can be shown within one line of the message.
std::string Shown(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return "\"" + s + "\"";
}

}  // namespace

const char* LaunchHelp() {
  return "usage: quillmoor [--scale N] [--replay FILE] [--help] [--version]\n"
         "A small vertical shoot-'em-up.\n"
         "  --scale N   show every window N times its size (1 to 8); the default\n"
         "              is the largest that fits three quarters of the screen's height\n"
         "  --replay FILE  watch a recorded game first (Space held: 4x, Escape: title)\n"
         "  --help      this text\n"
         "  --version   the game's version\n"
         "The settings are kept in quillmoor.ini beside the program, or in\n"
         "$XDG_CONFIG_HOME/quillmoor/ (~/.config/quillmoor/) when that folder cannot\n"
         "be written.\n";
}

bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& out,
                        std::string& error) {
  out = LaunchOptions{};
  auto fail = [&](const std::string& what) {
    error = "quillmoor: " + what + "; " + kUsage;
    return false;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      out.help = true;
      continue;
    }
    if (args[i] == "--version") {
      out.version = true;
      continue;
    }
    if (args[i] == "--replay") {
      if (i + 1 == args.size() || args[i + 1].empty()) return fail("--replay needs a file");
      if (!out.replay.empty()) return fail("--replay given twice");
      out.replay = args[++i];
      continue;
    }
    std::string value;
    if (args[i] == "--scale") {
      if (i + 1 == args.size()) return fail("--scale needs a number");
      value = args[++i];
    } else if (args[i].rfind("--scale=", 0) == 0) {
      value = args[i].substr(8);
    } else {
      return fail("unknown argument " + Shown(args[i]));
    }
    if (out.scale != 0) return fail("--scale given twice");
    // One or two plain digits: no sign, no blanks, nothing after.
    const bool digits = !value.empty() && value.size() <= 2 &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    const int n = digits ? std::stoi(value) : 0;
    if (n < 1 || n > kMaxWindowScale)
      return fail("bad window scale " + Shown(value) + " (1 to " + std::to_string(kMaxWindowScale) + ")");
    out.scale = n;
  }
  return true;
}

bool ChangeToDataFolder() {
  const std::string dir = FindDataFolder(ExecutablePath());
  return !dir.empty() && (dir == "." || files::ChangeFolder(dir));
}

}  // namespace platform::sdl
