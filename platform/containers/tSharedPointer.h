// Shared ownership of one object: the last reference deletes it. The count
// lives in a block of its own, allocated when a pointer takes the object
// over; it changes by interlocked operations, so references may be copied
// and dropped on any thread (the object itself is not guarded).
#pragma once

#include <stdint.h>

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/kivatomicopInteger.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename T>
class tSharedPointerVector;

template <typename T>
class tSharedPointer {
 public:
  tSharedPointer() : object_(nullptr), count_(nullptr) {}
  // Takes `object` over. When the count cannot be had (the status holds an
  // error, or -52000) the object is deleted at once and the pointer stays
  // empty, so nothing handed over is lost.
  tSharedPointer(T* object, nKIVAPALS100::tStatus& status) : object_(nullptr), count_(nullptr) {
    if (object == nullptr) return;
    tCount* count = status.isNotFatal() ? kivNew(status) tCount(1u) : nullptr;
    if (count == nullptr) {
      delete object;
      return;
    }
    object_ = object;
    count_ = count;
  }
  tSharedPointer(const tSharedPointer& other) : object_(other.object_), count_(other.count_) { hold(count_); }
  tSharedPointer& operator=(const tSharedPointer& other) {
    hold(other.count_);
    drop(object_, count_);
    object_ = other.object_;
    count_ = other.count_;
    return *this;
  }
  ~tSharedPointer() { drop(object_, count_); }

  void reset() {
    drop(object_, count_);
    object_ = nullptr;
    count_ = nullptr;
  }

  T* get() const { return object_; }
  T& operator*() const { return *object_; }
  T* operator->() const { return object_; }
  bool isEmpty() const { return object_ == nullptr; }
  uint32_t useCount() const { return count_ == nullptr ? 0 : count_->getValue(); }

 private:
  friend class tSharedPointerVector<T>;
  using tCount = kivatomicop::Integer<uint32_t>;

  tSharedPointer(T* object, tCount* count) : object_(object), count_(count) { hold(count_); }

  static void hold(tCount* count) {
    if (count != nullptr) count->increment();
  }
  static void drop(T* object, tCount* count) {
    if (count == nullptr || count->decrement() != 0) return;
    delete object;
    delete count;
  }

  T* object_;
  tCount* count_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
