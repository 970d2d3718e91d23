// Where a notifier sends: the identifier echoed in every message and the
// kernel-socket port user mode listens on.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tIONotifierParams {
  uint64_t identifier;
  uint32_t port;
};
static_assert(sizeof(tIONotifierParams) == 16, "notifier parameters are 16 bytes");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
