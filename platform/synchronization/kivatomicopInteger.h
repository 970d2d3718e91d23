// A counter that threads share without a lock: every change is one
// interlocked instruction; a read is a plain load (relaxed: one aligned word
// is never seen half-written, and readers only sample it).
#pragma once

#include <stdint.h>

namespace kivatomicop {

template <typename T>
class Integer {
 public:
  constexpr Integer() : value_(0) {}
  constexpr explicit Integer(T value) : value_(value) {}
  Integer(const Integer&) = delete;
  Integer& operator=(const Integer&) = delete;

  T getValue() const { return __atomic_load_n(&value_, __ATOMIC_RELAXED); }
  void setValue(T value) { __atomic_store_n(&value_, value, __ATOMIC_SEQ_CST); }

  // Each returns the value after the change.
  T increment() { return __atomic_add_fetch(&value_, T(1), __ATOMIC_SEQ_CST); }
  T decrement() { return __atomic_sub_fetch(&value_, T(1), __ATOMIC_SEQ_CST); }
  T add(T amount) { return __atomic_add_fetch(&value_, amount, __ATOMIC_SEQ_CST); }

  // Stores desired when the value equals expected; returns the value found.
  T compareExchange(T expected, T desired) {
    __atomic_compare_exchange_n(&value_, &expected, desired, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return expected;
  }

 private:
  T value_;
};

static_assert(sizeof(Integer<unsigned int>) == 4, "the shared counter is one 32-bit word");

}  // namespace kivatomicop
