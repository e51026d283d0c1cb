// The close box in key scripts: `MS close TITLE` is read strictly and, like a
// click on the window's close box, posts WM_CLOSE to the enabled window of
// that title that was shown last, and to nothing that has no close box, is
// disabled by a modal window, or is gone.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"

using namespace platform;

namespace {

TEST(CloseScript, LinesAreReadStrictly) {
  std::vector<sim::ScriptEvent> ev;
  std::string error;
  ASSERT_TRUE(sim::ParseKeyScript("10 close \"Quillmoor Ver.1.00\"\n20 CLOSE Option # a comment\n", ev, error))
      << error;
  ASSERT_EQ(ev.size(), 2u);
  EXPECT_TRUE(ev[0].kind == sim::ScriptEvent::Kind::Close && ev[0].ms == 10u && ev[0].line == 1);
  EXPECT_EQ(ev[0].title + "|" + ev[1].title, "Quillmoor Ver.1.00|Option");
  EXPECT_EQ(ev[1].kind, sim::ScriptEvent::Kind::Close);
  for (const char* bad : {"5 close", "5 close a b", "5 close \"open"}) {
    EXPECT_FALSE(sim::ParseKeyScript(std::string("1 up Enter\n") + bad + "\n", ev, error)) << bad;
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
  }
  EXPECT_FALSE(sim::ParseKeyScript("5 close\n", ev, error));
  EXPECT_EQ(error, "line 1: expected MS close TITLE");
}

std::vector<Window> closed;

intptr_t Proc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (msg != WM_CLOSE) return DefWindowProc(w, msg, wParam, lParam);
  closed.push_back(w);
  return 0;
}

// Asks to close the title, delivers what was posted, and returns the windows
// that received WM_CLOSE.
std::vector<Window> Close(const std::string& title, bool expectPosted) {
  closed.clear();
  EXPECT_EQ(sim::CloseWindowTitled(title), expectPosted) << title;
  sim::ScheduleAt(sim::Now() + 5, [] { PostQuitMessage(0); });
  Message m;
  while (GetMessage(m) > 0) DispatchMessage(m);
  return closed;
}

TEST(CloseBox, ReachesOnlyTheEnabledWindowShownLastThatHasOne) {
  sim::Reset();
  RegisterWindowClass("CLOSEREC", Proc);
  auto make = [](const std::string& title, uint32_t style, bool show = true) {
    Window w = CreateWindow("CLOSEREC", title, style, 0, 0, 326, 264, 0);
    if (show) ShowWindow(w, true);
    return w;
  };
  const uint32_t framed = WS_CAPTION_FRAME | WS_SYSMENU;
  Window first = make("Game", framed), second = make("Game", framed);
  make("Game", framed, false);  // never shown
  EXPECT_EQ(Close("Game", true), std::vector<Window>{second});
  ShowWindow(first, true);  // shown again: now the last shown
  EXPECT_EQ(Close("Game", true), std::vector<Window>{first});

  Window main = make("Main", framed);
  make("Dialog", WS_CAPTION_FRAME);  // a dialog without a close box
  EXPECT_TRUE(Close("Dialog", false).empty());
  EXPECT_TRUE(Close("Nobody", false).empty());
  EnableWindow(main, false);  // as under a modal window
  EXPECT_TRUE(Close("Main", false).empty());
  EnableWindow(main, true);
  closed.clear();
  EXPECT_TRUE(sim::CloseWindowTitled("Main"));
  DestroyWindow(main);
  EXPECT_TRUE(Close("Main", false).empty()) << "a message for a destroyed window goes nowhere";
}

}  // namespace
