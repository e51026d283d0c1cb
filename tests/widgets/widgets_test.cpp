// The controls on the sim backend: the control table and its messages, mouse
// and keyboard behaviour, the notifications the parent gets, painting, and
// message boxes as modal windows of their own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/sim_control.h"
#include "platform/ui/widgets.h"

using namespace platform;

namespace {

struct Command {
  int id, code;
  Window control;
};
std::vector<Command> commands;
int closeRequests = 0;

intptr_t TestProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (msg == WM_COMMAND) return commands.push_back({LoWord(wParam), HiWord(wParam), static_cast<Window>(lParam)}), 0;
  if (msg == WM_CLOSE) return ++closeRequests, 0;
  return DefWindowProc(w, msg, wParam, lParam);
}

// The options window's layout: a list with a check box under it, radio
// buttons, and Cancel and OK.
constexpr int kListTop = 27, kEntry0 = kListTop + 20 + 1 + 7;  // entries 15 pixels high below the box

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
  Window Add(int id, const char* cls, const char* text, uint32_t style, int x, int y, int w, int h) {
    return CreateControl(win_, id, cls, text, style, x, y, w, h);
  }
  Window List() {
    Window l = Add(1010, "COMBOBOX", "", CBS_DROPDOWNLIST, 70, kListTop, 109, 127);
    for (const char* t : {"Low", "Normal", "High", "No Wait"}) ControlSendMessage(l, CB_ADDSTRING, 0, reinterpret_cast<intptr_t>(t));
    return l;
  }
  Window CheckBox(int id = 1004, int x = 70) { return Add(id, "BUTTON", "AUTO", BS_AUTOCHECKBOX, x, 58, x == 70 ? 67 : 60, 15); }
  Window Radio(int id, int y) { return Add(id, "BUTTON", "R", BS_AUTORADIOBUTTON, 70, y, 63, 15); }
  Window Ok() { return Add(1013, "BUTTON", "O K", BS_PUSHBUTTON | BS_DEFAULT, 13, 152, 55, 21); }
  void Send(uint32_t msg, intptr_t wParam, int x, int y) { SendMessage(win_, msg, wParam, MakeLParam(x, y)); }
  void Click(int x, int y) { Send(WM_LBUTTONDOWN, 1, x, y), Send(WM_LBUTTONUP, 0, x, y); }
  void Key(int vk) { SendMessage(win_, WM_KEYDOWN, vk, 1); }
  // Runs the window's loop for a few milliseconds.
  int Pump() {
    sim::ScheduleAt(sim::Now() + 5, [] { PostQuitMessage(0); });
    Message m;
    int paints = 0;
    while (GetMessage(m) > 0) paints += m.message == WM_PAINT && m.window == win_, DispatchMessage(m);
    return paints;
  }
  Surface Paint() {
    Surface s(200, 180);
    PaintControls(s, win_);
    return s;
  }
  static int Check(Window c) { return static_cast<int>(ControlSendMessage(c, BM_GETCHECK, 0, 0)); }
  static intptr_t Cb(Window c, uint32_t msg, intptr_t w = 0) { return ControlSendMessage(c, msg, w, 0); }
  Window win_ = 0;
};

}  // namespace

TEST_F(Widgets, ControlTableAndMessages) {
  Window label = Add(1000, "STATIC", "HI-SCORE", SS_PLAIN, 5, 5, 61, 12);
  Window list = Add(1010, "ComboBox", "", CBS_DROPDOWNLIST, 70, 27, 109, 127);  // class names ignore case
  Window check = CheckBox();
  ASSERT_NE(label, 0u);
  ASSERT_NE(list, 0u);
  EXPECT_GE(label, kFirstControlHandle);
  EXPECT_NE(label, list);
  EXPECT_TRUE(IsControl(list));
  EXPECT_FALSE(IsControl(win_));
  EXPECT_EQ(GetDlgItem(win_, 1004), check);
  EXPECT_EQ(GetDlgItem(win_, 9999), 0u);
  EXPECT_EQ(Add(1, "EDIT", "", 0, 0, 0, 10, 10), 0u);  // unknown class
  EXPECT_EQ(CreateControl(0, 1, "STATIC", "", 0, 0, 0, 10, 10), 0u);  // no parent
  EXPECT_EQ(ControlParent(check), win_);
  EXPECT_EQ(ControlId(check), 1004);
  EXPECT_EQ(ControlRect(list).bottom, 27 + 127);
  EXPECT_EQ(ControlGetText(label), "HI-SCORE");
  ControlSetText(label, "12345");
  EXPECT_EQ(ControlGetText(label), "12345");

  // The list: indexes in order of adding; an index outside selects nothing.
  const char* texts[] = {"Low", "Normal", "High", "No Wait"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ControlSendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<intptr_t>(texts[i])), i);
  struct Step { uint32_t msg; intptr_t wParam, answer; };
  const Step steps[] = {{CB_GETCOUNT, 0, 4},       {CB_GETCURSEL, 0, CB_ERR}, {CB_SETCURSEL, 3, 3},
                        {CB_SETCURSEL, 4, CB_ERR}, {CB_GETCURSEL, 0, CB_ERR}, {CB_SETCURSEL, -1, CB_ERR}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Cb(list, steps[i].msg, steps[i].wParam), steps[i].answer) << "step " << i;
    EXPECT_EQ(ControlGetText(list), i == 2 ? "No Wait" : "") << "step " << i;  // no selection, no text
  }
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
  Window check = CheckBox(), easy = Radio(1006, 85), normal = Radio(1007, 100), hard = Radio(1008, 115), ok = Ok();
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
  EXPECT_EQ(std::vector<int>({Check(easy), Check(normal), Check(hard)}), std::vector<int>({0, 1, 0}));
  EXPECT_EQ(commands.back().id, 1007);

  // Clicks on hidden or disabled controls do nothing.
  commands.clear();
  ControlShowWindow(hard, false);
  Click(75, 120);
  ControlEnable(check, false);
  Click(80, 62);
  EXPECT_EQ(std::vector<int>({Check(check), Check(normal), Check(hard)}), std::vector<int>({0, 1, 0}));
  EXPECT_TRUE(commands.empty());

  // A push button: pressed while held, clicked only when released inside.
  const uint32_t raised = Paint().at(14, 153);
  Send(WM_LBUTTONDOWN, 1, 30, 160);
  EXPECT_NE(Paint().at(14, 153), raised);  // the raised edge gives way
  Send(WM_MOUSEMOVE, 1, 150, 10);
  EXPECT_EQ(Paint().at(14, 153), raised);
  Send(WM_LBUTTONUP, 0, 150, 10);
  EXPECT_TRUE(commands.empty());
  Send(WM_LBUTTONDOWN, 1, 30, 160);
  Send(WM_MOUSEMOVE, 1, 150, 10);
  Send(WM_MOUSEMOVE, 1, 20, 170);
  Send(WM_LBUTTONUP, 0, 20, 170);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, 1013);
  EXPECT_EQ(commands[0].control, ok);
  Click(13 + 55, 160);  // just outside the right and bottom edges
  Click(30, 152 + 21);
  EXPECT_EQ(commands.size(), 1u);
}

TEST_F(Widgets, DropDownListOpensOverControlsBelowAndSelects) {
  Window list = List(), below = CheckBox(), beside = CheckBox(1005, 5);
  ControlSendMessage(list, CB_SETCURSEL, 1, 0);
  auto dropped = [&] { return Cb(list, CB_GETDROPPEDSTATE); };
  auto sel = [&] { return Cb(list, CB_GETCURSEL); };
  const Surface closed = Paint();
  Click(100, 35);
  EXPECT_EQ(dropped(), 1);
  const Surface open = Paint();
  EXPECT_NE(open.at(71, 60), closed.at(71, 60));  // covers the check box's sunken edge
  EXPECT_EQ(open.at(75, 100), 0xFFFFFFu);
  Send(WM_MOUSEMOVE, 0, 100, kEntry0 + 3 * 15);
  Click(100, kEntry0 + 3 * 15);  // the fourth entry
  EXPECT_EQ(dropped(), 0);
  EXPECT_EQ(sel(), 3);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, 1010);
  EXPECT_EQ(commands[0].code, CBN_SELCHANGE);

  // A click outside the open list closes it, changes nothing and does not
  // reach the control beneath.
  Click(100, 35);
  ASSERT_EQ(dropped(), 1);
  Click(10, 62);
  EXPECT_EQ(dropped(), 0);
  EXPECT_EQ(sel(), 3);
  EXPECT_EQ(Check(beside), BST_UNCHECKED);
  EXPECT_EQ(commands.size(), 1u);
  // While open, the list takes the clicks over the check box it covers.
  Click(100, 35);
  Click(75, kEntry0 + 15);
  EXPECT_EQ(sel(), 1);
  EXPECT_EQ(Check(below), BST_UNCHECKED);
  Click(10, 62);  // closed now: the check box beside takes it
  EXPECT_EQ(Check(beside), BST_CHECKED);
  // Press on the box, drag into the list, release on an entry: one gesture.
  Send(WM_LBUTTONDOWN, 1, 100, 35);
  Send(WM_MOUSEMOVE, 1, 100, kEntry0);
  Send(WM_LBUTTONUP, 0, 100, kEntry0);
  EXPECT_EQ(sel(), 0);
  EXPECT_EQ(dropped(), 0);
  EXPECT_EQ(Check(below), BST_UNCHECKED);
}

TEST_F(Widgets, Keyboard) {
  Window list = List();
  Add(1003, "STATIC", "MODE", SS_PLAIN, 5, 58, 42, 12);
  Window check = CheckBox(), easy = Radio(1006, 85), normal = Radio(1007, 100), god = Radio(1011, 130);
  Window cancel = Add(1012, "BUTTON", "Cancel", BS_PUSHBUTTON | BS_CANCEL, 90, 152, 88, 21), ok = Ok();
  ControlShowWindow(god, false);
  // The default button starts with the focus; Tab goes round in creation
  // order past labels and hidden controls; an arrow onto a radio button checks it.
  struct Step { int key; Window focus; std::vector<int> checks; };  // check box, Easy, Normal
  const Step steps[] = {{0, ok, {0, 0, 0}},           {VK_TAB, list, {0, 0, 0}},     {VK_TAB, check, {0, 0, 0}},
                        {VK_SPACE, check, {1, 0, 0}}, {VK_DOWN, easy, {1, 1, 0}},    {VK_RIGHT, normal, {1, 0, 1}},
                        {VK_DOWN, cancel, {1, 0, 1}} /* God is hidden */};
  for (const Step& s : steps) {
    if (s.key) Key(s.key);
    EXPECT_EQ(GetFocusControl(win_), s.focus) << "after key " << s.key;
    EXPECT_EQ(std::vector<int>({Check(check), Check(easy), Check(normal)}), s.checks) << "after key " << s.key;
  }

  // The list: arrows on the closed list step the selection; Space opens it,
  // arrows move the highlight, Escape closes unchanged, Enter takes it.
  SetFocusControl(win_, list);
  Key(VK_DOWN);
  EXPECT_EQ(Cb(list, CB_GETCURSEL), 0);
  Key(VK_SPACE);
  EXPECT_EQ(Cb(list, CB_GETDROPPEDSTATE), 1);
  for (int k : {VK_DOWN, VK_DOWN, VK_ESCAPE}) Key(k);
  EXPECT_EQ(Cb(list, CB_GETDROPPEDSTATE), 0);
  EXPECT_EQ(Cb(list, CB_GETCURSEL), 0);
  EXPECT_TRUE(IsWindow(win_));
  EXPECT_EQ(closeRequests, 0);
  Key(VK_SPACE);
  for (int i = 0; i < 6; ++i) Key(VK_DOWN);  // stops at the last entry
  commands.clear();
  Key(VK_RETURN);  // closes the list, does not press OK
  EXPECT_EQ(Cb(list, CB_GETCURSEL), 3);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].code, CBN_SELCHANGE);

  // Enter presses the default button unless another push button has focus;
  // Escape presses Cancel.
  commands.clear();
  Key(VK_RETURN);
  SetFocusControl(win_, cancel);
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0].id, 1013);
  EXPECT_EQ(commands[1].id, 1012);
  EXPECT_EQ(commands[2].id, 1012);
  // Without a cancel button, Escape asks the window to close.
  DestroyControl(cancel);
  Key(VK_ESCAPE);
  Pump();
  EXPECT_EQ(closeRequests, 1);
  // A disabled window takes no input.
  EnableWindow(win_, false);
  commands.clear();
  Key(VK_RETURN);
  EXPECT_TRUE(commands.empty());
}

TEST_F(Widgets, PaintFillsTheWindowAndDrawsVisibleControls) {
  Window label = Add(1000, "STATIC", "HI-SCORE", SS_PLAIN, 5, 5, 61, 12);
  Window score = Add(1001, "STATIC", "", SS_RIGHT_SUNKEN, 70, 4, 64, 16);
  ControlSetText(score, "4200");
  InvalidateRect(win_);
  EXPECT_EQ(Pump(), 1);
  Surface s = Paint();
  // The face; the sunken edge: grey above and left, white below and right.
  const std::pair<std::pair<int, int>, uint32_t> px[] = {{{199, 179}, kButtonFacePixel}, {{80, 4}, 0x808080},
                                                         {{70, 10}, 0x808080}, {{80, 19}, 0xFFFFFF}, {{133, 10}, 0xFFFFFF}};
  for (const auto& [at, want] : px) EXPECT_EQ(s.at(at.first, at.second), want) << at.first << "," << at.second;
  auto inkIn = [&](int x0, int x1, int y0, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += s.at(x, y) == 0;
    return n;
  };
  EXPECT_GT(inkIn(102, 133, 5, 19), 0);  // right-aligned
  EXPECT_EQ(inkIn(71, 95, 5, 19), 0);
  EXPECT_GT(inkIn(5, 66, 5, 17), 0);  // the label
  ControlShowWindow(label, false);
  s = Paint();
  EXPECT_EQ(inkIn(0, 66, 0, 20), 0);
}

TEST_F(Widgets, MessageBoxPictureFitsItsLines) {
  auto box = [](const char* text, const char* caption = "Sound", uint32_t flags = 0) {
    Surface s;
    if (flags) RenderMessageBox(s, text, caption, flags);
    else RenderMessageBox(s, text, caption);
    return s;
  };
  const Surface one = box("short"), two = box("short\rsecond line");
  EXPECT_EQ(two.height() - one.height(), 15);  // one more line
  EXPECT_EQ(box("short\r\nsecond line").height(), two.height());  // CR LF is one line end
  EXPECT_GT(box("a much longer first line of text\rx").width(), one.width());
  EXPECT_GT(box("x", "A caption that is long enough to matter here").width(), one.width());
  EXPECT_GT(box("short", "Sound", MB_ICONEXCLAMATION).height(), one.height());  // the icon is taller than a line
  EXPECT_EQ(box("a line of some length", "Sound", MB_ICONEXCLAMATION).width() - box("a line of some length").width(),
            32 + 12);  // the icon and its gap
  EXPECT_EQ(one.at(5, 30), kButtonFacePixel);  // the nominal frame around a grey client area
}

TEST_F(Widgets, MessageBoxIsModalAndClosesWithEnterEscapeOkOrClose) {
  struct Case {
    const char* name;
    std::function<void(Window box)> close;
  };
  const Case cases[] = {
      {"enter", [](Window) { sim::PressKey(VK_RETURN), sim::ReleaseKey(VK_RETURN); }},
      {"escape", [](Window) { sim::PressKey(VK_ESCAPE), sim::ReleaseKey(VK_ESCAPE); }},
      {"click", [](Window box) {
         const Rect ok = ControlRect(GetDlgItem(box, IDOK));
         ASSERT_TRUE(sim::Click("Caption", ok.left + 5, ok.top + 5));
       }},
      {"close", [](Window box) { PostMessage(box, WM_CLOSE, 0, 0); }},
      {"quit", [](Window) { PostQuitMessage(7); }},  // still ends the outer loop afterwards
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool ownerDisabled = false, boxShown = false;
    sim::ScheduleAt(sim::Now() + 10, [&] {
      ownerDisabled = !IsWindowEnabled(win_);
      const Window box = GetForegroundWindow();
      boxShown = box != win_ && GetWindowText(box) == "Caption";
      const Rect o = GetWindowRect(win_), b = GetWindowRect(box);  // centred over its owner
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
  Message m;
  int r;
  while ((r = GetMessage(m)) > 0) DispatchMessage(m);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(m.wParam, 7);
}
