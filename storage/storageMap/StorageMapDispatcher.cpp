#include "storage/storageMap/StorageMapDispatcher.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"
#include "platform/synchronization/tMutex.h"
#include "storage/storageStatusCodes.h"

namespace storagemap {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tEventDescriptor;
using vorlan_driver::nKIVAPAL000::tMutex;
using vorlan_driver::nKIVAPAL000::tUserBuffer;

StorageMapInterface* StorageMapDispatcher::lookUp(const tEventDescriptor& request, void* userName,
                                                  uint64_t nameLength, tMutex** mutex, tStatus& status) {
  StorageMapInterface* map = nullptr;
  getRegistration(request, userName, nameLength, &map, status, mutex);
  return status.isFatal() ? nullptr : map;
}

void StorageMapDispatcher::flush(const tEventDescriptor& request, void* userName, uint64_t nameLength, bool force,
                                 tStatus& status) {
  tMutex* mutex = nullptr;
  StorageMapInterface* map = lookUp(request, userName, nameLength, &mutex, status);
  if (map == nullptr) return;
  tAutoLock<tMutex> lock(*mutex);
  map->flush(force, status);
}

void StorageMapDispatcher::refresh(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                   tStatus& status) {
  tMutex* mutex = nullptr;
  StorageMapInterface* map = lookUp(request, userName, nameLength, &mutex, status);
  if (map == nullptr) return;
  tAutoLock<tMutex> lock(*mutex);
  map->refresh(status);
}

uint64_t StorageMapDispatcher::getElementCount(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                               uint32_t key, tStatus& status) {
  tMutex* mutex = nullptr;
  StorageMapInterface* map = lookUp(request, userName, nameLength, &mutex, status);
  if (map == nullptr) return kNoAnswer;
  tAutoLock<tMutex> lock(*mutex);
  return map->getElementCount(key, status);
}

uint64_t StorageMapDispatcher::getElementSize(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                              uint32_t key, tStatus& status) {
  tMutex* mutex = nullptr;
  StorageMapInterface* map = lookUp(request, userName, nameLength, &mutex, status);
  if (map == nullptr) return kNoAnswer;
  tAutoLock<tMutex> lock(*mutex);
  return map->getElementSize(key, status);
}

bool StorageMapDispatcher::isChecksumValid(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                           tStatus& status) {
  tMutex* mutex = nullptr;
  StorageMapInterface* map = lookUp(request, userName, nameLength, &mutex, status);
  if (map == nullptr) return false;
  tAutoLock<tMutex> lock(*mutex);
  return map->isChecksumValid(status);
}

bool StorageMapDispatcher::checkRawSize(uint64_t count, uint64_t elementSize, tStatus& status) {
  if (status.isFatal()) return false;
  // Also keeps count * elementSize from wrapping.
  if (elementSize == 0 || count > kLargestRawTransfer / elementSize) {
    vorlanSetCode(status, storagecodes::kOutOfRange);
    return false;
  }
  return true;
}

bool StorageMapDispatcher::checkRawRange(StorageMapInterface& map, uint32_t key, uint64_t first, uint64_t count,
                                         uint64_t elementSize, tStatus& status) {
  // The map's own tests, in its order, so the caller sees the codes the map
  // would give: field, buffer (none exists for no elements), range, size.
  const uint64_t fieldCount = map.getElementCount(key, status);
  if (status.isFatal()) return false;
  if (count == 0) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return false;
  }
  if (first >= fieldCount || count > fieldCount - first) {
    vorlanSetCode(status, storagecodes::kOutOfRange);
    return false;
  }
  if (elementSize != map.getElementSize(key, status)) {
    vorlanSetCode(status, storagecodes::kElementSizeMismatch);
    return false;
  }
  return status.isNotFatal();
}

void StorageMapDispatcher::transferRaw(bool toCaller, const tEventDescriptor& request, void* userName,
                                       uint64_t nameLength, uint32_t key, uint64_t first, uint64_t count,
                                       void* userBuffer, uint64_t elementSize, tStatus& status) {
  if (!checkRawSize(count, elementSize, status)) return;
  tMutex* mutex = nullptr;
  StorageMapInterface* map = lookUp(request, userName, nameLength, &mutex, status);
  if (map == nullptr) return;
  tAutoLock<tMutex> lock(*mutex);
  if (!checkRawRange(*map, key, first, count, elementSize, status)) return;

  const uint64_t bytes = count * elementSize;
  void* buffer = vorlan_driver::nKIVAPAL000::allocate(bytes, status, 0);
  if (buffer == nullptr) return;
  vorlan_driver::nKIVAPAL000::fillBytes(buffer, 0, bytes);
  const tUserBuffer caller(&request, reinterpret_cast<uint64_t>(userBuffer), bytes);
  // Each step runs only on a clean status: nothing reaches the map unless
  // all of the caller's bytes arrived, and a failed read copies nothing out.
  if (toCaller) {
    map->getRaw(key, first, count, buffer, elementSize, status);
    caller.copyToUser(0, buffer, static_cast<uint32_t>(bytes), status);
  } else {
    caller.copyFromUser(0, buffer, static_cast<uint32_t>(bytes), status);
    map->setRaw(key, first, count, buffer, elementSize, status);
  }
  vorlan_driver::nKIVAPAL000::release(buffer);
}

void StorageMapDispatcher::setRaw(const tEventDescriptor& request, void* userName, uint64_t nameLength, uint32_t key,
                                  uint64_t first, uint64_t count, void* userBuffer, uint64_t elementSize,
                                  tStatus& status) {
  transferRaw(false, request, userName, nameLength, key, first, count, userBuffer, elementSize, status);
}

void StorageMapDispatcher::getRaw(const tEventDescriptor& request, void* userName, uint64_t nameLength, uint32_t key,
                                  uint64_t first, uint64_t count, void* userBuffer, uint64_t elementSize,
                                  tStatus& status) {
  transferRaw(true, request, userName, nameLength, key, first, count, userBuffer, elementSize, status);
}

}  // namespace storagemap
