// The game as a player meets it on a desktop: the clock that seeds it, the
// window scale, the command line, a controller plugged in mid-game, the icon,
// and the game installed read-only or unpacked from its package.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include "entities/tables.h"
#include "platform/gfx/bmp.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/ui/widgets.h"
#include "shell/shell.h"
#include "state/game_state.h"
#include "tests/scenario/scenario.h"
#include "tests/support/child_process.h"

#ifdef QM_HAVE_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

namespace {

namespace fs = std::filesystem;
using testsupport::Spawn, testsupport::WaitExit, scenario::ReadFile;
const std::string kGame = std::string(QM_BINARY_DIR) + "/quillmoor", kSource = QM_SOURCE_DIR;

std::string Setting(const fs::path& ini, int n) {  // line n (from 1) of a whole settings file, else why not
  std::string why;
  const std::vector<std::string> lines = scenario::SettingsLines(ini, why);
  return lines.empty() ? why : lines[n - 1];
}

// Polls until the condition holds; false after `ms`.
bool Until(const std::function<bool()>& ok, int ms = 20000) {
  for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
       std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(5)))
    if (ok()) return true;
  return false;
}

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "qm-desktop-XXXXXX").string();
    dir_ = mkdtemp(tmpl.data());
    fs::permissions(dir_, fs::perms::all);  // the game may run as another user
  }
  void TearDown() override { std::system(("chmod -R u+w " + dir_.string() + "; rm -rf " + dir_.string()).c_str()); }
  fs::path dir_;
};

TEST(DesktopClock, TheTickCountIsTheTimeSinceTheSystemStarted) {
  double uptime = 0;
  std::ifstream("/proc/uptime") >> uptime;
  const auto since = static_cast<uint32_t>(static_cast<uint64_t>(uptime * 1000));
  EXPECT_LT(platform::GetTickCount() - since, 1000u);  // modulo 2^32, as the tick wraps
}

TEST(DesktopScale, TheDefaultFitsThreeQuartersOfTheDesktopAndAChosenScaleTheWholeOfIt) {
  // The main window is 326 x 264 in its frame: by default n * 264 <= 3/4 of the height.
  const int rows[][2] = {{100, 1}, {480, 1}, {703, 1}, {704, 2}, {1080, 3}, {2160, 6}, {99999, 8}};
  for (const auto& r : rows) EXPECT_EQ(platform::sdl::FitWindowScale(r[0], 264), r[1]) << r[0];
  // Asked for, the desktop's width and height, taken.
  const int asked[][4] = {{8, 1920, 1080, 4}, {3, 1920, 1080, 3}, {8, 2608, 2112, 8}, {8, 2607, 2112, 7},
                          {8, 2608, 2111, 7}, {5, 1080, 1920, 3}, {2, 320, 200, 1}};
  for (const auto& r : asked)
    EXPECT_EQ(platform::sdl::ClampWindowScale(r[0], r[1], r[2], 326, 264), r[3]) << r[0] << " on " << r[1] << "x" << r[2];
  using platform::sdl::ClampWindowScale, platform::sdl::FitWindowScale;  // a window of no width or height: the bounds alone
  EXPECT_EQ(std::tuple(ClampWindowScale(3, 1920, 1080, 0, 264), ClampWindowScale(3, 1920, 1080, 326, 0), FitWindowScale(1080, 0)), std::tuple(3, 3, 1));
}

TEST_F(Desktop, TheCommandLineIsCheckedBeforeAnyWindowOpens) {
  // Arguments, exit code, and the whole output (ending in a newline) or a part of it.
  const std::tuple<std::vector<std::string>, int, std::string> rows[] = {
      {{"--scale", "0"}, 1, "quillmoor: bad window scale \"0\" (1 to 8); usage: quillmoor [--scale N] [--replay FILE] [--help] [--version]\n"},
      {{"--scale", "9"}, 1, "bad window scale \"9\" (1 to 8); usage"},
      {{"--scale", "x"}, 1, "bad window scale \"x\""},
      {{"--scale"}, 1, "--scale needs a number"},
      {{"--scale", "2", "--fast\nest"}, 1, "unknown argument \"--fast?est\""},
      {{"--version"}, 0, "Quillmoor 1.00\n"},
      {{"--scale=8"}, 1, "quillmoor: no display to open a window on"},  // a good scale
  };
  for (const auto& [args, code, text] : rows) {
    std::vector<std::string> argv{kGame};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = Spawn({.argv = argv, .unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "SDL_VIDEODRIVER"},
                       .outFile = (dir_ / "out").string(), .errFile = (dir_ / "out").string()});
    EXPECT_EQ(WaitExit(pid, 20000), code) << argv[1];
    const std::string out = ReadFile(dir_ / "out");
    EXPECT_TRUE(text.back() == '\n' ? out == text : out.find(text) != std::string::npos) << out;
    EXPECT_TRUE(code == 0 || out.find('\n') == out.size() - 1) << "one line: " << out;
  }
}

TEST_F(Desktop, TheIconIsWhatTheToolsMakeFromSource) {
#ifndef QM_HAVE_TOOLS
  GTEST_SKIP() << "built without the asset tools";
#endif
  const std::string d = dir_.string();
  ASSERT_EQ(std::system((std::string(QM_BINARY_DIR) + "/tools/qm_imagegen --assets " + kSource +
                         "/tools/assets --out " + d + " --icon-bmp " + d + " --icon-png " + d).c_str()), 0);
  for (std::string f : {"image/icon.bmp", "image/iconm.bmp", "desktop/quillmoor-32.png",
                        "desktop/quillmoor-64.png", "desktop/quillmoor-128.png"})
    EXPECT_TRUE(ReadFile(dir_ / fs::path(f).filename()) == ReadFile(kSource + "/" + f)) << f << ": run make assets";
}

#ifdef QM_HAVE_X11

// A private X server with the game's windows on it, seen through Xlib and
// worked by xdotool as a player would.
class OnScreen : public Desktop {
 protected:
  void SetUp() override {
    Desktop::SetUp();
    std::string why;
    if (std::system("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "no xdotool";
    if (!x_.Start(why)) GTEST_SKIP() << why;
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows come and go
    ASSERT_NE(d_ = XOpenDisplay(x_.display().c_str()), nullptr);
  }
  void TearDown() override {
    if (wm_.joinable()) stop_ = true, wm_.join();
    if (d_) XCloseDisplay(d_);
    Desktop::TearDown();
  }
  // The barest window manager, on a connection of its own: it grants every map, move and resize as
  // asked, noting the icon a window carries when it asks to be mapped (the earliest any window manager
  // reads it) and any move or resize asked after that. Both are read once it has stopped.
  void ManageWindows() {
    Display* d = XOpenDisplay(x_.display().c_str());
    XSelectInput(d, DefaultRootWindow(d), SubstructureRedirectMask);
    XSync(d, False);
    wm_ = std::thread([this, d] {
      for (XEvent e; !stop_;) {
        if (!XPending(d)) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); continue; }
        XNextEvent(d, &e);
        if (e.type == ConfigureRequest) {
          const XConfigureRequestEvent& c = e.xconfigurerequest;
          XWindowChanges to{c.x, c.y, c.width, c.height, c.border_width, c.above, c.detail};
          XConfigureWindow(d, c.window, c.value_mask, &to);
          movedOnScreen_ += iconAtMap_.count(c.window) && (c.value_mask & (CWX | CWY | CWWidth | CWHeight));
        } else if (e.type == MapRequest) {
          iconAtMap_[e.xmaprequest.window] = Icon(d, e.xmaprequest.window);
          XMapWindow(d, e.xmaprequest.window);
        }
      }
      XCloseDisplay(d);
    });
  }
  // Starts the game (as nobody when the test runs as root, so that a folder
  // marked read-only is read-only for it) and waits for its main window.
  ::Window Start(const std::string& exe, std::vector<std::string> args, std::vector<std::string> env = {},
                 const std::string& errFile = "") {
    args.insert(args.begin(), exe);
    if (geteuid() == 0) args.insert(args.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    env.insert(env.end(), {"DISPLAY=" + x_.display(), "SDL_AUDIODRIVER=dummy"});
    pid_ = Spawn({.argv = args, .setEnv = testsupport::WithoutLeakCheck(env),
                  .unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, .errFile = errFile, .cwd = dir_.string()});
    return Named("Quillmoor Ver.1.00");
  }
  std::string X(const std::string& command) {  // what an X tool prints
    const std::string out = (dir_ / "x.txt").string();
    std::system(("DISPLAY=" + x_.display() + " " + command + " > " + out + " 2>/dev/null").c_str());
    return ReadFile(out);
  }
  // The shown window of that name, or 0. xdotool gives up when a window vanishes under its search
  // (the game's first one does as SDL makes it anew for OpenGL), so it is asked again.
  ::Window Named(const std::string& name, bool wait = true) {
    ::Window w = 0;
    Until([&] { return (w = std::stoul("0" + X("xdotool search --onlyvisible --name '^" + name + "$' | head -1"))) || !wait; });
    return w;
  }
  void Do(::Window w, const std::string& keys) { X("xdotool windowfocus --sync " + std::to_string(w) + " " + keys); }
  std::string Grab(::Window win, int x, int y, int w, int h) {  // 32-bit pixels
    XImage* img = XGetImage(d_, win, x, y, w, h, AllPlanes, ZPixmap);
    std::string px = img ? std::string(img->data, size_t(img->bytes_per_line) * h) : "";
    if (img) XDestroyImage(img);
    return px;
  }
  // How many pixels of the area are (or, with `other`, are not) this colour.
  int Count(::Window win, int x, int y, int w, int h, uint32_t rgb, bool other = false) {
    const std::string px = Grab(win, x, y, w, h);
    int n = 0;
    for (size_t i = 0; i + 4 <= px.size(); i += 4) n += ((*reinterpret_cast<const uint32_t*>(&px[i]) & 0xFFFFFF) == rgb) != other;
    return n;
  }
  // The title screen is up once its grey "F4 .. Full Window" is drawn.
  bool Title(::Window w, int n = 1) {
    return Until([&] { return Count(w, 5 * n, 5 * n, 100 * n, 12 * n, 0x808080) > 20; });
  }
  static std::vector<long> Icon(Display* d, ::Window w) {  // 32-bit items, which Xlib hands out as longs
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_ICON", False), 0, 1 << 16, False, AnyPropertyType, &type,
                       &format, &n, &after, &data);
    std::vector<long> v(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + (data ? n : 0));
    if (data) XFree(data);
    return v;
  }
  testsupport::XServer x_;
  Display* d_ = nullptr;
  pid_t pid_ = -1;
  std::thread wm_;
  std::atomic<bool> stop_{false};
  std::map<::Window, std::vector<long>> iconAtMap_;
  int movedOnScreen_ = 0;
};

TEST_F(OnScreen, AtScaleTwoTheOptionsAppearWholeAndAreClickedThroughTheScaledWindow) {
  // The game, its settings file and a copy of its data here: run as nobody, it may not enter the sources.
  fs::copy_file(kGame, dir_ / "quillmoor");
  for (const char* data : {"image", "bgm"}) fs::copy(kSource + "/" + data, dir_ / data);
  ManageWindows();
  const ::Window main = Start((dir_ / "quillmoor").string(), {"--scale", "2"}, {}, (dir_ / "err.txt").string());
  ASSERT_TRUE(main && Title(main, 2)) << ReadFile(dir_ / "err.txt");
  Do(main, "key s");
  const ::Window opt = Named("Option");
  XWindowAttributes m, o;
  ASSERT_TRUE(opt && XGetWindowAttributes(d_, main, &m) && XGetWindowAttributes(d_, opt, &o));
  EXPECT_EQ(m.width * 1000 + m.height, 640480);
  EXPECT_EQ(o.width * 1000 + o.height, 400360);
  // Its first picture fills it (no black band right and below), its labels in place (not drawn too high).
  const uint32_t face = platform::kButtonFacePixel;
  EXPECT_TRUE(Until([&] { return Count(opt, 386, 0, 14, 360, face) + Count(opt, 0, 354, 400, 6, face) == 14 * 360 + 400 * 6; }, 3000));
  EXPECT_EQ(Count(opt, 10, 0, 110, 12, face), 110 * 12);
  // Both windows carry the icon from before they are mapped, pixel for pixel: clear where its mask is white.
  const platform::Surface colour = platform::LoadBmpFile("image/icon.bmp"), mask = platform::LoadBmpFile("image/iconm.bmp");
  std::vector<long> icon{32, 32};
  for (int i = 0; i < 32 * 32; ++i) icon.push_back(mask.data()[i] ? 0 : int32_t(0xFF000000u | colour.data()[i]));
  stop_ = true, wm_.join();  // from the moment they are mapped they have their final place and size
  EXPECT_EQ(iconAtMap_[main], icon);
  EXPECT_EQ(iconAtMap_[opt], icon);
  EXPECT_EQ(movedOnScreen_, 0);
  // "Hard" at (80, 122) and "O K" at (40, 162) of the 1x dialog.
  Do(opt, "mousemove --window " + std::to_string(opt) + " 160 244 click 1");
  Do(opt, "mousemove --window " + std::to_string(opt) + " 80 324 click 1");
  EXPECT_TRUE(Until([&] { return Named("Option", false) == 0; }));
  Do(main, "key Escape");
  EXPECT_EQ(WaitExit(pid_, 20000), 0);
  EXPECT_EQ(Setting(dir_ / "quillmoor.ini", 6), "20");
}

// In a child process: the SDL game on the display, driven by a virtual
// controller plugged in once the title is up. Says what each step saw.
std::string PadGame(const std::string& display) {
  setenv("DISPLAY", display.c_str(), 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);  // no window manager gives focus
  std::string why, seen;
  if (!platform::sdl::InitVideo(why)) return why;
  platform::sdl::SetWindowScale(1, 326, 264);
  std::thread player([&] {
    using namespace platform;
    int index = 0;
    auto plug = [&] {  // a new controller, once the game has taken it up
      index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
      SDL_Joystick* j = SDL_JoystickOpen(index);
      Until([&] { return SDL_GameControllerFromInstanceID(SDL_JoystickInstanceID(j)) != nullptr; });
      return j;
    };
    auto step = [&](const std::string& word, bool ok) { seen += (ok ? "" : "NOT ") + word + " "; };
    step("title", Until([] { return gs.BgmId[4] != 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // its music asked for
    SDL_Joystick* j = plug();
    auto hold = [&](int button, int vk, bool down) {
      SDL_JoystickSetVirtualButton(j, button, down);
      return Until([&] { return KeyHeld(vk) == down; });
    };
    auto tap = [&](int button, int vk) { return hold(button, vk, true) && hold(button, vk, false); };
    auto start = [&] { return tap(SDL_CONTROLLER_BUTTON_START, VK_RETURN); };
    // Each frame of play scrolls the sky; counts n of them, fewer if `enough` holds first.
    auto frames = [](int n, int ms = 20000, const std::function<bool()>& enough = [] { return false; }) {
      int count = 0, last = gs.scrollY;
      return Until([&] { return gs.scrollY != last && (last = gs.scrollY, ++count >= n || enough()); }, ms);
    };
    for (int i = 0; i < 3 && gs.titleActive == 1; ++i) {  // held until the title has gone; a
      hold(SDL_CONTROLLER_BUTTON_START, VK_RETURN, true);  // press it took for a leftover is let go
      Until([] { return gs.titleActive == 0; }, 6000);
      hold(SDL_CONTROLLER_BUTTON_START, VK_RETURN, false);
    }
    step("fade", gs.titleActive == 0);
    for (int i = 0; i < 5 && start() && !frames(1, 3000);) ++i;  // the banner takes it once faded in
    step("play", frames(20));
    step("auto", tap(SDL_CONTROLLER_BUTTON_Y, VK_SHIFT) && Until([] { return gs.fireMode == 1; }));
    step("manual", tap(SDL_CONTROLLER_BUTTON_B, VK_CONTROL) && Until([] { return gs.fireMode == 0; }));
    step("space", tap(SDL_CONTROLLER_BUTTON_A, VK_SPACE));
    start();
    const struct { const char* name; int button, axis, value, vk; } moves[] = {
        {"dpad-left", SDL_CONTROLLER_BUTTON_DPAD_LEFT, -1, 1, VK_LEFT},
        {"stick-in-dead-zone", -1, SDL_CONTROLLER_AXIS_LEFTX, 7000, 0},
        {"stick-right", -1, SDL_CONTROLLER_AXIS_LEFTX, 32767, VK_RIGHT},
        {"stick-up", -1, SDL_CONTROLLER_AXIS_LEFTY, -32768, VK_UP},
        {"dpad-down", SDL_CONTROLLER_BUTTON_DPAD_DOWN, -1, 1, VK_DOWN}};
    for (const auto& m : moves) {  // held between two pauses: 15 frames, or 5 once the ship has moved
      Until([] { return gs.pauseState == 1; });
      const int x = chr[0].x, y = chr[0].y;
      int moved = 0;  // frames since the ship left its place; a loaded machine may take the key late
      auto away = [&] { return (chr[0].x != x || chr[0].y != y) && ++moved >= 5; };
      auto set = [&](int on) {
        m.button >= 0 ? SDL_JoystickSetVirtualButton(j, m.button, on) : SDL_JoystickSetVirtualAxis(j, m.axis, m.value * on);
      };
      set(1);  // taken up before play resumes, and let go before the next move
      if (m.vk) Until([&] { return KeyHeld(m.vk); });
      if (start() && frames(m.vk ? 60 : 15, 20000, away) && start()) Until([] { return gs.pauseState == 1; });
      set(0);
      if (m.vk) Until([&] { return !KeyHeld(m.vk); });
      const int dx = chr[0].x - x, dy = chr[0].y - y;
      seen += std::string(m.name) + ":" + "-0+"[(dx > 0) - (dx < 0) + 1] + "-0+"[(dy > 0) - (dy < 0) + 1] + " ";
    }
    hold(SDL_CONTROLLER_BUTTON_DPAD_LEFT, VK_LEFT, true);
    hold(SDL_CONTROLLER_BUTTON_A, VK_SPACE, true);
    SDL_JoystickDetachVirtual(index);
    step("unplugged", Until([] { return !KeyHeld(VK_LEFT) && !KeyHeld(VK_SPACE); }));
    SDL_JoystickSetVirtualButton(plug(), SDL_CONTROLLER_BUTTON_BACK, 1);  // another one; Back ends the game
  });
  QuillmoorMain();
  player.join();
  return seen;
}

TEST_F(OnScreen, AControllerPluggedInLaterPlaysLikeTheKeysAndLetsGoWhenUnplugged) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t child = fork();
  if (child == 0) {
    const std::string seen = PadGame(x_.display());
    platform::sdl::StopAllThreads(2000);
    _exit(write(out[1], seen.data(), seen.size()) >= 0 ? 0 : 1);  // no leak check of SDL's libraries
  }
  close(out[1]);
  EXPECT_EQ(WaitExit(child, 120000), 0);
  char buf[4096];
  const ssize_t n = read(out[0], buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "title fade play auto manual space dpad-left:-0 stick-in-dead-zone:00 "
                                              "stick-right:+0 stick-up:0- dpad-down:0+ unplugged ");
}

TEST_F(OnScreen, InstalledReadOnlyItKeepsTheHighScoreInTheUsersFolderAndItsPackageRuns) {
  const fs::path usr = dir_ / "usr", home = dir_ / "home", deb = dir_ / "deb", list = dir_ / "list", root = dir_ / "root";
  const std::string build = QM_BINARY_DIR, game = (usr / "games/quillmoor").string();
  ASSERT_EQ(std::system(("cmake --install " + build + " --prefix " + usr.string() + " >/dev/null").c_str()), 0);
  const std::string files[] = {"games/quillmoor", "games/quillmoor-sim", "share/quillmoor/image/title.bmp",
                               "share/quillmoor/bgm/stage.mid", "share/applications/quillmoor.desktop",
                               "share/icons/hicolor/32x32/apps/quillmoor.png", "share/man/man6/quillmoor.6.gz",
                               "share/man/man6/quillmoor-sim.6.gz", "share/doc/quillmoor/copyright"};
  for (const std::string& f : files) EXPECT_TRUE(fs::exists(usr / f)) << f;
  fs::permissions(usr / "games", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  fs::create_directory(home);
  fs::permissions(home, fs::perms::all);
  const std::vector<std::string> env = {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / "config").string()};
  ::Window w = Start(game, {}, env, (dir_ / "err1").string());
  ASSERT_TRUE(w && Title(w));
  const std::string before = Grab(w, 0, 20, 320, 24);  // the line "HI SCORE ...pt"
  // Shift held through the fade: Maker Mode, whose games start with a score; F2 abandons one at once.
  Do(w, "keydown shift keydown Return sleep 0.3 keyup Return sleep 2.5 keyup shift");
  auto banner = [&] { return Count(w, 0, 90, 320, 16, 0xF00000) > 20; };  // red once faded in
  EXPECT_TRUE(Until(banner)) << ReadFile(dir_ / "err1");
  EXPECT_TRUE(Until([&] { return Do(w, "keydown Return sleep 0.3 keyup Return"), !banner(); }));
  Do(w, "key F2");
  ASSERT_TRUE(Title(w));
  const std::string after = Grab(w, 0, 20, 320, 24);
  EXPECT_NE(after, before);
  Do(w, "key Escape");
  EXPECT_EQ(WaitExit(pid_, 20000), 0);
  SetConstantGameState();
  EXPECT_EQ(Setting(home / "config/quillmoor/quillmoor.ini", 5), std::to_string(gs.levelThreshold[5]));
  EXPECT_FALSE(fs::exists(usr / "games/quillmoor.ini"));
  ASSERT_TRUE((w = Start(game, {}, env)) && Title(w));  // the next launch shows it
  EXPECT_EQ(Grab(w, 0, 20, 320, 24), after);
  Do(w, "key Escape");
  EXPECT_EQ(WaitExit(pid_, 20000), 0);

  // The package made under umask 002: the same files, folders 0755, dependencies (computed ones with versions).
  ASSERT_EQ(std::system(("umask 002 && cpack -G DEB --config " + build + "/CPackConfig.cmake -B " + deb.string() +
                         " >/dev/null && cd " + deb.string() + " && dpkg-deb -c *.deb > " + list.string() +
                         " && dpkg-deb -f *.deb Depends Version >> " + list.string() + " && dpkg-deb -x *.deb " +
                         root.string()).c_str()), 0);
  const std::string contents = ReadFile(list);
  for (const std::string& f : files) EXPECT_NE(contents.find("./usr/" + f), std::string::npos) << f;
  for (const char* s : {"libsdl2-2.0-0 (>= ", "libfluidsynth3 (>= ", "timgm6mb-soundfont", "fonts-ipafont-mincho",
                        "fonts-ipafont-gothic", "\nVersion: 1:1.00\n"})
    EXPECT_NE(contents.find(s), std::string::npos) << s;
  for (const std::string& line : scenario::Lines(contents)) EXPECT_TRUE(line[0] != 'd' || line.rfind("drwxr-xr-x", 0) == 0) << line;
  // The game unpacked from it, asked for a scale too large for the 800 x 600 screen: 2 fits.
  const std::string err = (dir_ / "err").string();
  ASSERT_TRUE((w = Start((root / "usr/games/quillmoor").string(), {"--scale", "8"}, env, err)) && Title(w, 2));
  XWindowAttributes a;
  EXPECT_TRUE(XGetWindowAttributes(d_, w, &a) && a.width == 640 && a.height == 480) << a.width << "x" << a.height;
  EXPECT_EQ(ReadFile(err), "quillmoor: at scale 8 the window would not fit the screen; scale 2 is used\n");
  EXPECT_GT(Count(w, 0, 0, 640, 480, 0, true), 640 * 480 / 2);  // its own pictures behind the text
  Do(w, "key Escape");
  EXPECT_EQ(WaitExit(pid_, 20000), 0);
}

#endif

}  // namespace
