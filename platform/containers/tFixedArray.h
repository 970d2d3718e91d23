// An array of at most kMaxSize trivially copyable elements, held in place: it
// never allocates, so it serves where memory cannot be asked for. Growing it
// beyond its capacity is a fault of the caller, not of the system: the
// array reports it on the debug log and halts.
#pragma once

#include <stdint.h>

#include "platform/debug/kivsdbg.h"
#include "platform/quarks/kivString.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename T, uint64_t kMaxSize>
class tFixedArray {
  static_assert(__is_trivially_copyable(T), "tFixedArray holds trivially copyable elements only");
  static_assert(kMaxSize > 0, "a fixed array holds at least one element");

 public:
  tFixedArray() : size_(0) {}

  static constexpr uint64_t capacity() { return kMaxSize; }
  uint64_t count() const { return size_; }
  bool isEmpty() const { return size_ == 0; }
  bool isFull() const { return size_ == kMaxSize; }
  T& operator[](uint64_t index) { return items_[index]; }
  const T& operator[](uint64_t index) const { return items_[index]; }

  // Appends n elements; halts when they do not fit.
  void append(const T* items, uint64_t n) {
    assertRoomFor(n);
    copyBytes(items_ + size_, items, n * sizeof(T));
    size_ += n;
  }
  void pushBack(const T& item) { append(&item, 1); }
  // Keeps the order of the others; an index past the end changes nothing.
  void eraseAt(uint64_t index) {
    if (index >= size_) return;
    for (uint64_t i = index + 1; i < size_ && i < kMaxSize; ++i) items_[i - 1] = items_[i];
    --size_;
  }
  void clear() { size_ = 0; }

 private:
  void assertRoomFor(uint64_t n) const {
    if (n <= kMaxSize - size_) return;
    const kivsdbg_Location location = {__FILE__, __LINE__, "\n"};
    kivsdbg_printf("[%s|%s|%d] !!ASSERT!!\n", kivComponentName, location.file, location.line);
    kivsdbg_printLine(&location, "%s", "ASSERT(_size+n <= kMaxSize)");
    kivsdbg_printLine(&location, " ");
    kivsdbg_haltHook(&location, "ASSERT(_size+n <= kMaxSize)");
    // A halt does not come back; if a hook ever does, stay.
    for (;;) __asm__ __volatile__("" ::: "memory");
  }

  uint64_t size_;
  T items_[kMaxSize];
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
