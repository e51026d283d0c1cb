// Simulated threads carried by OS threads: each waits on its own condition
// variable until the baton is handed to it. Only the holder runs, so the
// simulation stays one thread at a time whatever the OS schedules.
#include <condition_variable>
#include <system_error>
#include <thread>

#include "platform/sim/sim_internal.h"

namespace platform::sim::detail {

struct Carrier {
  std::condition_variable cv;
  std::thread os;  // not started for an adopted thread
};

void DeleteCarrier(Carrier* c) { delete c; }

std::unique_ptr<Carrier, CarrierDeleter> AdoptCarrier() {
  return std::unique_ptr<Carrier, CarrierDeleter>(new Carrier);
}

bool StartCarrier(SimThread* t) {
  t->carrier.reset(new Carrier);
  try {
    t->carrier->os = std::thread([t] {
      {
        Sim& s = S();
        Lock lk(s.mu);
        t->carrier->cv.wait(lk, [&] { return s.running == t; });
      }
      RunThreadBody(t);
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void PassBaton(Lock& lk, SimThread* self, SimThread* next) {
  Sim& s = S();
  next->carrier->cv.notify_one();
  if (self->state == SimThread::State::Ended) return;
  self->carrier->cv.wait(lk, [&] { return s.running == self; });
}

void JoinCarrier(Lock& lk, SimThread* t) {
  if (!t->carrier || !t->carrier->os.joinable()) return;
  lk.unlock();
  t->carrier->os.join();
  lk.lock();
}

}  // namespace platform::sim::detail
