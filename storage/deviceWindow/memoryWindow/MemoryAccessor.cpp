#include "storage/deviceWindow/memoryWindow/MemoryAccessor.h"

#include "platform/quarks/kivString.h"
#include "storage/storageStatusCodes.h"

namespace devicewindow {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::copyBytes;
using vorlan_driver::nKIVAPAL000::fillBytes;

MemoryAccessor::MemoryAccessor(uint64_t size, tStatus& status) : bytes_() {
  if (status.isFatal()) return;
  bytes_.resize(size, status);
  if (status.isNotFatal()) fillBytes(bytes_.data(), 0xFF, size);
}

MemoryAccessor::MemoryAccessor(const uint8_t* source, uint64_t length, tStatus& status) : bytes_() {
  if (status.isFatal()) return;
  if (source == nullptr && length != 0) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  bytes_.resize(length, status);
  if (status.isNotFatal()) copyBytes(bytes_.data(), source, length);
}

bool MemoryAccessor::checkRange(const void* buffer, uint64_t offset, uint64_t count, tStatus& status) const {
  if (status.isFatal()) return false;
  if (buffer == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return false;
  }
  if (offset > bytes_.count() || count > bytes_.count() - offset) {
    vorlanSetCode(status, storagecodes::kOutOfRange);
    return false;
  }
  return true;
}

void MemoryAccessor::read(uint64_t offset, uint64_t count, uint8_t* destination, tStatus& status) {
  if (!checkRange(destination, offset, count, status)) return;
  copyBytes(destination, bytes_.data() + offset, count);
}

void MemoryAccessor::write(const uint8_t* source, uint64_t offset, uint64_t count, tStatus& status) {
  if (!checkRange(source, offset, count, status)) return;
  copyBytes(bytes_.data() + offset, source, count);
}

}  // namespace devicewindow
