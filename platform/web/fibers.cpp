// The page's platform threads, carried by fibers on the one thread a page
// has. The headless backend's scheduler already lets one thread run at a
// time and hands the baton on only inside blocking calls; here handing it on
// is a fiber switch. When no thread can go on, the baton holder switches to
// the page's own stack, where the browser gets its turn (emscripten_sleep
// needs that stack), and is switched back once time has come or input has.
// Built for the page only (Asyncify).
#include <emscripten.h>
#include <emscripten/fiber.h>

#include <cstdlib>

#include "platform/sim/sim_internal.h"
#include "platform/web/browser.h"

namespace platform::sim::detail {

// The stacks are 16-byte aligned, as the compiled code assumes its stack
// pointer is: on an 8-byte one, locals overlap (a formatted 0 came out blank).
struct AlignedBytes {
  explicit AlignedBytes(size_t n) : size(n), data(static_cast<char*>(std::aligned_alloc(16, n))) {}
  ~AlignedBytes() { std::free(data); }
  AlignedBytes(const AlignedBytes&) = delete;
  AlignedBytes& operator=(const AlignedBytes&) = delete;
  size_t size;
  char* data;
};

struct Carrier {
  emscripten_fiber_t fiber;
  AlignedBytes stack{512 * 1024}, asyncStack{256 * 1024};
};

void DeleteCarrier(Carrier* c) { delete c; }

namespace {

emscripten_fiber_t gPage;  // the page's own stack
AlignedBytes gPageAsync(64 * 1024);  // what Asyncify saves of it while a thread runs
SimThread* gCurrent = nullptr;  // the thread whose fiber runs
SimThread* gWaiter = nullptr;   // the baton holder waiting for real time
uint64_t gUntil = 0;

void Enter(void* thread) {
  RunThreadBody(static_cast<SimThread*>(thread));
  std::abort();  // an ended thread hands the baton on and is never resumed
}

}  // namespace

// The page's event loop is never taken in (its threads are started from it in
// real time); a program without one (the page's benchmark) is, on its own stack.
std::unique_ptr<Carrier, CarrierDeleter> AdoptCarrier() {
  std::unique_ptr<Carrier, CarrierDeleter> c(new Carrier);
  emscripten_fiber_init_from_current_context(&c->fiber, c->asyncStack.data, c->asyncStack.size);
  return c;
}

bool StartCarrier(SimThread* t) {
  // A thread's deepest calls (a frame, the options window's loop) stay well
  // inside its stack; the second holds what Asyncify saves of it while switched out.
  auto* c = new Carrier;
  emscripten_fiber_init(&c->fiber, Enter, t, c->stack.data, c->stack.size, c->asyncStack.data,
                        c->asyncStack.size);
  t->carrier.reset(c);
  return true;
}

void PassBaton(Lock& lk, SimThread* self, SimThread* next) {
  lk.unlock();
  gCurrent = next;
  emscripten_fiber_swap(&self->carrier->fiber, &next->carrier->fiber);
  lk.lock();
}

void JoinCarrier(Lock&, SimThread*) {}  // an ended fiber is never resumed

}  // namespace platform::sim::detail

namespace platform::web {
using namespace platform::sim::detail;

void UseFibers(std::function<uint64_t()> clock) {
  emscripten_fiber_init_from_current_context(&gPage, gPageAsync.data, gPageAsync.size);
  sim::UseRealTime(std::move(clock), [](uint64_t until) {
    gWaiter = gCurrent;
    gUntil = until;
    emscripten_fiber_swap(&gWaiter->carrier->fiber, &gPage);
  });
}

void RunFibers(const std::function<void(uint64_t until)>& idle) {
  {
    Sim& s = S();
    Lock lk(s.mu);
    if (s.threads.empty()) Fatal("the page started no thread");
    gWaiter = s.running = s.threads.front().get();
  }
  for (;;) {
    gCurrent = gWaiter;
    emscripten_fiber_swap(&gPage, &gCurrent->carrier->fiber);
    idle(gUntil);
  }
}

}  // namespace platform::web
