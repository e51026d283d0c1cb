// The modal "Option" window: frame rate, firing mode and level, and the high
// score. It edits the in-memory settings; the file is written at shutdown.
#include "settings/options_window.h"

#include "display/full_window.h"
#include "display/icon.h"
#include "platform/ui/widgets.h"
#include "runtime/runtime.h"
#include "state/game_state.h"

namespace {

using platform::Window;

enum ControlId : int {
  kHiScoreLabel = 1000, kHiScore = 1001, kPointsLabel = 1002, kModeLabel = 1003,
  kAuto = 1004, kLevelLabel = 1005, kEasy = 1006, kNormal = 1007, kHard = 1008,
  kFpsLabel = 1009, kFpsList = 1010, kGod = 1011, kCancel = 1012, kOk = 1013,
};

struct ControlDef {
  int id;
  const char* className;
  const char* text;
  int x, y, width, height;
  uint32_t style;
};

// In id order, the order they are created in.
constexpr ControlDef kControls[] = {
    {kHiScoreLabel, "STATIC", "HI-SCORE", 5, 5, 61, 12, platform::SS_PLAIN},
    {kHiScore, "STATIC", "", 70, 4, 64, 16, platform::SS_RIGHT_SUNKEN},
    {kPointsLabel, "STATIC", "pt", 140, 5, 33, 12, platform::SS_PLAIN},
    {kModeLabel, "STATIC", "MODE", 5, 58, 42, 12, platform::SS_PLAIN},
    {kAuto, "BUTTON", "AUTO", 70, 58, 67, 15, platform::BS_AUTOCHECKBOX},
    {kLevelLabel, "STATIC", "Level", 5, 83, 40, 12, platform::SS_PLAIN},
    {kEasy, "BUTTON", "Easy", 70, 85, 63, 15, platform::BS_AUTORADIOBUTTON},
    {kNormal, "BUTTON", "Normal", 70, 100, 63, 15, platform::BS_AUTORADIOBUTTON},
    {kHard, "BUTTON", "Hard", 70, 115, 63, 15, platform::BS_AUTORADIOBUTTON},
    {kFpsLabel, "STATIC", "FPS", 5, 30, 50, 12, platform::SS_PLAIN},
    {kFpsList, "COMBOBOX", "", 70, 27, 109, 127, platform::CBS_DROPDOWNLIST},
    {kGod, "BUTTON", "God", 70, 130, 63, 15, platform::BS_AUTORADIOBUTTON},
    {kCancel, "BUTTON", "キャンセル", 90, 152, 88, 21,
     platform::BS_PUSHBUTTON | platform::BS_CANCEL},
    {kOk, "BUTTON", "O K", 13, 152, 55, 21, platform::BS_PUSHBUTTON | platform::BS_DEFAULT},
};

const char* const kFpsTexts[4] = {"Low", "Normal", "High", "No Wait"};

Window optionWindow = 0;  // the open options window (main thread only)
Window optionOwner = 0;
bool optionOpen = false;

Window Item(int id) { return platform::GetDlgItem(optionWindow, id); }

bool Checked(int id) {
  return platform::ControlSendMessage(Item(id), platform::BM_GETCHECK, 0, 0) ==
         platform::BST_CHECKED;
}

void SetCheck(int id, bool on) {
  platform::ControlSendMessage(Item(id), platform::BM_SETCHECK,
                               on ? platform::BST_CHECKED : platform::BST_UNCHECKED, 0);
}

}  // namespace

Window CreateOptionWindow(Window owner) {
  const Window w = platform::CreateWindow(kDialogClass, "Option", platform::WS_CAPTION_FRAME,
                                          platform::kUseDefault, platform::kUseDefault, 199, 201,
                                          owner);
  if (w == 0) return 0;
  optionOwner = owner;
  SetGameIcon(w);
  platform::SetWindowProc(w, OptionWindowProc);
  platform::SendMessage(w, platform::WM_INITDIALOG, 0, 0);
  return w;
}

int OpenOptionWindow(Window owner, const std::string& kind) {
  if (kind != "OptWnd") return 0;
  if (optionOpen) return 0;  // one at a time
  const Window w = CreateOptionWindow(owner);
  if (w == 0) return 0;
  optionOpen = true;
  platform::ShowWindow(w, true);
  platform::EnableWindow(owner, false);

  platform::Message m;
  int code = -1;
  for (;;) {
    const int r = platform::GetMessage(m);
    if (r == 0) {
      code = static_cast<int>(m.wParam);
      if (platform::IsWindow(w)) {
        // Not our quit: the program is ending. Close the window and leave the
        // quit for the outer loop.
        platform::EnableWindow(owner, true);
        platform::DestroyWindow(w);
        platform::PostQuitMessage(code);
      }
      break;
    }
    if (r < 0) break;
    platform::DispatchMessage(m);
  }
  optionOpen = false;
  return code;
}

intptr_t OptionWindowProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case platform::WM_INITDIALOG:
      optionWindow = w;
      for (const ControlDef& c : kControls) {
        platform::CreateControl(w, c.id, c.className, c.text, c.style, c.x, c.y, c.width,
                                c.height);
      }
      FillOptions();
      return 0;
    case platform::WM_CLOSE:
      CloseOptionWindow(w, 0);
      return 0;
    case platform::WM_DESTROY:
      platform::DestroyControls(w);
      if (optionWindow == w) optionWindow = 0;
      return 0;
    case platform::WM_COMMAND: {
      const int id = platform::LoWord(wParam);
      const int code = platform::HiWord(wParam);
      if (id == kCancel && code == platform::BN_CLICKED) CloseOptionWindow(w, 0);
      else if (id == kOk && code == platform::BN_CLICKED) ApplyOptions();
      return 0;
    }
    default:
      return platform::DefWindowProc(w, msg, wParam, lParam);
  }
}

void FillOptions() {
  const Window list = Item(kFpsList);
  for (const char* text : kFpsTexts) {
    platform::ControlSendMessage(list, platform::CB_ADDSTRING, 0,
                                 reinterpret_cast<intptr_t>(text));
  }
  int index = -1;
  for (int i = 0; i < 4; ++i)
    if (gs.targetFps == gs.fpsChoices[i]) index = i;
  platform::ControlSendMessage(list, platform::CB_SETCURSEL, index, 0);

  SetCheck(kAuto, gs.fireMode == 1);
  platform::ControlShowWindow(Item(kGod), gs.godUnlocked != 0);

  switch (gs.enemySlots) {
    case 5: SetCheck(kEasy, true); break;
    case 12: SetCheck(kNormal, true); break;
    case 20: SetCheck(kHard, true); break;
    case 30: SetCheck(gs.godUnlocked != 0 ? kGod : kHard, true); break;
    default:
      gs.enemySlots = 12;
      SetCheck(kNormal, true);
      break;
  }
  platform::ControlSetText(Item(kHiScore), Str(gs.hiScore));

  // Sized and centred (which shows it) once filled, so that it first appears
  // complete and in its place.
  const Window w = optionWindow;
  const platform::Rect r = platform::GetWindowRect(w);
  platform::MoveWindow(w, r.left, r.top, 206, 204);
  WindowCenter(w, gs.mainWindow);
}

void ApplyOptions() {
  // With no frame rate selected (a stored rate outside the list) the current
  // rate stays.
  const intptr_t index =
      platform::ControlSendMessage(Item(kFpsList), platform::CB_GETCURSEL, 0, 0);
  if (index >= 0 && index < 4) gs.targetFps = gs.fpsChoices[index].load();

  gs.fireMode = Checked(kAuto) ? 1 : 0;

  const int code = 4 * Checked(kEasy) + 3 * Checked(kNormal) + 2 * Checked(kHard) +
                   1 * Checked(kGod);
  switch (code) {
    case 1: gs.enemySlots = 30; break;
    case 2: gs.enemySlots = 20; break;
    case 3: gs.enemySlots = 12; break;
    case 4: gs.enemySlots = 5; break;
    default: gs.enemySlots = 12; break;
  }
  CloseOptionWindow(optionWindow, 0);
}

void CloseOptionWindow(Window w, int exitCode) {
  platform::EnableWindow(optionOwner, true);
  platform::DestroyWindow(w);
  platform::PostQuitMessage(exitCode);
}
