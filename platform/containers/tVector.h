// A growing array of trivially copyable elements. Growth takes a status and
// fails with -52000 instead of throwing; a failed operation leaves the
// contents as they were. tSmallVector gives it room inside its owner, so a
// list that stays short never reaches the heap.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename T>
class tVector {
  // Elements are moved with byte copies when the array grows.
  static_assert(__is_trivially_copyable(T), "tVector holds trivially copyable elements only");

 public:
  tVector() : items_(nullptr), inline_(nullptr), count_(0), capacity_(0) {}
  ~tVector() { releaseItems(); }
  tVector(const tVector&) = delete;
  tVector& operator=(const tVector&) = delete;

  uint64_t count() const { return count_; }
  uint64_t capacity() const { return capacity_; }
  bool isEmpty() const { return count_ == 0; }
  T* data() { return items_; }
  const T* data() const { return items_; }
  T& operator[](uint64_t index) { return items_[index]; }
  const T& operator[](uint64_t index) const { return items_[index]; }

  // Makes room for at least `wanted` elements; false when the status holds
  // an error on entry or the room cannot be had.
  bool reserve(uint64_t wanted, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return false;
    if (wanted <= capacity_) return true;
    uint64_t grown = capacity_ < kMinimumCapacity ? kMinimumCapacity : capacity_;
    while (grown < wanted && grown <= kMaximumCount / 2) grown *= 2;
    if (grown < wanted) grown = wanted;
    return replaceStorage(grown, count_, status);
  }

  void pushBack(const T& item, nKIVAPALS100::tStatus& status) {
    if (count_ == kMaximumCount) {
      if (status.isNotFatal()) vorlanSetCode(status, statusCodes::kOutOfMemory);
      return;
    }
    if (!reserve(count_ + 1, status)) return;
    items_[count_++] = item;
  }

  // New elements are zero bytes.
  void resize(uint64_t newCount, nKIVAPALS100::tStatus& status) {
    if (!reserve(newCount, status)) return;
    if (newCount > count_) fillBytes(items_ + count_, 0, (newCount - count_) * sizeof(T));
    count_ = newCount;
  }

  // Like resize, but room that must be added is exactly newCount elements.
  void resizeExactly(uint64_t newCount, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (newCount > capacity_ && !replaceStorage(newCount, count_, status)) return;
    if (newCount > count_) fillBytes(items_ + count_, 0, (newCount - count_) * sizeof(T));
    count_ = newCount;
  }

  // The contents become a copy of `count` elements at `source`: in place
  // when they fit and do not overlap the source, else in a buffer of exactly
  // `count` elements. On failure the contents stay as they were.
  void assign(const T* source, uint64_t count, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    const uintptr_t from = reinterpret_cast<uintptr_t>(source);
    const uintptr_t own = reinterpret_cast<uintptr_t>(items_);
    const bool overlaps = count != 0 && capacity_ != 0 && from < own + capacity_ * sizeof(T) &&
                          own < from + count * sizeof(T);
    if ((count > capacity_ || overlaps) && !replaceStorage(count, 0, status)) return;
    copyBytes(items_, source, count * sizeof(T));
    count_ = count;
  }

  // Keeps the order of the elements after it.
  void eraseAt(uint64_t index) {
    if (index >= count_) return;
    for (uint64_t i = index + 1; i < count_; ++i) items_[i - 1] = items_[i];
    --count_;
  }

  void clear() { count_ = 0; }

 protected:
  // Starts out in `inlineItems`, room for `inlineCapacity` elements that the
  // derived class owns; the heap only beyond them.
  tVector(T* inlineItems, uint64_t inlineCapacity)
      : items_(inlineItems), inline_(inlineItems), count_(0), capacity_(inlineCapacity) {}

 private:
  static constexpr uint64_t kMinimumCapacity = 4;

  // A buffer of exactly `capacity` elements, holding the first `keep`.
  bool replaceStorage(uint64_t capacity, uint64_t keep, nKIVAPALS100::tStatus& status) {
    if (capacity > kMaximumCount) {
      vorlanSetCode(status, statusCodes::kOutOfMemory);
      return false;
    }
    T* fresh = static_cast<T*>(allocate(capacity * sizeof(T), status, 0));
    if (fresh == nullptr) return false;
    copyBytes(fresh, items_, keep * sizeof(T));
    releaseItems();
    items_ = fresh;
    capacity_ = capacity;
    return true;
  }

  void releaseItems() {
    if (items_ != inline_) release(items_);
  }
  static constexpr uint64_t kMaximumCount = UINT64_MAX / 2 / sizeof(T);

  T* items_;
  T* inline_;  // null without inline room
  uint64_t count_;
  uint64_t capacity_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
