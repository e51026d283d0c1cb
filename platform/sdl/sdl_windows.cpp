// Windows and messages of the SDL backend. The window thread (the one that
// initialised SDL) owns every SDL window and the event queue; its GetMessage
// pumps SDL events and turns them into the game's messages. Other threads
// post messages and repaint requests, which wake the window thread through an
// SDL user event, and run window calls on it through RunOnMainThread.
//
// Every window is shown at one whole scale, nearest neighbour, while the game
// sees 1x units throughout: positions, sizes, the desktop and mouse points are
// multiplied on the way to SDL and divided on the way back.
#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_internal.h"
#include "platform/ui/widgets.h"

namespace platform {
namespace sdl {
namespace {

struct Win {
  Window handle = 0;
  WindowProc proc = nullptr;
  std::string title;
  uint32_t style = 0;
  Window owner = 0;
  SDL_Window* sdl = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureW = 0, textureH = 0;
  int shownW = 0, shownH = 0;  // the output size of the last picture presented
  // Client origin on the screen and client size, in 1x units: our own record,
  // so that the rectangles stay what the game set while the picture is scaled.
  int x = 0, y = 0, cw = 0, ch = 0;
  bool visible = false;  // under gWinMutex
  std::atomic<bool> enabled{true};
  std::atomic<bool> destroying{false};
  int displayHandle = 0;  // non-zero while in full-window mode
  // The display the full window covers, and how often it was put back there
  // (main thread only).
  SDL_Rect fullBounds{};
  int fullMoves = 0;
  // The frame the window manager draws around it, in screen pixels (left,
  // top, right, bottom; none without a window manager), learned when it is
  // first shown. Until then it is expected to be gFrameGuess.
  std::array<int, 4> frame{};
  bool frameKnown = false;
  std::atomic<bool> dirty{true};
  Surface paint;
};
using WinPtr = std::shared_ptr<Win>;

struct MessageQueue {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<Message> messages;
};

struct Task {
  std::function<void()> fn;
  bool abandonable = false;  // fn owns everything it touches
  bool started = false, done = false;  // under gTaskMutex
  std::exception_ptr error;
};

std::thread::id gMainThread;
std::atomic<bool> gVideoUp{false};
Uint32 gWakeEvent = static_cast<Uint32>(-1);

std::mutex gWinMutex;  // the tables below and the geometry in Win
std::map<Window, WinPtr> gWindows;
std::vector<Window> gCreationOrder;
std::map<std::string, WindowProc> gClasses;
Window gNextWindow = 0x00010010;
std::atomic<Window> gForeground{0};
Rect gDesktop{0, 0, 640, 480};        // in 1x units
Rect gDesktopPixels{0, 0, 640, 480};  // as the display has it
int gScale = 1;  // set on the window thread before the first window
int gNextDisplayHandle = 5;
std::array<int, 4> gFrameGuess{};  // the frame the last framed window shown got
std::atomic<bool> gSignalClose{false};

std::mutex gQueueMutex;
std::map<std::thread::id, std::shared_ptr<MessageQueue>> gQueues;

std::mutex gTaskMutex;
std::condition_variable gTaskDone;
std::deque<std::shared_ptr<Task>> gTasks;

bool Framed(const Win& w) { return (w.style & WS_CAPTION_FRAME) != 0; }

// The frame the window manager draws around the window, or is expected to
// (under gWinMutex, or on the window thread, which alone changes it).
std::array<int, 4> FrameOf(const Win& w) {
  if (!Framed(w) || w.displayHandle) return {};
  return w.frameKnown ? w.frame : gFrameGuess;
}

void LearnFrame(Win& w, bool first);

// Rounds toward minus infinity, so a point left of or above a scaled window
// stays outside it.
int FloorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

WinPtr Find(Window w) {
  std::lock_guard lock(gWinMutex);
  auto it = gWindows.find(w);
  return it == gWindows.end() ? nullptr : it->second;
}

WinPtr FindSdl(Uint32 windowId) {
  SDL_Window* s = SDL_GetWindowFromID(windowId);
  if (!s) return nullptr;
  std::lock_guard lock(gWinMutex);
  for (auto& [h, w] : gWindows)
    if (w->sdl == s) return w;
  return nullptr;
}

std::shared_ptr<MessageQueue> QueueOf(std::thread::id id) {
  std::lock_guard lock(gQueueMutex);
  auto& q = gQueues[id];
  if (!q) q = std::make_shared<MessageQueue>();
  return q;
}

void Enqueue(std::thread::id id, const Message& m) {
  auto q = QueueOf(id);
  {
    std::lock_guard lock(q->mutex);
    q->messages.push_back(m);
  }
  q->wake.notify_all();
  if (id == gMainThread) WakeMainThread();
}

void Post(const WinPtr& w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  Enqueue(gMainThread, Message{w->handle, msg, wParam, lParam});
}

// Client coordinates of a point given in SDL window coordinates: the picture
// is scaled (by the window scale, or more over the full window), so scale back.
void WindowToClient(const Win& w, int& px, int& py) {
  if (!w.renderer) return;
  int ww = 0, wh = 0, ow = 0, oh = 0;
  SDL_GetWindowSize(w.sdl, &ww, &wh);
  if (SDL_GetRendererOutputSize(w.renderer, &ow, &oh) != 0 || ww <= 0 || wh <= 0) return;
  // Window points to output pixels (high-DPI), then into the picture.
  int ox = px * ow / ww, oy = py * oh / wh;
  SDL_Rect dst = FitPicture(w.cw, w.ch, ow, oh);
  if (dst.w <= 0 || dst.h <= 0) return;
  px = FloorDiv((ox - dst.x) * w.cw, dst.w);
  py = FloorDiv((oy - dst.y) * w.ch, dst.h);
}

// The enabled, visible window that w's modal chain ends in (w itself if none
// of its owned windows is).
WinPtr ModalTop(const WinPtr& w) {
  WinPtr top = w;
  for (int guard = 0; guard < 16; ++guard) {
    WinPtr next;
    std::lock_guard lock(gWinMutex);
    for (auto& [h, o] : gWindows)
      if (o->owner == top->handle && o->visible && !o->destroying) next = o;
    if (!next) break;
    top = next;
  }
  return top;
}

// The first top-level window still standing (the main window), or none.
WinPtr RootWindow() {
  std::lock_guard lock(gWinMutex);
  for (Window h : gCreationOrder) {
    auto it = gWindows.find(h);
    if (it != gWindows.end() && it->second->owner == 0 && !it->second->destroying) return it->second;
  }
  return nullptr;
}

// Where a controller's keys go: the window a key would reach, or, with no
// window in front, the top of the main window's modal chain.
WinPtr PadTarget() {
  WinPtr w = Find(gForeground.load());
  if (!w) w = RootWindow();
  if (w && !w->enabled) w = ModalTop(w);
  return w && w->enabled ? w : nullptr;
}

void Translate(const SDL_Event& e) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION: {
      std::vector<KeyChange> changes;
      PadEvent(e, changes);
      WinPtr w = changes.empty() ? nullptr : PadTarget();
      for (const KeyChange& c : changes) HoldVk(c.vk, c.down ? 1 : -1);
      for (const KeyChange& c : changes) {
        if (!w) break;
        // As from a keyboard with no scan code: a first press, or a release.
        intptr_t lParam = c.down ? 1 : 1 | (intptr_t{1} << 30) | (intptr_t{1} << 31);
        Post(w, c.down ? WM_KEYDOWN : WM_KEYUP, c.vk, lParam);
      }
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      SDL_Scancode sc = e.key.keysym.scancode;
      int vk = ScancodeToVk(sc, e.key.keysym.sym);
      if (e.type == SDL_KEYDOWN) {
        if (!e.key.repeat) KeyPressed(sc, vk);
      } else {
        KeyReleased(sc);
      }
      if (vk == 0) break;
      WinPtr w = FindSdl(e.key.windowID);
      if (!w) w = Find(gForeground.load());
      if (!w || !w->enabled) break;
      // Repeat count 1; bit 30 says the key was already down (auto-repeat).
      intptr_t lParam = 1 | (static_cast<intptr_t>(sc & 0xFF) << 16);
      if (e.type == SDL_KEYDOWN && e.key.repeat) lParam |= intptr_t{1} << 30;
      if (e.type == SDL_KEYUP) lParam |= (intptr_t{1} << 30) | (intptr_t{1} << 31);
      Post(w, e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, lParam);
      break;
    }
    case SDL_MOUSEMOTION: {
      WinPtr w = FindSdl(e.motion.windowID);
      if (!w || !w->enabled) break;
      int x = e.motion.x, y = e.motion.y;
      WindowToClient(*w, x, y);
      Post(w, WM_MOUSEMOVE, 0, MakeLParam(x, y));
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (e.button.button != SDL_BUTTON_LEFT) break;
      bool down = e.type == SDL_MOUSEBUTTONDOWN;
      MouseButton(down);
      WinPtr w = FindSdl(e.button.windowID);
      if (!w) break;
      if (!w->enabled) {
        // A click on the owner of a modal window brings the modal one forward.
        WinPtr top = ModalTop(w);
        if (top != w && top->sdl) SDL_RaiseWindow(top->sdl);
        break;
      }
      int x = e.button.x, y = e.button.y;
      WindowToClient(*w, x, y);
      Post(w, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? VK_LBUTTON : 0, MakeLParam(x, y));
      break;
    }
    case SDL_WINDOWEVENT: {
      WinPtr w = FindSdl(e.window.windowID);
      if (!w) break;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          if (!w->enabled) {
            WinPtr top = ModalTop(w);
            if (top != w && top->sdl) SDL_RaiseWindow(top->sdl);
            break;
          }
          gForeground = w->handle;
          Post(w, WM_ACTIVATE, 1, 0);
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST: {
          Window expected = w->handle;
          gForeground.compare_exchange_strong(expected, 0);
          ReleaseAllKeys();
          // Sent even to a window disabled by a modal one: it is being left.
          Post(w, WM_ACTIVATE, 0, 0);
          break;
        }
        case SDL_WINDOWEVENT_CLOSE:
          // Only a window with a close box can be closed from its frame
          // (the window manager may draw one on any window).
          if (w->enabled && (w->style & WS_SYSMENU)) Post(w, WM_CLOSE, 0, 0);
          break;
        case SDL_WINDOWEVENT_MOVED:
          if (!w->displayHandle) {
            LearnFrame(*w, false);  // a window manager may tell it late
            // Where the window is now: the event may be older than a move
            // made since, whose own event SDL leaves out (no change to it).
            int x = 0, y = 0;
            SDL_GetWindowPosition(w->sdl, &x, &y);
            std::lock_guard lock(gWinMutex);
            w->x = FloorDiv(x, gScale);
            w->y = FloorDiv(y, gScale);
          } else if ((e.window.data1 != w->fullBounds.x || e.window.data2 != w->fullBounds.y) &&
                     w->fullMoves++ < 3) {
            // A window manager may place the full window by the frame it has
            // just lost (openbox: 1 and 20 pixels up and left); once it has
            // let go of the frame, the same request puts it over the display.
            SDL_SetWindowPosition(w->sdl, w->fullBounds.x, w->fullBounds.y);
          }
          break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          w->dirty = true;
          break;
        default:
          break;
      }
      break;
    }
    case SDL_QUIT:  // a signal: close the program as the close box would
      gSignalClose = true;
      break;
    default:
      break;
  }
}

// After SDL_QUIT: close the first main window once nothing modal is open;
// while something is, close that first.
void DeliverSignalClose() {
  if (!gSignalClose) return;
  WinPtr root = RootWindow();
  gSignalClose = false;
  if (!root) return;
  WinPtr target = root->enabled ? root : ModalTop(root);
  Post(target, WM_CLOSE, 0, 0);
  if (target != root) gSignalClose = true;  // the main window's turn comes next
}

WinPtr DirtyWindow() {
  std::lock_guard lock(gWinMutex);
  for (Window h : gCreationOrder) {
    auto it = gWindows.find(h);
    if (it == gWindows.end()) continue;
    const WinPtr& w = it->second;
    if (w->visible && !w->destroying && w->dirty) return w;
  }
  return nullptr;
}

void Present(Win& w) {
  if (!w.renderer || w.paint.empty()) return;
  if (!w.texture || w.textureW != w.paint.width() || w.textureH != w.paint.height()) {
    if (w.texture) SDL_DestroyTexture(w.texture);
    w.texture = SDL_CreateTexture(w.renderer, SDL_PIXELFORMAT_RGB888,
                                  SDL_TEXTUREACCESS_STREAMING, w.paint.width(), w.paint.height());
    w.textureW = w.paint.width();
    w.textureH = w.paint.height();
    if (!w.texture) return;
  }
  // Row by row through our copy kernel: SDL_UpdateTexture copies with the C
  // library's memcpy, slow for a whole picture on some processors.
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(w.texture, nullptr, &pixels, &pitch) == 0) {
    for (int y = 0; y < w.paint.height(); ++y)
      CopyPixels(reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + size_t(y) * pitch),
                 w.paint.row(y), static_cast<size_t>(w.paint.width()));
    SDL_UnlockTexture(w.texture);
  }
  int ow = 0, oh = 0;
  if (SDL_GetRendererOutputSize(w.renderer, &ow, &oh) != 0) {
    ow = w.cw;
    oh = w.ch;
  }
  // A GL driver may take up a new size of the window only at the frame after
  // (Mesa's software one draws the first into a buffer of the old size: a
  // black band right and below, the picture shifted up). A window's first
  // picture at a new size, such as the options window's after it was sized
  // to fit, is therefore presented twice; it may be the only one it gets.
  const bool newSize = ow != w.shownW || oh != w.shownH;
  w.shownW = ow, w.shownH = oh;
  const SDL_Rect dst = FitPicture(w.paint.width(), w.paint.height(), ow, oh);
  for (int i = 0; i < (newSize ? 2 : 1); ++i) {
    SDL_SetRenderDrawColor(w.renderer, 0, 0, 0, 255);
    SDL_RenderClear(w.renderer);
    SDL_RenderCopy(w.renderer, w.texture, nullptr, &dst);
    SDL_RenderPresent(w.renderer);
  }
}

void ReleaseSdl(Win& w) {
  if (w.texture) SDL_DestroyTexture(w.texture);
  if (w.renderer) SDL_DestroyRenderer(w.renderer);
  if (w.sdl) SDL_DestroyWindow(w.sdl);
  w.texture = nullptr;
  w.renderer = nullptr;
  w.sdl = nullptr;
}

// Where to ask SDL for the window so that its client area lands at the
// recorded place. A window manager puts the frame where it is asked, and SDL
// asks for the place less the frame it knows of, which is none before the
// window is first shown (and none while a full window is framed again): the
// difference from the frame it really gets is made up here.
SDL_Point Request(const Win& w) {
  int top = 0, left = 0, bottom = 0, right = 0;
  if (w.sdl && SDL_GetWindowBordersSize(w.sdl, &top, &left, &bottom, &right) != 0) top = left = 0;
  const std::array<int, 4> f = FrameOf(w);
  return SDL_Point{w.x * gScale + left - f[0], w.y * gScale + top - f[1]};
}

void ApplyGeometry(Win& w) {
  if (!w.sdl || w.displayHandle) return;
  SDL_SetWindowSize(w.sdl, w.cw * gScale, w.ch * gScale);
  const SDL_Point at = Request(w);
  SDL_SetWindowPosition(w.sdl, at.x, at.y);
}

// Takes up the frame the window manager put around a framed window, once it
// is shown (first: the window has just been mapped; the window manager set
// the frame before, so the events read now tell it), and where the client
// area really is. Later, only a change to a frame of some size is taken up:
// a full window loses its frame for a while.
void LearnFrame(Win& w, bool first) {
  if (!w.sdl || !Framed(w) || w.displayHandle) return;
  if (first) SDL_PumpEvents();
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(w.sdl, &top, &left, &bottom, &right) != 0) return;
  const std::array<int, 4> f{left, top, right, bottom};
  if (!first && (f == std::array<int, 4>{} || f == w.frame)) return;
  int x = 0, y = 0;
  SDL_GetWindowPosition(w.sdl, &x, &y);
  std::lock_guard lock(gWinMutex);
  w.frame = gFrameGuess = f;
  w.frameKnown = true;
  w.x = FloorDiv(x, gScale);
  w.y = FloorDiv(y, gScale);
}

}  // namespace

// ------------------------------------------------------------ window thread

bool OnMainThread() { return std::this_thread::get_id() == gMainThread; }

void DropOwnQueue() {
  std::lock_guard lock(gQueueMutex);
  gQueues.erase(std::this_thread::get_id());
}

void WakeMainThread() {
  if (!gVideoUp) return;
  SDL_Event e{};
  e.type = gWakeEvent;
  SDL_PushEvent(&e);
}

void RunMainThreadTasks() {
  for (;;) {
    std::shared_ptr<Task> t;
    {
      std::lock_guard lock(gTaskMutex);
      if (gTasks.empty()) return;
      t = gTasks.front();
      gTasks.pop_front();
      t->started = true;
    }
    try {
      t->fn();
    } catch (...) {
      t->error = std::current_exception();
    }
    {
      std::lock_guard lock(gTaskMutex);
      t->done = true;
    }
    gTaskDone.notify_all();
  }
}

void RunOnMainThread(const std::function<void()>& fn, bool abandonable) {
  if (OnMainThread() || !gVideoUp) {
    fn();
    return;
  }
  auto t = std::make_shared<Task>();
  t->fn = fn;
  t->abandonable = abandonable;
  {
    std::lock_guard lock(gTaskMutex);
    gTasks.push_back(t);
  }
  WakeMainThread();
  std::unique_lock lock(gTaskMutex);
  while (!t->done) {
    gTaskDone.wait_for(lock, std::chrono::milliseconds(10));
    if (!t->done && t->started && t->abandonable && StopRequested()) throw ThreadStopped{};
    if (!t->done && !t->started && StopRequested()) {
      // Not begun yet: withdraw it, so it never touches this thread's stack.
      for (auto it = gTasks.begin(); it != gTasks.end(); ++it) {
        if (*it == t) {
          gTasks.erase(it);
          break;
        }
      }
      throw ThreadStopped{};
    }
  }
  if (t->error) std::rethrow_exception(t->error);
}

SDL_Rect FitPicture(int w, int h, int outW, int outH) {
  const Rect r = FitWholeScale(w, h, outW, outH);
  return SDL_Rect{r.left, r.top, r.width(), r.height()};
}

int FitWindowScale(int desktopHeight, int outerHeight) {
  if (desktopHeight <= 0 || outerHeight <= 0) return 1;
  // n * outer <= 3/4 * desktop, in whole numbers.
  const int64_t n = int64_t{3} * desktopHeight / (int64_t{4} * outerHeight);
  return static_cast<int>(std::clamp<int64_t>(n, 1, kMaxWindowScale));
}

int ClampWindowScale(int scale, int desktopWidth, int desktopHeight, int outerWidth, int outerHeight) {
  if (outerWidth > 0 && outerHeight > 0)
    scale = std::min({scale, desktopWidth / outerWidth, desktopHeight / outerHeight});
  return std::clamp(scale, 1, kMaxWindowScale);
}

int SetWindowScale(int scale, int outerWidth, int outerHeight) {
  std::lock_guard lock(gWinMutex);
  const Rect& d = gDesktopPixels;
  if (scale < 1 || scale > kMaxWindowScale) scale = FitWindowScale(d.height(), outerHeight);
  gScale = ClampWindowScale(scale, d.width(), d.height(), outerWidth, outerHeight);
  gDesktop = Rect{FloorDiv(d.left, gScale), FloorDiv(d.top, gScale), FloorDiv(d.right, gScale),
                  FloorDiv(d.bottom, gScale)};
  return gScale;
}

int WindowScale() {
  std::lock_guard lock(gWinMutex);
  return gScale;
}

bool InitVideo(std::string& reason) {
  gMainThread = std::this_thread::get_id();
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");  // nearest neighbour
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // Nowhere to look for a display: say so without letting every video
  // driver print its own complaint.
  if (!SDL_getenv("SDL_VIDEODRIVER") && !SDL_getenv("DISPLAY") && !SDL_getenv("WAYLAND_DISPLAY") &&
      !SDL_getenv("XDG_RUNTIME_DIR")) {
    reason = "DISPLAY is not set";
    return false;
  }
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    reason = SDL_GetError();
    return false;
  }
  // SDL falls back to drawing into memory when it finds no display; a player
  // would see nothing, so that counts as no display unless asked for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
  bool headless = driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
  if (headless && !(wanted && SDL_strcasecmp(wanted, driver) == 0)) {
    reason = "no display";
    SDL_Quit();
    return false;
  }
  if (SDL_GetNumVideoDisplays() < 1) {
    reason = "no display";
    SDL_Quit();
    return false;
  }
  gWakeEvent = SDL_RegisterEvents(1);
  SDL_StopTextInput();  // keys only; no input method in the way
  SDL_Rect b;
  if (SDL_GetDisplayBounds(0, &b) == 0) gDesktopPixels = Rect{b.x, b.y, b.x + b.w, b.y + b.h};
  gDesktop = gDesktopPixels;
  // Controllers are a bonus: a system without them still plays.
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  QueueOf(gMainThread);
  gVideoUp = true;
  return true;
}

void ShutdownVideo() {
  std::vector<WinPtr> rest;
  {
    std::lock_guard lock(gWinMutex);
    for (auto& [h, w] : gWindows) rest.push_back(w);
    gWindows.clear();
    gCreationOrder.clear();
  }
  for (auto& w : rest) ReleaseSdl(*w);
  std::vector<KeyChange> released;
  ClosePads(released);
  for (const KeyChange& c : released) HoldVk(c.vk, -1);
  RunMainThreadTasks();
  gVideoUp = false;
  SDL_Quit();
}

// Full-window mode: the window covers the desktop without a border and the
// picture is scaled up by a whole factor, centred on black.
int EnterFullWindow(Window handle) {
  int result = 0;
  RunOnMainThread([&] {
    WinPtr w = Find(handle);
    if (!w || !w->sdl) {
      result = 1;
      return;
    }
    if (w->displayHandle) {
      result = w->displayHandle;
      return;
    }
    if (!w->renderer) {
      result = 2;
      return;
    }
    // Laid over the display by hand rather than through the window manager's
    // full-screen state: it works the same with no window manager at all.
    int index = SDL_GetWindowDisplayIndex(w->sdl);
    SDL_Rect bounds;
    if (index < 0 || SDL_GetDisplayBounds(index, &bounds) != 0) {
      result = 3;
      return;
    }
    SDL_SetWindowBordered(w->sdl, SDL_FALSE);
    w->fullBounds = bounds, w->fullMoves = 0;
    SDL_SetWindowPosition(w->sdl, bounds.x, bounds.y);
    SDL_SetWindowSize(w->sdl, bounds.w, bounds.h);
    SDL_RaiseWindow(w->sdl);
    std::lock_guard lock(gWinMutex);
    w->displayHandle = gNextDisplayHandle++;
    w->dirty = true;
    result = w->displayHandle;
  });
  return result;
}

bool LeaveFullWindow(Window handle) {
  bool ok = false;
  RunOnMainThread([&] {
    WinPtr w = Find(handle);
    if (!w || !w->displayHandle) return;
    if (Framed(*w)) SDL_SetWindowBordered(w->sdl, SDL_TRUE);
    {
      std::lock_guard lock(gWinMutex);
      w->displayHandle = 0;
      w->dirty = true;
    }
    ApplyGeometry(*w);
    ok = true;
  });
  return ok;
}

// The display mode the desktop is in, for the full-window checks.
bool DesktopSize(Window handle, int& width, int& height) {
  bool ok = false;
  RunOnMainThread([&] {
    WinPtr w = Find(handle);
    int index = (w && w->sdl) ? SDL_GetWindowDisplayIndex(w->sdl) : 0;
    SDL_DisplayMode mode;
    if (index >= 0 && SDL_GetDesktopDisplayMode(index, &mode) == 0) {
      width = mode.w;
      height = mode.h;
      ok = true;
    }
  });
  return ok;
}

int DisplayHandleOf(Window handle) {
  WinPtr w = Find(handle);
  return w ? w->displayHandle : 0;
}

Window WindowOfDisplayHandle(int displayHandle) {
  std::lock_guard lock(gWinMutex);
  for (auto& [h, w] : gWindows)
    if (w->displayHandle == displayHandle) return h;
  return 0;
}

}  // namespace sdl

using namespace sdl;

// ------------------------------------------------------------ windows

void RegisterWindowClass(const std::string& className, WindowProc proc) {
  std::lock_guard lock(gWinMutex);
  gClasses[className] = proc;
}

Window CreateWindow(const std::string& className, const std::string& title, uint32_t style,
                    int x, int y, int outerWidth, int outerHeight, Window owner) {
  if (!OnMainThread()) {
    Window result = 0;
    RunOnMainThread([&] {
      result = CreateWindow(className, title, style, x, y, outerWidth, outerHeight, owner);
    });
    return result;
  }
  if (!gVideoUp) return 0;
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(gWinMutex);
    auto it = gClasses.find(className);
    if (it == gClasses.end()) return 0;
    proc = it->second;
  }
  auto w = std::make_shared<Win>();
  w->proc = proc;
  w->title = title;
  w->style = style;
  w->owner = IsWindow(owner) ? owner : 0;
  bool framed = Framed(*w);
  int fl = framed ? kFrameLeft : 0, ft = framed ? kFrameTop : 0;
  int fr = framed ? kFrameRight : 0, fb = framed ? kFrameBottom : 0;
  w->cw = std::max(1, outerWidth - fl - fr);
  w->ch = std::max(1, outerHeight - ft - fb);
  if (x == kUseDefault || y == kUseDefault) {
    // Default place: centred over the owner, or on the desktop.
    Rect over = w->owner ? GetWindowRect(w->owner) : GetDesktopRect();
    int ox = over.left + (over.width() - outerWidth) / 2;
    int oy = over.top + (over.height() - outerHeight) / 2;
    w->x = ox + fl;
    w->y = oy + ft;
  } else {
    w->x = x + fl;
    w->y = y + ft;
  }
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
  if (!framed) flags |= SDL_WINDOW_BORDERLESS;
  const SDL_Point at = Request(*w);
  w->sdl = SDL_CreateWindow(title.c_str(), at.x, at.y, w->cw * gScale, w->ch * gScale, flags);
  if (!w->sdl) return 0;
  w->renderer = SDL_CreateRenderer(w->sdl, -1, 0);
  if (!w->renderer) w->renderer = SDL_CreateRenderer(w->sdl, -1, SDL_RENDERER_SOFTWARE);
  if (!w->renderer) {
    ReleaseSdl(*w);
    return 0;
  }
  if (w->owner) {
    WinPtr o = Find(w->owner);
    if (o && o->sdl) SDL_SetWindowModalFor(w->sdl, o->sdl);
  }
  {
    std::lock_guard lock(gWinMutex);
    w->handle = gNextWindow++;
    gWindows[w->handle] = w;
    gCreationOrder.push_back(w->handle);
  }
  if (w->proc(w->handle, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(w->handle);
    return 0;
  }
  return IsWindow(w->handle) ? w->handle : 0;
}

void DestroyWindow(Window handle) {
  if (IsControl(handle)) {
    DestroyControl(handle);
    return;
  }
  if (!OnMainThread()) {
    RunOnMainThread([&] { DestroyWindow(handle); });
    return;
  }
  WinPtr w = Find(handle);
  if (!w || w->destroying.exchange(true)) return;
  // Owned windows go first, as they would on the desktop.
  std::vector<Window> owned;
  {
    std::lock_guard lock(gWinMutex);
    for (auto& [h, o] : gWindows)
      if (o->owner == handle) owned.push_back(h);
  }
  for (Window h : owned) DestroyWindow(h);
  w->proc(handle, WM_DESTROY, 0, 0);
  DestroyControls(handle);
  {
    std::lock_guard lock(gWinMutex);
    gWindows.erase(handle);
    std::erase(gCreationOrder, handle);
  }
  Window expected = handle;
  gForeground.compare_exchange_strong(expected, 0);
  ReleaseSdl(*w);
  if (w->owner) {  // the owner comes back to the front
    WinPtr o = Find(w->owner);
    if (o && o->sdl && o->visible) SDL_RaiseWindow(o->sdl);
  }
}

bool IsWindow(Window handle) {
  if (handle == 0) return false;
  if (IsControl(handle)) return true;
  std::lock_guard lock(gWinMutex);
  auto it = gWindows.find(handle);
  return it != gWindows.end() && !it->second->destroying;
}

void SetWindowProc(Window handle, WindowProc proc) {
  WinPtr w = Find(handle);
  if (w && proc) w->proc = proc;
}

intptr_t DefWindowProc(Window handle, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  if (WidgetDefProc(handle, msg, wParam, lParam, result)) return result;
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(handle);
      return 0;
    case WM_PAINT:
      BeginPaint(handle);
      EndPaint(handle);
      return 0;
    default:
      return 0;
  }
}

intptr_t SendMessage(Window handle, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (IsControl(handle)) return ControlSendMessage(handle, msg, wParam, lParam);
  if (!OnMainThread()) {
    intptr_t result = 0;
    RunOnMainThread([&] { result = SendMessage(handle, msg, wParam, lParam); });
    return result;
  }
  WinPtr w = Find(handle);
  if (!w) return 0;
  return w->proc(handle, msg, wParam, lParam);
}

// ------------------------------------------------------------ messages

void PostMessage(Window handle, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (handle == 0) {
    Enqueue(std::this_thread::get_id(), Message{0, msg, wParam, lParam});
    return;
  }
  if (!IsWindow(handle)) return;
  Enqueue(gMainThread, Message{handle, msg, wParam, lParam});
}

void PostQuitMessage(int exitCode) {
  Enqueue(std::this_thread::get_id(), Message{0, WM_QUIT, exitCode, 0});
}

int GetMessage(Message& msg) {
  if (!OnMainThread()) {
    auto q = QueueOf(std::this_thread::get_id());
    std::unique_lock lock(q->mutex);
    for (;;) {
      if (StopRequested()) throw ThreadStopped{};
      if (!q->messages.empty()) {
        msg = q->messages.front();
        q->messages.pop_front();
        return msg.message == WM_QUIT ? 0 : 1;
      }
      q->wake.wait_for(lock, std::chrono::milliseconds(10));
    }
  }
  if (!gVideoUp) return -1;
  auto q = QueueOf(gMainThread);
  for (;;) {
    RunMainThreadTasks();
    SDL_Event e;
    while (SDL_PollEvent(&e)) Translate(e);
    {
      std::lock_guard lock(q->mutex);
      if (!q->messages.empty()) {
        msg = q->messages.front();
        q->messages.pop_front();
        return msg.message == WM_QUIT ? 0 : 1;
      }
    }
    DeliverSignalClose();
    if (WinPtr w = DirtyWindow()) {
      msg = Message{w->handle, WM_PAINT, 0, 0};
      return 1;
    }
    {
      std::lock_guard lock(q->mutex);
      if (!q->messages.empty()) continue;
    }
    {
      std::lock_guard lock(gTaskMutex);
      if (!gTasks.empty()) continue;
    }
    if (SDL_WaitEventTimeout(&e, 50)) Translate(e);
  }
}

intptr_t DispatchMessage(const Message& msg) {
  if (msg.window == 0 || msg.message == WM_QUIT) return 0;
  if (IsControl(msg.window)) return ControlSendMessage(msg.window, msg.message, msg.wParam, msg.lParam);
  WinPtr w = Find(msg.window);
  if (!w || w->destroying) return 0;
  return w->proc(msg.window, msg.message, msg.wParam, msg.lParam);
}

// ------------------------------------------------------------ painting

void InvalidateRect(Window handle) {
  std::vector<WinPtr> targets;
  {
    std::lock_guard lock(gWinMutex);
    if (handle == 0) {
      for (auto& [h, w] : gWindows) targets.push_back(w);
    } else {
      auto it = gWindows.find(handle);
      if (it != gWindows.end()) targets.push_back(it->second);
    }
  }
  bool wake = false;
  for (auto& w : targets)
    if (!w->dirty.exchange(true)) wake = true;
  if (wake && !OnMainThread()) WakeMainThread();
}

Surface* BeginPaint(Window handle) {
  WinPtr w = Find(handle);
  if (!w || !OnMainThread()) return nullptr;
  w->dirty = false;
  if (w->paint.width() != w->cw || w->paint.height() != w->ch) w->paint.Resize(w->cw, w->ch);
  return &w->paint;
}

void EndPaint(Window handle) {
  WinPtr w = Find(handle);
  if (!w || !OnMainThread()) return;
  Present(*w);
}

// ------------------------------------------------------------ geometry

Rect GetClientRect(Window handle) {
  if (IsControl(handle)) {
    Rect r = ControlRect(handle);
    return Rect{0, 0, r.width(), r.height()};
  }
  std::lock_guard lock(gWinMutex);
  auto it = gWindows.find(handle);
  if (it == gWindows.end()) return Rect{};
  return Rect{0, 0, it->second->cw, it->second->ch};
}

Rect GetWindowRect(Window handle) {
  if (IsControl(handle)) {
    Rect r = ControlRect(handle);
    Window parent = ControlParent(handle);
    std::lock_guard lock(gWinMutex);
    auto it = gWindows.find(parent);
    if (it == gWindows.end()) return Rect{};
    return Rect{it->second->x + r.left, it->second->y + r.top, it->second->x + r.right,
                it->second->y + r.bottom};
  }
  std::lock_guard lock(gWinMutex);
  auto it = gWindows.find(handle);
  if (it == gWindows.end()) return Rect{};
  const Win& w = *it->second;
  if (!Framed(w)) return Rect{w.x, w.y, w.x + w.cw, w.y + w.ch};
  return Rect{w.x - kFrameLeft, w.y - kFrameTop, w.x + w.cw + kFrameRight,
              w.y + w.ch + kFrameBottom};
}

Rect GetFrameRect(Window handle) {
  {
    std::lock_guard lock(gWinMutex);
    auto it = gWindows.find(handle);
    if (it != gWindows.end() && Framed(*it->second) && !it->second->displayHandle) {
      // The frame is in screen pixels: rounded outward to whole 1x units.
      const Win& w = *it->second;
      const std::array<int, 4> f = FrameOf(w);
      const int s = gScale;
      return Rect{FloorDiv(w.x * s - f[0], s), FloorDiv(w.y * s - f[1], s),
                  -FloorDiv(-((w.x + w.cw) * s + f[2]), s), -FloorDiv(-((w.y + w.ch) * s + f[3]), s)};
    }
  }
  return GetWindowRect(handle);  // controls, frameless and full windows: as they are
}

void MoveWindow(Window handle, int x, int y, int outerWidth, int outerHeight) {
  if (!OnMainThread()) {
    RunOnMainThread([&] { MoveWindow(handle, x, y, outerWidth, outerHeight); });
    return;
  }
  WinPtr w = Find(handle);
  if (!w) return;
  {
    std::lock_guard lock(gWinMutex);
    bool framed = Framed(*w);
    int fl = framed ? kFrameLeft : 0, ft = framed ? kFrameTop : 0;
    int fw = framed ? kFrameLeft + kFrameRight : 0, fh = framed ? kFrameTop + kFrameBottom : 0;
    w->x = x + fl;
    w->y = y + ft;
    w->cw = std::max(1, outerWidth - fw);
    w->ch = std::max(1, outerHeight - fh);
  }
  w->dirty = true;
  ApplyGeometry(*w);
}

void ShowWindow(Window handle, bool show) {
  if (IsControl(handle)) {
    ControlShowWindow(handle, show);
    return;
  }
  if (!OnMainThread()) {
    RunOnMainThread([&] { ShowWindow(handle, show); });
    return;
  }
  WinPtr w = Find(handle);
  if (!w || !w->sdl) return;
  if (show) {
    SDL_ShowWindow(w->sdl);
    if (!w->frameKnown) LearnFrame(*w, true);
    SDL_RaiseWindow(w->sdl);
    w->dirty = true;
  } else {
    SDL_HideWindow(w->sdl);
  }
  std::lock_guard lock(gWinMutex);
  w->visible = show;
}

void EnableWindow(Window handle, bool enable) {
  if (IsControl(handle)) {
    ControlEnable(handle, enable);
    return;
  }
  WinPtr w = Find(handle);
  if (w) w->enabled = enable;
}

bool IsWindowEnabled(Window handle) {
  if (IsControl(handle)) return ControlIsEnabled(handle);
  WinPtr w = Find(handle);
  return w && w->enabled;
}

void SetTopmost(Window handle, bool topmost) {
  if (!OnMainThread()) {
    RunOnMainThread([&] { SetTopmost(handle, topmost); });
    return;
  }
  WinPtr w = Find(handle);
  if (w && w->sdl) SDL_SetWindowAlwaysOnTop(w->sdl, topmost ? SDL_TRUE : SDL_FALSE);
}

void SetWindowText(Window handle, const std::string& text) {
  if (IsControl(handle)) {
    ControlSetText(handle, text);
    return;
  }
  if (!OnMainThread()) {
    RunOnMainThread([&] { SetWindowText(handle, text); });
    return;
  }
  WinPtr w = Find(handle);
  if (!w) return;
  {
    std::lock_guard lock(gWinMutex);
    w->title = text;
  }
  if (w->sdl) SDL_SetWindowTitle(w->sdl, text.c_str());
}

std::string GetWindowText(Window handle) {
  if (IsControl(handle)) return ControlGetText(handle);
  std::lock_guard lock(gWinMutex);
  auto it = gWindows.find(handle);
  return it == gWindows.end() ? std::string() : it->second->title;
}

Window GetForegroundWindow() { return gForeground.load(); }

Rect GetDesktopRect() {
  std::lock_guard lock(gWinMutex);
  return gDesktop;
}

void SetWindowIcon(Window handle, const Surface& colour, const Surface& mask) {
  if (colour.empty() || colour.width() != mask.width() || colour.height() != mask.height()) return;
  if (!OnMainThread()) {
    RunOnMainThread([&] { SetWindowIcon(handle, colour, mask); });
    return;
  }
  WinPtr w = Find(handle);
  if (!w || !w->sdl) return;
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, colour.width(), colour.height(), 32,
                                                     SDL_PIXELFORMAT_ARGB8888);
  if (!icon) return;
  for (int y = 0; y < colour.height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(icon->pixels) + y * icon->pitch);
    for (int x = 0; x < colour.width(); ++x)
      row[x] = (mask.at(x, y) & 0xFFFFFF) ? 0 : 0xFF000000u | (colour.at(x, y) & 0xFFFFFF);
  }
  SDL_SetWindowIcon(w->sdl, icon);
  SDL_FreeSurface(icon);
}

// ------------------------------------------------------------ message boxes

int MessageBox(Window owner, const std::string& text, const std::string& caption,
               uint32_t flags) {
  if (OnMainThread() || !gVideoUp) return RunMessageBoxWindow(owner, text, caption, flags);
  // Modal windows live on the window thread; other threads wait for the
  // answer. The box owns its texts, so a thread stopped meanwhile can leave.
  struct Box {
    Window owner;
    std::string text, caption;
    uint32_t flags;
    int result = 1;
  };
  auto box = std::make_shared<Box>(Box{owner, text, caption, flags});
  RunOnMainThread(
      [box] { box->result = RunMessageBoxWindow(box->owner, box->text, box->caption, box->flags); },
      true);
  return box->result;
}

}  // namespace platform
