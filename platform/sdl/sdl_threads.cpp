// Clock and threads of the SDL backend: std::threads with a stop flag that
// every platform sleep checks, so a thread can be ended at its next sleep.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <thread>

#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct ThreadRecord {
  ThreadHandle handle = 0;
  std::string name;
  std::thread thread;
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;           // under mutex
  std::atomic<bool> done{false};
};

std::mutex gThreadsMutex;
std::map<ThreadHandle, std::shared_ptr<ThreadRecord>> gThreads;
ThreadHandle gNextHandle = 1;
thread_local ThreadRecord* tCurrent = nullptr;

std::shared_ptr<ThreadRecord> FindThread(ThreadHandle h) {
  std::lock_guard lock(gThreadsMutex);
  auto it = gThreads.find(h);
  return it == gThreads.end() ? nullptr : it->second;
}

}  // namespace

void Sleep(int ms) {
  if (ms < 0) ms = 0;
  ThreadRecord* self = tCurrent;
  if (!self) {  // the window thread and foreign threads cannot be stopped
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  std::unique_lock lock(self->mutex);
  if (self->stop) throw ThreadStopped{};
  if (ms == 0) {
    lock.unlock();
    std::this_thread::yield();
    lock.lock();
  } else {
    self->wake.wait_for(lock, std::chrono::milliseconds(ms), [self] { return self->stop; });
  }
  if (self->stop) throw ThreadStopped{};
}

ThreadHandle StartThread(std::function<void()> fn, const char* name) {
  auto rec = std::make_shared<ThreadRecord>();
  rec->name = name ? name : "";
  {
    std::lock_guard lock(gThreadsMutex);
    rec->handle = gNextHandle++;
    gThreads[rec->handle] = rec;
  }
  ThreadRecord* raw = rec.get();
  try {
    // The record outlives the thread: it stays in the table until StopThread.
    rec->thread = std::thread([raw, fn = std::move(fn)] {
      tCurrent = raw;
      try {
        fn();
      } catch (const ThreadStopped&) {
      }
      sdl::DropOwnQueue();
      raw->done = true;
    });
  } catch (const std::system_error&) {
    std::lock_guard lock(gThreadsMutex);
    gThreads.erase(rec->handle);
    return 0;
  }
  return rec->handle;
}

bool StopRequested() {
  ThreadRecord* self = tCurrent;
  if (!self) return false;
  std::lock_guard lock(self->mutex);
  return self->stop;
}

void StopThread(ThreadHandle h) {
  if (h == 0) return;
  std::shared_ptr<ThreadRecord> rec = FindThread(h);
  if (!rec) return;
  {
    std::lock_guard lock(rec->mutex);
    rec->stop = true;
  }
  rec->wake.notify_all();
  if (rec.get() == tCurrent) return;  // a thread stopping itself ends at its next sleep
  if (rec->thread.joinable()) rec->thread.join();
  std::lock_guard lock(gThreadsMutex);
  gThreads.erase(h);
}

namespace sdl {

bool StopAllThreads(int graceMs) {
  std::map<ThreadHandle, std::shared_ptr<ThreadRecord>> all;
  {
    std::lock_guard lock(gThreadsMutex);
    all = gThreads;
  }
  for (auto& [h, rec] : all) {
    {
      std::lock_guard lock(rec->mutex);
      rec->stop = true;
    }
    rec->wake.notify_all();
  }
  auto deadline = Clock::now() + std::chrono::milliseconds(graceMs);
  bool allEnded = true;
  for (auto& [h, rec] : all) {
    while (!rec->done && Clock::now() < deadline) {
      RunMainThreadTasks();  // a thread may be waiting for the window thread
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (rec->done) {
      if (rec->thread.joinable()) rec->thread.join();
    } else {
      std::fprintf(stderr, "quillmoor: thread \"%s\" did not end\n", rec->name.c_str());
      rec->thread.detach();
      allEnded = false;
    }
    std::lock_guard lock(gThreadsMutex);
    gThreads.erase(h);
  }
  return allEnded;
}

}  // namespace sdl
}  // namespace platform
