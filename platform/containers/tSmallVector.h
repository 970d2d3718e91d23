// A tVector with room for kInline elements inside itself: lists that stay
// that short (a request's gate sentries, for one) never allocate.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename T, uint64_t kInline>
class tSmallVector : public tVector<T> {
  static_assert(kInline > 0, "a small vector has inline room");

 public:
  tSmallVector() : tVector<T>(reinterpret_cast<T*>(storage_), kInline) {}
  tSmallVector(const tSmallVector&) = delete;
  tSmallVector& operator=(const tSmallVector&) = delete;

 private:
  alignas(T) unsigned char storage_[kInline * sizeof(T)];
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
