// The dialogs against their recorded course (course.txt): each line is one
// action on a dialog of the sim backend (controls made, mouse, keys, messages
// to a control, the options window opened as S opens it, a message box run
// modally) and, after "=>", what followed: the action's answer, the commands,
// close requests and quits the dialog's loop got, the focus, every control's
// check or selection, the options' settings, and a digest of the picture.
// Any change in how a dialog acts or looks shows as the first line that
// differs. After a deliberate change, rerun with QM_GOLDEN_UPDATE=1 and
// review the diff of course.txt.
#include <gtest/gtest.h>

#include "platform/sim/sim_control.h"
#include "platform/ui/widgets.h"
#include "settings/options_window.h"
#include "state/game_state.h"

using namespace platform;

namespace {

std::string events;  // since the last line
intptr_t DialogProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (msg == WM_COMMAND) return events += " cmd " + std::to_string(LoWord(wParam)) + "/" + std::to_string(HiWord(wParam)), 0;
  if (msg == WM_CLOSE) return events += " close", 0;
  return DefWindowProc(w, msg, wParam, lParam);
}

std::string Digest(const Surface& s) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a over the pixels
  for (size_t i = 0; i < size_t(s.width()) * s.height(); ++i) h = (h ^ s.data()[i]) * 1099511628211ull;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%dx%d %016llx", s.width(), s.height(), static_cast<unsigned long long>(h));
  return buf;
}

// A word's value: a name from the table, else a number.
const std::map<std::string, intptr_t> kNames = {
    {"static", SS_PLAIN}, {"sunken", SS_RIGHT_SUNKEN}, {"icon", SS_ICON_EXCLAMATION}, {"push", BS_PUSHBUTTON},
    {"default", BS_PUSHBUTTON | BS_DEFAULT}, {"cancel", BS_PUSHBUTTON | BS_CANCEL}, {"check", BS_AUTOCHECKBOX},
    {"radio", BS_AUTORADIOBUTTON}, {"list", CBS_DROPDOWNLIST}, {"CB_ADDSTRING", CB_ADDSTRING},
    {"CB_SETCURSEL", CB_SETCURSEL}, {"CB_GETCURSEL", CB_GETCURSEL}, {"CB_GETCOUNT", CB_GETCOUNT},
    {"CB_RESETCONTENT", CB_RESETCONTENT}, {"CB_SHOWDROPDOWN", CB_SHOWDROPDOWN}, {"CB_GETDROPPEDSTATE", CB_GETDROPPEDSTATE},
    {"BM_GETCHECK", BM_GETCHECK}, {"BM_SETCHECK", BM_SETCHECK}, {"Tab", VK_TAB}, {"Enter", VK_RETURN},
    {"Shift", VK_SHIFT}, {"Escape", VK_ESCAPE}, {"Space", VK_SPACE}, {"Left", VK_LEFT}, {"Up", VK_UP},
    {"Right", VK_RIGHT}, {"Down", VK_DOWN}, {"F4", VK_F4}, {"down", WM_LBUTTONDOWN}, {"move", WM_MOUSEMOVE},
    {"up", WM_LBUTTONUP}};
intptr_t Value(const std::string& w) { return kNames.count(w) ? kNames.at(w) : std::stoll(w); }

class Course {
 public:
  Course() { sim::Reset(), ResetGameState(), SetConstantGameState(), RegisterWindowClass("Dlg", DialogProc), RegisterWindowClass(kDialogClass, DefWindowProc); }
  // One line's action; returns what followed it.
  std::string Run(const std::string& action) {
    static const std::map<std::string, size_t> kWordsBeforeText = {{"add", 8}, {"send", 3}, {"text", 1}, {"box", 1}, {"frame", 1}, {"modal", 1}};
    std::istringstream in(action);
    std::string verb, text, answer, picture;
    std::vector<std::string> w;
    in >> verb;
    for (std::string word; w.size() < (kWordsBeforeText.count(verb) ? kWordsBeforeText.at(verb) : 9) && in >> word;) w.push_back(word);
    std::getline(in >> std::ws, text);
    for (size_t at; (at = text.find('\\')) != std::string::npos;) text.replace(at, 2, text[at + 1] == 'n' ? "\n" : "\r");
    std::vector<intptr_t> a;
    for (const std::string& word : w) a.push_back((verb == "add" && a.size() == 1) || verb == "modal" ? 0 : Value(word));
    auto item = [&](size_t i) { return a.at(i) < 0 ? Window(-a[i]) : GetDlgItem(win_, static_cast<int>(a[i])); };
    events.clear();
    if (verb == "dialog") {  // client width, height, framed (0: no); says how many controls of the last one are left
      std::vector<Window> old;
      for (int id : ids_) old.push_back(GetDlgItem(win_, id));
      for (Window d : {win_, owner_}) DestroyWindow(d);
      answer = std::to_string(std::count_if(old.begin(), old.end(), IsControl)) + " left";
      ids_.clear(), client_ = Surface(int(a[0]), int(a[1])), owner_ = 0;
      const bool framed = a.size() < 3 || a[2];
      ShowWindow(win_ = CreateWindow("Dlg", "Test", framed ? uint32_t{WS_CAPTION_FRAME} : 0u, 10, 10, int(a[0]) + 6 * framed, int(a[1]) + 24 * framed, 0), true);
    } else if (verb == "options") {  // frame rate, fire mode, level, God unlocked: the options window over the dialog
      owner_ = owner_ ? owner_ : win_, ids_.clear();
      gs.targetFps = int(a[0]), gs.fireMode = int(a[1]), gs.enemySlots = int(a[2]), gs.godUnlocked = int(a[3]), gs.mainWindow = owner_;
      ShowWindow(win_ = CreateOptionWindow(owner_), true), EnableWindow(owner_, false), client_ = Surface(200, 180);
      for (int id = 1000; id <= 1013; ++id) ids_.push_back(id);
    } else if (verb == "add") {  // id class style x y w h parent(0: the dialog, else a control's id) text
      const Window c = CreateControl(a[7] ? item(7) : win_, int(a[0]), w[1], text, uint32_t(a[2]), int(a[3]), int(a[4]), int(a[5]), int(a[6]));
      if (c) ids_.push_back(int(a[0]));
      answer = c ? "made" : "refused";
    } else if (verb == "send") {  // id message wParam [text]
      answer = std::to_string(ControlSendMessage(item(0), uint32_t(a[1]), a.size() > 2 ? a[2] : 0, reinterpret_cast<intptr_t>(text.c_str())));
    } else if (verb == "mouse" || verb == "click") {  // down/move/up x y; a click is down and up
      for (intptr_t m : verb == "click" ? std::vector<intptr_t>{WM_LBUTTONDOWN, WM_LBUTTONUP} : std::vector<intptr_t>{a[0]})
        SendMessage(win_, uint32_t(m), m == WM_LBUTTONDOWN, MakeLParam(int(a[a.size() - 2]), int(a.back())));
    } else if (verb == "key") {
      for (intptr_t vk : a) SendMessage(win_, WM_KEYDOWN, vk, 1);
    } else if (verb == "hold" || verb == "release") {  // through the keyboard: KeyHeld sees it
      verb == "hold" ? sim::PressKey(int(a[0])) : sim::ReleaseKey(int(a[0]));
    } else if (verb == "show" || verb == "enable") {  // id 0/1; id 0: the dialog
      a[0] ? (verb == "show" ? ShowWindow : EnableWindow)(item(0), a[1] != 0) : EnableWindow(win_, a[1] != 0);
    } else if (verb == "text") {
      SetWindowText(item(0), text), answer = GetWindowText(item(0));
    } else if (verb == "focus") {  // id; 0: none; below 0: a handle that is no control of the dialog
      SetFocusControl(win_, a[0] ? item(0) : 0);
    } else if (verb == "close") {  // the close box
      PostMessage(win_, WM_CLOSE, 0, 0);
    } else if (verb == "destroy") {
      DestroyWindow(item(0)), answer = IsControl(item(0)) ? "still there" : "gone";
    } else if (verb == "modal") {  // closed by Enter, Escape, click (on O K), close or quit; text: the box's
      sim::ScheduleAt(sim::Now() + 10, [&, how = w[0]] {
        const Window box = GetForegroundWindow();
        const Rect o = GetWindowRect(win_), b = GetWindowRect(box), ok = ControlRect(GetDlgItem(box, IDOK));
        answer = (IsWindowEnabled(win_) ? "owner on, " : "owner off, ") + GetWindowText(box) + " off centre by " + std::to_string(o.left + o.right - b.left - b.right) + "," + std::to_string(o.top + o.bottom - b.top - b.bottom);
        if (how == "click") sim::Click("Caption", ok.left + 5, ok.top + 5);
        else if (how == "close" || how == "quit") how == "close" ? PostMessage(box, WM_CLOSE, 0, 0) : PostQuitMessage(7);
        else sim::PressKey(int(Value(how))), sim::ReleaseKey(int(Value(how)));
      });
      answer = std::to_string(RunMessageBoxWindow(win_, text, "Caption", MB_OK)) + ", " + answer + (IsWindowEnabled(win_) && GetForegroundWindow() == win_ ? ", owner back" : "");
    } else if (verb == "box") {  // flags caption|text
      Surface s;
      RenderMessageBox(s, text.substr(text.find('|') + 1), text.substr(0, text.find('|')), uint32_t(a[0]));
      picture = Digest(s);
    } else if (verb == "frame") {  // close box, title: around the dialog's picture
      Surface s;
      DrawWindowFrame(s, text, (PaintControls(client_, win_), client_), a[0] != 0);
      picture = Digest(s);
    } else {
      return "unknown action";
    }
    sim::ScheduleAt(sim::Now() + 5, [] { PostQuitMessage(77); });  // the dialog's loop runs a moment
    for (Message m; GetMessage(m) > 0 || m.wParam != 77;) m.message == WM_QUIT ? void(events += " quit " + std::to_string(m.wParam)) : void(DispatchMessage(m));
    std::string out = answer + ";" + events + "; focus " + std::to_string(ControlId(GetFocusControl(win_))) + ";";
    for (int id : ids_) {
      const Window c = GetDlgItem(win_, id);
      const bool list = ControlSendMessage(c, CB_GETCOUNT, 0, 0) != CB_ERR;
      if (c) out += " " + std::to_string(id) + ":" + (list ? "s" + std::to_string(ControlSendMessage(c, CB_GETCURSEL, 0, 0)) + (ControlSendMessage(c, CB_GETDROPPEDSTATE, 0, 0) ? "v" : "") : std::to_string(ControlSendMessage(c, BM_GETCHECK, 0, 0)));
    }
    if (owner_) out += "; settings " + std::to_string(gs.targetFps) + " " + std::to_string(gs.fireMode) + " " + std::to_string(gs.enemySlots) + (IsWindowEnabled(owner_) ? " owner on" : "");
    return out + "; " + (picture.empty() ? Digest((PaintControls(client_, win_), client_)) : picture);
  }

 private:
  Window win_ = 0, owner_ = 0;
  Surface client_;
  std::vector<int> ids_;
};

TEST(Dialogs, FollowTheirRecordedCourse) {
  const std::string path = std::string(QM_SOURCE_DIR) + "/tests/widgets/course.txt";
  std::ifstream file(path);
  std::string line, recorded;
  Course course;
  const bool update = std::getenv("QM_GOLDEN_UPDATE") != nullptr;
  for (int no = 1; std::getline(file, line); ++no) {
    const size_t arrow = line.find(" => ");
    if (line.empty() || line[0] == '#') {
      recorded += line + "\n";
      continue;
    }
    const std::string action = line.substr(0, arrow), got = course.Run(action);
    recorded += action + " => " + got + "\n";
    ASSERT_TRUE(update || (arrow != std::string::npos && line.substr(arrow + 4) == got)) << "course.txt:" << no << ": " << action << "\n gives " << got;
  }
  if (update) std::ofstream(path) << recorded;
}

}  // namespace
