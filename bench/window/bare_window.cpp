// The floor for the real window's cost: a bare SDL program that presents a
// 320x240 streaming texture at 30 frames a second, as the game does, and
// nothing else. make bench-window runs it beside the game.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdint>
#include <cstring>

int main() {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        320, 240, 0);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
  SDL_Texture* texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888,
                                                      SDL_TEXTUREACCESS_STREAMING, 320, 240)
                                  : nullptr;
  if (!texture) return 1;
  uint32_t frame = 0;
  for (bool running = true; running;) {
    const uint32_t start = SDL_GetTicks();
    for (SDL_Event e; SDL_PollEvent(&e);)
      if (e.type == SDL_QUIT) running = false;
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &pixels, &pitch) == 0) {
      for (int y = 0; y < 240; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + y * pitch);
        for (int x = 0; x < 320; ++x) row[x] = (x + y + frame) * 0x010101u;
      }
      SDL_UnlockTexture(texture);
    }
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
    ++frame;
    const uint32_t spent = SDL_GetTicks() - start;
    if (spent < 33) SDL_Delay(33 - spent);
  }
  SDL_Quit();
  return 0;
}
