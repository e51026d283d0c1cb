// The close box in key scripts: `MS close TITLE` is read strictly and, like a
// click on the window's close box, posts WM_CLOSE to the enabled window of
// that title that was shown last, and to nothing that has no close box or is
// disabled by a modal window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"

using namespace platform;

namespace {

TEST(CloseScript, LinesAreReadStrictly) {
  std::vector<sim::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(sim::ParseKeyScript(
      "10 close \"Quillmoor Ver.1.00\"\n20 CLOSE Option # a comment\n30 down Escape\n", events,
      error))
      << error;
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, sim::ScriptEvent::Kind::Close);
  EXPECT_EQ(events[0].ms, 10u);
  EXPECT_EQ(events[0].title, "Quillmoor Ver.1.00");
  EXPECT_EQ(events[0].line, 1);
  EXPECT_EQ(events[1].kind, sim::ScriptEvent::Kind::Close);
  EXPECT_EQ(events[1].title, "Option");
  EXPECT_EQ(events[2].kind, sim::ScriptEvent::Kind::Down);

  for (const char* bad : {"5 close", "5 close a b", "5 close \"open"}) {
    EXPECT_FALSE(sim::ParseKeyScript(std::string("1 up Enter\n") + bad + "\n", events, error))
        << bad;
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
  }
  EXPECT_FALSE(sim::ParseKeyScript("5 close\n", events, error));
  EXPECT_EQ(error, "line 1: expected MS close TITLE");
}

std::vector<std::pair<Window, uint32_t>> closes;

intptr_t Proc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (msg == WM_CLOSE) {
    closes.emplace_back(w, msg);
    return 0;
  }
  return DefWindowProc(w, msg, wParam, lParam);
}

// Delivers what has been posted to this thread.
void Pump() {
  sim::ScheduleAt(sim::Now() + 5, [] { PostQuitMessage(0); });
  Message m;
  while (GetMessage(m) > 0) DispatchMessage(m);
}

class CloseBox : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    closes.clear();
    RegisterWindowClass("CLOSEREC", Proc);
  }
  Window Make(const std::string& title, uint32_t style, bool show = true) {
    Window w = CreateWindow("CLOSEREC", title, style, 0, 0, 326, 264, 0);
    if (show) ShowWindow(w, true);
    return w;
  }
};

TEST_F(CloseBox, ReachesTheEnabledWindowShownLast) {
  const uint32_t framed = WS_CAPTION_FRAME | WS_SYSMENU;
  Window first = Make("Game", framed);
  Window second = Make("Game", framed);
  Window hidden = Make("Game", framed, false);
  (void)hidden;
  ASSERT_TRUE(sim::CloseWindowTitled("Game"));
  Pump();
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].first, second);
  ShowWindow(first, true);  // shown again: now the last shown
  closes.clear();
  ASSERT_TRUE(sim::CloseWindowTitled("Game"));
  Pump();
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].first, first);
}

TEST_F(CloseBox, NothingHappensWithoutAnEnabledWindowThatHasACloseBox) {
  Window main = Make("Main", WS_CAPTION_FRAME | WS_SYSMENU);
  Make("Dialog", WS_CAPTION_FRAME);  // a dialog without a close box
  EXPECT_FALSE(sim::CloseWindowTitled("Dialog"));
  EXPECT_FALSE(sim::CloseWindowTitled("Nobody"));
  EnableWindow(main, false);  // as under a modal window
  EXPECT_FALSE(sim::CloseWindowTitled("Main"));
  Pump();
  EXPECT_TRUE(closes.empty());
  EnableWindow(main, true);
  EXPECT_TRUE(sim::CloseWindowTitled("Main"));
  DestroyWindow(main);
  EXPECT_FALSE(sim::CloseWindowTitled("Main"));
  Pump();
  EXPECT_TRUE(closes.empty()) << "a message for a destroyed window goes nowhere";
}

}  // namespace
