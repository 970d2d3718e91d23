// A user mapping the layer's mmap callback announced; the driver may map
// pages or a physical range into it.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tSession;
struct tPageList;

class tUserMemoryMap {
 public:
  static constexpr uint32_t kAccessReadWrite = 16;
  static constexpr uint32_t kAccessRead = 8;

  tUserMemoryMap(tSession* session, void* handle, uint16_t word);
  virtual ~tUserMemoryMap() {}
  tUserMemoryMap(const tUserMemoryMap&) = delete;
  tUserMemoryMap& operator=(const tUserMemoryMap&) = delete;

  // Both need a page-aligned offset (-52005).
  void mapPageList(const tPageList& pageList, uint64_t offset, uint64_t length, nKIVAPALS100::tStatus& status);
  void mapPhysicalAddress(uint64_t offset, uint64_t physical, uint32_t cacheMode, nKIVAPALS100::tStatus& status);

  uint64_t getSize() const { return size_; }
  uint16_t getWord() const { return word_; }
  uint32_t getAccess() const { return access_; }
  void* getHandle() const { return handle_; }
  void* getAddress() const { return address_; }
  tSession* getSession() const { return session_; }

 private:
  bool checkOffset(uint64_t offset, nKIVAPALS100::tStatus& status) const;

  uint64_t size_;
  uint16_t word_;
  uint32_t access_;
  void* handle_;
  void* address_;
  tSession* session_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
