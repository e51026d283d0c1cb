// Windows, message queues, painting, activation, the keyboard and the rest
// of the platform calls of the sim backend. There is no window system: a
// window is a record with a procedure, an outer rectangle and a screen
// surface for its client area, and its messages queue up for the thread that
// created it. Handles of controls belong to the widget code: every call on one
// is passed to it (asked before taking our lock, so the two locks never nest).
#include <algorithm>

#include "platform/files/files.h"
#include "platform/sim/sim_internal.h"
#include "platform/ui/widgets.h"

namespace platform::sim::detail {
namespace {

constexpr int kDefaultX = 40, kDefaultY = 40;  // where kUseDefault puts a window
constexpr int kRepeatDelay = 500, kRepeatInterval = 33;
constexpr intptr_t kRepeatBit = intptr_t{1} << 30;
constexpr intptr_t kKeyUpBits = static_cast<intptr_t>(0xC0000001u);

SimWindow* Find(Sim& s, Window w) {
  auto it = s.windows.find(w);
  return it == s.windows.end() ? nullptr : &it->second;
}

bool Framed(const SimWindow& w) { return (w.style & WS_CAPTION_FRAME) != 0; }
int ClientWidth(const SimWindow& w) {
  return Framed(w) ? std::max(0, w.w - kFrameLeft - kFrameRight) : w.w;
}
int ClientHeight(const SimWindow& w) {
  return Framed(w) ? std::max(0, w.h - kFrameTop - kFrameBottom) : w.h;
}

SimThread* ThreadOf(Sim& s, ThreadHandle id) {
  if (id == 0 || id > s.threads.size()) return nullptr;
  SimThread* t = s.threads[id - 1].get();
  return t->state == SimThread::State::Ended ? nullptr : t;
}

void PostTo(Sim& s, Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  SimWindow* win = Find(s, w);
  if (!win) return;
  if (SimThread* t = ThreadOf(s, win->thread)) t->queue.push_back({w, msg, wParam, lParam});
}

// The active window is the enabled, visible top-level window shown last.
Window ComputeActive(const Sim& s) {
  Window best = 0;
  uint64_t bestSeq = 0;
  for (const auto& [id, w] : s.windows) {
    if (w.visible && w.enabled && !w.destroying && w.shownSeq > bestSeq) {
      best = id;
      bestSeq = w.shownSeq;
    }
  }
  return best;
}

// A message that goes to a procedure once the lock is released: called
// directly on the window's own thread (as a sent message), posted otherwise.
struct Delivery {
  Window window;
  uint32_t message;
  intptr_t wParam, lParam;
};

void UpdateActivation(Sim& s, std::vector<Delivery>& out) {
  const Window next = ComputeActive(s);
  if (next == s.active) return;
  const Window old = s.active;
  s.active = next;
  if (old && Find(s, old)) out.push_back({old, WM_ACTIVATE, 0, static_cast<intptr_t>(next)});
  if (next) out.push_back({next, WM_ACTIVATE, 1, static_cast<intptr_t>(old)});
}

void Deliver(const std::vector<Delivery>& list) {
  Sim& s = S();
  for (const Delivery& d : list) {
    Lock lk(s.mu);
    SimWindow* w = Find(s, d.window);
    if (!w) continue;
    // Called directly only from the window's own thread while it runs its
    // code; from a timed event (the thread is formally blocked) it is posted.
    SimThread* self = CurrentOrNull();
    if (self && self->id == w->thread && self->state == SimThread::State::Ready) {
      WindowProc proc = w->proc;
      lk.unlock();
      if (proc) proc(d.window, d.message, d.wParam, d.lParam);
    } else {
      PostTo(s, d.window, d.message, d.wParam, d.lParam);
    }
  }
}

void PostKey(Sim& s, uint32_t msg, int vk, intptr_t lParam) {
  if (s.active) PostTo(s, s.active, msg, vk, lParam);
}

void ScheduleRepeat(Lock& lk, Sim& s, int vk, uint64_t at) {
  s.repeatEvent = ScheduleEvent(lk, at, kRankInput, [vk] {
    Sim& s = S();
    Lock lk(s.mu);
    s.repeatEvent.reset();
    if (s.repeatKey != vk || !s.held[vk]) return;
    PostKey(s, WM_KEYDOWN, vk, 1 | kRepeatBit);
    ScheduleRepeat(lk, s, vk, s.now + kRepeatInterval);
  });
}

// The visible windows from the bottom to the top: by the order they were
// shown, the topmost ones above the rest, and an owned window always above
// its owner.
std::vector<const SimWindow*> StackingOrder(const Sim& s) {
  std::vector<const SimWindow*> order;
  for (const auto& [id, w] : s.windows)
    if (w.visible && !w.destroying) order.push_back(&w);
  std::stable_sort(order.begin(), order.end(), [](const SimWindow* a, const SimWindow* b) {
    return std::pair(a->topmost, a->shownSeq) < std::pair(b->topmost, b->shownSeq);
  });
  for (size_t i = 0; i < order.size(); ++i) {
    for (size_t j = i + 1; j < order.size(); ++j) {
      if (order[i]->owner != order[j]->id) continue;
      // Its owner lies above it: move the owner down to just below it.
      const SimWindow* owner = order[j];
      order.erase(order.begin() + static_cast<std::ptrdiff_t>(j));
      order.insert(order.begin() + static_cast<std::ptrdiff_t>(i), owner);
      ++i;
    }
  }
  return order;
}

Rect ClientOnScreen(const SimWindow& w) {
  const int left = w.x + (Framed(w) ? kFrameLeft : 0), top = w.y + (Framed(w) ? kFrameTop : 0);
  return {left, top, left + ClientWidth(w), top + ClientHeight(w)};
}

bool Inside(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

void CancelRepeat(Lock& lk, Sim& s) {
  if (s.repeatEvent) CancelEvent(lk, *s.repeatEvent);
  s.repeatEvent.reset();
  s.repeatKey = 0;
}

}  // namespace

const SimWindow* WindowTitled(const Sim& s, const std::string& title) {
  const SimWindow* pick = nullptr;
  for (const auto& [id, w] : s.windows) {
    if (w.title != title || !w.enabled || w.destroying) continue;
    if (!pick) {
      pick = &w;
    } else if (w.visible != pick->visible) {
      if (w.visible) pick = &w;
    } else if (w.visible ? w.shownSeq > pick->shownSeq : id > pick->id) {
      pick = &w;
    }
  }
  return pick;
}

bool HasMessage(const Sim& s, const SimThread& t) {
  if (!t.queue.empty() || t.quitPending) return true;
  for (const auto& [id, w] : s.windows) {
    if (w.thread == t.id && w.visible && w.invalid) return true;
  }
  return false;
}

void ClearWindows(Lock& lk) {
  (void)lk;
  Sim& s = S();
  s.classes.clear();
  s.windows.clear();
  s.nextWindow = Sim::kFirstWindow;
  s.mainWindow = 0;
  s.active = 0;
  s.showSeq = 0;
  s.mainFrame = Surface();
  s.mainPainted = false;
  s.desktopW = 1280;
  s.desktopH = 1024;
  s.displayHook = nullptr;
  s.showBoxes = false;
  s.desktopVersion = 0;
  s.mouseDownOn = 0;
  s.mouseDownOnClose = false;
  s.held.fill(false);
  s.repeatKey = 0;
  s.repeatEvent.reset();
  s.boxes.clear();
  s.log.clear();
  s.displayFail = 0;
  s.displayCount = 0;
  s.exePath.clear();
  s.hooks = StateHooks{};
}

}  // namespace platform::sim::detail

namespace platform {
using namespace platform::sim::detail;

// ---------------------------------------------------------------- keys

bool KeyHeld(int vk) {
  if (vk < 0 || vk > 255) return false;
  Sim& s = S();
  Lock lk(s.mu);
  return s.held[vk];
}

// ---------------------------------------------------------------- windows

void RegisterWindowClass(const std::string& className, WindowProc proc) {
  Sim& s = S();
  Lock lk(s.mu);
  s.classes[className] = proc;
}

Window CreateWindow(const std::string& className, const std::string& title, uint32_t style,
                    int x, int y, int outerWidth, int outerHeight, Window owner) {
  Sim& s = S();
  Lock lk(s.mu);
  SimThread* self = Self(lk);
  auto cls = s.classes.find(className);
  if (cls == s.classes.end() || !cls->second) return 0;
  const Window id = s.nextWindow++;
  SimWindow& w = s.windows[id];
  w.id = id;
  w.className = className;
  w.proc = cls->second;
  w.title = title;
  w.style = style;
  w.x = (x == kUseDefault || y == kUseDefault) ? kDefaultX : x;
  w.y = (x == kUseDefault || y == kUseDefault) ? kDefaultY : y;
  w.w = std::max(0, outerWidth);
  w.h = std::max(0, outerHeight);
  w.owner = owner;
  w.thread = self->id;
  if (s.mainWindow == 0) s.mainWindow = id;
  AppendLog(lk, "window created " + Quote(title));
  WindowProc proc = w.proc;
  lk.unlock();
  if (proc(id, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(id);
    return 0;
  }
  return id;
}

void DestroyWindow(Window w) {
  if (IsControl(w)) {
    DestroyControl(w);
    return;
  }
  Sim& s = S();
  std::vector<Window> owned;
  {
    Lock lk(s.mu);
    SimWindow* win = Find(s, w);
    if (!win || win->destroying) return;
    win->destroying = true;
    for (const auto& [id, other] : s.windows) {
      if (other.owner == w && id != w) owned.push_back(id);
    }
  }
  // Owned windows (dialogs, message boxes) go first, as the owner's do.
  for (Window o : owned) DestroyWindow(o);
  std::vector<Delivery> deliveries;
  WindowProc proc = nullptr;
  {
    Lock lk(s.mu);
    SimWindow* win = Find(s, w);
    if (!win) return;
    win->visible = false;
    proc = win->proc;
    UpdateActivation(s, deliveries);
  }
  // Deactivation reaches the window before its destroy message.
  Deliver(deliveries);
  if (proc) proc(w, WM_DESTROY, 0, 0);
  DestroyControls(w);
  Lock lk(s.mu);
  if (SimWindow* win = Find(s, w)) {
    AppendLog(lk, "window destroyed " + Quote(win->title));
    s.windows.erase(w);
    s.desktopVersion++;
  }
}

bool IsWindow(Window w) {
  if (IsControl(w)) return true;
  Sim& s = S();
  Lock lk(s.mu);
  SimWindow* win = Find(s, w);
  return win && !win->destroying;
}

void SetWindowProc(Window w, WindowProc proc) {
  Sim& s = S();
  Lock lk(s.mu);
  if (SimWindow* win = Find(s, w)) win->proc = proc;
}

intptr_t DefWindowProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  if (WidgetDefProc(w, msg, wParam, lParam, result)) return result;
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(w);
      return 0;
    case WM_PAINT:
      // Nothing painted it: it is valid now, or WM_PAINT would come for ever.
      BeginPaint(w);
      EndPaint(w);
      return 0;
    default:
      return 0;
  }
}

intptr_t SendMessage(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (IsControl(w)) return ControlSendMessage(w, msg, wParam, lParam);
  Sim& s = S();
  Lock lk(s.mu);
  SimWindow* win = Find(s, w);
  if (!win || !win->proc) return 0;
  WindowProc proc = win->proc;
  lk.unlock();
  return proc(w, msg, wParam, lParam);
}

void PostMessage(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  Sim& s = S();
  Lock lk(s.mu);
  if (w == 0) {
    Self(lk)->queue.push_back({0, msg, wParam, lParam});
    return;
  }
  PostTo(s, w, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  Sim& s = S();
  Lock lk(s.mu);
  SimThread* self = Self(lk);
  self->quitPending = true;
  self->quitCode = exitCode;
}

int GetMessage(Message& msg) {
  Sim& s = S();
  Lock lk(s.mu);
  SimThread* self = Self(lk);
  if (self->stopRequested) EndStopped(lk, self);
  for (;;) {
    if (!self->queue.empty()) {
      msg = self->queue.front();
      self->queue.pop_front();
      return msg.message == WM_QUIT ? 0 : 1;
    }
    // Like the real thing: quit after the posted messages, before painting.
    if (self->quitPending) {
      self->quitPending = false;
      msg = {0, WM_QUIT, self->quitCode, 0};
      return 0;
    }
    for (const auto& [id, w] : s.windows) {
      if (w.thread == self->id && w.visible && w.invalid) {
        msg = {id, WM_PAINT, 0, 0};
        return 1;
      }
    }
    self->state = SimThread::State::WaitingMessage;
    Reschedule(lk, self);
    self->state = SimThread::State::Ready;
    if (self->stopRequested) EndStopped(lk, self);
  }
}

intptr_t DispatchMessage(const Message& msg) {
  if (msg.window == 0 || msg.message == WM_QUIT) return 0;
  return SendMessage(msg.window, msg.message, msg.wParam, msg.lParam);
}

// Window 0 stands for every window, as on the desktop.
void InvalidateRect(Window w) {
  Sim& s = S();
  Lock lk(s.mu);
  if (w == 0) {
    for (auto& [id, win] : s.windows) win.invalid = true;
  } else if (SimWindow* win = Find(s, w)) {
    win->invalid = true;
  }
}

Surface* BeginPaint(Window w) {
  Sim& s = S();
  Lock lk(s.mu);
  SimWindow* win = Find(s, w);
  if (!win) return nullptr;
  const int cw = ClientWidth(*win), ch = ClientHeight(*win);
  if (win->screen.width() != cw || win->screen.height() != ch) win->screen.Resize(cw, ch);
  win->invalid = false;
  win->painting = true;
  return &win->screen;
}

void EndPaint(Window w) {
  Sim& s = S();
  Lock lk(s.mu);
  SimWindow* win = Find(s, w);
  if (!win || !win->painting) return;
  win->painting = false;
  s.desktopVersion++;
  if (w == s.mainWindow) {
    s.mainFrame = win->screen;
    s.mainPainted = true;
  }
}

Rect GetClientRect(Window w) {
  if (IsControl(w)) {
    const Rect r = ControlRect(w);
    return {0, 0, r.width(), r.height()};
  }
  Sim& s = S();
  Lock lk(s.mu);
  SimWindow* win = Find(s, w);
  if (!win) return {};
  return {0, 0, ClientWidth(*win), ClientHeight(*win)};
}

Rect GetWindowRect(Window w) {
  if (IsControl(w)) {
    // In screen coordinates: the parent's client origin plus the control's place.
    const Rect r = ControlRect(w);
    const Window parent = ControlParent(w);
    Sim& s = S();
    Lock lk(s.mu);
    SimWindow* p = Find(s, parent);
    if (!p) return {};
    const int ox = p->x + (Framed(*p) ? kFrameLeft : 0);
    const int oy = p->y + (Framed(*p) ? kFrameTop : 0);
    return {ox + r.left, oy + r.top, ox + r.right, oy + r.bottom};
  }
  Sim& s = S();
  Lock lk(s.mu);
  SimWindow* win = Find(s, w);
  if (!win) return {};
  return {win->x, win->y, win->x + win->w, win->y + win->h};
}

Rect GetFrameRect(Window w) { return GetWindowRect(w); }

void MoveWindow(Window w, int x, int y, int outerWidth, int outerHeight) {
  Sim& s = S();
  Lock lk(s.mu);
  SimWindow* win = Find(s, w);
  if (!win) return;
  const int cw = ClientWidth(*win), ch = ClientHeight(*win);
  win->x = x;
  win->y = y;
  win->w = std::max(0, outerWidth);
  win->h = std::max(0, outerHeight);
  if (ClientWidth(*win) != cw || ClientHeight(*win) != ch) win->invalid = true;
  s.desktopVersion++;
}

void ShowWindow(Window w, bool show) {
  if (IsControl(w)) {
    ControlShowWindow(w, show);
    return;
  }
  Sim& s = S();
  std::vector<Delivery> deliveries;
  {
    Lock lk(s.mu);
    SimWindow* win = Find(s, w);
    if (!win || win->destroying) return;
    if (show) {
      if (!win->visible) win->invalid = true;
      win->visible = true;
      win->shownSeq = ++s.showSeq;
    } else {
      win->visible = false;
    }
    s.desktopVersion++;
    UpdateActivation(s, deliveries);
  }
  Deliver(deliveries);
}

void EnableWindow(Window w, bool enable) {
  if (IsControl(w)) {
    ControlEnable(w, enable);
    return;
  }
  Sim& s = S();
  std::vector<Delivery> deliveries;
  {
    Lock lk(s.mu);
    SimWindow* win = Find(s, w);
    if (!win) return;
    win->enabled = enable;
    UpdateActivation(s, deliveries);
  }
  Deliver(deliveries);
}

bool IsWindowEnabled(Window w) {
  if (IsControl(w)) return ControlIsEnabled(w);
  Sim& s = S();
  Lock lk(s.mu);
  SimWindow* win = Find(s, w);
  return win && win->enabled;
}

void SetTopmost(Window w, bool topmost) {
  Sim& s = S();
  Lock lk(s.mu);
  if (SimWindow* win = Find(s, w)) win->topmost = topmost;
}

void SetWindowText(Window w, const std::string& text) {
  if (IsControl(w)) {
    ControlSetText(w, text);
    return;
  }
  Sim& s = S();
  Lock lk(s.mu);
  if (SimWindow* win = Find(s, w)) win->title = text;
  s.desktopVersion++;
}

std::string GetWindowText(Window w) {
  if (IsControl(w)) return ControlGetText(w);
  Sim& s = S();
  Lock lk(s.mu);
  SimWindow* win = Find(s, w);
  return win ? win->title : std::string();
}

Window GetForegroundWindow() {
  Sim& s = S();
  Lock lk(s.mu);
  return s.active;
}

Rect GetDesktopRect() {
  Sim& s = S();
  Lock lk(s.mu);
  return {0, 0, s.desktopW, s.desktopH};
}

// No title bar to show it in.
void SetWindowIcon(Window, const Surface&, const Surface&) {}

int MessageBox(Window owner, const std::string& text, const std::string& caption,
               uint32_t flags) {
  Sim& s = S();
  {
    Lock lk(s.mu);
    s.boxes.push_back({s.now, owner, caption, text, flags});
    AppendLog(lk, "message box " + Quote(caption) + " " + Quote(text));
    if (!s.showBoxes) return 1;  // IDOK: nobody is there to read it
  }
  return RunMessageBoxWindow(owner, text, caption, flags);
}

// ---------------------------------------------------------------- display

int ChangeDisplayMode(Window, int width, int height, int bitsPerPixel, int) {
  Sim& s = S();
  Lock lk(s.mu);
  if (s.displayFail >= 1 && s.displayFail <= 4) {
    AppendLog(lk, "display mode failed " + std::to_string(s.displayFail));
    return s.displayFail;
  }
  const int handle = 0x1000 + ++s.displayCount;
  AppendLog(lk, "display mode " + std::to_string(width) + "x" + std::to_string(height) + "x" +
                    std::to_string(bitsPerPixel) + " " + std::to_string(handle));
  auto hook = s.displayHook;
  lk.unlock();
  if (hook) hook(true);
  return handle;
}

int RestoreDisplayMode(int handle, Window) {
  Sim& s = S();
  Lock lk(s.mu);
  AppendLog(lk, "display restored " + std::to_string(handle));
  auto hook = s.displayHook;
  lk.unlock();
  if (hook) hook(false);
  return 1;
}

// ---------------------------------------------------------------- process and hooks

std::string ExecutablePath() {
  Sim& s = S();
  {
    Lock lk(s.mu);
    if (!s.exePath.empty()) return s.exePath;
  }
  return files::ProgramFile();
}

// Its runs are told where the settings live (--exe) and never reach into
// the player's home.
std::string UserConfigDirectory() { return {}; }

void RegisterStateHooks(StateHooks hooks) {
  Sim& s = S();
  Lock lk(s.mu);
  s.hooks = std::move(hooks);
}

void LogEvent(const std::string& line) {
  Sim& s = S();
  Lock lk(s.mu);
  AppendLog(lk, line);
}

}  // namespace platform

// ---------------------------------------------------------------- control

namespace platform::sim {
using namespace platform::sim::detail;

void PressKey(int vk) {
  if (vk < 0 || vk > 255) return;
  Sim& s = S();
  Lock lk(s.mu);
  const bool wasHeld = s.held[vk];
  s.held[vk] = true;
  PostKey(s, WM_KEYDOWN, vk, wasHeld ? (1 | kRepeatBit) : 1);
  CancelRepeat(lk, s);
  s.repeatKey = vk;
  ScheduleRepeat(lk, s, vk, s.now + kRepeatDelay);
}

void ReleaseKey(int vk) {
  if (vk < 0 || vk > 255) return;
  Sim& s = S();
  Lock lk(s.mu);
  s.held[vk] = false;
  PostKey(s, WM_KEYUP, vk, kKeyUpBits);
  if (s.repeatKey == vk) CancelRepeat(lk, s);
}

void ReleaseAllKeys() {
  Sim& s = S();
  Lock lk(s.mu);
  s.held.fill(false);
  CancelRepeat(lk, s);
}

bool Click(const std::string& title, int x, int y) {
  Sim& s = S();
  Lock lk(s.mu);
  const SimWindow* target = WindowTitled(s, title);
  if (!target) return false;
  const intptr_t where = MakeLParam(x, y);
  PostTo(s, target->id, WM_LBUTTONDOWN, 1, where);
  PostTo(s, target->id, WM_LBUTTONUP, 0, where);
  return true;
}

std::vector<MessageBoxRecord> MessageBoxes() {
  Sim& s = S();
  Lock lk(s.mu);
  return s.boxes;
}

void ClearMessageBoxes() {
  Sim& s = S();
  Lock lk(s.mu);
  s.boxes.clear();
}

std::vector<std::string> LogLines() {
  Sim& s = S();
  Lock lk(s.mu);
  return s.log;
}

void SetDisplayFailure(int code) {
  Sim& s = S();
  Lock lk(s.mu);
  s.displayFail = code;
}

Window MainWindow() {
  Sim& s = S();
  Lock lk(s.mu);
  return s.mainWindow;
}

bool RenderMainWindow(Surface& out) {
  Sim& s = S();
  Lock lk(s.mu);
  if (!s.mainPainted) {
    out = Surface();
    return false;
  }
  out = s.mainFrame;
  return true;
}

void UseRealTime(std::function<uint64_t()> clock, std::function<void(uint64_t)> wait) {
  Sim& s = S();
  Lock lk(s.mu);
  s.realClock = std::move(clock);
  s.wait = [wait = std::move(wait)](Lock& lk, uint64_t until) {
    lk.unlock();
    wait(until);
    lk.lock();
  };
}

void SetDisplayHook(std::function<void(bool)> hook) {
  Sim& s = S();
  Lock lk(s.mu);
  s.displayHook = std::move(hook);
}

void SetDesktopSize(int width, int height) {
  Sim& s = S();
  Lock lk(s.mu);
  s.desktopW = std::max(1, width);
  s.desktopH = std::max(1, height);
}

void ShowMessageBoxes(bool show) {
  Sim& s = S();
  Lock lk(s.mu);
  s.showBoxes = show;
}

Rect ClientScreenRect(Window w) {
  Sim& s = S();
  Lock lk(s.mu);
  const SimWindow* win = Find(s, w);
  return win ? ClientOnScreen(*win) : Rect{};
}

uint64_t DesktopVersion() {
  Sim& s = S();
  Lock lk(s.mu);
  return s.desktopVersion;
}

uint64_t ComposeDesktop(Surface& out, const Rect& area) {
  struct Shown {
    Rect outer, client;
    std::string title;
    bool framed, closeBox;
    Surface screen;
  };
  std::vector<Shown> shown;
  uint64_t version;
  {
    // Copied out, so that the frames' text is drawn with the backend unlocked.
    Sim& s = S();
    Lock lk(s.mu);
    version = s.desktopVersion;
    for (const SimWindow* w : StackingOrder(s)) {
      const Rect outer{w->x, w->y, w->x + w->w, w->y + w->h};
      if (outer.right <= area.left || outer.left >= area.right || outer.bottom <= area.top ||
          outer.top >= area.bottom)
        continue;
      shown.push_back({outer, ClientOnScreen(*w), w->title, Framed(*w),
                       (w->style & WS_SYSMENU) != 0, w->screen});
    }
  }
  out.Resize(std::max(0, area.width()), std::max(0, area.height()));
  for (int y = 0; y < out.height(); ++y) std::fill_n(out.row(y), out.width(), 0u);
  for (Shown& w : shown) {
    // A window not painted yet shows its client area black.
    if (w.screen.width() != w.client.width() || w.screen.height() != w.client.height())
      w.screen.Resize(w.client.width(), w.client.height());
    // The frame is drawn only where it shows: the main window's lies outside the page's view.
    const Rect seen{std::max(w.outer.left, area.left), std::max(w.outer.top, area.top),
                    std::min(w.outer.right, area.right), std::min(w.outer.bottom, area.bottom)};
    const bool frameShows = w.framed && !(seen.left >= w.client.left && seen.top >= w.client.top &&
                                          seen.right <= w.client.right &&
                                          seen.bottom <= w.client.bottom);
    if (frameShows) {
      Surface framed;
      DrawWindowFrame(framed, w.title, w.screen, w.closeBox);
      BitBlt(out, w.outer.left - area.left, w.outer.top - area.top, framed.width(),
             framed.height(), framed, 0, 0, SRCCOPY);
    } else {
      BitBlt(out, w.client.left - area.left, w.client.top - area.top, w.screen.width(),
             w.screen.height(), w.screen, 0, 0, SRCCOPY);
    }
  }
  return version;
}

void MouseAt(int x, int y, Mouse what) {
  Sim& s = S();
  Window closing = 0;
  {
    Lock lk(s.mu);
    if (what != Mouse::Move) s.held[VK_LBUTTON] = what == Mouse::Down;
    // Pressed on a window, the button's moves and release belong to it.
    const SimWindow* target = s.mouseDownOn ? Find(s, s.mouseDownOn) : nullptr;
    if (!target || target->destroying) {
      target = nullptr;
      const auto order = StackingOrder(s);
      for (auto it = order.rbegin(); it != order.rend() && !target; ++it)
        if (Inside(Rect{(*it)->x, (*it)->y, (*it)->x + (*it)->w, (*it)->y + (*it)->h}, x, y))
          target = *it;
    }
    const Rect client = target ? ClientOnScreen(*target) : Rect{};
    const Rect box = target ? CloseBoxRect(target->w) : Rect{};
    const bool onClose = target && Framed(*target) && (target->style & WS_SYSMENU) &&
                         Inside(box, x - target->x, y - target->y);
    if (what == Mouse::Down) {
      s.mouseDownOn = target ? target->id : 0;
      s.mouseDownOnClose = onClose;
    }
    const bool captured = target && target->id == s.mouseDownOn && what != Mouse::Down;
    if (target && target->enabled) {
      if (what == Mouse::Up && s.mouseDownOnClose) {
        if (onClose) closing = target->id;
      } else if (Inside(client, x, y) || captured) {
        const uint32_t msg = what == Mouse::Move ? WM_MOUSEMOVE
                             : what == Mouse::Down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        PostTo(s, target->id, msg, what == Mouse::Down ? VK_LBUTTON : 0,
               MakeLParam(x - client.left, y - client.top));
      }
    }
    if (what == Mouse::Up) {
      s.mouseDownOn = 0;
      s.mouseDownOnClose = false;
    }
  }
  if (closing) PostMessage(closing, WM_CLOSE, 0, 0);
}

void SetExecutablePath(const std::string& path) {
  Sim& s = S();
  Lock lk(s.mu);
  s.exePath = path;
}

StateHooks Hooks() {
  Sim& s = S();
  Lock lk(s.mu);
  return s.hooks;
}

}  // namespace platform::sim
