// The controls of the options window and of message boxes, drawn by us in the
// classic grey 3D look with the dialog font. The control table lives here;
// the backends route calls on control handles to the Control* functions.
#include "platform/ui/widgets.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "platform/gfx/text.h"

namespace platform {

namespace {

// Classic system colours (pixels 0x00RRGGBB).
constexpr uint32_t kFace = kButtonFacePixel;
constexpr uint32_t kHilight = 0xFFFFFF;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kDarkShadow = 0x404040;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWindowBg = 0xFFFFFF;
constexpr uint32_t kSelectBg = 0x0A246A;
constexpr uint32_t kSelectText = 0xFFFFFF;
constexpr uint32_t kGrayText = 0x808080;
constexpr uint32_t kCaptionLeft = 0x0A246A;
constexpr uint32_t kCaptionRight = 0xA6CAF0;

constexpr int kComboBoxHeight = 20;  // the closed box; the rest of the height is the list
constexpr int kItemHeight = 15;
constexpr int kComboButtonWidth = 16;
constexpr int kScrollBarWidth = 16;

enum class Kind { Static, Button, Combo };

struct Control {
  Window handle = 0;
  Window parent = 0;
  int id = 0;
  Kind kind = Kind::Static;
  uint32_t style = 0;
  std::string text;
  Rect rect;
  bool visible = true;
  bool enabled = true;
  int check = BST_UNCHECKED;
  bool pressed = false;  // mouse held on a button with the pointer inside
  // Drop-down list.
  std::vector<std::string> items;
  int cursel = -1;
  bool dropped = false;
  int hot = -1;  // highlighted entry while open
  int top = 0;   // first entry shown while open

  uint32_t type() const { return style & 0xFF; }
};

// Per top-level window: focus and the mouse press in progress.
struct Parent {
  std::vector<Window> order;  // creation order: painting and keyboard order
  Window focus = 0;
  Window capture = 0;         // control under a held mouse button
  bool captureOpened = false;  // that press opened the list
  bool captureInList = false;  // the press began inside an open list
};

std::mutex mu;
std::map<Window, Control> controls;
std::map<Window, Parent> parents;
Window nextHandle = kFirstControlHandle;

Control* Find(Window c) {
  auto it = controls.find(c);
  return it == controls.end() ? nullptr : &it->second;
}

Parent* FindParent(Window p) {
  auto it = parents.find(p);
  return it == parents.end() ? nullptr : &it->second;
}

bool Focusable(const Control& c) { return c.visible && c.enabled && c.kind != Kind::Static; }

// ---------------------------------------------------------------- geometry

Rect BoxRect(const Control& c) {  // the part of the control that is always shown
  if (c.kind != Kind::Combo) return c.rect;
  return Rect{c.rect.left, c.rect.top, c.rect.right,
              c.rect.top + std::min(kComboBoxHeight, c.rect.height())};
}

int VisibleItems(const Control& c) {
  int room = (c.rect.height() - kComboBoxHeight - 2) / kItemHeight;
  return std::max(1, std::min(static_cast<int>(c.items.size()), room));
}

bool NeedsScrollBar(const Control& c) {
  return static_cast<int>(c.items.size()) > VisibleItems(c);
}

Rect ListRect(const Control& c) {
  int top = c.rect.top + kComboBoxHeight;
  return Rect{c.rect.left, top, c.rect.right, top + VisibleItems(c) * kItemHeight + 2};
}

bool Inside(const Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void KeepHotVisible(Control& c) {
  int n = VisibleItems(c);
  if (c.hot >= 0) {
    if (c.hot < c.top) c.top = c.hot;
    if (c.hot >= c.top + n) c.top = c.hot - n + 1;
  }
  c.top = std::clamp(c.top, 0, std::max(0, static_cast<int>(c.items.size()) - n));
}

// ---------------------------------------------------------------- drawing

Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void Fill(Surface& s, Rect r, uint32_t px) {
  r = Intersect(r, Rect{0, 0, s.width(), s.height()});
  for (int y = r.top; y < r.bottom; ++y) std::fill(s.row(y) + r.left, s.row(y) + r.right, px);
}

void Pixel(Surface& s, int x, int y, uint32_t px) {
  if (x >= 0 && y >= 0 && x < s.width() && y < s.height()) s.at(x, y) = px;
}

void HLine(Surface& s, int x0, int x1, int y, uint32_t px) { Fill(s, Rect{x0, y, x1, y + 1}, px); }
void VLine(Surface& s, int x, int y0, int y1, uint32_t px) { Fill(s, Rect{x, y0, x + 1, y1}, px); }

// One ring of an edge: top and left in one colour, bottom and right in another.
void Ring(Surface& s, const Rect& r, uint32_t topLeft, uint32_t bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  HLine(s, r.left, r.right - 1, r.top, topLeft);
  VLine(s, r.left, r.top, r.bottom - 1, topLeft);
  HLine(s, r.left, r.right, r.bottom - 1, bottomRight);
  VLine(s, r.right - 1, r.top, r.bottom, bottomRight);
}

Rect Shrink(const Rect& r, int by) {
  return Rect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void RaisedEdge(Surface& s, const Rect& r) {
  Ring(s, r, kHilight, kDarkShadow);
  Ring(s, Shrink(r, 1), kFace, kShadow);
}

void SunkenEdge(Surface& s, const Rect& r) {
  Ring(s, r, kShadow, kHilight);
  Ring(s, Shrink(r, 1), kDarkShadow, kFace);
}

// The dotted focus mark: every other pixel of the rectangle's border.
void FocusMark(Surface& s, const Rect& r) {
  if (r.width() <= 0 || r.height() <= 0) return;
  for (int x = r.left; x < r.right; ++x) {
    if (((x - r.left) & 1) == 0) {
      Pixel(s, x, r.top, kBlack);
      Pixel(s, x, r.bottom - 1, kBlack);
    }
  }
  for (int y = r.top; y < r.bottom; ++y) {
    if (((y - r.top) & 1) == 0) {
      Pixel(s, r.left, y, kBlack);
      Pixel(s, r.right - 1, y, kBlack);
    }
  }
}

Font DialogFont(bool bold = false) {
  Font f;
  f.face = FontFace::Gothic;
  f.size = kDialogFontSize;
  f.bold = bold;
  return f;
}

int TextWidth(const std::string& text, bool bold = false) {
  return MeasureText(text, DialogFont(bold));
}

// Text clipped to a rectangle (a control never draws outside itself).
void DrawText(Surface& s, int x, int y, const std::string& text, uint32_t px, const Rect& clip,
              bool bold = false) {
  if (text.empty()) return;
  const Font font = DialogFont(bold);
  const int w = MeasureText(text, font);
  Rect bounds{x, y, x + w + 2, y + font.size};
  Rect c = Intersect(clip, Rect{0, 0, s.width(), s.height()});
  if (c.width() <= 0 || c.height() <= 0) return;
  if (bounds.left >= c.left && bounds.top >= c.top && bounds.right <= c.right &&
      bounds.bottom <= c.bottom) {
    TextOut(s, x, y, text, PixelToColorRef(px), font);
    return;
  }
  // Draw into a copy of the clip area, then copy that area back.
  Surface scratch(c.width(), c.height());
  for (int row = 0; row < c.height(); ++row)
    std::copy(s.row(c.top + row) + c.left, s.row(c.top + row) + c.right, scratch.row(row));
  TextOut(scratch, x - c.left, y - c.top, text, PixelToColorRef(px), font);
  for (int row = 0; row < c.height(); ++row)
    std::copy(scratch.row(row), scratch.row(row) + c.width(), s.row(c.top + row) + c.left);
}

// Grey text with a white shadow, as disabled controls show it.
void DrawTextState(Surface& s, int x, int y, const std::string& text, bool enabled,
                   const Rect& clip, uint32_t px = kBlack) {
  if (enabled) {
    DrawText(s, x, y, text, px, clip);
  } else {
    DrawText(s, x + 1, y + 1, text, kHilight, clip);
    DrawText(s, x, y, text, kGrayText, clip);
  }
}

int TextTop(const Rect& r) { return r.top + (r.height() - kDialogFontSize) / 2; }

void DrawDownArrow(Surface& s, int cx, int cy, uint32_t px) {
  // A small filled triangle, 7 wide and 4 high, centred on (cx, cy).
  for (int i = 0; i < 4; ++i) HLine(s, cx - 3 + i, cx + 4 - i, cy - 2 + i, px);
}

void DrawUpArrow(Surface& s, int cx, int cy, uint32_t px) {
  for (int i = 0; i < 4; ++i) HLine(s, cx - i, cx + 1 + i, cy - 2 + i, px);
}

void DrawPushButton(Surface& s, const Control& c, bool focused) {
  Rect r = c.rect;
  Fill(s, r, kFace);
  const bool isDefault = (c.style & BS_DEFAULT) != 0 || focused;
  if (isDefault) {
    Ring(s, r, kBlack, kBlack);
    r = Shrink(r, 1);
  }
  if (c.pressed) {
    Ring(s, r, kShadow, kShadow);
  } else {
    RaisedEdge(s, r);
  }
  const int shift = c.pressed ? 1 : 0;
  const int w = TextWidth(c.text);
  const int x = c.rect.left + (c.rect.width() - w) / 2 + shift;
  const int y = TextTop(c.rect) + shift;
  DrawTextState(s, x, y, c.text, c.enabled, Shrink(c.rect, 2));
  if (focused) FocusMark(s, Shrink(c.rect, 4));
}

void DrawCheckBox(Surface& s, const Control& c, bool focused) {
  Fill(s, c.rect, kFace);
  const int box = 13;
  Rect b{c.rect.left, c.rect.top + (c.rect.height() - box) / 2, 0, 0};
  b.right = b.left + box;
  b.bottom = b.top + box;
  SunkenEdge(s, b);
  Fill(s, Shrink(b, 2), c.pressed || !c.enabled ? kFace : kWindowBg);
  if (c.check == BST_CHECKED) {
    // The tick: 7 columns, 3 pixels tall, falling then rising.
    const uint32_t px = c.enabled ? kBlack : kGrayText;
    const int x0 = b.left + 3, y0 = b.top + 5;
    const int drop[7] = {0, 1, 2, 1, 0, -1, -2};
    for (int i = 0; i < 7; ++i) VLine(s, x0 + i, y0 + drop[i], y0 + drop[i] + 3, px);
  }
  const int tx = b.right + 4;
  const int ty = TextTop(c.rect);
  DrawTextState(s, tx, ty, c.text, c.enabled, c.rect);
  if (focused) {
    Rect f{tx - 1, ty - 1, std::min(c.rect.right, tx + TextWidth(c.text) + 2),
           std::min(c.rect.bottom, ty + kDialogFontSize + 1)};
    FocusMark(s, f);
  }
}

void DrawRadioButton(Surface& s, const Control& c, bool focused) {
  Fill(s, c.rect, kFace);
  // A 12x12 circle: rows as (left inset) of each half, drawn as the classic
  // two-tone ring with a white middle.
  static const char* const kRing[12] = {
      "....SSSS....", "..SSDDDDSS..", ".SDD....DDH.", ".SD......LH.", "SD........LH",
      "SD........LH", "SD........LH", "SD........LH", ".SD......LH.", ".SLL....LLH.",
      "..HHLLLLHH..", "....HHHH....",
  };
  const int x0 = c.rect.left;
  const int y0 = c.rect.top + (c.rect.height() - 12) / 2;
  const uint32_t inner = c.pressed || !c.enabled ? kFace : kWindowBg;
  for (int y = 0; y < 12; ++y) {
    const char* row = kRing[y];
    int first = -1, last = -1;
    for (int x = 0; x < 12; ++x) {
      uint32_t px;
      switch (row[x]) {
        case 'S': px = kShadow; break;
        case 'D': px = kDarkShadow; break;
        case 'H': px = kHilight; break;
        case 'L': px = kFace; break;
        default: continue;
      }
      Pixel(s, x0 + x, y0 + y, px);
      if (first < 0) first = x;
      last = x;
    }
    // Fill between the ring's walls.
    int a = -1, b = -1;
    for (int x = first + 1; x < last; ++x)
      if (row[x] == '.') {
        if (a < 0) a = x;
        b = x;
      }
    if (a >= 0 && y > 0 && y < 11) HLine(s, x0 + a, x0 + b + 1, y0 + y, inner);
  }
  if (c.check == BST_CHECKED) {
    const uint32_t px = c.enabled ? kBlack : kGrayText;
    HLine(s, x0 + 5, x0 + 7, y0 + 4, px);
    HLine(s, x0 + 4, x0 + 8, y0 + 5, px);
    HLine(s, x0 + 4, x0 + 8, y0 + 6, px);
    HLine(s, x0 + 5, x0 + 7, y0 + 7, px);
  }
  const int tx = x0 + 12 + 4;
  const int ty = TextTop(c.rect);
  DrawTextState(s, tx, ty, c.text, c.enabled, c.rect);
  if (focused) {
    Rect f{tx - 1, ty - 1, std::min(c.rect.right, tx + TextWidth(c.text) + 2),
           std::min(c.rect.bottom, ty + kDialogFontSize + 1)};
    FocusMark(s, f);
  }
}

void DrawStatic(Surface& s, const Control& c) {
  switch (c.type()) {
    case SS_RIGHT_SUNKEN: {
      Fill(s, c.rect, kFace);
      Ring(s, c.rect, kShadow, kHilight);  // the one-pixel static edge
      Rect inner = Shrink(c.rect, 1);
      const int x = inner.right - 1 - TextWidth(c.text);
      DrawTextState(s, x, inner.top + 1, c.text, c.enabled, inner);
      break;
    }
    case SS_ICON_EXCLAMATION: {
      // A yellow warning triangle with a black edge and mark, 32x32.
      const int x0 = c.rect.left, y0 = c.rect.top;
      for (int y = 2; y < 30; ++y) {
        const int half = (y - 2) / 2 + 1;
        const int cx = x0 + 16;
        HLine(s, cx - half, cx + half, y0 + y, y == 29 ? kBlack : 0xFFE000);
        Pixel(s, cx - half, y0 + y, kBlack);
        Pixel(s, cx + half - 1, y0 + y, kBlack);
      }
      Fill(s, Rect{x0 + 15, y0 + 11, x0 + 17, y0 + 22}, kBlack);
      Fill(s, Rect{x0 + 15, y0 + 24, x0 + 17, y0 + 26}, kBlack);
      break;
    }
    default:
      DrawTextState(s, c.rect.left, c.rect.top, c.text, c.enabled, c.rect);
      break;
  }
}

void DrawCombo(Surface& s, const Control& c, bool focused) {
  Rect box = BoxRect(c);
  SunkenEdge(s, box);
  Rect inner = Shrink(box, 2);
  Fill(s, inner, c.enabled ? kWindowBg : kFace);
  Rect button{inner.right - kComboButtonWidth, inner.top, inner.right, inner.bottom};
  Fill(s, button, kFace);
  if (c.dropped) {
    Ring(s, button, kShadow, kShadow);
  } else {
    RaisedEdge(s, button);
  }
  const int shift = c.dropped ? 1 : 0;
  DrawDownArrow(s, button.left + button.width() / 2 - 1 + shift,
                button.top + button.height() / 2 + shift, c.enabled ? kBlack : kGrayText);
  Rect field{inner.left + 1, inner.top + 1, button.left - 1, inner.bottom - 1};
  const bool highlight = focused && !c.dropped;
  if (highlight) Fill(s, field, kSelectBg);
  if (c.cursel >= 0 && c.cursel < static_cast<int>(c.items.size())) {
    DrawTextState(s, field.left + 2, TextTop(field), c.items[c.cursel], c.enabled, field,
                  highlight ? kSelectText : kBlack);
  }
  if (highlight) FocusMark(s, field);
}

void DrawDroppedList(Surface& s, const Control& c) {
  Rect list = ListRect(c);
  Ring(s, list, kBlack, kBlack);
  Rect inner = Shrink(list, 1);
  Fill(s, inner, kWindowBg);
  const bool bar = NeedsScrollBar(c);
  Rect items = inner;
  if (bar) items.right -= kScrollBarWidth;
  const int n = VisibleItems(c);
  for (int i = 0; i < n; ++i) {
    const int index = c.top + i;
    if (index >= static_cast<int>(c.items.size())) break;
    Rect row{items.left, items.top + i * kItemHeight, items.right,
             items.top + (i + 1) * kItemHeight};
    const bool hot = index == c.hot;
    if (hot) Fill(s, row, kSelectBg);
    DrawText(s, row.left + 2, TextTop(row), c.items[index], hot ? kSelectText : kBlack, row);
  }
  if (bar) {
    Rect track{items.right, inner.top, inner.right, inner.bottom};
    // Dithered track, two arrow buttons and a thumb.
    for (int y = track.top; y < track.bottom; ++y)
      for (int x = track.left; x < track.right; ++x)
        Pixel(s, x, y, ((x + y) & 1) ? kHilight : kFace);
    Rect up{track.left, track.top, track.right, track.top + kScrollBarWidth};
    Rect down{track.left, track.bottom - kScrollBarWidth, track.right, track.bottom};
    for (const Rect& b : {up, down}) {
      Fill(s, b, kFace);
      RaisedEdge(s, b);
    }
    DrawUpArrow(s, up.left + 7, up.top + 8, kBlack);
    DrawDownArrow(s, down.left + 7, down.top + 8, kBlack);
    const int total = static_cast<int>(c.items.size());
    const int room = down.top - up.bottom;
    const int thumbH = std::max(8, room * n / std::max(1, total));
    const int thumbTop =
        up.bottom + (total > n ? (room - thumbH) * c.top / (total - n) : 0);
    Rect thumb{track.left, thumbTop, track.right, thumbTop + thumbH};
    Fill(s, thumb, kFace);
    RaisedEdge(s, thumb);
  }
}

void DrawControl(Surface& s, const Control& c, bool focused) {
  switch (c.kind) {
    case Kind::Static: DrawStatic(s, c); break;
    case Kind::Combo: DrawCombo(s, c, focused); break;
    case Kind::Button:
      switch (c.type()) {
        case BS_AUTOCHECKBOX: DrawCheckBox(s, c, focused); break;
        case BS_AUTORADIOBUTTON: DrawRadioButton(s, c, focused); break;
        default: DrawPushButton(s, c, focused); break;
      }
      break;
  }
}

// ---------------------------------------------------------------- behaviour

// What a state change asks of the parent once the table lock is released.
struct Effects {
  Window parent = 0;
  bool repaint = false;
  bool close = false;
  std::vector<std::pair<Window, int>> commands;  // control, notification
};

void Run(const Effects& e) {
  if (e.parent == 0) return;
  if (e.repaint) InvalidateRect(e.parent);
  for (const auto& [control, code] : e.commands) {
    int id;
    {
      std::lock_guard<std::mutex> lock(mu);
      const Control* c = Find(control);
      if (!c) continue;  // destroyed by an earlier command
      id = c->id;
    }
    SendMessage(e.parent, WM_COMMAND, MakeWParam(id, code), static_cast<intptr_t>(control));
  }
  if (e.close) PostMessage(e.parent, WM_CLOSE, 0, 0);
}

// An automatic radio button checked by the player unchecks every other one of
// the window (the window's radio buttons are one group).
void CheckRadio(Parent& p, Control& c) {
  for (Window h : p.order) {
    Control* o = Find(h);
    if (o && o != &c && o->kind == Kind::Button && o->type() == BS_AUTORADIOBUTTON)
      o->check = BST_UNCHECKED;
  }
  c.check = BST_CHECKED;
}

// The player's click (or Space) on a button.
void Activate(Parent& p, Control& c, Effects& e) {
  if (c.kind != Kind::Button) return;
  if (c.type() == BS_AUTOCHECKBOX) c.check = c.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  if (c.type() == BS_AUTORADIOBUTTON) CheckRadio(p, c);
  e.repaint = true;
  e.commands.push_back({c.handle, BN_CLICKED});
}

void OpenList(Control& c) {
  c.dropped = true;
  c.hot = c.cursel;
  c.top = 0;
  KeepHotVisible(c);
}

void CloseList(Control& c, bool select, Effects& e) {
  c.dropped = false;
  if (select && c.hot >= 0 && c.hot < static_cast<int>(c.items.size()) && c.hot != c.cursel) {
    c.cursel = c.hot;
    e.commands.push_back({c.handle, CBN_SELCHANGE});
  }
  e.repaint = true;
}

Control* DroppedControl(Parent& p) {
  for (Window h : p.order) {
    Control* c = Find(h);
    if (c && c->dropped) return c;
  }
  return nullptr;
}

Control* HitTest(Parent& p, int x, int y) {
  for (auto it = p.order.rbegin(); it != p.order.rend(); ++it) {
    Control* c = Find(*it);
    if (c && c->visible && c->enabled && Inside(BoxRect(*c), x, y)) return c;
  }
  return nullptr;
}

void SetFocus(Parent& p, Control* c, Effects& e) {
  Window h = c ? c->handle : 0;
  if (p.focus != h) {
    p.focus = h;
    e.repaint = true;
  }
}

// Entry index under a point of an open list, -1 outside the entries; the
// scroll bar scrolls (sets scrolled).
int ListHit(Control& c, int x, int y, bool& scrolled) {
  scrolled = false;
  Rect list = ListRect(c);
  if (!Inside(list, x, y)) return -1;
  Rect inner = Shrink(list, 1);
  if (NeedsScrollBar(c) && x >= inner.right - kScrollBarWidth) {
    const int n = VisibleItems(c);
    if (y < inner.top + (inner.height() / 2)) c.top = std::max(0, c.top - 1);
    else c.top = std::min(static_cast<int>(c.items.size()) - n, c.top + 1);
    scrolled = true;
    return -1;
  }
  if (y < inner.top || y >= inner.bottom) return -1;
  const int index = c.top + (y - inner.top) / kItemHeight;
  return index < static_cast<int>(c.items.size()) ? index : -1;
}

void MouseDown(Parent& p, int x, int y, Effects& e) {
  p.capture = 0;
  p.captureOpened = false;
  p.captureInList = false;
  if (Control* open = DroppedControl(p)) {
    bool scrolled;
    const int index = ListHit(*open, x, y, scrolled);
    if (scrolled) {
      e.repaint = true;
      return;
    }
    if (Inside(ListRect(*open), x, y)) {
      if (index >= 0) open->hot = index;
      p.capture = open->handle;
      p.captureInList = true;
      e.repaint = true;
      return;
    }
    // A press anywhere else closes the list and does nothing more.
    CloseList(*open, false, e);
    return;
  }
  Control* c = HitTest(p, x, y);
  if (!c || c->kind == Kind::Static) return;
  SetFocus(p, c, e);
  p.capture = c->handle;
  if (c->kind == Kind::Combo) {
    OpenList(*c);
    p.captureOpened = true;
  } else {
    c->pressed = true;
  }
  e.repaint = true;
}

void MouseMove(Parent& p, int x, int y, Effects& e) {
  if (Control* open = DroppedControl(p)) {
    Rect list = ListRect(*open);
    if (Inside(list, x, y)) {
      Rect inner = Shrink(list, 1);
      if (NeedsScrollBar(*open) && x >= inner.right - kScrollBarWidth) return;
      const int index = open->top + (y - inner.top) / kItemHeight;
      // Not on the border below the rows: the entry past the last one shown is hidden there.
      if (y >= inner.top && y < inner.bottom && index < static_cast<int>(open->items.size()) &&
          index != open->hot) {
        open->hot = index;
        e.repaint = true;
      }
    }
    return;
  }
  Control* c = p.capture ? Find(p.capture) : nullptr;
  if (!c || c->kind != Kind::Button) return;
  const bool inside = Inside(c->rect, x, y);
  if (c->pressed != inside) {
    c->pressed = inside;
    e.repaint = true;
  }
}

void MouseUp(Parent& p, int x, int y, Effects& e) {
  Control* c = p.capture ? Find(p.capture) : nullptr;
  const bool opened = p.captureOpened, inList = p.captureInList;
  p.capture = 0;
  p.captureOpened = p.captureInList = false;
  if (!c) return;
  if (c->kind == Kind::Combo) {
    if (!c->dropped) return;
    bool scrolled;
    const int index = ListHit(*c, x, y, scrolled);
    if (index >= 0 && (inList || opened)) {
      c->hot = index;
      CloseList(*c, true, e);
    } else if (!opened && !inList && Inside(BoxRect(*c), x, y)) {
      CloseList(*c, false, e);
    }
    return;
  }
  const bool inside = Inside(c->rect, x, y);
  c->pressed = false;
  e.repaint = true;
  if (inside && c->visible && c->enabled) Activate(p, *c, e);
}

// Focus order: creation order, visible and enabled buttons and lists only.
Control* NextFocus(Parent& p, int step) {
  const int n = static_cast<int>(p.order.size());
  if (n == 0) return nullptr;
  int start = -1;
  for (int i = 0; i < n; ++i)
    if (p.order[i] == p.focus) start = i;
  if (start < 0) start = step > 0 ? -1 : n;
  for (int k = 1; k <= n; ++k) {
    int i = ((start + step * k) % n + n) % n;
    Control* c = Find(p.order[i]);
    if (c && Focusable(*c)) return c;
  }
  return nullptr;
}

Control* ButtonWith(Parent& p, uint32_t flag) {
  for (Window h : p.order) {
    Control* c = Find(h);
    if (c && c->kind == Kind::Button && c->type() == BS_PUSHBUTTON && (c->style & flag) &&
        c->visible && c->enabled)
      return c;
  }
  return nullptr;
}

// Keys for the window's controls; an open list takes every key.
void KeyDown(Parent& p, int vk, Effects& e) {
  if (Control* open = DroppedControl(p)) {
    const int count = static_cast<int>(open->items.size());
    switch (vk) {
      case VK_UP:
      case VK_DOWN:
        if (count > 0) {
          open->hot = std::clamp(open->hot < 0 ? (vk == VK_DOWN ? 0 : count - 1)
                                               : open->hot + (vk == VK_DOWN ? 1 : -1),
                                 0, count - 1);
          KeepHotVisible(*open);
          e.repaint = true;
        }
        return;
      case VK_RETURN: CloseList(*open, true, e); return;
      case VK_ESCAPE:
      case VK_TAB:
      case VK_F4: CloseList(*open, false, e); return;
      default: return;
    }
  }
  Control* focus = p.focus ? Find(p.focus) : nullptr;
  if (focus && !Focusable(*focus)) focus = nullptr;
  switch (vk) {
    case VK_TAB: {
      const bool back = KeyHeld(VK_SHIFT);
      if (Control* c = NextFocus(p, back ? -1 : 1)) SetFocus(p, c, e);
      return;
    }
    case VK_UP:
    case VK_DOWN:
      if (focus && focus->kind == Kind::Combo) {
        const int count = static_cast<int>(focus->items.size());
        if (count > 0) {
          int next = focus->cursel < 0 ? 0 : focus->cursel + (vk == VK_DOWN ? 1 : -1);
          next = std::clamp(next, 0, count - 1);
          if (next != focus->cursel) {
            focus->cursel = next;
            e.commands.push_back({focus->handle, CBN_SELCHANGE});
            e.repaint = true;
          }
        }
        return;
      }
      [[fallthrough]];
    case VK_LEFT:
    case VK_RIGHT: {
      const int step = (vk == VK_UP || vk == VK_LEFT) ? -1 : 1;
      Control* c = NextFocus(p, step);
      if (!c) return;
      SetFocus(p, c, e);
      // Arrow keys move through radio buttons the way they check them.
      if (c->kind == Kind::Button && c->type() == BS_AUTORADIOBUTTON && c->check != BST_CHECKED)
        Activate(p, *c, e);
      return;
    }
    case VK_SPACE:
      if (focus) {
        if (focus->kind == Kind::Combo) {
          OpenList(*focus);
          e.repaint = true;
        } else {
          Activate(p, *focus, e);
        }
      }
      return;
    case VK_F4:
      if (focus && focus->kind == Kind::Combo) {
        OpenList(*focus);
        e.repaint = true;
        return;
      }
      return;
    case VK_RETURN: {
      Control* target = focus && focus->kind == Kind::Button && focus->type() == BS_PUSHBUTTON
                            ? focus
                            : ButtonWith(p, BS_DEFAULT);
      if (target) Activate(p, *target, e);
      return;
    }
    case VK_ESCAPE:
      if (Control* cancel = ButtonWith(p, BS_CANCEL)) {
        Activate(p, *cancel, e);
      } else {
        e.close = true;
      }
      return;
    default: return;
  }
}

}  // namespace

// ---------------------------------------------------------------- the table

Window CreateControl(Window parent, int id, const std::string& className,
                     const std::string& text, uint32_t style, int x, int y, int width,
                     int height) {
  if (parent == 0 || IsControl(parent)) return 0;
  std::string cls = className;
  for (char& ch : cls) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
  Kind kind;
  if (cls == "STATIC") kind = Kind::Static;
  else if (cls == "BUTTON") kind = Kind::Button;
  else if (cls == "COMBOBOX") kind = Kind::Combo;
  else return 0;

  std::lock_guard<std::mutex> lock(mu);
  Control c;
  c.handle = nextHandle++;
  c.parent = parent;
  c.id = id;
  c.kind = kind;
  c.style = style;
  c.text = text;
  c.rect = Rect{x, y, x + std::max(0, width), y + std::max(0, height)};
  controls[c.handle] = c;
  Parent& p = parents[parent];
  p.order.push_back(c.handle);
  // The default button starts with the focus, so Enter and Space work at once.
  if (p.focus == 0 && kind == Kind::Button && (style & BS_DEFAULT)) p.focus = c.handle;
  return c.handle;
}

Window GetDlgItem(Window parent, int id) {
  std::lock_guard<std::mutex> lock(mu);
  Parent* p = FindParent(parent);
  if (!p) return 0;
  for (Window h : p->order) {
    const Control* c = Find(h);
    if (c && c->id == id) return h;
  }
  return 0;
}

bool IsControl(Window w) {
  if (w < kFirstControlHandle) return false;
  std::lock_guard<std::mutex> lock(mu);
  return controls.count(w) != 0;
}

void DestroyControl(Window control) {
  Window parent = 0;
  {
    std::lock_guard<std::mutex> lock(mu);
    Control* c = Find(control);
    if (!c) return;
    parent = c->parent;
    if (Parent* p = FindParent(parent)) {
      p->order.erase(std::remove(p->order.begin(), p->order.end(), control), p->order.end());
      if (p->focus == control) p->focus = 0;
      if (p->capture == control) p->capture = 0;
    }
    controls.erase(control);
  }
  InvalidateRect(parent);
}

void DestroyControls(Window parent) {
  std::lock_guard<std::mutex> lock(mu);
  Parent* p = FindParent(parent);
  if (!p) return;
  for (Window h : p->order) controls.erase(h);
  parents.erase(parent);
}

// Shows or enables (flag) a control; hiding or disabling it also closes its
// list and lets go of a pressed button. The parent repaints.
static void SetControlFlag(Window control, bool Control::*flag, bool on) {
  Window parent = 0;
  {
    std::lock_guard<std::mutex> lock(mu);
    Control* c = Find(control);
    if (!c || c->*flag == on) return;
    c->*flag = on;
    if (!on) {
      c->dropped = false;
      c->pressed = false;
    }
    parent = c->parent;
  }
  InvalidateRect(parent);
}

void ControlShowWindow(Window control, bool show) { SetControlFlag(control, &Control::visible, show); }

bool ControlIsVisible(Window control) {
  std::lock_guard<std::mutex> lock(mu);
  const Control* c = Find(control);
  return c && c->visible;
}

void ControlEnable(Window control, bool enable) {
  SetControlFlag(control, &Control::enabled, enable);
}

bool ControlIsEnabled(Window control) {
  std::lock_guard<std::mutex> lock(mu);
  const Control* c = Find(control);
  return c && c->enabled;
}

void ControlSetText(Window control, const std::string& text) {
  Window parent = 0;
  {
    std::lock_guard<std::mutex> lock(mu);
    Control* c = Find(control);
    if (!c) return;
    c->text = text;
    parent = c->parent;
  }
  InvalidateRect(parent);
}

std::string ControlGetText(Window control) {
  std::lock_guard<std::mutex> lock(mu);
  const Control* c = Find(control);
  if (!c) return {};
  if (c->kind == Kind::Combo)
    return c->cursel >= 0 && c->cursel < static_cast<int>(c->items.size()) ? c->items[c->cursel]
                                                                            : std::string();
  return c->text;
}

intptr_t ControlSendMessage(Window control, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  Window parent = 0;
  intptr_t result = 0;
  {
    std::lock_guard<std::mutex> lock(mu);
    Control* c = Find(control);
    if (!c) return 0;
    parent = c->parent;
    const bool combo = c->kind == Kind::Combo;
    const bool button = c->kind == Kind::Button;
    const int count = static_cast<int>(c->items.size());
    switch (msg) {
      case CB_ADDSTRING:
        if (!combo) return CB_ERR;
        c->items.emplace_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
        result = count;
        break;
      case CB_SETCURSEL:
        if (!combo) return CB_ERR;
        c->cursel = (wParam >= 0 && wParam < count) ? static_cast<int>(wParam) : -1;
        result = c->cursel;
        break;
      case CB_GETCURSEL: return combo ? c->cursel : CB_ERR;
      case CB_GETCOUNT: return combo ? count : CB_ERR;
      case CB_RESETCONTENT:
        if (!combo) return CB_ERR;
        c->items.clear();
        c->cursel = c->hot = -1;
        c->dropped = false;
        break;
      case CB_SHOWDROPDOWN:
        if (!combo) return 0;
        if (wParam && !c->dropped) OpenList(*c);
        if (!wParam) c->dropped = false;
        result = 1;
        break;
      case CB_GETDROPPEDSTATE: return combo && c->dropped ? 1 : 0;
      case BM_GETCHECK: return button ? c->check : 0;
      case BM_SETCHECK:
        if (!button || c->type() == BS_PUSHBUTTON) return 0;
        c->check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
        break;
      default: return 0;
    }
  }
  InvalidateRect(parent);
  return result;
}

Rect ControlRect(Window control) {
  std::lock_guard<std::mutex> lock(mu);
  const Control* c = Find(control);
  return c ? c->rect : Rect{};
}

Window ControlParent(Window control) {
  std::lock_guard<std::mutex> lock(mu);
  const Control* c = Find(control);
  return c ? c->parent : 0;
}

int ControlId(Window control) {
  std::lock_guard<std::mutex> lock(mu);
  const Control* c = Find(control);
  return c ? c->id : 0;
}

Window GetFocusControl(Window parent) {
  std::lock_guard<std::mutex> lock(mu);
  const Parent* p = FindParent(parent);
  return p ? p->focus : 0;
}

void SetFocusControl(Window parent, Window control) {
  {
    std::lock_guard<std::mutex> lock(mu);
    Parent* p = FindParent(parent);
    if (!p) return;
    const Control* c = Find(control);
    if (control != 0 && (!c || c->parent != parent)) return;
    p->focus = control;
  }
  InvalidateRect(parent);
}

// ---------------------------------------------------------------- painting

void PaintControls(Surface& out, Window parent) {
  Fill(out, Rect{0, 0, out.width(), out.height()}, kFace);
  std::lock_guard<std::mutex> lock(mu);
  const Parent* p = FindParent(parent);
  if (!p) return;
  const Control* open = nullptr;
  for (Window h : p->order) {
    const Control* c = Find(h);
    if (!c || !c->visible) continue;
    DrawControl(out, *c, h == p->focus && Focusable(*c));
    if (c->dropped) open = c;
  }
  if (open) DrawDroppedList(out, *open);  // over the controls below it
}

bool WidgetDefProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam, intptr_t& result) {
  {
    std::lock_guard<std::mutex> lock(mu);
    if (!FindParent(w)) return false;
  }
  result = 0;
  if (msg == WM_PAINT) {
    if (Surface* s = BeginPaint(w)) {
      PaintControls(*s, w);
      EndPaint(w);
    }
    return true;
  }
  if (!IsWindowEnabled(w)) return false;
  Effects e;
  e.parent = w;
  {
    std::lock_guard<std::mutex> lock(mu);
    Parent* p = FindParent(w);
    if (!p) return false;
    const int x = LoWord(lParam), y = HiWord(lParam);
    switch (msg) {
      case WM_LBUTTONDOWN: MouseDown(*p, x, y, e); break;
      case WM_MOUSEMOVE: MouseMove(*p, x, y, e); break;
      case WM_LBUTTONUP: MouseUp(*p, x, y, e); break;
      case WM_KEYDOWN: KeyDown(*p, static_cast<int>(wParam), e); break;
      default: break;
    }
  }
  Run(e);
  return false;  // the backends do nothing more with these
}

Rect CloseBoxRect(int outerWidth) {
  const int barRight = outerWidth - kFrameRight, barTop = kFrameLeft, barBottom = kFrameTop - 1;
  return Rect{barRight - 2 - 16, barTop + 2, barRight - 2, barBottom - 2};
}

void DrawWindowFrame(Surface& out, const std::string& title, const Surface& client,
                     bool closeBox) {
  const int w = client.width() + kFrameLeft + kFrameRight;
  const int h = client.height() + kFrameTop + kFrameBottom;
  out.Resize(w, h);
  Fill(out, Rect{0, 0, w, h}, kFace);
  RaisedEdge(out, Rect{0, 0, w, h});
  // The caption bar: a blue gradient with the title in bold white.
  Rect bar{kFrameLeft, kFrameLeft, w - kFrameRight, kFrameTop - 1};
  for (int x = bar.left; x < bar.right; ++x) {
    const int span = std::max(1, bar.width() - 1);
    const int t = x - bar.left;
    auto mix = [&](int shift) {
      const int a = (kCaptionLeft >> shift) & 0xFF, b = (kCaptionRight >> shift) & 0xFF;
      return static_cast<uint32_t>(a + (b - a) * t / span) << shift;
    };
    VLine(out, x, bar.top, bar.bottom, mix(16) | mix(8) | mix(0));
  }
  Rect titleClip = bar;
  if (closeBox) {
    const Rect box = CloseBoxRect(w);
    titleClip.right = box.left - 2;
    Fill(out, box, kFace);
    RaisedEdge(out, box);
    // The cross.
    for (int i = 0; i < 8; ++i) {
      for (int d = 0; d < 2; ++d) {
        Pixel(out, box.left + 4 + i + d, box.top + 3 + i, kBlack);
        Pixel(out, box.left + 11 - i + d, box.top + 3 + i, kBlack);
      }
    }
  }
  DrawText(out, bar.left + 3, bar.top + (bar.height() - kDialogFontSize) / 2, title, kHilight,
           titleClip, true);
  for (int y = 0; y < client.height(); ++y)
    std::copy(client.row(y), client.row(y) + client.width(), out.row(y + kFrameTop) + kFrameLeft);
}

// ---------------------------------------------------------------- message boxes

namespace {

constexpr int kBoxMargin = 12;
constexpr int kIconSize = 32;
constexpr int kLineHeight = 15;
constexpr int kOkWidth = 75, kOkHeight = 23;
const char kMessageBoxClass[] = "QuillmoorMessageBox";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += ch;
    }
  }
  return lines;
}

struct BoxLayout {
  int clientWidth = 0, clientHeight = 0;
};

// Builds the message box's controls in `parent` and returns its client size.
BoxLayout BuildMessageBox(Window parent, const std::string& text, const std::string& caption,
                          uint32_t flags) {
  const std::vector<std::string> lines = SplitLines(text);
  const bool icon = (flags & 0xF0) == MB_ICONEXCLAMATION;
  int textWidth = 0;
  for (const std::string& l : lines) textWidth = std::max(textWidth, TextWidth(l));
  const int textHeight = static_cast<int>(lines.size()) * kLineHeight;
  const int textLeft = kBoxMargin + (icon ? kIconSize + kBoxMargin : 0);
  const int bodyHeight = std::max(textHeight, icon ? kIconSize : 0);
  const int textTop = kBoxMargin + (bodyHeight - textHeight) / 2;

  BoxLayout b;
  b.clientWidth = std::max({textLeft + textWidth + kBoxMargin + 6, kOkWidth + 2 * kBoxMargin,
                            TextWidth(caption, true) + 40, 120});
  const int okTop = kBoxMargin + bodyHeight + kBoxMargin;
  b.clientHeight = okTop + kOkHeight + 10;

  if (icon) {
    CreateControl(parent, -1, "STATIC", "", SS_ICON_EXCLAMATION, kBoxMargin,
                  kBoxMargin + (bodyHeight - kIconSize) / 2, kIconSize, kIconSize);
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    CreateControl(parent, -1, "STATIC", lines[i], SS_PLAIN, textLeft,
                  textTop + static_cast<int>(i) * kLineHeight, TextWidth(lines[i]) + 2,
                  kLineHeight);
  }
  CreateControl(parent, IDOK, "BUTTON", "OK", BS_PUSHBUTTON | BS_DEFAULT,
                (b.clientWidth - kOkWidth) / 2, okTop, kOkWidth, kOkHeight);
  return b;
}

std::mutex boxMutex;
std::map<Window, bool*> openBoxes;  // window -> its loop's "closed" flag

intptr_t MessageBoxProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (LoWord(wParam) == IDOK && HiWord(wParam) == BN_CLICKED) DestroyWindow(w);
      return 0;
    case WM_CLOSE:
      DestroyWindow(w);
      return 0;
    case WM_DESTROY: {
      std::lock_guard<std::mutex> lock(boxMutex);
      auto it = openBoxes.find(w);
      if (it != openBoxes.end()) *it->second = true;
      DestroyControls(w);
      return 0;
    }
    default:
      return DefWindowProc(w, msg, wParam, lParam);
  }
}

// A pseudo parent for pictures drawn without a window.
Window NextPictureParent() {
  static std::mutex m;
  static Window next = 0x7F000000;
  std::lock_guard<std::mutex> lock(m);
  return next++;
}

}  // namespace

int RunMessageBoxWindow(Window owner, const std::string& text, const std::string& caption,
                        uint32_t flags) {
  // Every time: a backend that starts afresh (the headless one's Reset) forgets its classes.
  RegisterWindowClass(kMessageBoxClass, MessageBoxProc);

  // Lay out first on a pseudo parent to learn the size, then create the window
  // at its centred place and build the controls in it.
  const Window probe = NextPictureParent();
  const BoxLayout size = BuildMessageBox(probe, text, caption, flags);
  DestroyControls(probe);
  const int outerW = size.clientWidth + kFrameLeft + kFrameRight;
  const int outerH = size.clientHeight + kFrameTop + kFrameBottom;
  Rect over = owner && IsWindow(owner) ? GetWindowRect(owner) : GetDesktopRect();
  if (over.width() <= 0 || over.height() <= 0) over = GetDesktopRect();
  const int x = over.left + (over.width() - outerW) / 2;
  const int y = over.top + (over.height() - outerH) / 2;

  const Window box = CreateWindow(kMessageBoxClass, caption, WS_CAPTION_FRAME | WS_SYSMENU, x, y,
                                  outerW, outerH, owner);
  if (box == 0) return IDOK;
  bool closed = false;
  {
    std::lock_guard<std::mutex> lock(boxMutex);
    openBoxes[box] = &closed;
  }
  BuildMessageBox(box, text, caption, flags);
  if (flags & MB_TOPMOST) SetTopmost(box, true);

  // Modal: the owner takes no input until the box is gone.
  const bool ownerWasEnabled = owner && IsWindow(owner) && IsWindowEnabled(owner);
  struct Restore {
    Window owner;
    bool enable;
    Window box;
    ~Restore() {
      {
        std::lock_guard<std::mutex> lock(boxMutex);
        openBoxes.erase(box);
      }
      if (enable && IsWindow(owner)) EnableWindow(owner, true);
    }
  } restore{owner, ownerWasEnabled, box};
  if (ownerWasEnabled) EnableWindow(owner, false);
  ShowWindow(box, true);
  InvalidateRect(box);

  Message m;
  while (!closed) {
    const int r = GetMessage(m);
    if (r == 0) {
      // A quit request ends the box and must still end the outer loop.
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (r < 0) break;
    DispatchMessage(m);
  }
  if (!closed && IsWindow(box)) DestroyWindow(box);
  return IDOK;
}

void RenderMessageBox(Surface& out, const std::string& text, const std::string& caption) {
  RenderMessageBox(out, text, caption, MB_OK);
}

void RenderMessageBox(Surface& out, const std::string& text, const std::string& caption,
                      uint32_t flags) {
  const Window parent = NextPictureParent();
  const BoxLayout b = BuildMessageBox(parent, text, caption, flags);
  Surface client(b.clientWidth, b.clientHeight);
  PaintControls(client, parent);
  DestroyControls(parent);
  DrawWindowFrame(out, caption, client, true);
}

}  // namespace platform
