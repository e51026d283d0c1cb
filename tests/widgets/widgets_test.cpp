// The controls on the sim backend: bad controls and selections, mouse and keyboard, notifications, modal message boxes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/sim_control.h"
#include "platform/ui/widgets.h"

using namespace platform;

namespace {

struct Command { int id, code; Window control; };
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
    sim::Reset(), commands.clear(), closeRequests = 0, RegisterWindowClass("TestDlg", TestProc);
    ShowWindow(win_ = CreateWindow("TestDlg", "Test", WS_CAPTION_FRAME, 10, 10, 206, 204, 0), true);
  }
  void TearDown() override { if (IsWindow(win_)) DestroyWindow(win_); }
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
  static void Pump() {  // the window's loop for a few milliseconds
    sim::ScheduleAt(sim::Now() + 5, [] { PostQuitMessage(0); });
    for (Message m; GetMessage(m) > 0;) DispatchMessage(m);
  }
  Surface Paint() { Surface s(200, 180); return PaintControls(s, win_), s; }
  static int Check(Window c) { return static_cast<int>(ControlSendMessage(c, BM_GETCHECK, 0, 0)); }
  static intptr_t Cb(Window c, uint32_t msg, intptr_t w = 0) { return ControlSendMessage(c, msg, w, 0); }
  Window win_ = 0;
};

}  // namespace

TEST_F(Widgets, BadControlsAndOutOfRangeSelectionsAreRefused) {
  EXPECT_EQ(Add(1, "EDIT", "", 0, 0, 0, 10, 10), 0u);                   // unknown class
  EXPECT_EQ(CreateControl(0, 1, "STATIC", "", 0, 0, 0, 10, 10), 0u);  // no parent
  Window list = List(), label = Add(1000, "STATIC", "HI", SS_PLAIN, 5, 5, 61, 12);
  EXPECT_EQ(ControlSendMessage(label, CB_ADDSTRING, 0, 0), CB_ERR);  // wrong kind
  // An index outside selects nothing and leaves no text.
  struct Step { uint32_t msg; intptr_t wParam, answer; const char* text; };
  const Step steps[] = {{CB_GETCURSEL, 0, CB_ERR, ""}, {CB_SETCURSEL, 3, 3, "No Wait"}, {CB_SETCURSEL, 4, CB_ERR, ""},
                        {CB_GETCURSEL, 0, CB_ERR, ""}, {CB_SETCURSEL, -1, CB_ERR, ""}};
  for (const Step& st : steps) EXPECT_EQ((std::pair<intptr_t, std::string>{Cb(list, st.msg, st.wParam), ControlGetText(list)}), std::pair(st.answer, std::string(st.text))) << st.msg << " " << st.wParam;
  DestroyWindow(win_);
  EXPECT_FALSE(IsControl(list)) << "controls go with their window";
}

// Plain clicks on the check box, the radio buttons and the list are the
// options window table's (tests/settings); here the gestures it never makes.
TEST_F(Widgets, HiddenAndDisabledControlsIgnoreClicksAndAPushButtonClicksOnlyReleasedInside) {
  Window check = CheckBox(), normal = Radio(1007, 100), hard = Radio(1008, 115), ok = Ok();
  ControlSendMessage(normal, BM_SETCHECK, BST_CHECKED, 0);
  ControlShowWindow(hard, false), Click(75, 120), ControlEnable(check, false), Click(80, 62);
  EXPECT_EQ(std::vector<int>({Check(check), Check(normal), Check(hard)}), std::vector<int>({0, 1, 0}));
  EXPECT_TRUE(commands.empty());

  // A push button clicks only when released inside, wherever the mouse went while held.
  Send(WM_LBUTTONDOWN, 1, 30, 160), Send(WM_MOUSEMOVE, 1, 150, 10), Send(WM_LBUTTONUP, 0, 150, 10);
  EXPECT_TRUE(commands.empty());
  Send(WM_LBUTTONDOWN, 1, 30, 160), Send(WM_MOUSEMOVE, 1, 150, 10), Send(WM_MOUSEMOVE, 1, 20, 170), Send(WM_LBUTTONUP, 0, 20, 170);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(std::pair(commands[0].id, commands[0].control), std::pair(1013, ok));
  Click(13 + 55, 160), Click(30, 152 + 21);  // just outside the right and bottom edges
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
  Send(WM_MOUSEMOVE, 0, 100, kEntry0 + 3 * 15), Click(100, kEntry0 + 3 * 15);  // the fourth entry
  EXPECT_EQ(std::pair(dropped(), sel()), std::pair(intptr_t{0}, intptr_t{3}));
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(std::pair(commands[0].id, commands[0].code), std::pair(1010, int(CBN_SELCHANGE)));

  // A click outside the open list closes it, changes nothing and does not reach the control beneath.
  Click(100, 35), Click(10, 62);
  EXPECT_EQ(std::make_tuple(dropped(), sel(), Check(beside), commands.size()), std::make_tuple(intptr_t{0}, intptr_t{3}, int(BST_UNCHECKED), size_t{1}));
  // While open, the list takes the clicks over the check box it covers.
  Click(100, 35), Click(75, kEntry0 + 15);
  EXPECT_EQ(std::pair(sel(), Check(below)), std::pair(intptr_t{1}, int(BST_UNCHECKED)));
  Click(10, 62);  // closed now: the check box beside takes it
  EXPECT_EQ(Check(beside), BST_CHECKED);
  // Press on the box, drag into the list, release on an entry: one gesture.
  Send(WM_LBUTTONDOWN, 1, 100, 35), Send(WM_MOUSEMOVE, 1, 100, kEntry0), Send(WM_LBUTTONUP, 0, 100, kEntry0);
  EXPECT_EQ(std::make_tuple(sel(), dropped(), Check(below)), std::make_tuple(intptr_t{0}, intptr_t{0}, int(BST_UNCHECKED)));
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
  struct ListStep { std::vector<int> keys; intptr_t sel, dropped; };
  const ListStep listSteps[] = {{{VK_DOWN}, 0, 0}, {{VK_SPACE}, 0, 1}, {{VK_DOWN, VK_DOWN, VK_ESCAPE}, 0, 0},
                                {{VK_SPACE, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN}, 0, 1} /* stops at the last */, {{VK_RETURN}, 3, 0}};
  for (const ListStep& st : listSteps) {
    commands.clear();
    for (int k : st.keys) Key(k);
    EXPECT_EQ(std::pair(Cb(list, CB_GETCURSEL), Cb(list, CB_GETDROPPEDSTATE)), std::pair(st.sel, st.dropped)) << st.keys[0];
  }
  ASSERT_EQ(commands.size(), 1u);  // Enter closed the list, did not press OK
  EXPECT_EQ(std::pair(commands[0].code, closeRequests), std::pair(int(CBN_SELCHANGE), 0));

  // Enter presses the default button unless another push button has focus;
  // Escape presses Cancel.
  commands.clear();
  Key(VK_RETURN), SetFocusControl(win_, cancel), Key(VK_RETURN), Key(VK_ESCAPE);
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(std::make_tuple(commands[0].id, commands[1].id, commands[2].id), std::make_tuple(1013, 1012, 1012));
  // Without a cancel button, Escape asks the window to close.
  DestroyControl(cancel), Key(VK_ESCAPE), Pump();
  EXPECT_EQ(closeRequests, 1);
  EnableWindow(win_, false), commands.clear(), Key(VK_RETURN);  // a disabled window takes no input
  EXPECT_TRUE(commands.empty());
}

TEST_F(Widgets, MessageBoxIsModalAndClosesWithEnterEscapeOkOrClose) {
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
      ownerDisabled = !IsWindowEnabled(win_);
      const Window box = GetForegroundWindow();
      boxShown = box != win_ && GetWindowText(box) == "Caption";
      const Rect o = GetWindowRect(win_), b = GetWindowRect(box);  // centred over its owner
      EXPECT_NEAR((o.left + o.right) / 2, (b.left + b.right) / 2, 1);
      EXPECT_NEAR((o.top + o.bottom) / 2, (b.top + b.bottom) / 2, 1);
      c.close(box);
    });
    EXPECT_EQ(RunMessageBoxWindow(win_, "line one\rline two", "Caption", MB_OK), IDOK);
    EXPECT_EQ(std::make_tuple(ownerDisabled, boxShown, IsWindowEnabled(win_), GetForegroundWindow()), std::make_tuple(true, true, true, win_));
  }
  Message m;
  while (GetMessage(m) > 0) DispatchMessage(m);
  EXPECT_EQ(m.wParam, 7);  // the quit still ends the outer loop
}
