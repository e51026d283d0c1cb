// The Option window's loop as the S key runs it: only the option kind opens, and a quit ends the outer loop too.
// What it shows and what OK, Enter, Cancel, Escape and the close box leave are in the dialogs' course (tests/widgets).
#include <gtest/gtest.h>

#include "platform/sim/sim_control.h"
#include "settings/options_window.h"
#include "state/game_state.h"

using namespace platform;

namespace {

class OptionWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset(), ResetGameState(), SetConstantGameState();
    for (const char* kind : {kDialogClass, "TestMain"}) RegisterWindowClass(kind, DefWindowProc);
    gs.mainWindow = main_ = CreateWindow("TestMain", "Main", WS_CAPTION_FRAME, 300, 200, 326, 264, 0);
    ShowWindow(main_, true);
  }
  void TearDown() override { ResetGameState(); }
  Window main_ = 0;
};

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
