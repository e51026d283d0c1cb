// The game in a real window: under a private X server (Xvfb) `quillmoor`
// opens a 320 x 240 client area showing the loading picture, pixel for pixel
// what the headless backend draws, and Escape ends it with code 0 after
// writing the settings; F4 lays the doubled picture over the screen and
// back. Without a display it says so in one line and ends
// with code 1.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
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

using testsupport::XServer;

// The SDL game on the private X server, with the given sound settings; its
// stderr goes to `errFile`.
pid_t SpawnGame(const fs::path& exe, const XServer& x, std::vector<std::string> env,
                const std::string& errFile) {
  env.push_back("DISPLAY=" + x.display());
  return Spawn({.argv = {exe.string()},
                .setEnv = testsupport::WithoutLeakCheck(std::move(env)),
                .unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"},
                .errFile = errFile});
}

// Windows come and go while the tree is walked: an error about one that has
// just gone is no reason to end the test program.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

Display* OpenDisplay(const std::string& name) {
  XSetErrorHandler(IgnoreXErrors);
  return XOpenDisplay(name.c_str());
}

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

// Pixels of the window (0x00RRGGBB), or an empty surface.
platform::Surface Grab(Display* d, ::Window w, int width, int height) {
  platform::Surface out;
  XImage* img = XGetImage(d, w, 0, 0, width, height, AllPlanes, ZPixmap);
  if (!img) return out;
  out.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.at(x, y) = XGetPixel(img, x, y) & 0xFFFFFF;
  XDestroyImage(img);
  return out;
}

int Differences(const platform::Surface& a, const platform::Surface& b) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.at(x, y) != b.at(x, y);
  return n;
}

// Focuses the window and types one key into it.
int PressIn(const std::string& display, ::Window w, const std::string& key) {
  std::string cmd = "DISPLAY=" + display + " xdotool windowfocus --sync " + std::to_string(w) +
                    " key " + key + " >/dev/null 2>&1";
  return std::system(cmd.c_str());
}

// Waits until the window's client area is at (x, y) on the screen with this size.
bool WaitForGeometry(Display* d, ::Window w, int x, int y, int width, int height) {
  auto end = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < end) {
    XWindowAttributes a;
    int rx = 0, ry = 0;
    ::Window child;
    if (XGetWindowAttributes(d, w, &a) &&
        XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &rx, &ry, &child) &&
        a.width == width && a.height == height && rx == x && ry == y)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// The loading picture as the headless backend shows it.
platform::Surface ExpectedLoadingPicture() {
  platform::Surface shown;
  platform::sim::ScheduleAt(500, [&shown] {
    platform::sim::RenderMainWindow(shown);
    platform::sim::PressKey(platform::VK_ESCAPE);
  });
  QuillmoorMain();
  return shown;
}

TEST_F(RealWindow, OpensThePlayfieldShowsTheLoadingPictureSwitchesFullWindowAndEndsOnEscape) {
  ASSERT_TRUE(fs::exists(GameBinary())) << GameBinary();
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "xdotool is not installed: no way to press Escape in the window";
  XServer x;
  std::string why;
  if (!x.Start(why)) GTEST_SKIP() << "no X server for the real-window test: " << why;

  platform::Surface expected = ExpectedLoadingPicture();
  ASSERT_EQ(expected.width(), 320);
  // Not a blank picture: the yellow ".. Now Loading .." is on it.
  int yellow = 0;
  for (int yy = 0; yy < 240; ++yy)
    for (int xx = 0; xx < 320; ++xx) yellow += expected.at(xx, yy) == 0xFFFF00;
  ASSERT_GT(yellow, 100);
  platform::sim::Reset();

  // Its own copy of the game, so that the settings file lands in the scratch
  // directory; run from the repository, where image/ and bgm/ are.
  const fs::path exe = dir_ / "quillmoor";
  fs::copy_file(GameBinary(), exe, fs::copy_options::overwrite_existing);
  const std::string err = (dir_ / "stderr.txt").string();
  pid_t game = SpawnGame(exe, x, {"SDL_AUDIODRIVER=dummy"}, err);

  Display* d = OpenDisplay(x.display());
  ASSERT_NE(d, nullptr);
  ::Window w = 0;
  auto end = Clock::now() + std::chrono::seconds(20);
  while (!w && Clock::now() < end) {
    w = FindNamed(d, DefaultRootWindow(d), "Quillmoor Ver.1.00");
    if (!w) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_NE(w, 0u) << "no window titled \"Quillmoor Ver.1.00\"; stderr: " << ReadFile(err);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(d, w, &a));
  EXPECT_EQ(a.width, 320);
  EXPECT_EQ(a.height, 240);

  // The picture arrives 100 ms after start; wait until the window shows it.
  int diff = -1;
  end = Clock::now() + std::chrono::seconds(20);
  while (Clock::now() < end) {
    platform::Surface shot = Grab(d, w, 320, 240);
    diff = Differences(shot, expected);
    if (diff == 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(diff, 0) << "the window does not show the loading picture";

  // F4: the window covers the 800 x 600 screen and the picture is doubled
  // (the largest whole factor that fits), centred on black.
  ASSERT_EQ(PressIn(x.display(), w, "F4"), 0);
  EXPECT_TRUE(WaitForGeometry(d, w, 0, 0, 800, 600)) << "full window did not cover the screen";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  platform::Surface full = Grab(d, w, 800, 600);
  ASSERT_EQ(full.width(), 800);
  int strayBorder = 0, unevenBlocks = 0, lit = 0;
  for (int yy = 0; yy < 600; ++yy)
    for (int xx = 0; xx < 800; ++xx) {
      bool inside = xx >= 80 && xx < 720 && yy >= 60 && yy < 540;
      if (!inside) strayBorder += full.at(xx, yy) != 0;
      if (inside) lit += full.at(xx, yy) != 0;
      if (inside && ((xx - 80) % 2 || (yy - 60) % 2))
        unevenBlocks += full.at(xx, yy) != full.at(xx - (xx - 80) % 2, yy - (yy - 60) % 2);
    }
  EXPECT_EQ(strayBorder, 0);
  EXPECT_EQ(unevenBlocks, 0);  // nearest neighbour: every 2 x 2 block is one pixel
  EXPECT_GT(lit, 640 * 480 / 2);

  // F4 again: back to the window, centred on the screen.
  ASSERT_EQ(PressIn(x.display(), w, "F4"), 0);
  EXPECT_TRUE(WaitForGeometry(d, w, (800 - 326) / 2 + 3, (600 - 264) / 2 + 22, 320, 240))
      << "the window did not come back centred";
  XCloseDisplay(d);

  EXPECT_EQ(PressIn(x.display(), w, "Escape"), 0);
  EXPECT_EQ(WaitExit(game, 20000), 0) << ReadFile(err);
  std::string settings = ReadFile((dir_ / "quillmoor.ini").string());
  EXPECT_EQ(std::count(settings.begin(), settings.end(), '\n'), 7) << settings;
}

// The top-level window with this name, waiting up to 20 s for it.
::Window WaitForWindow(Display* d, const std::string& name, bool present = true) {
  auto end = Clock::now() + std::chrono::seconds(20);
  while (Clock::now() < end) {
    ::Window w = FindNamed(d, DefaultRootWindow(d), name);
    if ((w != 0) == present) return present ? w : 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return 0;
}

TEST_F(RealWindow, ScreenTooSmallForTheFullWindowGetsTheMessageBox) {
  ASSERT_TRUE(fs::exists(GameBinary())) << GameBinary();
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "xdotool is not installed: no way to press keys in the window";
  XServer x;
  std::string why;
  // Smaller than the playfield: the switch must fail with code 4.
  if (!x.Start(why, "300x220x24")) GTEST_SKIP() << "no X server for the real-window test: " << why;
  const fs::path exe = dir_ / "quillmoor";
  fs::copy_file(GameBinary(), exe, fs::copy_options::overwrite_existing);
  const std::string err = (dir_ / "stderr.txt").string();
  pid_t game = SpawnGame(exe, x, {"SDL_AUDIODRIVER=dummy"}, err);
  Display* d = OpenDisplay(x.display());
  ASSERT_NE(d, nullptr);
  ::Window w = WaitForWindow(d, "Quillmoor Ver.1.00");
  ASSERT_NE(w, 0u) << ReadFile(err);
  ASSERT_EQ(PressIn(x.display(), w, "F4"), 0);
  ::Window box = WaitForWindow(d, "Full Window");
  ASSERT_NE(box, 0u) << "no message box after a failed switch";
  // Enter presses its OK button and the box goes; the game goes on windowed.
  ASSERT_EQ(PressIn(x.display(), box, "Return"), 0);
  EXPECT_NE(WaitForWindow(d, "Full Window", false), 0u) << "the message box stayed";
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(d, w, &a));
  EXPECT_EQ(a.width, 320);
  EXPECT_EQ(a.height, 240);
  XCloseDisplay(d);
  EXPECT_EQ(PressIn(x.display(), w, "Escape"), 0);
  EXPECT_EQ(WaitExit(game, 20000), 0) << ReadFile(err);
}

TEST_F(RealWindow, TheTitleMusicReachesTheSoundDevice) {
  ASSERT_TRUE(fs::exists(GameBinary())) << GameBinary();
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "xdotool is not installed: no way to press keys in the window";
  XServer x;
  std::string why;
  if (!x.Start(why)) GTEST_SKIP() << "no X server for the real-window test: " << why;
  const fs::path exe = dir_ / "quillmoor";
  fs::copy_file(GameBinary(), exe, fs::copy_options::overwrite_existing);
  const std::string err = (dir_ / "stderr.txt").string();
  const std::string raw = (dir_ / "audio.raw").string();
  // SDL's file "device" stands in for a sound card, written at playing speed.
  pid_t game = SpawnGame(exe, x, {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + raw}, err);
  Display* d = OpenDisplay(x.display());
  ASSERT_NE(d, nullptr);
  ::Window w = WaitForWindow(d, "Quillmoor Ver.1.00");
  ASSERT_NE(w, 0u) << ReadFile(err);
  XCloseDisplay(d);
  // The title's music starts about a second in; let two more seconds play.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  ASSERT_EQ(PressIn(x.display(), w, "Escape"), 0);
  ASSERT_EQ(WaitExit(game, 20000), 0) << ReadFile(err);

  std::string pcm = ReadFile(raw);
  const size_t samples = pcm.size() / 2;
  EXPECT_GT(samples, 44100u * 2);  // over a second of 16-bit stereo at 44.1 kHz
  int loud = 0;
  for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
    int16_t v = static_cast<int16_t>(static_cast<uint8_t>(pcm[i]) |
                                     (static_cast<uint8_t>(pcm[i + 1]) << 8));
    loud += v > 1000 || v < -1000;
  }
  EXPECT_GT(loud, 1000) << "nothing audible reached the device";
}

#else

TEST_F(RealWindow, TheTitleMusicReachesTheSoundDevice) {
  GTEST_SKIP() << "built without the X11 client library: no real-window test";
}

TEST_F(RealWindow, ScreenTooSmallForTheFullWindowGetsTheMessageBox) {
  GTEST_SKIP() << "built without the X11 client library: no real-window test";
}

TEST_F(RealWindow, OpensThePlayfieldShowsTheLoadingPictureSwitchesFullWindowAndEndsOnEscape) {
  GTEST_SKIP() << "built without the X11 client library: no real-window test";
}

#endif

}  // namespace
}  // namespace shelltest
