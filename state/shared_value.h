// A 32-bit value that one thread writes and another reads. Each such value
// is independent, so relaxed ordering is enough; the wrapper keeps the game
// code reading like plain integer code.
#pragma once
#include <atomic>
#include <cstdint>

template <typename T>
class Shared {
 public:
  constexpr Shared(T v = T{}) : v_(v) {}
  Shared(const Shared&) = delete;
  // Assigning one shared value to another copies the value read now.
  Shared& operator=(const Shared& other) {
    v_.store(other.load(), std::memory_order_relaxed);
    return *this;
  }
  operator T() const { return v_.load(std::memory_order_relaxed); }
  T load() const { return v_.load(std::memory_order_relaxed); }
  Shared& operator=(T v) {
    v_.store(v, std::memory_order_relaxed);
    return *this;
  }
  T operator+=(T d) { return v_.fetch_add(d, std::memory_order_relaxed) + d; }
  T operator-=(T d) { return v_.fetch_sub(d, std::memory_order_relaxed) - d; }
  T operator++() { return *this += 1; }
  T operator--() { return *this -= 1; }
  T operator++(int) { return v_.fetch_add(1, std::memory_order_relaxed); }
  T operator--(int) { return v_.fetch_sub(1, std::memory_order_relaxed); }

 private:
  std::atomic<T> v_;
};

using SharedInt = Shared<int32_t>;
