// The name registry through which user mode reaches the storage maps. Each
// operation names a map by a text in the caller's memory (optionally followed
// by "_Ver" and the version the caller expects) and applies one map operation
// to it. The maps are not owned.
//
// Every operation holds the registration's mutex for the whole map
// operation: a map operation makes several window calls, and two requests
// interleaving between them could commit a checksum that misses the other's
// change.
#pragma once

#include <stdint.h>

#include "framework/kivregitools/Dispatcher.h"
#include "framework/kivregitools/WrapperDispatcher.h"
#include "platform/memory/tUserBuffer.h"
#include "platform/status/tStatus.h"
#include "storage/storageMap/StorageMapInterface.h"

namespace storagemap {

class StorageMapDispatcher
    : public kivregitools::Dispatcher<StorageMapInterface, kivregitools::WrapperDispatcher> {
 public:
  // What getElementCount and getElementSize answer when the map cannot be
  // looked up.
  static constexpr uint64_t kNoAnswer = 0xFFFFFFFFu;
  // One raw transfer moves at most this many bytes: the copy to or from the
  // caller moves a 32-bit length.
  static constexpr uint64_t kLargestRawTransfer = UINT32_MAX;

  StorageMapDispatcher() {}
  // The registry's own destruction withdraws whatever is still registered.
  ~StorageMapDispatcher() override {}

  void flush(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
             bool force, nKIVAPALS100::tStatus& status);
  void refresh(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
               nKIVAPALS100::tStatus& status);
  uint64_t getElementCount(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName,
                           uint64_t nameLength, uint32_t key, nKIVAPALS100::tStatus& status);
  uint64_t getElementSize(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName,
                          uint64_t nameLength, uint32_t key, nKIVAPALS100::tStatus& status);
  // count elements of elementSize bytes each, packed in the caller's buffer.
  void setRaw(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
              uint32_t key, uint64_t first, uint64_t count, void* userBuffer, uint64_t elementSize,
              nKIVAPALS100::tStatus& status);
  // The caller's buffer is written only when the whole read succeeded.
  void getRaw(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
              uint32_t key, uint64_t first, uint64_t count, void* userBuffer, uint64_t elementSize,
              nKIVAPALS100::tStatus& status);
  bool isChecksumValid(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName,
                       uint64_t nameLength, nKIVAPALS100::tStatus& status);

 private:
  // The named map, or null with the lookup's error.
  StorageMapInterface* lookUp(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName,
                              uint64_t nameLength, vorlan_driver::nKIVAPAL000::tMutex** mutex,
                              nKIVAPALS100::tStatus& status);
  // The map's own tests of a raw access, made before the kernel buffer is
  // sized by the caller's numbers: true when the range lies inside the field
  // and the element size is the field's, so the buffer is bounded by the map.
  static bool checkRawRange(StorageMapInterface& map, uint32_t key, uint64_t first, uint64_t count,
                            uint64_t elementSize, nKIVAPALS100::tStatus& status);
  // The size test made before the lookup.
  static bool checkRawSize(uint64_t count, uint64_t elementSize, nKIVAPALS100::tStatus& status);
  // Lookup, range tests, kernel buffer and copies of setRaw and getRaw.
  void transferRaw(bool toCaller, const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName,
                   uint64_t nameLength, uint32_t key, uint64_t first, uint64_t count, void* userBuffer,
                   uint64_t elementSize, nKIVAPALS100::tStatus& status);
};

}  // namespace storagemap
