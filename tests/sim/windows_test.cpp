// The sim backend's rules for windows, queues, painting, activation, keys and clicks, as a table:
// each rule a few calls, and every message the windows then got, up to 1.5 s later.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"
#include "platform/ui/widgets.h"

using namespace platform;

namespace {

auto Corners(const Rect& r) { return std::tuple(r.left, r.top, r.right, r.bottom); }

struct Seen { uint64_t ms; Window window; uint32_t message; intptr_t wParam, lParam; };
std::vector<Seen> seen;

std::string trace;
void Note(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  static const std::map<uint32_t, const char*> kNames = {
      {WM_CREATE, "create"}, {WM_DESTROY, "destroy"}, {WM_ACTIVATE, "activate"}, {WM_PAINT, "paint"}, {WM_CLOSE, "close"}, {WM_QUIT, "quit"},
      {WM_KEYDOWN, "keydown"}, {WM_KEYUP, "keyup"}, {WM_COMMAND, "command"}, {WM_LBUTTONDOWN, "ldown"}, {WM_LBUTTONUP, "lup"}};
  char buf[80];
  std::snprintf(buf, sizeof buf, "%s%llu w%d %s %llx %llx", trace.empty() ? "" : ", ", static_cast<unsigned long long>(sim::Now()),
                w ? int(w - 0x10000) : 0, kNames.count(msg) ? kNames.at(msg) : "?", static_cast<unsigned long long>(wParam), static_cast<unsigned long long>(lParam));
  trace += buf;
}

// Notes what it gets, and keeps it in `seen`; a paint says the size it was given and marks its pixel (0, 0).
intptr_t RecordingProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  seen.push_back({sim::Now(), w, msg, wParam, lParam});
  if (msg != WM_PAINT) return Note(w, msg, wParam, lParam), DefWindowProc(w, msg, wParam, lParam);
  Surface* s = BeginPaint(w);
  Note(w, msg, s ? s->width() : -1, s ? s->height() : -1);
  if (s && !s->empty()) s->at(0, 0) = 0x123456;
  return EndPaint(w), 0;
}

// What the procedures saw of one message: (time, window, wParam) each.
using Trace = std::vector<std::tuple<uint64_t, Window, intptr_t>>;
Trace Only(uint32_t message) {
  Trace out;
  for (const Seen& s : seen)
    if (s.message == message) out.push_back({s.ms, s.window, s.wParam});
  return out;
}

class Windows : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(), seen.clear(), RegisterWindowClass("REC", RecordingProc); }
  // Pumps this thread's messages while the window lives and until a quit.
  static void PumpWhile(Window w) { for (Message m; IsWindow(w) && GetMessage(m) > 0;) DispatchMessage(m); }
};

}  // namespace

// Windows w1 (framed, with a close box, placed by default across) and w2 (bare, placed by default down)
// are titled "T"; the trace notes "ms window message wParam lParam" in hexadecimal, w0 for none.
TEST(SimWindows, FollowTheirRulesAsATable) {
  const struct { const char* name; std::function<void(std::vector<Window>&)> run; const char* trace; } rules[] = {
      {"posted messages in order, then a quit, then one paint for every request; a second quit still comes first", [](auto& w) {
         ShowWindow(w[0], true), InvalidateRect(w[0]), InvalidateRect(w[0]);
         for (intptr_t n : {1, 2, 3}) PostMessage(n == 2 ? 0 : w[0], WM_COMMAND, n, 0);  // 2: the thread's own queue
         PostQuitMessage(7), PostMessage(w[0], WM_COMMAND, 4, 0);
         sim::ScheduleAt(10, [w] { InvalidateRect(w[0]), PostMessage(w[0], WM_COMMAND, 5, 0), PostQuitMessage(8); }); },
       "0 w1 activate 1 0, 0 w1 command 1 0, 0 w0 command 2 0, 0 w1 command 3 0, 0 w1 command 4 0, 0 w0 quit 7 0, 0 w1 paint 140 f0, "
       "10 w1 command 5 0, 10 w0 quit 8 0, 10 w1 paint 140 f0"},
      {"the enabled window shown last is active; a dialog over its disabled owner takes the clicks of its title", [](auto& w) {
         ShowWindow(w[0], true), ShowWindow(w[0], true), EnableWindow(w[0], false);
         w.push_back(CreateWindow("REC", "Option", WS_CAPTION_FRAME, 0, 0, 200, 100, w[0]));
         ShowWindow(w[2], true);
         EXPECT_TRUE(sim::Click("Option", 12, 34) && !sim::Click("Nobody", 1, 1) && GetForegroundWindow() == w[2]);
         sim::ScheduleAt(10, [w] {
           EnableWindow(w[0], true);
           EXPECT_EQ(GetForegroundWindow(), w[2]);
           DestroyWindow(w[2]);
           EXPECT_EQ(GetForegroundWindow(), w[0]);
           ShowWindow(w[0], false);
         }); },
       "0 w1 activate 1 0, 0 w1 activate 0 0, 0 w3 create 0 0, 0 w3 activate 1 0, 0 w3 ldown 1 22000c, 0 w3 lup 0 22000c, "
       "0 w1 paint 140 f0, 0 w3 paint c2 4c, 10 w3 destroy 0 0, 10 w1 activate 1 10003, 10 w1 activate 0 0"},
      {"destroying takes the owned windows first; a close destroys; calls on a gone window do nothing", [](auto& w) {
         w.push_back(CreateWindow("REC", "owned", 0, 0, 0, 10, 10, w[0]));
         SendMessage(w[0], WM_CLOSE, 0, 0), DestroyWindow(w[0]), ShowWindow(w[0], true), PostMessage(w[0], WM_COMMAND, 0, 0);
         EXPECT_EQ(std::make_tuple(IsWindow(w[0]), IsWindow(w[2]), GetWindowText(w[0]), GetClientRect(w[0]).width(), SendMessage(w[0], WM_COMMAND, 0, 0)), std::make_tuple(false, false, std::string(), 0, 0));
         EXPECT_EQ(sim::LogLines(), (std::vector<std::string>{"0 window created \"T\"", "0 window created \"T\"", "0 window created \"owned\"",
                                                              "0 window destroyed \"owned\"", "0 window destroyed \"T\""})); },
       "0 w3 create 0 0, 0 w1 close 0 0, 0 w3 destroy 0 0, 0 w1 destroy 0 0"},
      {"a key repeats as the last pressed, each press again restarts it, letting go of another leaves it repeating; "
       "repeat count 1", [](auto& w) {
         ShowWindow(w[0], true), sim::PressKey('A'), sim::ScheduleAt(100, [] { sim::PressKey('B'); }), sim::ScheduleAt(650, [] { sim::PressKey('B'); });
         sim::ScheduleAt(1160, [] { EXPECT_TRUE(KeyHeld('A') && KeyHeld('B')); sim::ReleaseKey('A'); });
         sim::ScheduleAt(1190, [] {
           sim::ReleaseKey('B'), sim::PressKey(300), sim::ReleaseKey(-1);
           EXPECT_FALSE(KeyHeld('A') || KeyHeld('B') || KeyHeld(300) || KeyHeld(-1));
         }); },
       "0 w1 activate 1 0, 0 w1 keydown 41 1, 0 w1 paint 140 f0, 100 w1 keydown 42 1, 600 w1 keydown 42 40000001, 633 w1 keydown 42 40000001, "
       "650 w1 keydown 42 40000001, 1150 w1 keydown 42 40000001, 1160 w1 keyup 41 c0000001, 1183 w1 keydown 42 40000001, "
       "1190 w1 keyup 42 c0000001"},
      {"a click, and the close box, go to the enabled window of the title shown last, else created last; a window without "
       "a close box has none", [](auto& w) {
         ShowWindow(w[1], true), ShowWindow(w[0], true), sim::Click("T", 1, 2), ShowWindow(w[0], false), sim::Click("T", 3, 4);
         ShowWindow(w[1], false), sim::Click("T", 5, 6), EnableWindow(w[1], false), sim::Click("T", 7, 8), EnableWindow(w[0], false);
         EXPECT_FALSE(sim::Click("T", 9, 9) || sim::CloseWindowTitled("T") || (EnableWindow(w[1], true), sim::CloseWindowTitled("T")));
         EnableWindow(w[1], false), EnableWindow(w[0], true), sim::CloseWindowTitled("T"); },
       "0 w2 activate 1 0, 0 w2 activate 0 10001, 0 w1 activate 1 10002, 0 w1 activate 0 10002, 0 w2 activate 1 10001, "
       "0 w2 activate 0 0, 0 w1 ldown 1 20001, 0 w1 lup 0 20001, 0 w2 ldown 1 40003, 0 w2 lup 0 40003, 0 w2 ldown 1 60005, "
       "0 w2 lup 0 60005, 0 w1 ldown 1 80007, 0 w1 lup 0 80007, 0 w1 close 0 0, 0 w1 destroy 0 0"},
      {"the client is repainted when either side changes, at its new size", [](auto& w) {
         ShowWindow(w[0], true), sim::ScheduleAt(10, [w] { MoveWindow(w[0], 5, 5, 326, 264); });
         sim::ScheduleAt(20, [w] { MoveWindow(w[0], 5, 5, 327, 264); }), sim::ScheduleAt(30, [w] { MoveWindow(w[0], 5, 5, 327, 265); }); },
       "0 w1 activate 1 0, 0 w1 paint 140 f0, 20 w1 paint 141 f0, 30 w1 paint 141 f1"},
      {"window 0 invalidates every window; a default place is the same whichever side asks for it", [](auto& w) {
         ShowWindow(w[0], true), ShowWindow(w[1], true), sim::ScheduleAt(10, [] { InvalidateRect(0); });
         EXPECT_EQ(std::pair(GetWindowRect(w[0]).left + GetWindowRect(w[0]).top, GetWindowRect(w[1]).left + GetWindowRect(w[1]).top), std::pair(80, 80)); },
       "0 w1 activate 1 0, 0 w1 activate 0 10002, 0 w2 activate 1 10001, 0 w1 paint 140 f0, 0 w2 paint 28 1e, 10 w1 paint 140 f0, "
       "10 w2 paint 28 1e"},
  };
  for (const auto& rule : rules) {
    SCOPED_TRACE(rule.name);
    sim::Reset(), RegisterWindowClass("REC", RecordingProc);
    std::vector<Window> w = {CreateWindow("REC", "T", WS_CAPTION_FRAME | WS_SYSMENU, kUseDefault, 7, 326, 264, 0), CreateWindow("REC", "T", 0, 7, kUseDefault, 40, 30, 0)};
    trace.clear(), rule.run(w), sim::ScheduleAt(1500, [] { PostQuitMessage(99); });
    for (Message m; m.message != WM_QUIT || m.wParam != 99;)  // what reaches no procedure is noted here
      if (GetMessage(m) <= 0 || m.window == 0) Note(0, m.message, m.wParam, m.lParam); else DispatchMessage(m);
    EXPECT_EQ(trace, std::string(rule.trace) + ", 1500 w0 quit 63 0");
  }
}

TEST(SimRecords, MessageBoxesAndDisplayModesAreRecordedAndDisplayFailuresGiveTheirCode) {
  sim::Reset();
  Sleep(30);
  EXPECT_EQ(MessageBox(0, "line one\rline \"two\"", "Full Window", MB_TOPMOST), 1);
  const auto boxes = sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(std::make_tuple(boxes[0].ms, boxes[0].caption, boxes[0].text, boxes[0].flags), std::make_tuple(uint64_t{30}, std::string("Full Window"), std::string("line one\rline \"two\""), uint32_t(MB_TOPMOST)));
  sim::ClearMessageBoxes();
  EXPECT_TRUE(sim::MessageBoxes().empty());
  LogEvent("play bgm\rnext");
  // The display switch hands out handles, or the failure code asked for.
  const int first = ChangeDisplayMode(0, 320, 240, 16, 1), second = ChangeDisplayMode(0, 320, 240, 16, 1);
  EXPECT_TRUE(first >= 5 && second >= 5 && first != second) << first << " " << second;
  for (int code = 1; code <= 4; ++code) EXPECT_EQ((sim::SetDisplayFailure(code), ChangeDisplayMode(0, 320, 240, 16, 1)), code);
  sim::SetDisplayFailure(0);
  EXPECT_GE(ChangeDisplayMode(0, 320, 240, 16, 1), 5);
  RestoreDisplayMode(first, 0);
  const auto log = sim::LogLines();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(std::vector<std::string>({log[0], log[1], log[2], log.back()}),
            std::vector<std::string>({"30 message box \"Full Window\" \"line one\\rline \\\"two\\\"\"", "30 play bgm\\rnext",
                                      "30 display mode 320x240x16 " + std::to_string(first), "30 display restored " + std::to_string(first)}));
}

// The page's desktop: windows drawn bottom to top into one picture, the
// mouse routed by desktop point, and message boxes shown and answered.
TEST_F(Windows, ThePagesDesktopComposesWindowsRoutesTheMouseAndShowsMessageBoxes) {
  sim::SetDesktopSize(326, 264);
  EXPECT_EQ(Corners(GetDesktopRect()), std::tuple(0, 0, 326, 264));
  const Window main = CreateWindow("REC", "main", WS_CAPTION_FRAME | WS_SYSMENU, 0, 0, 326, 264, 0);
  const Window dlg = CreateWindow("REC", "Option", WS_CAPTION_FRAME | WS_SYSMENU, 60, 30, 206, 204, main);
  ShowWindow(dlg, true), ShowWindow(main, true), EnableWindow(main, false);  // owned stays above its owner
  const Rect view = sim::ClientScreenRect(main);
  EXPECT_EQ(Corners(view), std::tuple(3, 22, 323, 262));
  for (Window x : {main, dlg}) SendMessage(x, WM_PAINT, 0, 0);  // both paint pixel (0, 0) of their client
  Surface out, frame, client(200, 180);
  client.at(0, 0) = 0x123456;
  const uint64_t version = sim::ComposeDesktop(out, view);
  DrawWindowFrame(frame, "Option", client, true);
  ASSERT_EQ(std::pair(out.width(), out.height()), std::pair(320, 240));
  EXPECT_EQ(out.at(0, 0), 0x123456u) << "the main window's client, without its frame";
  for (auto [x, y] : {std::pair(0, 0), {3, 3}, {190, 10}, {5, 30}, {205, 203}, {100, 100}})
    EXPECT_EQ(out.at(57 + x, 8 + y), frame.at(x, y)) << x << "," << y;
  EXPECT_EQ(sim::DesktopVersion(), version);
  // The mouse: clicks in the dialog's client area reach it in its own
  // coordinates, held until released even outside; the disabled owner gets
  // nothing; a press and release on the close box closes the dialog.
  seen.clear();
  sim::MouseAt(70, 60, sim::Mouse::Down), sim::MouseAt(300, 250, sim::Mouse::Up);
  EXPECT_TRUE(KeyHeld(VK_LBUTTON) == false);
  sim::MouseAt(10, 240, sim::Mouse::Down), sim::MouseAt(10, 240, sim::Mouse::Up);
  const Rect box = CloseBoxRect(206);
  sim::MouseAt(60 + box.left + 2, 30 + box.top + 2, sim::Mouse::Down);
  EXPECT_TRUE(KeyHeld(VK_LBUTTON));
  sim::MouseAt(60 + box.left + 3, 30 + box.top + 3, sim::Mouse::Up);
  PumpWhile(dlg);
  EXPECT_EQ(Only(WM_LBUTTONDOWN), (Trace{{0, dlg, VK_LBUTTON}}));
  EXPECT_EQ(seen[1].lParam, MakeLParam(300 - 63, 250 - 52)) << "the release, outside the dialog";
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_NE(sim::DesktopVersion(), version);
  // Shown message boxes wait for their player: Enter at 100 ms answers this one.
  EnableWindow(main, true);
  sim::ShowMessageBoxes(true);
  sim::ScheduleAt(100, [] { sim::PressKey(VK_RETURN); });
  EXPECT_EQ(MessageBox(main, "text", "ZKGDI", MB_OK), 1);
  EXPECT_EQ(std::pair(sim::Now(), sim::MessageBoxes().size()), std::pair(uint64_t{100}, size_t{1}));
}

// In real time the clock is the page's and the scheduler waits for it: until
// the next wake-up, or less when input comes first.
TEST_F(Windows, InRealTimeTheSchedulerWaitsForTheClockAndTakesInputMeanwhile) {
  const Window w = CreateWindow("REC", "w", WS_CAPTION_FRAME | WS_SYSMENU, 100, 50, 326, 264, 0);
  ShowWindow(w, true);
  uint64_t clock = 1000;
  std::vector<uint64_t> waits;
  sim::UseRealTime([&] { return clock; }, [&](uint64_t until) {
    waits.push_back(until);
    if (waits.size() == 1) clock += 7, sim::PressKey('P');  // a key, before the wake-up is due
    else clock = until + 2;                               // a late timer
  });
  EXPECT_EQ(GetTickCount(), 1000u);
  const ThreadHandle t = StartThread([&] { Sleep(50), PostMessage(w, WM_CLOSE, 0, 0); }, "sleeper");
  PumpWhile(w);
  EXPECT_EQ(waits, (std::vector<uint64_t>{1050, 1050}));
  EXPECT_EQ(Only(WM_KEYDOWN), (Trace{{1007, w, 'P'}}));
  EXPECT_EQ(Only(WM_DESTROY), (Trace{{1052, w, 0}}));
  StopThread(t);
}
