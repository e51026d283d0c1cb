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
  BS_PUSHBUTTON = 0x10,
  BS_AUTOCHECKBOX = 0x11,
  BS_AUTORADIOBUTTON = 0x12,
  CBS_DROPDOWNLIST = 0x20,  // drop-down list with a vertical scroll bar
};
// Messages to controls.
enum : uint32_t {
  CB_ADDSTRING = 0x0143, CB_GETCURSEL = 0x0147, CB_SETCURSEL = 0x014E,
  BM_GETCHECK = 0x00F0, BM_SETCHECK = 0x00F1,
};
constexpr int BST_UNCHECKED = 0, BST_CHECKED = 1;
constexpr int BN_CLICKED = 0;

// Creates a control inside a top-level window; the returned handle takes
// SendMessage (CB_*, BM_*), ShowWindow, SetWindowText and GetWindowText.
Window CreateControl(Window parent, int id, const std::string& className,
                     const std::string& text, uint32_t style, int x, int y, int width,
                     int height);
Window GetDlgItem(Window parent, int id);
bool IsControl(Window w);
// Called by DefWindowProc of a top-level window that has controls (paint,
// mouse, keys). Returns true when it handled the message.
bool WidgetDefProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam, intptr_t& result);
// Releases the controls of a destroyed top-level window.
void DestroyControls(Window parent);
// Runs a message box as a window of our own, modal to the owner, on the
// calling thread (which must be the window thread). Returns IDOK.
int RunMessageBoxWindow(Window owner, const std::string& text, const std::string& caption,
                        uint32_t flags);
// Draws the message box's picture into a surface (for tests and captures).
void RenderMessageBox(Surface& out, const std::string& text, const std::string& caption);

}  // namespace platform
