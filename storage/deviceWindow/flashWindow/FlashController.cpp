#include "storage/deviceWindow/flashWindow/FlashController.h"

#include "storage/storageStatusCodes.h"

namespace devicewindow {

using nKIVAPALS100::tStatus;

namespace {

bool isPowerOfTwo(uint64_t value) { return value != 0 && (value & (value - 1)) == 0; }

}  // namespace

FlashController::FlashController(uint64_t sizeInBytes, uint64_t sectorSize, tStatus& status)
    : sizeInBytes_(sizeInBytes), sectorSize_(sectorSize) {
  if (status.isFatal()) return;
  if (!isPowerOfTwo(sizeInBytes)) {
    vorlanSetCode(status, storagecodes::kFlashSizeNotPowerOfTwo);
  } else if (!isPowerOfTwo(sectorSize)) {
    vorlanSetCode(status, storagecodes::kSectorSizeNotPowerOfTwo);
  } else if (sizeInBytes % sectorSize != 0) {
    vorlanSetCode(status, storagecodes::kFlashSizeNotSectorMultiple);
  }
}

uint64_t FlashController::getSectorIndex(uint64_t address, tStatus& status) const {
  if (status.isFatal()) return kInvalid;
  const uint64_t sectorSize = getSectorSize();
  if (address > getSizeInBytes() || sectorSize == 0) {
    vorlanSetCode(status, storagecodes::kFlashRange);
    return kInvalid;
  }
  return address / sectorSize;
}

uint64_t FlashController::getSectorAddress(uint64_t index, tStatus& status) const {
  if (status.isFatal()) return kInvalid;
  if (index >= getNumberOfSectors()) {
    vorlanSetCode(status, storagecodes::kFlashRange);
    return kInvalid;
  }
  return index * getSectorSize();
}

void FlashController::checkSectorAddress(uint64_t address, tStatus& status) const {
  if (status.isFatal()) return;
  const uint64_t sectorAddress = getSectorAddress(getSectorIndex(address, status), status);
  if (status.isNotFatal() && sectorAddress != address) vorlanSetCode(status, storagecodes::kFlashRange);
}

}  // namespace devicewindow
