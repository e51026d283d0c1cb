// Windows, queues, painting, activation, keys, clicks and the recorded
// side effects of the sim backend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/ui/widgets.h"

using namespace platform;

namespace {

struct Seen {
  uint64_t ms;
  Window window;
  uint32_t message;
  intptr_t wParam, lParam;
  bool operator==(const Seen&) const = default;
};
std::vector<Seen> seen;

intptr_t RecordingProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  seen.push_back({sim::Now(), w, msg, wParam, lParam});
  if (msg == WM_PAINT) {
    Surface* s = BeginPaint(w);
    if (s && !s->empty()) s->at(0, 0) = 0x123456;
    EndPaint(w);
    return 0;
  }
  return DefWindowProc(w, msg, wParam, lParam);
}

std::vector<Seen> Only(uint32_t message) {
  std::vector<Seen> out;
  for (const Seen& s : seen) {
    if (s.message == message) out.push_back(s);
  }
  return out;
}

// Pumps the calling thread's messages until WM_QUIT.
int Pump() {
  Message m;
  int r;
  while ((r = GetMessage(m)) > 0) DispatchMessage(m);
  return static_cast<int>(m.wParam);
}

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    seen.clear();
    RegisterWindowClass("REC", RecordingProc);
  }
  Window Framed(const std::string& title = "w") {
    return CreateWindow("REC", title, WS_CAPTION_FRAME | WS_SYSMENU, 100, 50, 326, 264, 0);
  }
};

}  // namespace

TEST_F(Windows, CreationSendsCreateFirstAndRectanglesUseTheNominalFrame) {
  const Window w = Framed("first");
  ASSERT_NE(w, 0u);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].message, WM_CREATE);
  EXPECT_EQ(sim::MainWindow(), w);
  const Rect outer = GetWindowRect(w);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 50);
  EXPECT_EQ(outer.width(), 326);
  EXPECT_EQ(outer.height(), 264);
  const Rect client = GetClientRect(w);
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.width(), 320);
  EXPECT_EQ(client.height(), 240);

  // Unframed: client = outer. Default position is fixed. A tiny framed window
  // has an empty client area, never a negative one.
  const Window plain = CreateWindow("REC", "plain", 0, kUseDefault, kUseDefault, 50, 40, 0);
  EXPECT_EQ(GetClientRect(plain).width(), 50);
  EXPECT_EQ(GetClientRect(plain).height(), 40);
  EXPECT_EQ(GetWindowRect(plain).left, GetWindowRect(plain).top);
  MoveWindow(w, -3, -22, 4, 10);
  EXPECT_EQ(GetWindowRect(w).left, -3);
  EXPECT_EQ(GetClientRect(w).width(), 0);
  EXPECT_EQ(GetClientRect(w).height(), 0);
  EXPECT_EQ(sim::MainWindow(), w);  // the first window stays the main one

  const Rect desk = GetDesktopRect();
  EXPECT_EQ(desk.width(), 1280);
  EXPECT_EQ(desk.height(), 1024);
  EXPECT_EQ(CreateWindow("NOSUCH", "x", 0, 0, 0, 10, 10, 0), 0u);
  EXPECT_EQ(GetWindowText(w), "first");
  SetWindowText(w, "Renamed");
  EXPECT_EQ(GetWindowText(w), "Renamed");
}

TEST_F(Windows, PostedMessagesComeInOrderThenQuitThenPaintCoalesced) {
  const Window w = Framed();
  ShowWindow(w, true);  // a newly shown window needs painting
  InvalidateRect(w);
  InvalidateRect(w);
  PostMessage(w, WM_COMMAND, 1, 0);
  PostMessage(0, WM_COMMAND, 2, 0);  // own queue, no window
  PostMessage(w, WM_COMMAND, 3, 0);
  PostQuitMessage(7);
  PostMessage(w, WM_COMMAND, 4, 0);
  Message m;
  std::vector<intptr_t> order;
  int r;
  while ((r = GetMessage(m)) > 0) {
    EXPECT_NE(m.message, WM_PAINT) << "painting comes after the quit";
    order.push_back(m.wParam);
    DispatchMessage(m);
  }
  EXPECT_EQ(r, 0);
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 7);
  EXPECT_EQ(order, (std::vector<intptr_t>{1, 2, 3, 4}));
  // Three requests for painting: one WM_PAINT, then nothing until the next.
  PostQuitMessage(0);
  ASSERT_EQ(GetMessage(m), 0);
  EXPECT_EQ(m.message, WM_QUIT) << "quit still goes first";
  seen.clear();
  PostMessage(w, WM_COMMAND, 5, 0);
  ASSERT_EQ(GetMessage(m), 1);
  EXPECT_EQ(m.wParam, 5);
  ASSERT_EQ(GetMessage(m), 1);
  EXPECT_EQ(m.message, WM_PAINT);
  DispatchMessage(m);
  PostQuitMessage(0);
  ASSERT_EQ(GetMessage(m), 0);
  EXPECT_EQ(Only(WM_PAINT).size(), 1u);
}

TEST_F(Windows, PaintingFollowsInvalidationAndVisibility) {
  const Window w = Framed();
  InvalidateRect(w);  // hidden: no paint yet
  Sleep(1);
  // The window belongs to this thread: pump here until a later quit.
  StartThread([&] {
    Sleep(10);
    InvalidateRect(w);
    Sleep(10);
    ShowWindow(w, true);
    Sleep(10);
    InvalidateRect(w);
    InvalidateRect(w);
    Sleep(10);
    PostMessage(w, WM_CLOSE, 0, 0);
  }, "painter");
  Message m;
  while (IsWindow(w) && GetMessage(m) > 0) DispatchMessage(m);
  const auto paints = Only(WM_PAINT);
  ASSERT_EQ(paints.size(), 2u);
  EXPECT_EQ(paints[0].ms, 21u);  // shown (invalid since 1 and 11)
  EXPECT_EQ(paints[1].ms, 31u);  // two requests, one paint
  EXPECT_FALSE(IsWindow(w));
  Surface shot;
  ASSERT_TRUE(sim::RenderMainWindow(shot));
  EXPECT_EQ(shot.width(), 320);
  EXPECT_EQ(shot.height(), 240);
  EXPECT_EQ(shot.at(0, 0), 0x123456u);
}

TEST_F(Windows, OnlyTheMainWindowIsCaptured) {
  Surface shot;
  EXPECT_FALSE(sim::RenderMainWindow(shot));
  const Window main = Framed("main");
  const Window other = CreateWindow("REC", "other", 0, 0, 0, 30, 20, 0);
  Surface* s = BeginPaint(other);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->width(), 30);
  s->at(1, 1) = 0xFF;
  EndPaint(other);
  EXPECT_FALSE(sim::RenderMainWindow(shot));
  s = BeginPaint(main);
  s->at(5, 6) = 0xABCDEF;
  // Not presented until EndPaint.
  EXPECT_FALSE(sim::RenderMainWindow(shot));
  EndPaint(main);
  ASSERT_TRUE(sim::RenderMainWindow(shot));
  EXPECT_EQ(shot.at(5, 6), 0xABCDEFu);
  // The screen keeps its picture between paints.
  s = BeginPaint(main);
  EXPECT_EQ(s->at(5, 6), 0xABCDEFu);
  EndPaint(main);
}

TEST_F(Windows, MessagesPostedFromAnotherThreadArriveAtTheMomentTheyArePosted) {
  const Window w = Framed();
  ShowWindow(w, true);
  StartThread([&] {
    Sleep(40);
    PostMessage(w, WM_COMMAND, 40, 0);
    Sleep(60);
    PostMessage(w, WM_COMMAND, 100, 0);
    SendMessage(w, WM_COMMAND, 999, 0);  // direct, on this thread
    PostMessage(w, WM_CLOSE, 0, 0);
  }, "poster");
  Message m;
  while (IsWindow(w) && GetMessage(m) > 0) DispatchMessage(m);
  const auto cmds = Only(WM_COMMAND);
  ASSERT_EQ(cmds.size(), 3u);
  EXPECT_EQ(cmds[0].ms, 40u);
  EXPECT_EQ(cmds[0].wParam, 40);
  EXPECT_EQ(cmds[1].wParam, 999);
  EXPECT_EQ(cmds[2].ms, 100u);
  EXPECT_EQ(cmds[2].wParam, 100);
  EXPECT_EQ(Only(WM_DESTROY).size(), 1u);
}

TEST_F(Windows, ActivationFollowsTheLastShownEnabledWindow) {
  const Window main = Framed("main");
  EXPECT_EQ(GetForegroundWindow(), 0u);
  ShowWindow(main, true);
  EXPECT_EQ(GetForegroundWindow(), main);
  auto acts = Only(WM_ACTIVATE);
  ASSERT_EQ(acts.size(), 1u);
  EXPECT_EQ(acts[0].window, main);
  EXPECT_EQ(acts[0].wParam, 1);
  ShowWindow(main, true);  // already active: nothing new
  EXPECT_EQ(Only(WM_ACTIVATE).size(), 1u);

  // A dialog: the owner is disabled, the dialog shown.
  seen.clear();
  EnableWindow(main, false);
  EXPECT_FALSE(IsWindowEnabled(main));
  const Window dlg = CreateWindow("REC", "Option", WS_CAPTION_FRAME, 0, 0, 200, 100, main);
  ShowWindow(dlg, true);
  acts = Only(WM_ACTIVATE);
  ASSERT_EQ(acts.size(), 2u);
  EXPECT_EQ(acts[0].window, main);
  EXPECT_EQ(acts[0].wParam, 0);
  EXPECT_EQ(acts[1].window, dlg);
  EXPECT_EQ(acts[1].wParam, 1);
  EXPECT_EQ(GetForegroundWindow(), dlg);

  // Closing it: the owner, enabled again, is active again.
  seen.clear();
  EnableWindow(main, true);
  EXPECT_EQ(GetForegroundWindow(), dlg);
  DestroyWindow(dlg);
  acts = Only(WM_ACTIVATE);
  ASSERT_EQ(acts.size(), 2u);
  EXPECT_EQ(acts[0].window, dlg);
  EXPECT_EQ(acts[0].wParam, 0);
  EXPECT_EQ(acts[1].window, main);
  EXPECT_EQ(acts[1].wParam, 1);
  EXPECT_EQ(GetForegroundWindow(), main);

  // Hiding the only window leaves none active.
  seen.clear();
  ShowWindow(main, false);
  EXPECT_EQ(GetForegroundWindow(), 0u);
  ASSERT_EQ(Only(WM_ACTIVATE).size(), 1u);
  EXPECT_EQ(Only(WM_ACTIVATE)[0].wParam, 0);
}

TEST_F(Windows, ActivationOfAWindowOfAnotherThreadIsPosted) {
  Window w = 0;
  ThreadHandle t = StartThread([&] {
    w = Framed("theirs");
    Pump();
  }, "owner");
  Sleep(1);
  ASSERT_NE(w, 0u);
  ShowWindow(w, true);
  EXPECT_TRUE(Only(WM_ACTIVATE).empty()) << "not called on this thread";
  Sleep(1);
  ASSERT_EQ(Only(WM_ACTIVATE).size(), 1u);
  EXPECT_EQ(Only(WM_ACTIVATE)[0].ms, 1u);
  StopThread(t);
}

TEST_F(Windows, ActivationCausedByATimedEventWaitsInTheQueue) {
  const Window w = Framed("main");
  // The event runs while this thread sleeps: its procedure must not be
  // entered in the middle of the sleep, so the message is queued.
  sim::ScheduleAt(5, [w] { ShowWindow(w, true); });
  Sleep(10);
  EXPECT_TRUE(Only(WM_ACTIVATE).empty());
  InvalidateRect(0);  // every window
  PostQuitMessage(0);
  Message m;
  std::vector<uint32_t> got;
  while (GetMessage(m) > 0) {
    got.push_back(m.message);
    DispatchMessage(m);
  }
  EXPECT_EQ(got, (std::vector<uint32_t>{WM_ACTIVATE}));
  ASSERT_EQ(Only(WM_ACTIVATE).size(), 1u);
  EXPECT_EQ(Only(WM_ACTIVATE)[0].wParam, 1);
  ASSERT_EQ(GetMessage(m), 1);
  EXPECT_EQ(m.message, WM_PAINT);
}

TEST_F(Windows, DestroyingTakesOwnedWindowsFirstAndCloseDestroys) {
  const Window main = Framed("main");
  const Window owned = CreateWindow("REC", "owned", 0, 0, 0, 10, 10, main);
  seen.clear();
  SendMessage(main, WM_CLOSE, 0, 0);  // default procedure: destroy
  const auto destroys = Only(WM_DESTROY);
  ASSERT_EQ(destroys.size(), 2u);
  EXPECT_EQ(destroys[0].window, owned);
  EXPECT_EQ(destroys[1].window, main);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_EQ(GetWindowText(main), "");
  EXPECT_EQ(GetClientRect(main).width(), 0);
  // Calls on a window that is gone do nothing.
  DestroyWindow(main);
  ShowWindow(main, true);
  PostMessage(main, WM_COMMAND, 0, 0);
  EXPECT_EQ(SendMessage(main, WM_COMMAND, 0, 0), 0);
  const auto log = sim::LogLines();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "0 window created \"main\"");
  EXPECT_EQ(log[1], "0 window created \"owned\"");
  EXPECT_EQ(log[2], "0 window destroyed \"owned\"");
  EXPECT_EQ(log[3], "0 window destroyed \"main\"");
}

TEST_F(Windows, KeysAreHeldAndRepeatAfter500ThenEvery33Milliseconds) {
  const Window w = Framed();
  ShowWindow(w, true);
  sim::ScheduleAt(100, [] { sim::PressKey(VK_LEFT); });
  sim::ScheduleAt(700, [] { sim::ReleaseKey(VK_LEFT); });
  bool heldAt150 = false, heldAt750 = true;
  sim::ScheduleAt(150, [&] { heldAt150 = KeyHeld(VK_LEFT); });
  sim::ScheduleAt(750, [&] { heldAt750 = KeyHeld(VK_LEFT); });
  StartThread([&] {
    Sleep(900);
    PostMessage(w, WM_CLOSE, 0, 0);
  }, "closer");
  Message m;
  while (IsWindow(w) && GetMessage(m) > 0) DispatchMessage(m);
  EXPECT_TRUE(heldAt150);
  EXPECT_FALSE(heldAt750);
  const auto downs = Only(WM_KEYDOWN);
  std::vector<uint64_t> times;
  for (const auto& d : downs) {
    EXPECT_EQ(d.wParam, VK_LEFT);
    EXPECT_EQ(d.window, w);
    times.push_back(d.ms);
  }
  // 100, then 600, 633, 666, 699; released at 700.
  EXPECT_EQ(times, (std::vector<uint64_t>{100, 600, 633, 666, 699}));
  ASSERT_EQ(downs.size(), 5u);
  EXPECT_EQ(downs[0].lParam & (1 << 30), 0) << "first press";
  EXPECT_NE(downs[1].lParam & (1 << 30), 0) << "repeat";
  const auto ups = Only(WM_KEYUP);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].ms, 700u);
}

TEST_F(Windows, OnlyTheLastPressedKeyRepeatsAndKeysGoToTheActiveWindow) {
  const Window a = Framed("a");
  ShowWindow(a, true);
  sim::PressKey(VK_SHIFT);
  Sleep(200);
  sim::PressKey(VK_UP);  // Shift stays held but stops repeating
  Sleep(540);
  EXPECT_TRUE(KeyHeld(VK_SHIFT));
  EXPECT_TRUE(KeyHeld(VK_UP));
  EXPECT_FALSE(KeyHeld(VK_DOWN));
  EXPECT_FALSE(KeyHeld(-1));
  EXPECT_FALSE(KeyHeld(1000));
  const Window b = Framed("b");
  ShowWindow(b, true);
  sim::ReleaseAllKeys();
  EXPECT_FALSE(KeyHeld(VK_SHIFT));
  sim::PressKey(VK_F4);
  PostQuitMessage(0);
  Message m;
  std::vector<std::pair<Window, intptr_t>> keys;
  while (GetMessage(m) > 0) {
    if (m.message == WM_KEYDOWN) keys.push_back({m.window, m.wParam});
  }
  // Shift at 0; Up at 200, 700, 733 (Shift never repeats); F4 to window b.
  const std::vector<std::pair<Window, intptr_t>> want = {
      {a, VK_SHIFT}, {a, VK_UP}, {a, VK_UP}, {a, VK_UP}, {b, VK_F4}};
  EXPECT_EQ(keys, want);
  // Keys with no active window only change the held state.
  ShowWindow(a, false);
  ShowWindow(b, false);
  sim::PressKey(VK_SPACE);
  EXPECT_TRUE(KeyHeld(VK_SPACE));
  PostQuitMessage(0);
  ASSERT_EQ(GetMessage(m), 0);
}

TEST_F(Windows, ClicksGoToTheWindowWithTheTitle) {
  const Window main = Framed("Quillmoor");
  const Window dlg = CreateWindow("REC", "Option", WS_CAPTION_FRAME, 0, 0, 200, 100, main);
  ShowWindow(main, true);
  ShowWindow(dlg, true);
  EXPECT_TRUE(sim::Click("Option", 12, 34));
  EXPECT_FALSE(sim::Click("Nobody", 1, 1));
  EnableWindow(main, false);
  EXPECT_FALSE(sim::Click("Quillmoor", 1, 1)) << "a disabled window takes no clicks";
  PostQuitMessage(0);
  Message m;
  std::vector<Message> got;
  while (GetMessage(m) > 0) got.push_back(m);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].window, dlg);
  EXPECT_EQ(got[0].message, WM_LBUTTONDOWN);
  EXPECT_EQ(got[1].message, WM_LBUTTONUP);
  EXPECT_EQ(LoWord(got[0].lParam), 12);
  EXPECT_EQ(HiWord(got[0].lParam), 34);
  EXPECT_EQ(got[1].lParam, MakeLParam(12, 34));
}

TEST_F(Windows, ControlsAreHandedToTheWidgetsAndNeverTakeActivation) {
  const Window main = Framed("main");
  ShowWindow(main, true);
  const Window button = CreateControl(main, 7, "BUTTON", "O K", BS_PUSHBUTTON, 10, 20, 60, 24);
  ASSERT_NE(button, 0u);
  EXPECT_TRUE(IsWindow(button));
  seen.clear();
  ShowWindow(button, true);
  EXPECT_EQ(GetForegroundWindow(), main);
  EXPECT_TRUE(Only(WM_ACTIVATE).empty());
  SetWindowText(button, "Cancel");
  EXPECT_EQ(GetWindowText(button), "Cancel");
  EXPECT_EQ(GetClientRect(button).width(), 60);
  const Rect r = GetWindowRect(button);
  EXPECT_EQ(r.left, 100 + kFrameLeft + 10);
  EXPECT_EQ(r.top, 50 + kFrameTop + 20);
  EnableWindow(button, false);
  EXPECT_FALSE(IsWindowEnabled(button));
  EXPECT_EQ(GetDlgItem(main, 7), button);
  DestroyWindow(main);
  EXPECT_FALSE(IsWindow(button)) << "controls go with their window";
}

TEST_F(Windows, MessageBoxesAreRecordedLoggedAndAnsweredOk) {
  Sleep(30);
  const int answer = MessageBox(0, "line one\rline \"two\"", "Full Window", MB_TOPMOST);
  EXPECT_EQ(answer, 1);
  auto boxes = sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].ms, 30u);
  EXPECT_EQ(boxes[0].caption, "Full Window");
  EXPECT_EQ(boxes[0].text, "line one\rline \"two\"");
  EXPECT_EQ(boxes[0].flags, MB_TOPMOST);
  const auto log = sim::LogLines();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "30 message box \"Full Window\" \"line one\\rline \\\"two\\\"\"");
  sim::ClearMessageBoxes();
  EXPECT_TRUE(sim::MessageBoxes().empty());
  LogEvent("play bgm\rnext");
  EXPECT_EQ(sim::LogLines().back(), "30 play bgm\\rnext");
}

TEST_F(Windows, TheDisplaySwitchHandsOutHandlesOrTheFailureCodeAsked) {
  const int first = ChangeDisplayMode(0, 320, 240, 16, 1);
  const int second = ChangeDisplayMode(0, 320, 240, 16, 1);
  EXPECT_GE(first, 5);
  EXPECT_GE(second, 5);
  EXPECT_NE(first, second);
  for (int code = 1; code <= 4; ++code) {
    sim::SetDisplayFailure(code);
    EXPECT_EQ(ChangeDisplayMode(0, 320, 240, 16, 1), code);
  }
  sim::SetDisplayFailure(0);
  EXPECT_GE(ChangeDisplayMode(0, 320, 240, 16, 1), 5);
  RestoreDisplayMode(first, 0);
  const auto log = sim::LogLines();
  EXPECT_EQ(log.front(), "0 display mode 320x240x16 " + std::to_string(first));
  EXPECT_EQ(log.back(), "0 display restored " + std::to_string(first));
}

TEST_F(Windows, ExecutablePathAndStateHooks) {
  EXPECT_NE(ExecutablePath().find("test_sim"), std::string::npos);
  sim::SetExecutablePath("/games/quillmoor");
  EXPECT_EQ(ExecutablePath(), "/games/quillmoor");
  EXPECT_FALSE(sim::Hooks().dumpJson);
  int value = 0;
  RegisterStateHooks({[] { return std::string("{\"a\": 1}"); },
                      [&](const std::string& n, const std::string& v) {
                        if (n != "a") return false;
                        value = std::stoi(v);
                        return true;
                      }});
  EXPECT_EQ(sim::Hooks().dumpJson(), "{\"a\": 1}");
  EXPECT_TRUE(sim::Hooks().set("a", "42"));
  EXPECT_EQ(value, 42);
  sim::Reset();
  EXPECT_FALSE(sim::Hooks().set);
  EXPECT_NE(ExecutablePath(), "/games/quillmoor");
}
