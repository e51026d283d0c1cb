// The SDL game in a real window. Without a display it says so in one line and
// ends with code 1. Under a private X server with a window manager one whole
// game is played by keyboard and mouse, as a player would, and every step is
// checked on the window's own pixels.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "shell/shell.h"
#include "shell_fixture.h"
#include "tests/support/child_process.h"

#ifdef QM_HAVE_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

namespace shelltest {
namespace {

using Clock = std::chrono::steady_clock;
using testsupport::Spawn;
using testsupport::WaitExit;

std::string GameBinary() { return std::string(QM_BINARY_DIR) + "/quillmoor"; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Polls `done` every 50 ms for up to 20 s (generous for sanitizer builds).
bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
  for (auto end = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < end;
       std::this_thread::sleep_for(std::chrono::milliseconds(50)))
    if (done()) return true;
  return false;
}

class RealWindow : public ShellTest {};

TEST_F(RealWindow, WithoutADisplayItSaysSoInOneLineAndEndsWithOne) {
  ASSERT_TRUE(fs::exists(GameBinary())) << GameBinary();
  const std::string err = (dir_ / "stderr.txt").string();
  pid_t pid = Spawn({.argv = {GameBinary()},
                     .setEnv = {"SDL_AUDIODRIVER=dummy"},
                     .unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "SDL_VIDEODRIVER"},
                     .errFile = err});
  EXPECT_EQ(WaitExit(pid, 20000), 1);
  std::string text = ReadFile(err);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.find('\n'), text.size() - 1) << text;  // exactly one line
  EXPECT_NE(text.find("display"), std::string::npos) << text;
}

#ifdef QM_HAVE_X11

// Windows come and go while the tree is walked: an error about one that has
// just gone is no reason to end the test program.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// The shown window with this exact name, or 0.
::Window FindNamed(Display* d, ::Window under, const std::string& name) {
  char* got = nullptr;
  if (XFetchName(d, under, &got) && got) {
    bool same = name == got;
    XFree(got);
    XWindowAttributes a;
    if (same && XGetWindowAttributes(d, under, &a) && a.map_state == IsViewable) return under;
  }
  ::Window root, parent, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(d, under, &root, &parent, &children, &n)) return 0;
  ::Window found = 0;
  for (unsigned int i = 0; i < n && !found; ++i) found = FindNamed(d, children[i], name);
  if (children) XFree(children);
  return found;
}

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;  // the client area on the screen
  bool operator==(const Geometry&) const = default;
};

// One private X server with a window manager, and the game played in it.
class Desk {
 public:
  std::string why;
  std::string display;
  Display* d = nullptr;

  bool Start(const std::string& screen) {
    if (!x_.Start(why, screen)) return false;
    display = x_.display();
    XSetErrorHandler(IgnoreXErrors);
    d = XOpenDisplay(display.c_str());
    return d != nullptr;
  }
  // Starts openbox and waits until it manages the screen.
  bool StartWindowManager() {
    wm_ = Spawn({.argv = {"openbox"}, .setEnv = {"DISPLAY=" + display}});
    Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    return WaitFor([&] {
      Atom type;
      int format;
      unsigned long n = 0, left;
      unsigned char* data = nullptr;
      XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, AnyPropertyType, &type,
                         &format, &n, &left, &data);
      if (data) XFree(data);
      return n == 1;
    });
  }
  ~Desk() {
    if (d) XCloseDisplay(d);
    if (wm_ > 0) {
      kill(wm_, SIGTERM);
      WaitExit(wm_, 5000);
    }
  }

  ::Window WaitForWindow(const std::string& name, bool present = true) {
    ::Window w = 0;
    bool ok = WaitFor([&] { return ((w = FindNamed(d, DefaultRootWindow(d), name)) != 0) == present; });
    return ok ? (present ? w : 1) : 0;
  }
  Geometry Where(::Window w) {
    Geometry g;
    XWindowAttributes a;
    ::Window child;
    if (XGetWindowAttributes(d, w, &a) &&
        XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &g.x, &g.y, &child)) {
      g.width = a.width;
      g.height = a.height;
    }
    return g;
  }
  // Pixels of the window (0x00RRGGBB) as the screen shows them; black where
  // the window lies off the screen.
  platform::Surface Grab(::Window w) {
    platform::Surface out;
    const Geometry g = Where(w);
    const int x0 = std::max(g.x, 0), y0 = std::max(g.y, 0);
    const int x1 = std::min(g.x + g.width, DisplayWidth(d, 0));
    const int y1 = std::min(g.y + g.height, DisplayHeight(d, 0));
    if (x1 <= x0 || y1 <= y0) return out;
    XImage* img = XGetImage(d, DefaultRootWindow(d), x0, y0, x1 - x0, y1 - y0, AllPlanes, ZPixmap);
    if (!img) return out;
    out.Resize(g.width, g.height);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        out.at(x - g.x, y - g.y) = XGetPixel(img, x - x0, y - y0) & 0xFFFFFF;
    XDestroyImage(img);
    return out;
  }
  int Run(const std::string& args) {
    return std::system(("DISPLAY=" + display + " xdotool " + args + " >/dev/null 2>&1").c_str());
  }
  // Holds a key down for `ms` in the focused window, as a hand would.
  void Hold(::Window w, const std::string& key, int ms = 150) {
    Run((wm_ > 0 ? "windowactivate --sync " : "windowfocus --sync ") + std::to_string(w));
    Run("keydown " + key);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    Run("keyup " + key);
  }
  void Click(int x, int y) {
    Run("mousemove --sync " + std::to_string(x) + " " + std::to_string(y));
    Run("mousedown 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Run("mouseup 1");
  }

 private:
  testsupport::XServer x_;
  pid_t wm_ = -1;
};

// Pixels of this colour in the rectangle [x0, x1) x [y0, y1).
int Count(const platform::Surface& s, uint32_t colour, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = std::max(y0, 0); y < std::min(y1, s.height()); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, s.width()); ++x) n += s.at(x, y) == colour;
  return n;
}

int Differences(const platform::Surface& a, const platform::Surface& b, int y0 = 0,
                int y1 = 1 << 20) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  int n = 0;
  for (int y = std::max(y0, 0); y < std::min(y1, a.height()); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.at(x, y) != b.at(x, y);
  return n;
}

// The loading picture as the headless backend shows it.
platform::Surface ExpectedLoadingPicture() {
  platform::Surface shown;
  platform::sim::ScheduleAt(500, [&shown] {
    platform::sim::RenderMainWindow(shown);
    platform::sim::PressKey(platform::VK_ESCAPE);
  });
  QuillmoorMain();
  platform::sim::Reset();
  return shown;
}

TEST_F(RealWindow, OneGamePlayedByKeyboardAndMouseOnADesktop) {
  ASSERT_TRUE(fs::exists(GameBinary())) << GameBinary();
  if (std::system("command -v xdotool >/dev/null && command -v openbox >/dev/null") != 0)
    GTEST_SKIP() << "xdotool or openbox is not installed: no way to play the real window";
  Desk desk;
  if (!desk.Start("800x600x24")) GTEST_SKIP() << "no X server for the real-window test: " << desk.why;
  ASSERT_TRUE(desk.StartWindowManager()) << "openbox did not take the screen";
  const platform::Surface loading = ExpectedLoadingPicture();
  ASSERT_GT(Count(loading, 0xFFFF00, 0, 0, 320, 240), 100);  // ".. Now Loading .."

  // Its own copy of the game, so that the settings file lands in the scratch
  // directory; run from the repository, where image/ and bgm/ are. SDL's file
  // "device" stands in for a sound card, written at playing speed.
  const fs::path exe = dir_ / "quillmoor";
  fs::copy_file(GameBinary(), exe, fs::copy_options::overwrite_existing);
  const std::string err = (dir_ / "stderr.txt").string(), raw = (dir_ / "audio.raw").string();
  const auto started = Clock::now();
  pid_t game = Spawn({.argv = {exe.string()},
                      .setEnv = testsupport::WithoutLeakCheck(
                          {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + raw,
                           "DISPLAY=" + desk.display}),
                      .unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"},
                      .errFile = err});
  const ::Window w = desk.WaitForWindow("Quillmoor Ver.1.00");
  ASSERT_NE(w, 0u) << "no window titled \"Quillmoor Ver.1.00\"; stderr: " << ReadFile(err);
  const Geometry windowed = desk.Where(w);
  EXPECT_EQ(windowed.width, 320);
  EXPECT_EQ(windowed.height, 240);
  platform::Surface shot;
  auto showing = [&](const std::function<bool(const platform::Surface&)>& what) {
    return WaitFor([&] { return what(shot = desk.Grab(w)); });
  };
  EXPECT_TRUE(showing([&](auto& s) { return Differences(s, loading) == 0; }))
      << "the window does not show the loading picture";

  // The title, with its yellow "Option .. [S]" line (size 14 at y 216) only
  // while windowed.
  auto optionLine = [](const platform::Surface& s, int scale, int x0, int y0) {
    return Count(s, 0xFFFF00, x0, y0 + 216 * scale, x0 + 320 * scale, y0 + 232 * scale);
  };
  auto onTitle = [&] { return showing([&](auto& s) { return optionLine(s, 1, 0, 0) > 50; }); };
  ASSERT_TRUE(onTitle()) << "no title with its option line";

  // Enter on the title, then on the banner (its red text on row 90): the game
  // starts, with the green life gauge and the ship (its light blue 0xDEE8F6)
  // at the foot of the playfield.
  desk.Hold(w, "Return");
  ASSERT_TRUE(showing([&](auto& s) { return Count(s, 0xF00000, 0, 90, 320, 106) > 20; }))
      << "no banner";
  desk.Hold(w, "Return");
  ASSERT_TRUE(showing([&](auto& s) { return Count(s, 0x00FF00, 0, 228, 320, 238) > 500; }))
      << "the game did not start";
  auto shipX = [&] {  // the mean column of the ship's light blue, -1 while hidden
    int x = -1;
    WaitFor([&] {
      platform::Surface s = desk.Grab(w);
      int n = 0, sum = 0;
      for (int y = 195; y < 235; ++y)
        for (int x = 0; x < 320; ++x)
          if (s.at(x, y) == 0xDEE8F6) n += 1, sum += x;
      x = n >= 8 ? sum / n : -1;  // a bullet may cover part of it
      return x >= 0;
    });
    return x;
  };
  ASSERT_TRUE(WaitFor([&] { return shipX() == 158; })) << "the ship is not in its place";

  // Held keys follow press and release. Left moves the ship for as long as it is held, and no further.
  desk.Hold(w, "Left", 500);
  const int moved = shipX();
  EXPECT_GE(moved, 0) << "no ship; life gauge "
                      << Count(desk.Grab(w), 0x00FF00, 0, 228, 320, 238);
  EXPECT_LT(moved, 140);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_NEAR(shipX(), moved, 3) << "the ship goes on after Left was released";

  // Shift (AUTO) fires by itself, Ctrl
  // (MANUAL) stops it, and then Space fires only while it is held. A shot's
  // light cyan 0xB4FAFA is never on the ship's row or above it otherwise.
  auto shots = [&](bool some) {
    return showing([&](auto& s) { return (Count(s, 0xB4FAFA, 0, 0, 320, 195) > 0) == some; });
  };
  EXPECT_TRUE(shots(false)) << "a shot in MANUAL mode without Space";
  desk.Hold(w, "shift");
  EXPECT_TRUE(shots(true)) << "Shift did not select AUTO";
  desk.Hold(w, "ctrl");
  EXPECT_TRUE(shots(false)) << "Ctrl did not select MANUAL";
  desk.Hold(w, "space", 300);
  EXPECT_TRUE(shots(true)) << "Space made no shot";
  EXPECT_TRUE(shots(false)) << "shots go on after Space was released";

  // P pauses: nothing moves for half a second. P again resumes.
  desk.Hold(w, "p");
  EXPECT_TRUE(WaitFor([&] {
    platform::Surface a = desk.Grab(w);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return Differences(a, shot = desk.Grab(w)) == 0;
  })) << "P did not pause";
  desk.Hold(w, "p");
  const platform::Surface paused = shot;
  EXPECT_TRUE(showing([&](auto& s) { return Differences(s, paused) > 0; })) << "P did not resume";

  // F4 lays the doubled picture (the largest whole factor) over the 800 x 600
  // screen, centred on black, and back to the window's old place. On the
  // title the option line is hidden there.
  auto fullWindow = [&](const char* what, const std::function<bool(const platform::Surface&)>& on) {
    SCOPED_TRACE(what);
    desk.Hold(w, "F4");
    ASSERT_TRUE(WaitFor([&] {
      Geometry g = desk.Where(w);
      return g.width == 800 && g.height == 600;
    })) << "the full window does not cover the screen";
    int stray = -1, uneven = -1;  // nearest neighbour: every 2 x 2 block is one pixel
    EXPECT_TRUE(showing([&](const platform::Surface& s) {
      if (s.width() != 800 || s.height() != 600) return false;
      stray = uneven = 0;
      for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
          if (x < 80 || x >= 720 || y < 60 || y >= 540) stray += s.at(x, y) != 0;
          else uneven += s.at(x, y) != s.at(x - (x - 80) % 2, y - (y - 60) % 2);
      return stray == 0 && uneven == 0 && Count(s, 0, 80, 60, 720, 540) < 640 * 480 / 2 && on(s);
    })) << stray << " pixels lit around the picture, " << uneven << " not in 2 x 2 blocks";
    desk.Hold(w, "F4");
    EXPECT_TRUE(WaitFor([&] { return desk.Where(w) == windowed; })) << "not back in place";
  };
  desk.Hold(w, "p");  // paused, so that one screenshot holds one frame
  fullWindow("in play", [](auto&) { return true; });
  desk.Hold(w, "p");

  // F2 abandons the game; on the title F4 hides the option line.
  desk.Hold(w, "F2");
  ASSERT_TRUE(onTitle()) << "F2 did not go back to the title";
  fullWindow("on the title", [&](auto& s) { return optionLine(s, 2, 80, 60) == 0; });
  ASSERT_TRUE(onTitle()) << "the option line did not come back";

  // S opens the options window; clicks on "Hard" and "O K" at the place the
  // window system gives its client area choose the Hard level and close it.
  desk.Hold(w, "s");
  const ::Window options = desk.WaitForWindow("Option");
  ASSERT_NE(options, 0u) << "S opened no options window";
  // Settled first: placed by the window manager, and drawn with its "Hard".
  Geometry o;
  platform::Surface before;
  ASSERT_TRUE(WaitFor([&] {
    const Geometry g = desk.Where(options);
    const bool still = g == o;
    o = g;
    before = desk.Grab(options);
    return still && before.width() > 133 &&
           Count(before, before.at(0, 0), 70, 115, 133, 130) < 63 * 15;
  })) << "the options window did not settle";
  // A click that comes while the window is still taking the focus may be
  // lost: click again until it shows (a radio button stays chosen).
  EXPECT_TRUE(WaitFor([&] {
    desk.Click(o.x + 70 + 10, o.y + 115 + 7);
    return WaitFor([&] { return Differences(desk.Grab(options), before) > 0; }, 500);
  })) << "the click on Hard did not land";
  EXPECT_TRUE(WaitFor([&] {
    if (FindNamed(desk.d, DefaultRootWindow(desk.d), "Option") == 0) return true;
    desk.Click(o.x + 13 + 27, o.y + 152 + 10);
    return WaitFor([&] { return FindNamed(desk.d, DefaultRootWindow(desk.d), "Option") == 0; }, 500);
  })) << "O K did not close the options";

  desk.Hold(w, "Escape");
  EXPECT_EQ(WaitExit(game, 20000), 0) << ReadFile(err);
  std::printf("the game ran %lld ms\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         Clock::now() - started).count()));
  // Frame rate, frame delay, firing mode (MANUAL), spare, high score, level.
  const std::string settings = ReadFile((dir_ / "quillmoor.ini").string());
  std::istringstream lines(settings);
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) got.push_back(line);
  ASSERT_EQ(got.size(), 7u) << settings;
  EXPECT_EQ(got[2], "0\r");
  EXPECT_EQ(got[5], "20\r");

  // The title's music reached the sound device.
  const std::string pcm = ReadFile(raw);
  int loud = 0;
  for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
    const int v = static_cast<int16_t>(static_cast<uint8_t>(pcm[i]) | (static_cast<uint8_t>(pcm[i + 1]) << 8));
    loud += v > 1000 || v < -1000;
  }
  EXPECT_GT(loud, 1000) << "nothing audible reached the device";
}

// A screen smaller than the playfield: F4 fails with its message box, Enter
// presses its OK, and the game goes on windowed.
TEST_F(RealWindow, ScreenTooSmallForTheFullWindowGetsTheMessageBox) {
  ASSERT_TRUE(fs::exists(GameBinary())) << GameBinary();
  if (std::system("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "xdotool is not installed";
  Desk desk;
  if (!desk.Start("300x220x24")) GTEST_SKIP() << "no X server for the real-window test: " << desk.why;
  const fs::path exe = dir_ / "quillmoor";  // its settings file goes beside it
  fs::copy_file(GameBinary(), exe);
  const std::string err = (dir_ / "stderr.txt").string();
  pid_t game = Spawn({.argv = {exe.string()},
                      .setEnv = testsupport::WithoutLeakCheck(
                          {"SDL_AUDIODRIVER=dummy", "DISPLAY=" + desk.display}),
                      .unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"},
                      .errFile = err});
  const ::Window w = desk.WaitForWindow("Quillmoor Ver.1.00");
  ASSERT_NE(w, 0u) << ReadFile(err);
  desk.Hold(w, "F4");
  const ::Window box = desk.WaitForWindow("Full Window");
  ASSERT_NE(box, 0u) << "no message box after a failed switch";
  EXPECT_TRUE(WaitFor([&] {  // until the box has the focus and takes the key
    desk.Hold(box, "Return");
    return FindNamed(desk.d, DefaultRootWindow(desk.d), "Full Window") == 0;
  })) << "the message box stayed";
  EXPECT_EQ(desk.Where(w).width, 320);
  EXPECT_EQ(desk.Where(w).height, 240);
  desk.Hold(w, "Escape");
  EXPECT_EQ(WaitExit(game, 20000), 0) << ReadFile(err);
}

#else

TEST_F(RealWindow, OneGamePlayedByKeyboardAndMouseOnADesktop) {
  GTEST_SKIP() << "built without the X11 client library: no real-window test";
}

TEST_F(RealWindow, ScreenTooSmallForTheFullWindowGetsTheMessageBox) {
  GTEST_SKIP() << "built without the X11 client library: no real-window test";
}

#endif

}  // namespace
}  // namespace shelltest
