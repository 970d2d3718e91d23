#include "platform/cppRuntime/cppNewDelete.h"

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

void* allocate(size_t size, nKIVAPALS100::tStatus& status, uint8_t kindFlag) {
  // The overflow test comes before the status is looked at.
  if (size > UINT64_MAX - sizeof(tAllocationHeader)) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return nullptr;
  }
  if (status.isFatal()) return nullptr;
  const uint64_t total = size + sizeof(tAllocationHeader);
  tAllocationHeader* header = static_cast<tAllocationHeader*>(nKIVKAL100_malloc(total));
  if (header == nullptr) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return nullptr;
  }
  header->totalSize = total;
  header->kindFlag = kindFlag;
  return header + 1;
}

void release(void* payload) {
  if (payload == nullptr) return;
  nKIVKAL100_free(static_cast<tAllocationHeader*>(payload) - 1);
}

namespace {

void* allocateWithoutStatus(size_t size) {
  nKIVAPALS100::tStatus dropped;
  return allocate(size, dropped, 1);
}

}  // namespace

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver

using vorlan_driver::nKIVAPAL000::allocate;
using vorlan_driver::nKIVAPAL000::allocateWithoutStatus;
using vorlan_driver::nKIVAPAL000::release;

namespace std {
struct nothrow_t;
}  // namespace std

// A kernel has no other runtime, so these forms serve every allocation in the
// process the driver is linked into. They return null instead of throwing.
void* operator new(size_t size) { return allocateWithoutStatus(size); }
void* operator new[](size_t size) { return allocateWithoutStatus(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocateWithoutStatus(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocateWithoutStatus(size); }
void* operator new(size_t size, nKIVAPALS100::tStatus& status, uint8_t kindFlag) noexcept {
  return allocate(size, status, kindFlag);
}
void* operator new[](size_t size, nKIVAPALS100::tStatus& status, uint8_t kindFlag) noexcept {
  return allocate(size, status, kindFlag);
}

void operator delete(void* payload) noexcept { release(payload); }
void operator delete[](void* payload) noexcept { release(payload); }
void operator delete(void* payload, size_t) noexcept { release(payload); }
void operator delete[](void* payload, size_t) noexcept { release(payload); }
void operator delete(void* payload, const std::nothrow_t&) noexcept { release(payload); }
void operator delete[](void* payload, const std::nothrow_t&) noexcept { release(payload); }
void operator delete(void* payload, nKIVAPALS100::tStatus&, uint8_t) noexcept { release(payload); }
void operator delete[](void* payload, nKIVAPALS100::tStatus&, uint8_t) noexcept { release(payload); }
