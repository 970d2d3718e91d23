// Allocation forms of the driver: every block carries a 16-byte header
// {total size, kind flag} in front of the payload; the status forms report
// failure through the status instead of throwing.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tAllocationHeader {
  uint64_t totalSize;
  uint64_t kindFlag;
};
static_assert(sizeof(tAllocationHeader) == 16, "allocation header is 16 bytes");

// Tag of the driver's own placement form (the freestanding build has no <new>).
struct tPlacement {};
constexpr tPlacement kPlacement{};

void* allocate(size_t size, nKIVAPALS100::tStatus& status, uint8_t kindFlag);
void release(void* payload);

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver

void* operator new(size_t size, nKIVAPALS100::tStatus& status, uint8_t kindFlag) noexcept;
void* operator new[](size_t size, nKIVAPALS100::tStatus& status, uint8_t kindFlag) noexcept;
void operator delete(void* payload, nKIVAPALS100::tStatus& status, uint8_t kindFlag) noexcept;
void operator delete[](void* payload, nKIVAPALS100::tStatus& status, uint8_t kindFlag) noexcept;

inline void* operator new(size_t, void* where, vorlan_driver::nKIVAPAL000::tPlacement) noexcept { return where; }
inline void operator delete(void*, void*, vorlan_driver::nKIVAPAL000::tPlacement) noexcept {}

// The driver's usual way to create an object: kind flag 0, status last.
#define kivNew(status) new ((status), static_cast<uint8_t>(0))
