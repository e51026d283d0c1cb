// The controls on the sim backend: the control table and its messages, mouse
// and keyboard behaviour, the notifications the parent gets, painting, and
// message boxes as modal windows of their own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/png.h"
#include "platform/sim/sim_control.h"
#include "platform/ui/widgets.h"

using namespace platform;

namespace {

struct Command {
  int id;
  int code;
  Window control;
};
std::vector<Command> commands;
int closeRequests = 0;

intptr_t TestProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (msg == WM_COMMAND) {
    commands.push_back({LoWord(wParam), HiWord(wParam), static_cast<Window>(lParam)});
    return 0;
  }
  if (msg == WM_CLOSE) {
    ++closeRequests;
    return 0;
  }
  return DefWindowProc(w, msg, wParam, lParam);
}

class Widgets : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    commands.clear();
    closeRequests = 0;
    RegisterWindowClass("TestDlg", TestProc);
    win_ = CreateWindow("TestDlg", "Test", WS_CAPTION_FRAME, 10, 10, 206, 204, 0);
    ASSERT_NE(win_, 0u);
    ShowWindow(win_, true);
  }
  void TearDown() override {
    if (IsWindow(win_)) DestroyWindow(win_);
  }
  // Delivers a message the way the window's loop would, then drains the
  // queue of what it produced (posted WM_CLOSE and the like).
  void Send(uint32_t msg, intptr_t wParam, intptr_t lParam) { SendMessage(win_, msg, wParam, lParam); }
  void Click(int x, int y) {
    Send(WM_LBUTTONDOWN, 1, MakeLParam(x, y));
    Send(WM_LBUTTONUP, 0, MakeLParam(x, y));
  }
  void Key(int vk) { Send(WM_KEYDOWN, vk, 1); }
  void Drain() {
    sim::ScheduleAt(sim::Now() + 5, [] { PostQuitMessage(0); });
    Message m;
    while (GetMessage(m) > 0) DispatchMessage(m);
  }
  Surface Paint() {
    Surface s(200, 180);
    PaintControls(s, win_);
    return s;
  }
  int Check(Window c) { return static_cast<int>(ControlSendMessage(c, BM_GETCHECK, 0, 0)); }
  Window win_ = 0;
};

}  // namespace

TEST_F(Widgets, ControlTableAndMessages) {
  Window label = CreateControl(win_, 1000, "STATIC", "HI-SCORE", SS_PLAIN, 5, 5, 61, 12);
  Window list = CreateControl(win_, 1010, "ComboBox", "", CBS_DROPDOWNLIST, 70, 27, 109, 127);
  Window check = CreateControl(win_, 1004, "BUTTON", "AUTO", BS_AUTOCHECKBOX, 70, 58, 67, 15);
  ASSERT_NE(label, 0u);
  ASSERT_NE(list, 0u);
  EXPECT_GE(label, kFirstControlHandle);
  EXPECT_NE(label, list);
  EXPECT_TRUE(IsControl(list));
  EXPECT_FALSE(IsControl(win_));
  EXPECT_EQ(GetDlgItem(win_, 1004), check);
  EXPECT_EQ(GetDlgItem(win_, 9999), 0u);
  EXPECT_EQ(CreateControl(win_, 1, "EDIT", "", 0, 0, 0, 10, 10), 0u);  // unknown class
  EXPECT_EQ(CreateControl(0, 1, "STATIC", "", 0, 0, 0, 10, 10), 0u);   // no parent
  EXPECT_EQ(ControlParent(check), win_);
  EXPECT_EQ(ControlId(check), 1004);
  EXPECT_EQ(ControlRect(list).bottom, 27 + 127);

  EXPECT_EQ(ControlGetText(label), "HI-SCORE");
  ControlSetText(label, "12345");
  EXPECT_EQ(ControlGetText(label), "12345");

  // The list: indexes in order of adding; an index outside selects nothing.
  const char* texts[] = {"Low", "Normal", "High", "No Wait"};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(ControlSendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<intptr_t>(texts[i])), i);
  EXPECT_EQ(ControlSendMessage(list, CB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(ControlSendMessage(list, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(ControlSendMessage(list, CB_SETCURSEL, 3, 0), 3);
  EXPECT_EQ(ControlGetText(list), "No Wait");
  EXPECT_EQ(ControlSendMessage(list, CB_SETCURSEL, 4, 0), CB_ERR);
  EXPECT_EQ(ControlSendMessage(list, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(ControlSendMessage(list, CB_SETCURSEL, -1, 0), CB_ERR);

  EXPECT_EQ(Check(check), BST_UNCHECKED);
  ControlSendMessage(check, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(Check(check), BST_CHECKED);
  EXPECT_EQ(ControlSendMessage(label, CB_ADDSTRING, 0, 0), CB_ERR);  // wrong kind

  ControlShowWindow(check, false);
  EXPECT_FALSE(ControlIsVisible(check));
  DestroyControl(check);
  EXPECT_FALSE(IsControl(check));
  EXPECT_EQ(GetDlgItem(win_, 1004), 0u);

  DestroyWindow(win_);
  EXPECT_FALSE(IsControl(label));
  EXPECT_FALSE(IsControl(list));
}

TEST_F(Widgets, ButtonsNotifyTheParentAndRadiosFormOneGroup) {
  Window check = CreateControl(win_, 1004, "BUTTON", "AUTO", BS_AUTOCHECKBOX, 70, 58, 67, 15);
  Window easy = CreateControl(win_, 1006, "BUTTON", "Easy", BS_AUTORADIOBUTTON, 70, 85, 63, 15);
  Window normal = CreateControl(win_, 1007, "BUTTON", "Normal", BS_AUTORADIOBUTTON, 70, 100, 63, 15);
  Window hard = CreateControl(win_, 1008, "BUTTON", "Hard", BS_AUTORADIOBUTTON, 70, 115, 63, 15);
  Window ok = CreateControl(win_, 1013, "BUTTON", "O K", BS_PUSHBUTTON | BS_DEFAULT, 13, 152, 55, 21);

  Click(80, 62);
  EXPECT_EQ(Check(check), BST_CHECKED);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, 1004);
  EXPECT_EQ(commands[0].code, BN_CLICKED);
  EXPECT_EQ(commands[0].control, check);
  Click(80, 62);
  EXPECT_EQ(Check(check), BST_UNCHECKED);

  // Setting a check by message leaves the others alone; a click checks one
  // and unchecks every other radio button of the window.
  ControlSendMessage(easy, BM_SETCHECK, BST_CHECKED, 0);
  ControlSendMessage(hard, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(Check(easy) + Check(hard), 2);
  Click(75, 105);
  EXPECT_EQ(Check(easy), 0);
  EXPECT_EQ(Check(normal), 1);
  EXPECT_EQ(Check(hard), 0);
  EXPECT_EQ(commands.back().id, 1007);

  // Clicks on hidden or disabled controls do nothing.
  commands.clear();
  ControlShowWindow(hard, false);
  Click(75, 120);
  EXPECT_EQ(Check(hard), 0);
  EXPECT_EQ(Check(normal), 1);
  ControlEnable(check, false);
  Click(80, 62);
  EXPECT_EQ(Check(check), 0);
  EXPECT_TRUE(commands.empty());

  // A push button: pressed while held, clicked only when released inside.
  Surface before = Paint();
  Send(WM_LBUTTONDOWN, 1, MakeLParam(30, 160));
  Surface held = Paint();
  EXPECT_NE(held.at(14, 153), before.at(14, 153));  // the raised edge gives way
  Send(WM_MOUSEMOVE, 1, MakeLParam(150, 10));
  EXPECT_EQ(Paint().at(14, 153), before.at(14, 153));
  Send(WM_LBUTTONUP, 0, MakeLParam(150, 10));
  EXPECT_TRUE(commands.empty());
  Send(WM_LBUTTONDOWN, 1, MakeLParam(30, 160));
  Send(WM_MOUSEMOVE, 1, MakeLParam(150, 10));
  Send(WM_MOUSEMOVE, 1, MakeLParam(20, 170));
  Send(WM_LBUTTONUP, 0, MakeLParam(20, 170));
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, 1013);
  EXPECT_EQ(commands[0].control, ok);
  // Just outside the button's edge is outside.
  Click(13 + 55, 160);
  Click(30, 152 + 21);
  EXPECT_EQ(commands.size(), 1u);
}

TEST_F(Widgets, DropDownListOpensOverControlsBelowAndSelects) {
  Window list = CreateControl(win_, 1010, "COMBOBOX", "", CBS_DROPDOWNLIST, 70, 27, 109, 127);
  Window below = CreateControl(win_, 1004, "BUTTON", "AUTO", BS_AUTOCHECKBOX, 70, 58, 67, 15);
  Window beside = CreateControl(win_, 1005, "BUTTON", "Side", BS_AUTOCHECKBOX, 5, 58, 60, 15);
  for (const char* t : {"Low", "Normal", "High", "No Wait"})
    ControlSendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<intptr_t>(t));
  ControlSendMessage(list, CB_SETCURSEL, 1, 0);

  Surface closed = Paint();
  Click(100, 35);
  EXPECT_EQ(ControlSendMessage(list, CB_GETDROPPEDSTATE, 0, 0), 1);
  Surface open = Paint();
  // The list covers the check box's box (white list, not the sunken edge).
  EXPECT_NE(open.at(71, 60), closed.at(71, 60));
  EXPECT_EQ(open.at(75, 100), 0xFFFFFFu);

  // Entries are 15 pixels high below the 20-pixel box: the fourth is "No Wait".
  const int entryY = 27 + 20 + 1 + 3 * 15 + 7;
  Send(WM_MOUSEMOVE, 0, MakeLParam(100, entryY));
  Click(100, entryY);
  EXPECT_EQ(ControlSendMessage(list, CB_GETDROPPEDSTATE, 0, 0), 0);
  EXPECT_EQ(ControlSendMessage(list, CB_GETCURSEL, 0, 0), 3);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, 1010);
  EXPECT_EQ(commands[0].code, CBN_SELCHANGE);

  // A click outside the open list closes it, changes nothing and does not
  // reach the control beneath.
  Click(100, 35);
  ASSERT_EQ(ControlSendMessage(list, CB_GETDROPPEDSTATE, 0, 0), 1);
  Click(10, 62);  // on the check box beside the list
  EXPECT_EQ(ControlSendMessage(list, CB_GETDROPPEDSTATE, 0, 0), 0);
  EXPECT_EQ(ControlSendMessage(list, CB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(Check(beside), BST_UNCHECKED);
  EXPECT_EQ(commands.size(), 1u);
  // While open, the list takes the clicks over the check box it covers.
  Click(100, 35);
  Click(75, 27 + 20 + 1 + 15 + 7);  // "Normal", above the covered check box
  EXPECT_EQ(ControlSendMessage(list, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Check(below), BST_UNCHECKED);
  Click(10, 62);  // the list is closed now: the check box beside takes it
  EXPECT_EQ(Check(beside), BST_CHECKED);
  // Pressing on the box, dragging into the list and releasing on an entry
  // selects it in one gesture.
  Send(WM_LBUTTONDOWN, 1, MakeLParam(100, 35));
  Send(WM_MOUSEMOVE, 1, MakeLParam(100, 27 + 20 + 1 + 7));
  Send(WM_LBUTTONUP, 0, MakeLParam(100, 27 + 20 + 1 + 7));
  EXPECT_EQ(ControlSendMessage(list, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(ControlSendMessage(list, CB_GETDROPPEDSTATE, 0, 0), 0);
  EXPECT_EQ(Check(below), BST_UNCHECKED);
}

TEST_F(Widgets, Keyboard) {
  Window list = CreateControl(win_, 1010, "COMBOBOX", "", CBS_DROPDOWNLIST, 70, 27, 109, 127);
  CreateControl(win_, 1003, "STATIC", "MODE", SS_PLAIN, 5, 58, 42, 12);
  Window check = CreateControl(win_, 1004, "BUTTON", "AUTO", BS_AUTOCHECKBOX, 70, 58, 67, 15);
  Window easy = CreateControl(win_, 1006, "BUTTON", "Easy", BS_AUTORADIOBUTTON, 70, 85, 63, 15);
  Window normal = CreateControl(win_, 1007, "BUTTON", "Normal", BS_AUTORADIOBUTTON, 70, 100, 63, 15);
  Window god = CreateControl(win_, 1011, "BUTTON", "God", BS_AUTORADIOBUTTON, 70, 130, 63, 15);
  Window cancel =
      CreateControl(win_, 1012, "BUTTON", "Cancel", BS_PUSHBUTTON | BS_CANCEL, 90, 152, 88, 21);
  Window ok = CreateControl(win_, 1013, "BUTTON", "O K", BS_PUSHBUTTON | BS_DEFAULT, 13, 152, 55, 21);
  for (const char* t : {"Low", "Normal", "High", "No Wait"})
    ControlSendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<intptr_t>(t));
  ControlShowWindow(god, false);

  // The default button starts with the focus; Tab goes round in creation
  // order past labels and hidden controls.
  EXPECT_EQ(GetFocusControl(win_), ok);
  Key(VK_TAB);
  EXPECT_EQ(GetFocusControl(win_), list);
  Key(VK_TAB);
  EXPECT_EQ(GetFocusControl(win_), check);
  Key(VK_SPACE);
  EXPECT_EQ(Check(check), BST_CHECKED);
  // An arrow onto a radio button checks it, as in any radio group.
  Key(VK_DOWN);
  EXPECT_EQ(GetFocusControl(win_), easy);
  EXPECT_EQ(Check(easy), BST_CHECKED);
  Key(VK_RIGHT);
  EXPECT_EQ(GetFocusControl(win_), normal);
  EXPECT_EQ(Check(easy), BST_UNCHECKED);
  EXPECT_EQ(Check(normal), BST_CHECKED);
  Key(VK_DOWN);  // God is hidden
  EXPECT_EQ(GetFocusControl(win_), cancel);

  // The list: arrows on the closed list step the selection; Space opens it,
  // arrows move the highlight, Escape closes unchanged, Enter takes it.
  SetFocusControl(win_, list);
  Key(VK_DOWN);
  EXPECT_EQ(ControlSendMessage(list, CB_GETCURSEL, 0, 0), 0);
  Key(VK_SPACE);
  EXPECT_EQ(ControlSendMessage(list, CB_GETDROPPEDSTATE, 0, 0), 1);
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_ESCAPE);
  EXPECT_EQ(ControlSendMessage(list, CB_GETDROPPEDSTATE, 0, 0), 0);
  EXPECT_EQ(ControlSendMessage(list, CB_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(IsWindow(win_));
  EXPECT_EQ(closeRequests, 0);
  Key(VK_SPACE);
  for (int i = 0; i < 6; ++i) Key(VK_DOWN);  // stops at the last entry
  commands.clear();
  Key(VK_RETURN);  // closes the list, does not press OK
  EXPECT_EQ(ControlSendMessage(list, CB_GETCURSEL, 0, 0), 3);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].code, CBN_SELCHANGE);

  // Enter presses the default button unless another push button has focus;
  // Escape presses Cancel.
  commands.clear();
  Key(VK_RETURN);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, 1013);
  SetFocusControl(win_, cancel);
  Key(VK_RETURN);
  EXPECT_EQ(commands.back().id, 1012);
  Key(VK_ESCAPE);
  EXPECT_EQ(commands.back().id, 1012);
  EXPECT_EQ(commands.size(), 3u);

  // Without a cancel button, Escape asks the window to close.
  DestroyControl(cancel);
  Key(VK_ESCAPE);
  Drain();
  EXPECT_EQ(closeRequests, 1);
  // A disabled window takes no input.
  EnableWindow(win_, false);
  commands.clear();
  Key(VK_RETURN);
  EXPECT_TRUE(commands.empty());
}

TEST_F(Widgets, PaintFillsTheWindowAndDrawsVisibleControls) {
  Window label = CreateControl(win_, 1000, "STATIC", "HI-SCORE", SS_PLAIN, 5, 5, 61, 12);
  Window score = CreateControl(win_, 1001, "STATIC", "", SS_RIGHT_SUNKEN, 70, 4, 64, 16);
  ControlSetText(score, "4200");
  InvalidateRect(win_);
  Message m;
  sim::ScheduleAt(sim::Now() + 5, [] { PostQuitMessage(0); });
  bool painted = false;
  while (GetMessage(m) > 0) {
    if (m.message == WM_PAINT && m.window == win_) painted = true;
    DispatchMessage(m);
  }
  EXPECT_TRUE(painted);
  Surface s = Paint();
  EXPECT_EQ(s.at(199, 179), kButtonFacePixel);
  // The sunken edge: grey above and left, white below and right.
  EXPECT_EQ(s.at(80, 4), 0x808080u);
  EXPECT_EQ(s.at(70, 10), 0x808080u);
  EXPECT_EQ(s.at(80, 19), 0xFFFFFFu);
  EXPECT_EQ(s.at(133, 10), 0xFFFFFFu);
  // Right-aligned: ink in the right half of the box, none at its left.
  auto inkIn = [&](int x0, int x1, int y0, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += s.at(x, y) == 0;
    return n;
  };
  EXPECT_GT(inkIn(102, 133, 5, 19), 0);
  EXPECT_EQ(inkIn(71, 95, 5, 19), 0);
  EXPECT_GT(inkIn(5, 66, 5, 17), 0);  // the label
  ControlShowWindow(label, false);
  s = Paint();
  EXPECT_EQ(inkIn(0, 66, 0, 20), 0);
}

TEST_F(Widgets, MessageBoxPictureFitsItsLines) {
  Surface one, two, wide, icon;
  RenderMessageBox(one, "short", "Sound");
  RenderMessageBox(two, "short\rsecond line", "Sound");
  RenderMessageBox(wide, "a much longer first line of text\rx", "Sound");
  RenderMessageBox(icon, "short", "Sound", MB_ICONEXCLAMATION);
  Surface mid, midIcon;
  RenderMessageBox(mid, "a line of some length", "Sound");
  RenderMessageBox(midIcon, "a line of some length", "Sound", MB_ICONEXCLAMATION);
  EXPECT_EQ(two.height() - one.height(), 15);  // one more line
  EXPECT_GT(wide.width(), one.width());
  EXPECT_EQ(midIcon.width() - mid.width(), 32 + 12);  // the icon and its gap
  EXPECT_GT(icon.height(), one.height());  // the icon is taller than a line
  // The frame is the nominal one around a grey client area.
  EXPECT_EQ(one.at(5, 30), kButtonFacePixel);
  // A long caption widens the box.
  Surface capt;
  RenderMessageBox(capt, "x", "A caption that is long enough to matter here");
  EXPECT_GT(capt.width(), one.width());
  // CR LF counts as one line end.
  Surface crlf;
  RenderMessageBox(crlf, "short\r\nsecond line", "Sound");
  EXPECT_EQ(crlf.height(), two.height());
  // A picture to look at.
  Surface pic;
  RenderMessageBox(pic, "ハンドルに0は指定できません\rWindowCenter", "WindowCenter",
                   MB_ICONEXCLAMATION | MB_TOPMOST);
  EXPECT_TRUE(WritePng(pic, std::string(QM_BINARY_DIR) + "/message_box.png"));
}

TEST_F(Widgets, MessageBoxIsModalAndClosesWithEnterEscapeOrOk) {
  struct Case {
    const char* name;
    std::function<void(Window box)> close;
  };
  std::vector<Case> cases = {
      {"enter", [](Window) { sim::PressKey(VK_RETURN); sim::ReleaseKey(VK_RETURN); }},
      {"escape", [](Window) { sim::PressKey(VK_ESCAPE); sim::ReleaseKey(VK_ESCAPE); }},
      {"click", [](Window box) {
         const Rect ok = ControlRect(GetDlgItem(box, IDOK));
         ASSERT_TRUE(sim::Click("Caption", ok.left + 5, ok.top + 5));
       }},
      {"close", [](Window box) { PostMessage(box, WM_CLOSE, 0, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool ownerDisabled = false, boxShown = false;
    sim::ScheduleAt(sim::Now() + 10, [&] {
      ownerDisabled = !IsWindowEnabled(win_);
      const Window box = GetForegroundWindow();
      boxShown = box != win_ && GetWindowText(box) == "Caption";
      // The box is centred over its owner.
      const Rect o = GetWindowRect(win_), b = GetWindowRect(box);
      EXPECT_NEAR((o.left + o.right) / 2, (b.left + b.right) / 2, 1);
      EXPECT_NEAR((o.top + o.bottom) / 2, (b.top + b.bottom) / 2, 1);
      c.close(box);
    });
    EXPECT_EQ(RunMessageBoxWindow(win_, "line one\rline two", "Caption", MB_OK), IDOK);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(boxShown);
    EXPECT_TRUE(IsWindowEnabled(win_));
    EXPECT_EQ(GetForegroundWindow(), win_);
  }
}

TEST_F(Widgets, QuitDuringAMessageBoxStillEndsTheOuterLoop) {
  sim::ScheduleAt(sim::Now() + 10, [] { PostQuitMessage(7); });
  EXPECT_EQ(RunMessageBoxWindow(win_, "text", "Caption", MB_OK), IDOK);
  EXPECT_TRUE(IsWindowEnabled(win_));
  Message m;
  int r;
  while ((r = GetMessage(m)) > 0) DispatchMessage(m);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(m.wParam, 7);
}
