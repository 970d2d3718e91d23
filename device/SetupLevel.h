// How far the device has been set up: 0 nothing, 20 fully set up.
#pragma once

#include <stdint.h>

namespace vorlan_shared {

struct SetupLevel {
  typedef uint32_t type;
  static constexpr type kNone = 0;
  static constexpr type kFull = 20;
};

}  // namespace vorlan_shared
