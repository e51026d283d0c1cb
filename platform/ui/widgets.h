// Child controls drawn by us (static text, push buttons, check boxes, radio
// buttons, a drop-down list) and the message-box window built from them.
// Common to both backends: the backends deliver mouse and key messages to the
// top-level window, and DefWindowProc hands them to WidgetDefProc.
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace platform {

// Control styles.
enum : uint32_t {
  SS_PLAIN = 0,            // static text
  SS_RIGHT_SUNKEN = 1,     // static text, right-aligned, sunken edge
  SS_ICON_EXCLAMATION = 2, // static showing the exclamation icon (message boxes)
  BS_PUSHBUTTON = 0x10,
  BS_AUTOCHECKBOX = 0x11,
  BS_AUTORADIOBUTTON = 0x12,
  CBS_DROPDOWNLIST = 0x20,  // drop-down list with a vertical scroll bar
  // Flags added to a push button's style: Enter presses the default button,
  // Escape the cancel button (without one, Escape sends WM_CLOSE).
  BS_DEFAULT = 0x100,
  BS_CANCEL = 0x200,
};
// Messages to controls.
enum : uint32_t {
  CB_ADDSTRING = 0x0143, CB_GETCURSEL = 0x0147, CB_SETCURSEL = 0x014E,
  BM_GETCHECK = 0x00F0, BM_SETCHECK = 0x00F1,
  CB_GETCOUNT = 0x0146, CB_RESETCONTENT = 0x014B, CB_SHOWDROPDOWN = 0x014F,
  CB_GETDROPPEDSTATE = 0x0157,
};
constexpr int BST_UNCHECKED = 0, BST_CHECKED = 1;
constexpr int BN_CLICKED = 0;
constexpr int CBN_SELCHANGE = 1;
constexpr int CB_ERR = -1;
constexpr int IDOK = 1;
// wParam of WM_COMMAND from a control: id in the low word, notification in
// the high word; lParam is the control's handle.
inline intptr_t MakeWParam(int lo, int hi) { return MakeLParam(lo, hi); }

// Control handles come from their own range, apart from the backends' window
// handles.
constexpr Window kFirstControlHandle = 0x40000000;

// The dialog font and the classic colours (pixels, 0x00RRGGBB).
constexpr int kDialogFontSize = 13;
constexpr uint32_t kButtonFacePixel = 0xD4D0C8;

// Creates a control inside a top-level window; the returned handle takes
// SendMessage (CB_*, BM_*), ShowWindow, SetWindowText and GetWindowText.
Window CreateControl(Window parent, int id, const std::string& className,
                     const std::string& text, uint32_t style, int x, int y, int width,
                     int height);
Window GetDlgItem(Window parent, int id);
bool IsControl(Window w);
// Called by DefWindowProc of a top-level window that has controls (paint,
// mouse, keys). Returns true when it painted the window, which leaves the
// backend nothing to do.
bool WidgetDefProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam, intptr_t& result);
// Releases the controls of a destroyed top-level window.
void DestroyControls(Window parent);
// Runs a message box as a window of our own, modal to the owner, on the
// calling thread (which must be the window thread). Returns IDOK.
int RunMessageBoxWindow(Window owner, const std::string& text, const std::string& caption,
                        uint32_t flags);
// Draws the message box's picture into a surface (for tests and captures).
void RenderMessageBox(Surface& out, const std::string& text, const std::string& caption);
// The same with the message-box flags (MB_ICONEXCLAMATION shows the icon).
void RenderMessageBox(Surface& out, const std::string& text, const std::string& caption,
                      uint32_t flags);

// ---- calls on control handles
// The backends send ShowWindow, IsWindowVisible-style queries, EnableWindow,
// SetWindowText, GetWindowText, SendMessage and DestroyWindow on a handle for
// which IsControl() is true to these.
void ControlShowWindow(Window control, bool show);
bool ControlIsVisible(Window control);
void ControlEnable(Window control, bool enable);
bool ControlIsEnabled(Window control);
void ControlSetText(Window control, const std::string& text);
std::string ControlGetText(Window control);
intptr_t ControlSendMessage(Window control, uint32_t msg, intptr_t wParam, intptr_t lParam);
void DestroyControl(Window control);
// The control's rectangle in its parent's client coordinates, its parent, its id.
Rect ControlRect(Window control);
Window ControlParent(Window control);
int ControlId(Window control);

// Keyboard focus among a window's controls (0: none).
Window GetFocusControl(Window parent);
void SetFocusControl(Window parent, Window control);

// ---- pictures (paint handler, tests and captures)
// Fills the surface with button-face grey and draws every visible control of
// the window, an open drop-down list last.
void PaintControls(Surface& out, Window parent);
// Draws a framed window around a client picture: the nominal frame (3 pixels
// each side, caption and top border 22, bottom 2) with the caption bar and,
// with a system menu, the close box. out gets the outer size.
void DrawWindowFrame(Surface& out, const std::string& title, const Surface& client,
                     bool closeBox);
// Where that frame's close box lies, in the coordinates of the outer rectangle.
Rect CloseBoxRect(int outerWidth);

}  // namespace platform
