// The SDL game in a real window, under a private X server with a window manager: one game
// by keyboard and mouse, checked on the window's pixels. (Without a display: tests/desktop.)
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/gfx/png.h"
#include "shell_fixture.h"
#include "tests/scenario/scenario.h"
#include "tests/support/child_process.h"

#ifdef QM_HAVE_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

namespace shelltest {
namespace {

using testsupport::Spawn, testsupport::WaitExit, scenario::ReadFile;

std::string GameBinary() { return std::string(QM_BINARY_DIR) + "/quillmoor"; }

// Polls `done` every 50 ms for up to 20 s (generous for sanitizer builds).
bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
  for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
       std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(50)))
    if (done()) return true;
  return false;
}

class RealWindow : public ShellTest {};

#ifdef QM_HAVE_X11

// Windows come and go while the tree is walked: no reason to end the test.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// A window's property of 32-bit items, which Xlib hands out as longs; empty without it.
std::vector<long> Property(Display* d, ::Window w, const char* name) {
  Atom type;
  int format;
  unsigned long n = 0, left;
  unsigned char* data = nullptr;
  XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1 << 16, False, AnyPropertyType, &type, &format, &n, &left, &data);
  std::vector<long> v(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + (data ? n : 0));
  if (data) XFree(data);
  return v;
}

struct Geometry {  // the client area on the screen
  int x = 0, y = 0, width = 0, height = 0; bool operator==(const Geometry&) const = default;
};

TEST_F(RealWindow, OneGamePlayedByKeyboardAndMouseOnADesktop) {
  if (std::system("command -v xdotool >/dev/null && command -v openbox >/dev/null") != 0)
    GTEST_SKIP() << "xdotool or openbox is not installed: no way to play the real window";
  testsupport::XServer x;
  std::string why;
  if (!x.Start(why, "1024x768x24")) GTEST_SKIP() << "no X server for the real-window test: " << why;
  XSetErrorHandler(IgnoreXErrors);
  Display* d = XOpenDisplay(x.display().c_str());
  ASSERT_NE(d, nullptr);
  const ::Window root = DefaultRootWindow(d);
  auto xdotool = [&](const std::string& args) {  // what it prints
    std::system(("DISPLAY=" + x.display() + " xdotool " + args + " >" + (dir_ / "xdotool.txt").string() + " 2>&1").c_str());
    return ReadFile(dir_ / "xdotool.txt");
  };
  auto named = [&](const std::string& name) {  // the shown window of that name, or 0
    return ::Window(std::stoul("0" + xdotool("search --onlyvisible --name '^" + name + "$' | head -1")));
  };
  const pid_t wm = Spawn({.argv = {"openbox"}, .setEnv = {"DISPLAY=" + x.display()}});
  ASSERT_TRUE(WaitFor([&] { return Property(d, root, "_NET_SUPPORTING_WM_CHECK").size() == 1; }))
      << "openbox did not take the screen";

  // Its own copy of the game laid out as installed, found whatever the folder; the settings land beside it. With
  // QM_WINDOWS_GAME (make test-windows) it is the Windows game's folder, run by wine, silent without naming SDL's dummy
  // sound, in a folder only Unicode can name.
  const char* windows = std::getenv("QM_WINDOWS_GAME");
  const fs::path home = windows ? dir_ / "Quillmoor ゲーム" : dir_ / "bin";
  std::vector<std::string> argv = {(home / "quillmoor").string(), "--scale", "1"};
  std::vector<std::string> env = {"DISPLAY=" + x.display(), "LANG=C.UTF-8"};
  if (windows) {
    fs::copy(windows, home, fs::copy_options::recursive);
    argv[0] = (home / "quillmoor.exe").string(), argv.insert(argv.begin(), "/usr/lib/wine/wine64");
  } else {
    fs::create_directories(home), fs::create_directories(dir_ / "share/quillmoor");
    fs::copy_file(GameBinary(), argv[0], fs::copy_options::overwrite_existing), env.push_back("SDL_AUDIODRIVER=dummy");
    for (const char* data : {"image", "bgm"})
      fs::create_directory_symlink(fs::path(QM_SOURCE_DIR) / data, dir_ / "share/quillmoor" / data);
  }
  const std::string err = (dir_ / "stderr.txt").string();
  pid_t game = Spawn({.argv = argv, .setEnv = testsupport::WithoutLeakCheck(env),
                      .unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, .errFile = err, .cwd = dir_.string()});
  ::Window w = 0;
  ASSERT_TRUE(WaitFor([&] { return (w = named("Quillmoor Ver.1.00")) != 0; })) << ReadFile(err);
  auto where = [&](::Window of) {
    Geometry g;
    XWindowAttributes a;
    ::Window child;
    if (XGetWindowAttributes(d, of, &a) && XTranslateCoordinates(d, of, root, 0, 0, &g.x, &g.y, &child))
      g.width = a.width, g.height = a.height;
    return g;
  };
  auto framed = [&](::Window of) {  // the frame the window manager drew: the client area and its extents
    const Geometry g = where(of);
    const std::vector<long> e = Property(d, of, "_NET_FRAME_EXTENTS");  // left, right, top, bottom
    return e.size() != 4 ? g : Geometry{g.x - int(e[0]), g.y - int(e[2]), g.width + int(e[0] + e[1]), g.height + int(e[2] + e[3])};
  };
  // The frame centred over the other by flooring half the difference, as the game centres.
  auto centred = [&](const Geometry& f, const Geometry& over) {
    return f.x == over.x + (over.width - f.width) / 2 && f.y == over.y + (over.height - f.height) / 2;
  };
  EXPECT_TRUE(WaitFor([&] { return centred(framed(w), Geometry{0, 0, 1024, 768}); }))
      << "the main window's frame at " << framed(w).x << "," << framed(w).y << " is not centred";
  const Geometry windowed = where(w);
  EXPECT_EQ(windowed.width * 1000 + windowed.height, 320240);

  // The window's pixels (0x00RRGGBB) as the screen shows them; black off the screen.
  auto grab = [&](::Window of) {
    platform::Surface out;
    const Geometry g = where(of);
    const int x0 = std::max(g.x, 0), y0 = std::max(g.y, 0);
    const int x1 = std::min(g.x + g.width, DisplayWidth(d, 0)), y1 = std::min(g.y + g.height, DisplayHeight(d, 0));
    XImage* img = x1 > x0 && y1 > y0 ? XGetImage(d, root, x0, y0, x1 - x0, y1 - y0, AllPlanes, ZPixmap) : nullptr;
    if (!img) return out;
    out.Resize(g.width, g.height);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) out.at(x - g.x, y - g.y) = XGetPixel(img, x - x0, y - y0) & 0xFFFFFF;
    XDestroyImage(img);
    return out;
  };
  // Holds a key down for `ms` in the focused window, as a hand would: in one xdotool, so not longer on a busy machine.
  auto hold = [&](const std::string& key, int ms = 150) {
    xdotool("windowactivate --sync " + std::to_string(w) + " keydown " + key + " sleep " + std::to_string(ms / 1000.0) + " keyup " + key);
  };
  auto count = [](const platform::Surface& s, uint32_t colour, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, s.height()); ++y)
      for (int x = std::max(x0, 0); x < std::min(x1, s.width()); ++x) n += s.at(x, y) == colour;
    return n;
  };
  auto showing = [&](const std::function<bool(const platform::Surface&)>& what) {
    return WaitFor([&] { return what(grab(w)); });
  };
  auto same = [](const platform::Surface& a, const platform::Surface& b) {
    return a.width() == b.width() && std::equal(a.data(), a.data() + a.width() * a.height(), b.data(), b.data() + b.width() * b.height());
  };
  // The title as quillmoor-sim draws it, pixel for pixel, at one moment of its pulsing hint.
  platform::Surface title;
  const std::string shot = (dir_ / "title.png").string();
  ASSERT_EQ(scenario::RunSim({"--dir", QM_SOURCE_DIR, "--shot", "4000:" + shot, "--until", "4100"}, dir_).status, 2);
  ASSERT_TRUE(platform::ReadPng(shot, title));
  EXPECT_TRUE(showing([&](auto& s) { return same(s, title); })) << "not the simulator's title";

  // The title, with its yellow "Option .. [S]" line (y 216) only while windowed.
  auto optionLine = [&](const platform::Surface& s, int scale, int x0, int y0) {
    return count(s, 0xFFFF00, x0, y0 + 216 * scale, x0 + 320 * scale, y0 + 232 * scale);
  };
  auto onTitle = [&] { return showing([&](auto& s) { return optionLine(s, 1, 0, 0) > 50; }); };
  ASSERT_TRUE(onTitle()) << "no title with its option line";

  // Enter on the title, then on the banner (red text on row 90): the green life gauge shows.
  hold("Return");
  ASSERT_TRUE(showing([&](auto& s) { return count(s, 0xF00000, 0, 90, 320, 106) > 20; })) << "no banner";
  hold("Return");
  ASSERT_TRUE(showing([&](auto& s) { return count(s, 0x00FF00, 0, 228, 320, 238) > 500; })) << "no game";
  auto shipX = [&] {  // the mean column of the ship's light blue, -1 while hidden
    int at = -1;
    WaitFor([&] {
      platform::Surface s = grab(w);
      int n = 0, sum = 0;
      for (int y = 195; y < 235; ++y)
        for (int x = 0; x < 320; ++x)
          if (s.at(x, y) == 0xDEE8F6) n += 1, sum += x;
      return (at = n >= 8 ? sum / n : -1) >= 0;  // a bullet may cover part of it
    });
    return at;
  };
  int seenAt = -1;
  ASSERT_TRUE(WaitFor([&] { return (seenAt = shipX()) == 158; })) << "the ship is not in its place: " << seenAt
                                                                  << "\n" << ReadFile(err);

  // Left moves the ship for as long as it is held, and no further.
  hold("Left", 200);
  int moved = -1, last = -2;  // once it keeps still: the game may take the release a frame or two late
  WaitFor([&] { last = moved, std::this_thread::sleep_for(std::chrono::milliseconds(300)); return (moved = shipX()) == last; });
  EXPECT_TRUE(moved > 20 && moved < 140) << moved << ": the ship did not stop where Left was let go";

  // Shift (AUTO) fires by itself, Ctrl (MANUAL) stops it, then Space fires only
  // while held. A shot's light cyan is never on the ship's row or above otherwise.
  auto shots = [&](bool some) {
    return showing([&](auto& s) { return (count(s, 0xB4FAFA, 0, 0, 320, 195) > 0) == some; });
  };
  EXPECT_TRUE(shots(false)) << "a shot in MANUAL mode without Space";
  hold("shift");
  EXPECT_TRUE(shots(true)) << "Shift did not select AUTO";
  hold("ctrl");
  EXPECT_TRUE(shots(false)) << "Ctrl did not select MANUAL";
  hold("space", 300);
  EXPECT_TRUE(shots(true)) << "Space made no shot";
  EXPECT_TRUE(shots(false)) << "shots go on after Space was released";

  // P pauses: two screenshots half a second apart are identical. P again resumes.
  hold("p");
  platform::Surface paused;
  EXPECT_TRUE(WaitFor([&] {
    platform::Surface a = grab(w);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return same(a, paused = grab(w));
  })) << "P did not pause";
  hold("p");
  EXPECT_TRUE(showing([&](auto& s) { return !same(s, paused); })) << "P did not resume";

  // F4 covers the 1024 x 768 screen with the tripled picture centred on black, and back.
  auto fullWindow = [&](const char* what, const std::function<bool(const platform::Surface&)>& on) {
    SCOPED_TRACE(what);
    hold("F4");
    ASSERT_TRUE(WaitFor([&] { return where(w) == Geometry{0, 0, 1024, 768}; }))  // the whole screen, under a
        << "not full window";                                                        // window manager too
    EXPECT_TRUE(showing([&](auto& s) {
      return count(s, 0, 0, 0, 1024, 768) - count(s, 0, 32, 24, 992, 744) == 1024 * 768 - 960 * 720 &&
             count(s, 0, 32, 24, 992, 744) < 960 * 720 / 2 && on(s);
    }));
    hold("F4");
    EXPECT_TRUE(WaitFor([&] { return where(w) == windowed; })) << "not back in place";
  };
  fullWindow("in play", [](auto&) { return true; });

  // F2 abandons the game; on the title the full window hides the option line.
  hold("F2");
  ASSERT_TRUE(onTitle()) << "F2 did not go back to the title";
  fullWindow("on the title", [&](auto& s) { return optionLine(s, 3, 32, 24) == 0; });
  ASSERT_TRUE(onTitle()) << "the option line did not come back";

  // S opens the options; clicks on "Hard" and "O K" where the window system put them.
  hold("s");
  ::Window options = 0;
  ASSERT_TRUE(WaitFor([&] { return (options = named("Option")) != 0; })) << "no options";
  Geometry o;
  platform::Surface before;
  ASSERT_TRUE(WaitFor([&] {  // settled: placed, and drawn with its face and its "Hard" (until a window is first
    const Geometry g = where(options);  // painted, the screen may still show what was beneath it, as under wine)
    const bool still = g == o;
    o = g;
    before = grab(options);
    return still && before.width() > 133 && before.at(0, 0) == 0xD4D0C8 &&
           count(before, before.at(0, 0), 70, 115, 133, 130) < 63 * 15;
  })) << "the options window did not settle";
  // Centred on the main window's frame; its first picture whole (no black band) and not too high.
  EXPECT_TRUE(centred(framed(options), framed(w))) << framed(options).x - framed(w).x << "," << framed(options).y - framed(w).y;
  EXPECT_EQ(count(before, before.at(0, 0), 193, 0, 200, 180) + count(before, before.at(0, 0), 0, 177, 193, 180), 7 * 180 + 3 * 193);
  EXPECT_EQ(count(before, before.at(0, 0), 5, 0, 66, 6), 61 * 6) << "drawn too high";
  // A click while the window takes the focus may be lost: click again until it shows.
  auto click = [&](int cx, int cy, const std::function<bool()>& landed) {
    return WaitFor([&] {
      xdotool("mousemove --sync " + std::to_string(o.x + cx) + " " + std::to_string(o.y + cy) +
              " mousedown 1 sleep 0.1 mouseup 1");
      return WaitFor(landed, 500);
    });
  };
  EXPECT_TRUE(click(80, 122, [&] { return !same(grab(options), before); })) << "Hard did not land";
  EXPECT_TRUE(click(40, 162, [&] { return !named("Option"); })) << "O K did not close";

  hold("Escape");
  EXPECT_EQ(WaitExit(game, 20000), 0) << ReadFile(err);
  // Frame rate, frame delay, firing mode (MANUAL), spare, high score, level (Hard).
  const std::vector<std::string> got = scenario::SettingsLines(home / "quillmoor.ini", why);
  ASSERT_EQ(got.size(), 7u) << why;
  EXPECT_EQ(got[2] + got[5], "020");
  // The game played here, recorded beside its settings, plays the same in quillmoor-sim.
  EXPECT_EQ(scenario::RunSim({"--dir", QM_SOURCE_DIR, "--replay", (home / "last.qmr").string(), "--verify"}, dir_).status, 0);
  XCloseDisplay(d);
  kill(wm, SIGTERM);
  WaitExit(wm, 5000);
}

#endif

}  // namespace
}  // namespace shelltest
