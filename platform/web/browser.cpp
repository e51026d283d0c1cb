// The page's glue to the browser (built for the page alone): SDL's canvas,
// sound and events, the browser's full screen, and the event loop that runs
// between the game's frames. What the page shows and how input acts is
// decided in page.cpp.
#include "platform/web/browser.h"

#include <SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"
#include "platform/web/page.h"

extern "C" void qm_page_needs();  // library.js: what SDL needs of Emscripten's helpers

namespace platform::web {
namespace {

SDL_Renderer* gRenderer = nullptr;
SDL_Texture* gTexture = nullptr;
PageState gPage;
Surface gCanvas;
uint64_t gShown = 0;
bool gEverShown = false;
bool gProgramEnded = false;
double gLastTurn = 0;  // when the browser last had its turn
SDL_AudioDeviceID gAudio = 0;
// The game's clock stands still while the page is hidden (a browser runs a
// hidden page's timers once a second: the regulator would learn a frame
// delay far too short, and the game run fast once it is seen again).
double gHiddenMs = 0;
double GameClock() { return emscripten_get_now() - gHiddenMs; }

// The page's tests listen to the mixer: the next `frames` frames it renders are kept.
std::vector<int16_t> gHeard;
size_t gHeardWanted = 0;

void Fill(void*, Uint8* stream, int len) {
  const int frames = len / static_cast<int>(sizeof(int16_t) * kAudioChannels);
  auto* out = reinterpret_cast<int16_t*>(stream);
  RenderAudio(out, frames);
  const size_t room = gHeardWanted - std::min(gHeardWanted, gHeard.size());
  gHeard.insert(gHeard.end(), out, out + std::min(room, size_t(frames) * kAudioChannels));
}

void Present() {
  const uint64_t version = DrawCanvas(gPage, gCanvas);
  if (gEverShown && version == gShown && !gPage.closed) return;
  gEverShown = true;
  gShown = version;
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(gTexture, nullptr, &pixels, &pitch) != 0) return;
  for (int y = 0; y < gCanvas.height(); ++y)
    CopyPixels(reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + size_t(y) * pitch),
               gCanvas.row(y), static_cast<size_t>(gCanvas.width()));
  SDL_UnlockTexture(gTexture);
  SDL_RenderCopy(gRenderer, gTexture, nullptr, nullptr);
  SDL_RenderPresent(gRenderer);
}

// The canvas at the largest whole scale that fits the browser's window, in
// device pixels, so that every pixel of the picture is a sharp square.
EM_BOOL FitCanvas(int, const void*, void*) {
  const double ratio = emscripten_get_device_pixel_ratio();
  double w = 0, h = 0;
  emscripten_get_element_css_size("#page", &w, &h);
  const Rect fit = FitWholeScale(kViewWidth, kViewHeight, static_cast<int>(w * ratio),
                                 static_cast<int>(h * ratio));
  emscripten_set_element_css_size("#canvas", fit.width() / ratio, fit.height() / ratio);
  return EM_FALSE;
}

EM_BOOL OnFullscreen(int, const EmscriptenFullscreenChangeEvent* e, void*) {
  FullscreenChanged(gPage, e->isFullscreen);
  FitCanvas(0, nullptr, nullptr);
  return EM_FALSE;
}

// The game's full-window switch: the browser's full screen. A browser grants
// it only while it handles the player's input, so the request waits for the
// next one (the release of F4).
void FollowDisplay(bool full) {
  gPage.gameFull = full;
  if (full) {
    emscripten_request_fullscreen("#page", EM_TRUE);
  } else {
    emscripten_exit_fullscreen();
  }
}

// No platform thread can go on before `until`: the browser's turn, then the input.
void Idle(uint64_t until) {
  if (gProgramEnded) gPage.closed = true;
  if (EM_ASM_INT(return document.hidden ? 1 : 0)) {
    const double from = emscripten_get_now();
    SDL_PauseAudioDevice(gAudio, 1);
    while (EM_ASM_INT(return document.hidden ? 1 : 0)) emscripten_sleep(100);
    SDL_PauseAudioDevice(gAudio, 0);
    gHiddenMs += emscripten_get_now() - from;
  }
  Present();
  const double now = GameClock();
  const double wait = until == UINT64_MAX ? 16.0 : std::clamp(double(until) - now, 0.0, 16.0);
  // A due thread runs on at once, but the browser still gets its turn every few milliseconds.
  if (wait > 0 || now - gLastTurn > 8) {
    emscripten_sleep(static_cast<unsigned>(wait));
    gLastTurn = GameClock();
  }
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (HandleEvent(gPage, e, kViewWidth, kViewHeight)) EM_ASM(location.reload());
  }
}

}  // namespace

void RunPage(std::function<int()> program) {
  qm_page_needs();
  ::chdir("/data");
  SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");  // the page yields to the browser itself
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_AUDIO | SDL_INIT_GAMECONTROLLER);
  SDL_StopTextInput();
  SDL_Window* window = SDL_CreateWindow("Quillmoor", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                        kViewWidth, kViewHeight, 0);
  gRenderer = SDL_CreateRenderer(window, -1, 0);
  gTexture = SDL_CreateTexture(gRenderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                               kViewWidth, kViewHeight);
  FitCanvas(0, nullptr, nullptr);
  emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE,
                                 [](int t, const EmscriptenUiEvent* e, void* u) {
                                   return FitCanvas(t, e, u);
                                 });
  emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                           OnFullscreen);

  // The browser starts the sound at the player's first key or click.
  SDL_AudioSpec want{}, have{};
  want.freq = kAudioRate;
  want.format = AUDIO_S16SYS;
  want.channels = kAudioChannels;
  want.samples = 2048;
  want.callback = Fill;
  gAudio = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  SDL_PauseAudioDevice(gAudio, 0);

  sim::SetExecutablePath("/persist/quillmoor");  // the settings and recordings beside it
  sim::SetTickBase(static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now() +
                                                               EM_ASM_DOUBLE(return performance.timeOrigin))));
  sim::SetDesktopSize(kDesktopWidth, kDesktopHeight);
  sim::ShowMessageBoxes(true);
  sim::SetDisplayHook(FollowDisplay);
  UseFibers([] { return static_cast<uint64_t>(GameClock()); });
  StartThread([program] {
    program();
    sim::detail::StopAllOtherThreads();
    gProgramEnded = true;
  }, "main");
  RunFibers(Idle);
}

}  // namespace platform::web

// ---- for the page's tests
extern "C" {
EMSCRIPTEN_KEEPALIVE void qm_listen(int frames) {
  platform::web::gHeard.clear();
  platform::web::gHeardWanted = static_cast<size_t>(std::max(0, frames)) * platform::kAudioChannels;
}
EMSCRIPTEN_KEEPALIVE int qm_heard_frames() {
  return static_cast<int>(platform::web::gHeard.size() / platform::kAudioChannels);
}
EMSCRIPTEN_KEEPALIVE const int16_t* qm_heard() { return platform::web::gHeard.data(); }
// The picture last put into the canvas (320 x 240 pixels 0x00RRGGBB).
EMSCRIPTEN_KEEPALIVE const uint32_t* qm_canvas() { return platform::web::gCanvas.row(0); }
}
