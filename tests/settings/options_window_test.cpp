// The Option window opened as the title screen opens it: what it shows for the
// stored settings, and what OK, Enter, Cancel, Escape and a close request leave.
#include <gtest/gtest.h>

#include <functional>

#include "platform/sim/sim_control.h"
#include "platform/ui/widgets.h"
#include "settings/options_window.h"
#include "shell/main_window.h"
#include "state/game_state.h"

using namespace platform;

namespace {

using Step = std::function<void(Window)>;

Step ClickAt(int x, int y) { return [x, y](Window) { ASSERT_TRUE(sim::Click("Option", x, y)); }; }
Step Key(int vk) { return [vk](Window) { sim::PressKey(vk), sim::ReleaseKey(vk); }; }
const Step kOk = ClickAt(40, 162), kCancel = ClickAt(130, 162), kList = ClickAt(100, 37), kAuto = ClickAt(80, 65),
           kEasy = ClickAt(75, 92), kHard = ClickAt(75, 122), kGod = ClickAt(75, 137);
Step Entry(int index) { return ClickAt(100, 55 + index * 15); }
int Checked(Window w, int id) { return static_cast<int>(ControlSendMessage(GetDlgItem(w, id), BM_GETCHECK, 0, 0)); }

class OptionWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset(), ResetGameState(), SetConstantGameState();
    for (const char* kind : {kDialogClass, "TestMain"}) RegisterWindowClass(kind, DefWindowProc);
    gs.mainWindow = main_ = CreateWindow("TestMain", "Main", WS_CAPTION_FRAME, 300, 200, 326, 264, 0);
    ShowWindow(main_, true);
  }
  void TearDown() override { ResetGameState(); }
  // Opens it as the S key does and runs the steps in its loop, 10 ms apart; a step
  // left from an opening that ended early does nothing.
  int Open(const std::vector<Step>& steps) {
    const int serial = ++serial_;
    size_t ran = 0;
    for (size_t i = 0; i <= steps.size(); ++i)
      sim::ScheduleAt(sim::Now() + 10 * (i + 1 + 4 * (i == steps.size())), [this, serial, &ran, i, &steps] {
        Window w = GetForegroundWindow();
        if (serial != serial_ || (i == steps.size() && GetWindowText(w) != "Option")) return;
        if (i == steps.size()) {
          ADD_FAILURE() << "the window stayed open";
          return CloseOptionWindow(w, 99);
        }
        ++ran;
        ASSERT_EQ(GetWindowText(w), "Option");
        EXPECT_FALSE(IsWindowEnabled(main_)) << "the main window is disabled while it is open";
        steps[i](w);
      });
    const int result = OpenOptionWindow(main_, "OptWnd");
    ++serial_;
    EXPECT_EQ(ran, steps.size()) << "the window closed before every step had run";
    return result;
  }
  Window main_ = 0; int serial_ = 0;
};

TEST_F(OptionWindow, ShowsTheStoredValuesAndKeepsOnlyWhatOkStores) {
  const Step changedAll = [](Window w) { EXPECT_TRUE(ControlGetText(GetDlgItem(w, 1010)) == "Low" && Checked(w, 1011)); };
  const struct {
    const char* name;
    int fps, fire, level, god;     // stored
    int list, autoBox, levelBox;  // shown: list entry (CB_ERR: none), AUTO, the level checked
    std::vector<Step> steps;
    int fpsAfter, fireAfter, levelAfter;
  } rows[] = {
      {"God hidden, stored God shown as Hard", 30, 1, 30, 0, 1, 1, 1008, {kGod, kOk}, 30, 1, 20},
      {"God shown and kept with the unlock", 30, 1, 30, 1, 1, 1, 1011, {kOk}, 30, 1, 30},
      {"God chosen with the unlock", 30, 1, 12, 1, 1, 1, 1007, {kGod, kOk}, 30, 1, 30},
      {"No Wait, manual fire, Easy", 30, 1, 12, 0, 1, 1, 1007, {kList, Entry(3), kAuto, kEasy, kOk}, 1000, 0, 5},
      {"Low", 60, 1, 12, 0, 2, 1, 1007, {kList, Entry(0), kOk}, 15, 1, 12},
      {"Normal", 15, 1, 12, 0, 0, 1, 1007, {kList, Entry(1), kOk}, 30, 1, 12},
      {"High", 30, 1, 12, 0, 1, 1, 1007, {kList, Entry(2), kOk}, 60, 1, 12},
      {"AUTO on, Hard", 30, 0, 5, 0, 1, 0, 1006, {kAuto, kHard, kOk}, 30, 1, 20},
      {"Enter presses O K", 30, 1, 12, 0, 1, 1, 1007, {kEasy, Key(VK_RETURN)}, 30, 1, 5},
      {"Cancel", 30, 1, 12, 1, 1, 1, 1007, {kList, Entry(0), kAuto, kGod, changedAll, kCancel}, 30, 1, 12},
      {"close request", 30, 1, 12, 1, 1, 1, 1007, {kList, Entry(0), kAuto, kGod, changedAll, [](Window w) { PostMessage(w, WM_CLOSE, 0, 0); }}, 30, 1, 12},
      {"Escape", 30, 1, 12, 1, 1, 1, 1007, {kList, Entry(0), kAuto, kGod, changedAll, Key(VK_ESCAPE)}, 30, 1, 12},
      {"level 7 becomes 12 as it opens", 30, 1, 7, 0, 1, 1, 1007, {[](Window) { EXPECT_EQ(gs.enemySlots, 12); }, kCancel}, 30, 1, 12},
      {"frame rate outside the list kept", 45, 1, 12, 0, CB_ERR, 1, 1007, {kOk}, 45, 1, 12},
      {"fire mode 2 shown unchecked, stored as 0", 30, 2, 12, 0, 1, 0, 1007, {kOk}, 30, 0, 12},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    gs.targetFps = row.fps, gs.fireMode = row.fire, gs.enemySlots = row.level, gs.godUnlocked = row.god;
    std::vector<Step> steps = {[&row](Window w) {
      EXPECT_EQ(ControlSendMessage(GetDlgItem(w, 1010), CB_GETCURSEL, 0, 0), row.list);
      EXPECT_EQ(Checked(w, 1004), row.autoBox);
      for (int id = 1006; id <= 1011; id += id == 1008 ? 3 : 1) EXPECT_EQ(Checked(w, id), id == row.levelBox) << id;
      EXPECT_EQ(ControlIsVisible(GetDlgItem(w, 1011)), row.god == 1);
    }};
    steps.insert(steps.end(), row.steps.begin(), row.steps.end());
    EXPECT_EQ(Open(steps), 0);
    EXPECT_EQ((std::vector<int>{gs.targetFps, gs.fireMode, gs.enemySlots}), (std::vector<int>{row.fpsAfter, row.fireAfter, row.levelAfter}));
    EXPECT_TRUE(IsWindowEnabled(main_));
  }
}

// Its picture as it opens (the focus on O K, AUTO checked, Normal chosen) and with the list open,
// against digests recorded from the window as it is drawn today (printed when they differ).
TEST_F(OptionWindow, LooksAsRecorded) {
  gs.targetFps = 30, gs.fireMode = 1, gs.enemySlots = 12, gs.godUnlocked = 1;
  std::vector<uint64_t> seen;
  const Step shot = [&seen](Window w) {
    Surface s(200, 180);
    PaintControls(s, w);
    uint64_t h = 1469598103934665603ull;  // FNV-1a over the pixels
    for (int i = 0; i < 200 * 180; ++i) h = (h ^ s.data()[i]) * 1099511628211ull;
    seen.push_back(h);
  };
  EXPECT_EQ(Open({shot, kList, shot, Entry(1), kCancel}), 0);
  EXPECT_EQ(seen, (std::vector<uint64_t>{7218883305299233385ull, 10841880033189658915ull}));
}

TEST_F(OptionWindow, OnlyTheOptionKindOpensAndAQuitEndsTheOuterLoopToo) {
  EXPECT_EQ(OpenOptionWindow(main_, "Other") + OpenOptionWindow(main_, "optwnd"), 0);
  EXPECT_TRUE(IsWindowEnabled(main_) && GetForegroundWindow() == main_);
  sim::ScheduleAt(sim::Now() + 10, [] { PostQuitMessage(3); });
  EXPECT_EQ(OpenOptionWindow(main_, "OptWnd"), 3);
  Message m;
  while (GetMessage(m) > 0) DispatchMessage(m);
  EXPECT_TRUE(m.wParam == 3 && IsWindowEnabled(main_)) << "the quit is passed on to the outer loop";
}

}  // namespace
