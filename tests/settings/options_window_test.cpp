// The "Option" window on the sim backend, opened as the title screen opens
// it: its controls, what it shows for the stored settings, and what OK,
// Enter, Cancel, Escape and the close request leave in the game state.
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

// Client points inside the controls.
Step ClickAt(int x, int y) {
  return [x, y](Window) { ASSERT_TRUE(sim::Click("Option", x, y)); };
}
Step Key(int vk) {
  return [vk](Window) { sim::PressKey(vk); sim::ReleaseKey(vk); };
}
const Step kOk = ClickAt(40, 162), kCancel = ClickAt(130, 162), kList = ClickAt(100, 37),
           kAuto = ClickAt(80, 65), kEasy = ClickAt(75, 92), kHard = ClickAt(75, 122),
           kGod = ClickAt(75, 137);
Step Entry(int index) { return ClickAt(100, 27 + 20 + 1 + index * 15 + 7); }

int Checked(Window w, int id) { return static_cast<int>(ControlSendMessage(GetDlgItem(w, id), BM_GETCHECK, 0, 0)); }

class OptionWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    ResetGameState();
    SetConstantGameState();
    RegisterWindowClass(kDialogClass, DefWindowProc);
    RegisterWindowClass("TestMain", DefWindowProc);
    main_ = CreateWindow("TestMain", "Main", WS_CAPTION_FRAME, 300, 200, 326, 264, 0);
    ShowWindow(main_, true);
    gs.mainWindow = main_;
    gs.hiScore = 4200;
  }
  void TearDown() override { ResetGameState(); }

  // Opens the window as the S key does and runs the steps inside its loop,
  // 10 simulated milliseconds apart. Returns the loop's result.
  int Open(const std::vector<Step>& steps) {
    const int serial = ++serial_;  // steps left from an opening that ended early do nothing
    size_t ran = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
      sim::ScheduleAt(sim::Now() + 10 * (i + 1), [this, serial, &ran, step = steps[i]] {
        if (serial != serial_) return;
        ++ran;
        Window w = GetForegroundWindow();
        ASSERT_EQ(GetWindowText(w), "Option");
        EXPECT_FALSE(IsWindowEnabled(main_)) << "the main window is disabled while it is open";
        step(w);
      });
    }
    sim::ScheduleAt(sim::Now() + 10 * (steps.size() + 5), [this, serial] {
      if (serial != serial_) return;
      if (Window w = GetForegroundWindow(); GetWindowText(w) == "Option") {
        ADD_FAILURE() << "the window stayed open";
        CloseOptionWindow(w, 99);
      }
    });
    const int result = OpenOptionWindow(main_, "OptWnd");
    ++serial_;
    EXPECT_EQ(ran, steps.size()) << "the window closed before every step had run";
    return result;
  }

  Window main_ = 0;
  int serial_ = 0;
};

TEST_F(OptionWindow, ControlsPlaceAndSize) {
  gs.targetFps = 30;
  const Window w = CreateOptionWindow(main_);
  ASSERT_NE(w, 0u);
  const struct {
    int id;
    const char* text;
    int x, y, width, height;
  } table[] = {
      {1000, "HI-SCORE", 5, 5, 61, 12},  {1001, "4200", 70, 4, 64, 16},
      {1002, "pt", 140, 5, 33, 12},      {1003, "MODE", 5, 58, 42, 12},
      {1004, "AUTO", 70, 58, 67, 15},    {1005, "Level", 5, 83, 40, 12},
      {1006, "Easy", 70, 85, 63, 15},    {1007, "Normal", 70, 100, 63, 15},
      {1008, "Hard", 70, 115, 63, 15},   {1009, "FPS", 5, 30, 50, 12},
      {1010, "Normal", 70, 27, 109, 127}, {1011, "God", 70, 130, 63, 15},
      {1012, "キャンセル", 90, 152, 88, 21}, {1013, "O K", 13, 152, 55, 21},
  };
  Window previous = 0;
  for (const auto& e : table) {
    SCOPED_TRACE(e.id);
    const Window c = GetDlgItem(w, e.id);
    ASSERT_NE(c, 0u);
    EXPECT_GT(c, previous);  // created in id order
    previous = c;
    EXPECT_EQ(ControlGetText(c), e.text);
    const Rect r = ControlRect(c);
    EXPECT_EQ((std::vector<int>{r.left, r.top, r.width(), r.height()}),
              (std::vector<int>{e.x, e.y, e.width, e.height}));
  }
  // 206 x 204, centred over the main window.
  const Rect o = GetWindowRect(w), m = GetWindowRect(main_);
  EXPECT_EQ((std::vector<int>{o.width(), o.height(), o.left, o.top}),
            (std::vector<int>{206, 204, m.left + (326 - 206) / 2, m.top + (264 - 204) / 2}));
  EXPECT_EQ(GetClientRect(w).width(), 200);
  EXPECT_EQ(ControlSendMessage(GetDlgItem(w, 1010), CB_GETCOUNT, 0, 0), 4);
  DestroyWindow(w);
}

TEST_F(OptionWindow, ShowsTheStoredValuesAndKeepsOnlyWhatOkStores) {
  const std::vector<Step> changeAll = {kList, Entry(0), kAuto, kGod};
  const Step changedAll = [](Window w) {
    EXPECT_EQ(ControlGetText(GetDlgItem(w, 1010)), "Low");
    EXPECT_EQ(Checked(w, 1011), 1);
  };
  const struct {
    const char* name;
    int fps, fire, level, god;  // stored
    int list, autoBox, levelBox;  // shown: list entry (CB_ERR: none), AUTO, the level checked
    bool godShown;
    std::vector<Step> steps;
    int fpsAfter, fireAfter, levelAfter;
  } rows[] = {
      {"God hidden, stored God shown as Hard", 30, 1, 30, 0, 1, 1, 1008, false, {kGod, kOk}, 30, 1, 20},
      {"God shown and kept with the unlock", 30, 1, 30, 1, 1, 1, 1011, true, {kOk}, 30, 1, 30},
      {"God chosen with the unlock", 30, 1, 12, 1, 1, 1, 1007, true, {kGod, kOk}, 30, 1, 30},
      {"No Wait, manual fire, Easy", 30, 1, 12, 0, 1, 1, 1007, false, {kList, Entry(3), kAuto, kEasy, kOk}, 1000, 0, 5},
      {"Low", 60, 1, 12, 0, 2, 1, 1007, false, {kList, Entry(0), kOk}, 15, 1, 12},
      {"Normal", 15, 1, 12, 0, 0, 1, 1007, false, {kList, Entry(1), kOk}, 30, 1, 12},
      {"High", 30, 1, 12, 0, 1, 1, 1007, false, {kList, Entry(2), kOk}, 60, 1, 12},
      {"AUTO on, Hard", 30, 0, 5, 0, 1, 0, 1006, false, {kAuto, kHard, kOk}, 30, 1, 20},
      {"Enter presses O K", 30, 1, 12, 0, 1, 1, 1007, false, {kEasy, Key(VK_RETURN)}, 30, 1, 5},
      {"Cancel", 30, 1, 12, 1, 1, 1, 1007, true, {kList, Entry(0), kAuto, kGod, changedAll, kCancel}, 30, 1, 12},
      {"close request", 30, 1, 12, 1, 1, 1, 1007, true,
       {kList, Entry(0), kAuto, kGod, changedAll, [](Window w) { PostMessage(w, WM_CLOSE, 0, 0); }}, 30, 1, 12},
      {"Escape", 30, 1, 12, 1, 1, 1, 1007, true, {kList, Entry(0), kAuto, kGod, changedAll, Key(VK_ESCAPE)}, 30, 1, 12},
      // A stored level of 7 becomes 12 as the window opens, even when cancelled.
      {"level 7", 30, 1, 7, 0, 1, 1, 1007, false, {[](Window) { EXPECT_EQ(gs.enemySlots, 12); }, kCancel}, 30, 1, 12},
      {"frame rate outside the list kept", 45, 1, 12, 0, CB_ERR, 1, 1007, false, {kOk}, 45, 1, 12},
      {"fire mode 2 shown unchecked, stored as 0", 30, 2, 12, 0, 1, 0, 1007, false, {kOk}, 30, 0, 12},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    gs.targetFps = row.fps;
    gs.fireMode = row.fire;
    gs.enemySlots = row.level;
    gs.godUnlocked = row.god;
    std::vector<Step> steps = {[&row](Window w) {
      EXPECT_EQ(ControlSendMessage(GetDlgItem(w, 1010), CB_GETCURSEL, 0, 0), row.list);
      EXPECT_EQ(Checked(w, 1004), row.autoBox);
      for (int id = 1006; id <= 1011; id += id == 1008 ? 3 : 1) EXPECT_EQ(Checked(w, id), id == row.levelBox) << id;
      EXPECT_EQ(ControlIsVisible(GetDlgItem(w, 1011)), row.godShown);
    }};
    steps.insert(steps.end(), row.steps.begin(), row.steps.end());
    EXPECT_EQ(Open(steps), 0);
    EXPECT_EQ((std::vector<int>{gs.targetFps, gs.fireMode, gs.enemySlots}),
              (std::vector<int>{row.fpsAfter, row.fireAfter, row.levelAfter}));
    EXPECT_TRUE(IsWindowEnabled(main_));
  }
}

TEST_F(OptionWindow, OnlyTheOptionKindOpensAndAQuitEndsTheOuterLoopToo) {
  EXPECT_EQ(OpenOptionWindow(main_, "Other"), 0);
  EXPECT_EQ(OpenOptionWindow(main_, "optwnd"), 0);
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_EQ(GetForegroundWindow(), main_);
  sim::ScheduleAt(sim::Now() + 10, [] { PostQuitMessage(3); });
  EXPECT_EQ(OpenOptionWindow(main_, "OptWnd"), 3);
  EXPECT_TRUE(IsWindowEnabled(main_));
  Message m;
  int r;
  while ((r = GetMessage(m)) > 0) DispatchMessage(m);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(m.wParam, 3);
}

}  // namespace
