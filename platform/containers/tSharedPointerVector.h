// A growing array of shared pointers: each element holds one reference,
// given back when the vector is cleared or destroyed. Growth takes a status
// and fails with -52000; a failed append adds nothing and takes no
// reference.
#pragma once

#include <stdint.h>

#include "platform/containers/tSharedPointer.h"
#include "platform/containers/tVector.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename T>
class tSharedPointerVector {
 public:
  tSharedPointerVector() {}
  ~tSharedPointerVector() { clear(); }
  tSharedPointerVector(const tSharedPointerVector&) = delete;
  tSharedPointerVector& operator=(const tSharedPointerVector&) = delete;

  uint64_t count() const { return items_.count(); }
  // A new reference to element `index`.
  tSharedPointer<T> operator[](uint64_t index) const {
    return tSharedPointer<T>(items_[index].object, items_[index].count);
  }
  T* get(uint64_t index) const { return items_[index].object; }

  void pushBack(const tSharedPointer<T>& item, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    items_.pushBack(Slot{item.object_, item.count_}, status);
    if (status.isNotFatal()) tSharedPointer<T>::hold(item.count_);
  }

  void clear() {
    for (uint64_t i = 0; i < items_.count(); ++i) tSharedPointer<T>::drop(items_[i].object, items_[i].count);
    items_.clear();
  }

 private:
  struct Slot {
    T* object;
    typename tSharedPointer<T>::tCount* count;
  };
  tVector<Slot> items_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
