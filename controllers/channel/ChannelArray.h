// One controller per channel, held by value: built in channel order by a
// maker the owner gives, destroyed in reverse.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/cppRuntime/cppNewDelete.h"

namespace vorlan_driver {

template <typename T, uint32_t N = 24>
class ChannelArray {
 public:
  // make(where, channel) builds channel's controller at where.
  template <typename Maker>
  explicit ChannelArray(Maker make) {
    for (uint32_t i = 0; i < N; ++i) make(static_cast<void*>(storage_ + i * sizeof(T)), i);
  }
  ~ChannelArray() {
    for (uint32_t i = N; i > 0; --i) (*this)[i - 1].~T();
  }
  ChannelArray(const ChannelArray&) = delete;
  ChannelArray& operator=(const ChannelArray&) = delete;

  T& operator[](uint32_t channel) { return *reinterpret_cast<T*>(storage_ + channel * sizeof(T)); }
  static constexpr uint32_t size() { return N; }

 private:
  alignas(T) unsigned char storage_[N * sizeof(T)];
};

}  // namespace vorlan_driver
