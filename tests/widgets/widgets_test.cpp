// Message boxes on the sim backend: modal over their owner, centred on it, closed by Enter, Escape, a
// click on O K, a close request or a quit (which still ends the outer loop). The controls themselves
// follow their recorded course (course_test.cpp).
#include <gtest/gtest.h>

#include <functional>

#include "platform/sim/sim_control.h"
#include "platform/ui/widgets.h"

using namespace platform;

TEST(MessageBoxWindow, IsModalAndClosesWithEnterEscapeOkOrClose) {
  sim::Reset(), RegisterWindowClass("TestDlg", DefWindowProc);
  const Window owner = CreateWindow("TestDlg", "Test", WS_CAPTION_FRAME, 10, 10, 206, 204, 0);
  ShowWindow(owner, true);
  struct Case { const char* name; std::function<void(Window box)> close; };
  const Case cases[] = {
      {"enter", [](Window) { sim::PressKey(VK_RETURN), sim::ReleaseKey(VK_RETURN); }},
      {"escape", [](Window) { sim::PressKey(VK_ESCAPE), sim::ReleaseKey(VK_ESCAPE); }},
      {"click", [](Window box) { const Rect ok = ControlRect(GetDlgItem(box, IDOK)); ASSERT_TRUE(sim::Click("Caption", ok.left + 5, ok.top + 5)); }},
      {"close", [](Window box) { PostMessage(box, WM_CLOSE, 0, 0); }},
      {"quit", [](Window) { PostQuitMessage(7); }},  // still ends the outer loop afterwards
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool ownerDisabled = false, boxShown = false;
    sim::ScheduleAt(sim::Now() + 10, [&] {
      ownerDisabled = !IsWindowEnabled(owner);
      const Window box = GetForegroundWindow();
      boxShown = box != owner && GetWindowText(box) == "Caption";
      const Rect o = GetWindowRect(owner), b = GetWindowRect(box);  // centred over its owner
      EXPECT_NEAR((o.left + o.right) / 2, (b.left + b.right) / 2, 1);
      EXPECT_NEAR((o.top + o.bottom) / 2, (b.top + b.bottom) / 2, 1);
      c.close(box);
    });
    EXPECT_EQ(RunMessageBoxWindow(owner, "line one\rline two", "Caption", MB_OK), IDOK);
    EXPECT_EQ(std::make_tuple(ownerDisabled, boxShown, IsWindowEnabled(owner), GetForegroundWindow()), std::make_tuple(true, true, true, owner));
  }
  Message m;
  while (GetMessage(m) > 0) DispatchMessage(m);
  EXPECT_EQ(m.wParam, 7);  // the quit still ends the outer loop
}
