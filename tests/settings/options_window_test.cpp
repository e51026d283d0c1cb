// The "Option" window on the sim backend, opened as the title screen opens
// it: its controls, what it shows for the stored settings, and what OK,
// Cancel and the close request leave in the game state.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/png.h"
#include "platform/sim/sim_control.h"
#include "platform/ui/widgets.h"
#include "settings/options_window.h"
#include "shell/main_window.h"
#include "state/game_state.h"

using namespace platform;

namespace {

intptr_t MainProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  return DefWindowProc(w, msg, wParam, lParam);
}

// Client points inside the controls.
constexpr int kOkX = 40, kOkY = 162;
constexpr int kCancelX = 130, kCancelY = 162;
constexpr int kListX = 100, kListY = 37;
int EntryY(int index) { return 27 + 20 + 1 + index * 15 + 7; }
constexpr int kAutoX = 80, kAutoY = 65;
constexpr int kLevelX = 75;
int LevelY(int id) {
  switch (id) {
    case 1006: return 92;
    case 1007: return 107;
    case 1008: return 122;
    default: return 137;
  }
}

class OptionWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    ResetGameState();
    SetConstantGameState();
    RegisterWindowClass(kDialogClass, DefWindowProc);
    RegisterWindowClass("TestMain", MainProc);
    main_ = CreateWindow("TestMain", "Main", WS_CAPTION_FRAME, 300, 200, 326, 264, 0);
    ShowWindow(main_, true);
    gs.mainWindow = main_;
    gs.targetFps = 30;
    gs.fireMode = 1;
    gs.enemySlots = 12;
    gs.hiScore = 4200;
  }
  void TearDown() override { ResetGameState(); }

  // Opens the window as the S key does and runs the player's actions inside
  // its loop, 10 simulated milliseconds apart. Returns the loop's result.
  int Open(std::vector<std::function<void(Window)>> steps) {
    // Actions left over from an earlier opening (one that ended early) do
    // nothing in this one.
    const int serial = ++serial_;
    for (size_t i = 0; i < steps.size(); ++i) {
      sim::ScheduleAt(sim::Now() + 10 * (i + 1), [this, serial, step = steps[i]] {
        if (serial != serial_) return;
        Window w = GetForegroundWindow();
        ASSERT_EQ(GetWindowText(w), "Option");
        during_ = !IsWindowEnabled(main_);
        step(w);
      });
    }
    // A guard: the loop must end before this.
    sim::ScheduleAt(sim::Now() + 10 * (steps.size() + 5), [this, serial] {
      if (serial != serial_) return;
      if (Window w = GetForegroundWindow(); GetWindowText(w) == "Option") {
        ADD_FAILURE() << "the window stayed open";
        CloseOptionWindow(w, 99);
      }
    });
    const int result = OpenOptionWindow(main_, "OptWnd");
    ++serial_;
    return result;
  }
  static std::function<void(Window)> ClickAt(int x, int y) {
    return [x, y](Window) { ASSERT_TRUE(sim::Click("Option", x, y)); };
  }
  static std::function<void(Window)> Look(std::function<void(Window)> f) { return f; }

  Window main_ = 0;
  bool during_ = false;
  int serial_ = 0;
};

int Checked(Window w, int id) {
  return static_cast<int>(ControlSendMessage(GetDlgItem(w, id), BM_GETCHECK, 0, 0));
}

}  // namespace

TEST_F(OptionWindow, ControlsPlaceAndSize) {
  const Window w = CreateOptionWindow(main_);
  ASSERT_NE(w, 0u);
  struct Expect {
    int id;
    const char* text;
    int x, y, width, height;
  };
  const Expect table[] = {
      {1000, "HI-SCORE", 5, 5, 61, 12},  {1001, "4200", 70, 4, 64, 16},
      {1002, "pt", 140, 5, 33, 12},      {1003, "MODE", 5, 58, 42, 12},
      {1004, "AUTO", 70, 58, 67, 15},    {1005, "Level", 5, 83, 40, 12},
      {1006, "Easy", 70, 85, 63, 15},    {1007, "Normal", 70, 100, 63, 15},
      {1008, "Hard", 70, 115, 63, 15},   {1009, "FPS", 5, 30, 50, 12},
      {1010, "Normal", 70, 27, 109, 127}, {1011, "God", 70, 130, 63, 15},
      {1012, "キャンセル", 90, 152, 88, 21}, {1013, "O K", 13, 152, 55, 21},
  };
  Window previous = 0;
  for (const Expect& e : table) {
    SCOPED_TRACE(e.id);
    const Window c = GetDlgItem(w, e.id);
    ASSERT_NE(c, 0u);
    EXPECT_GT(c, previous);  // created in id order
    previous = c;
    EXPECT_EQ(ControlGetText(c), e.text);
    const Rect r = ControlRect(c);
    EXPECT_EQ(r.left, e.x);
    EXPECT_EQ(r.top, e.y);
    EXPECT_EQ(r.width(), e.width);
    EXPECT_EQ(r.height(), e.height);
  }
  // 206 x 204, centred over the main window.
  const Rect o = GetWindowRect(w), m = GetWindowRect(main_);
  EXPECT_EQ(o.width(), 206);
  EXPECT_EQ(o.height(), 204);
  EXPECT_EQ(o.left, m.left + (326 - 206) / 2);
  EXPECT_EQ(o.top, m.top + (264 - 204) / 2);
  EXPECT_EQ(GetClientRect(w).width(), 200);
  EXPECT_EQ(ControlSendMessage(GetDlgItem(w, 1010), CB_GETCOUNT, 0, 0), 4);

  // The picture of the open window, with its list dropped down too.
  InvalidateRect(w);
  Surface client(GetClientRect(w).width(), GetClientRect(w).height());
  PaintControls(client, w);
  Surface framed;
  DrawWindowFrame(framed, "Option", client, false);
  EXPECT_TRUE(WritePng(framed, std::string(QM_BINARY_DIR) + "/option_window.png"));
  ControlSendMessage(GetDlgItem(w, 1010), CB_SHOWDROPDOWN, 1, 0);
  PaintControls(client, w);
  DrawWindowFrame(framed, "Option", client, false);
  EXPECT_TRUE(WritePng(framed, std::string(QM_BINARY_DIR) + "/option_window_list.png"));
  DestroyWindow(w);
}

TEST_F(OptionWindow, GodHiddenWithoutUnlockAndStoredGodShownAsHard) {
  gs.enemySlots = 30;
  gs.godUnlocked = 0;
  EXPECT_EQ(Open({Look([](Window w) {
                    EXPECT_FALSE(ControlIsVisible(GetDlgItem(w, 1011)));
                    EXPECT_EQ(Checked(w, 1008), 1);
                    EXPECT_EQ(Checked(w, 1011), 0);
                  }),
                  ClickAt(kLevelX, LevelY(1011)),  // where God would be: nothing there
                  ClickAt(kOkX, kOkY)}),
            0);
  EXPECT_TRUE(during_);
  EXPECT_EQ(gs.enemySlots, 20);
  EXPECT_TRUE(IsWindowEnabled(main_));
}

TEST_F(OptionWindow, GodShownAndKeptWithUnlock) {
  gs.enemySlots = 30;
  gs.godUnlocked = 1;
  Open({Look([](Window w) {
          EXPECT_TRUE(ControlIsVisible(GetDlgItem(w, 1011)));
          EXPECT_EQ(Checked(w, 1011), 1);
          EXPECT_EQ(Checked(w, 1008), 0);
        }),
        ClickAt(kOkX, kOkY)});
  EXPECT_EQ(gs.enemySlots, 30);
  // And choosing it from Normal.
  gs.enemySlots = 12;
  Open({ClickAt(kLevelX, LevelY(1011)), ClickAt(kOkX, kOkY)});
  EXPECT_EQ(gs.enemySlots, 30);
}

TEST_F(OptionWindow, OkStoresWhatThePlayerChose) {
  Open({ClickAt(kListX, kListY), ClickAt(kListX, EntryY(3)), ClickAt(kAutoX, kAutoY),
        ClickAt(kLevelX, LevelY(1006)), ClickAt(kOkX, kOkY)});
  EXPECT_EQ(gs.targetFps, 1000);  // "No Wait"
  EXPECT_EQ(gs.fireMode, 0);
  EXPECT_EQ(gs.enemySlots, 5);
  const int fps[] = {15, 30, 60, 1000};
  for (int i = 0; i < 4; ++i) {
    Open({ClickAt(kListX, kListY), ClickAt(kListX, EntryY(i)), ClickAt(kOkX, kOkY)});
    EXPECT_EQ(gs.targetFps, fps[i]);
  }
  Open({ClickAt(kAutoX, kAutoY), ClickAt(kLevelX, LevelY(1008)), ClickAt(kOkX, kOkY)});
  EXPECT_EQ(gs.fireMode, 1);
  EXPECT_EQ(gs.enemySlots, 20);
  // The keyboard: Enter presses O K.
  Open({[](Window) { sim::PressKey(VK_RETURN); sim::ReleaseKey(VK_RETURN); }});
  EXPECT_EQ(gs.enemySlots, 20);
  EXPECT_TRUE(IsWindowEnabled(main_));
}

TEST_F(OptionWindow, CancelAndCloseChangeNothing) {
  gs.godUnlocked = 1;
  const std::vector<std::function<void(Window)>> changeAll = {
      ClickAt(kListX, kListY), ClickAt(kListX, EntryY(0)), ClickAt(kAutoX, kAutoY),
      ClickAt(kLevelX, LevelY(1011))};
  const std::vector<std::function<void(Window)>> endings = {
      ClickAt(kCancelX, kCancelY),
      [](Window w) { PostMessage(w, WM_CLOSE, 0, 0); },
      [](Window) { sim::PressKey(VK_ESCAPE); sim::ReleaseKey(VK_ESCAPE); },
  };
  for (size_t i = 0; i < endings.size(); ++i) {
    SCOPED_TRACE(i);
    auto steps = changeAll;
    steps.push_back(Look([](Window w) {
      EXPECT_EQ(ControlGetText(GetDlgItem(w, 1010)), "Low");
      EXPECT_EQ(Checked(w, 1011), 1);
    }));
    steps.push_back(endings[i]);
    EXPECT_EQ(Open(steps), 0);
    EXPECT_EQ(gs.targetFps, 30);
    EXPECT_EQ(gs.fireMode, 1);
    EXPECT_EQ(gs.enemySlots, 12);
    EXPECT_TRUE(IsWindowEnabled(main_));
  }
}

TEST_F(OptionWindow, OutOfListValues) {
  // A stored level of 7 becomes 12 as the window opens, even when cancelled.
  gs.enemySlots = 7;
  Open({Look([](Window w) {
          EXPECT_EQ(gs.enemySlots, 12);
          EXPECT_EQ(Checked(w, 1007), 1);
        }),
        ClickAt(kCancelX, kCancelY)});
  EXPECT_EQ(gs.enemySlots, 12);

  // A frame rate outside the list selects nothing, and OK keeps it.
  gs.targetFps = 45;
  Open({Look([](Window w) {
          EXPECT_EQ(ControlSendMessage(GetDlgItem(w, 1010), CB_GETCURSEL, 0, 0), CB_ERR);
        }),
        ClickAt(kOkX, kOkY)});
  EXPECT_EQ(gs.targetFps, 45);

  // A fire mode other than 0 or 1 shows unchecked and OK stores 0.
  gs.fireMode = 2;
  Open({Look([](Window w) { EXPECT_EQ(Checked(w, 1004), 0); }), ClickAt(kOkX, kOkY)});
  EXPECT_EQ(gs.fireMode, 0);
}

TEST_F(OptionWindow, OnlyTheOptionKindOpens) {
  EXPECT_EQ(OpenOptionWindow(main_, "Other"), 0);
  EXPECT_EQ(OpenOptionWindow(main_, "optwnd"), 0);
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_EQ(GetForegroundWindow(), main_);
}

TEST_F(OptionWindow, QuitWhileOpenEndsTheOuterLoopToo) {
  sim::ScheduleAt(sim::Now() + 10, [] { PostQuitMessage(3); });
  EXPECT_EQ(OpenOptionWindow(main_, "OptWnd"), 3);
  EXPECT_TRUE(IsWindowEnabled(main_));
  Message m;
  int r;
  while ((r = GetMessage(m)) > 0) DispatchMessage(m);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(m.wParam, 3);
}
