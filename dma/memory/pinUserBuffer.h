// Pins a caller's buffer for DMA: a page list over the whole pages it
// touches, its size the byte count and its offset where the data starts in
// the first page. destroyPageList unpins it.
#pragma once

#include <stdint.h>

#include "platform/memory/tPageList.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

constexpr uint32_t kUserPageListFlags = 16;

void pinUserBuffer(uint64_t userAddress, uint64_t byteCount, tPageList& pageList, nKIVAPALS100::tStatus& status);

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
