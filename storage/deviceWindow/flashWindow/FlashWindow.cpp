#include "storage/deviceWindow/flashWindow/FlashWindow.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "storage/storageStatusCodes.h"

namespace devicewindow {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;
namespace statusCodes = vorlan_driver::statusCodes;

namespace {

// A table this long cannot be addressed, let alone allocated.
constexpr uint64_t kMaximumSectorCount = uint64_t(1) << 60;

}  // namespace

FlashWindow::FlashWindow(FlashController& controller, tStatus& status)
    : controller_(&controller), sectors_(nullptr), sectorCount_(0), mutex_(status) {
  if (status.isFatal()) return;
  const uint64_t sectorSize = controller.getSectorSize();
  if (sectorSize == 0 || controller.getSizeInBytes() % sectorSize != 0) {
    vorlanSetCode(status, storagecodes::kFlashSizeNotSectorMultiple);
    return;
  }
  const uint64_t count = controller.getNumberOfSectors();
  if (count >= kMaximumSectorCount) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  sectors_ = static_cast<FlashSector**>(vorlan_driver::nKIVAPAL000::allocate(count * sizeof(FlashSector*), status, 0));
  if (sectors_ == nullptr) return;
  vorlan_driver::nKIVAPAL000::fillBytes(sectors_, 0, count * sizeof(FlashSector*));
  sectorCount_ = count;
}

FlashWindow::~FlashWindow() {
  for (uint64_t i = 0; i < sectorCount_; ++i) delete sectors_[i];
  vorlan_driver::nKIVAPAL000::release(sectors_);
}

bool FlashWindow::isUsable(tStatus& status) const {
  if (status.isFatal()) return false;
  // A window whose construction failed has no table, and maybe no mutex.
  if (sectors_ == nullptr) {
    vorlanSetCode(status, statusCodes::kResourceNotAvailable);
    return false;
  }
  return true;
}

bool FlashWindow::checkRange(uint64_t address, uint64_t length, tStatus& status) const {
  const uint64_t size = getSizeInBytes();
  if (address > size || length > size - address) {
    vorlanSetCode(status, storagecodes::kFlashRange);
    return false;
  }
  return true;
}

FlashSector* FlashWindow::sectorAt(uint64_t index, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (index >= sectorCount_) {
    vorlanSetCode(status, storagecodes::kFlashRange);
    return nullptr;
  }
  if (sectors_[index] == nullptr) {
    const uint64_t sectorAddress = controller_->getSectorAddress(index, status);
    FlashSector* sector = kivNew(status) FlashSector(sectorAddress, *controller_, status);
    if (status.isFatal()) {
      delete sector;
      return nullptr;
    }
    sectors_[index] = sector;
  }
  return sectors_[index];
}

void FlashWindow::forEachSector(const uint8_t* source, uint8_t* destination, uint64_t address, uint64_t length,
                                Operation operation, bool force, tStatus& status) {
  if (status.isFatal() || !checkRange(address, length, status)) return;
  if ((operation == kGet && destination == nullptr) || (operation == kSet && source == nullptr)) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  const uint64_t sectorSize = controller_->getSectorSize();
  uint64_t index = controller_->getSectorIndex(address, status);
  uint64_t offset = address & (sectorSize - 1);
  while (length > 0 && status.isNotFatal()) {
    FlashSector* sector = sectorAt(index, status);
    if (sector == nullptr) return;
    const uint64_t chunk = length < sectorSize - offset ? length : sectorSize - offset;
    switch (operation) {
      case kGet:
        sector->get(offset, chunk, destination, status);
        destination += chunk;
        break;
      case kSet:
        sector->set(source, offset, chunk, status);
        source += chunk;
        break;
      case kFlush: sector->flush(offset, chunk, force, status); break;
      case kRefresh: sector->refresh(offset, chunk, status); break;
    }
    length -= chunk;
    offset = 0;
    ++index;
  }
}

void FlashWindow::get(uint64_t address, uint64_t length, uint8_t* destination, tStatus& status) {
  if (!isUsable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  forEachSector(nullptr, destination, address, length, kGet, false, status);
}

void FlashWindow::set(const uint8_t* source, uint64_t address, uint64_t length, tStatus& status) {
  if (!isUsable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  forEachSector(source, nullptr, address, length, kSet, false, status);
  noteChange();
}

void FlashWindow::flush(uint64_t address, uint64_t length, bool force, tStatus& status) {
  if (!isUsable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  forEachSector(nullptr, nullptr, address, length, kFlush, force, status);
  noteChange();
}

void FlashWindow::refresh(uint64_t address, uint64_t length, tStatus& status) {
  if (!isUsable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  forEachSector(nullptr, nullptr, address, length, kRefresh, false, status);
  noteChange();
}

void FlashWindow::read(uint64_t address, uint64_t length, uint8_t* destination, tStatus& status) {
  if (!isUsable(status)) return;
  // Refused before the refresh, which would discard the caller's unflushed
  // changes in the range and then deliver nothing.
  if (destination == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  tAutoLock<tMutex> lock(mutex_);
  forEachSector(nullptr, nullptr, address, length, kRefresh, false, status);
  forEachSector(nullptr, destination, address, length, kGet, false, status);
  noteChange();
}

void FlashWindow::write(const uint8_t* source, uint64_t address, uint64_t length, bool force, tStatus& status) {
  if (!isUsable(status)) return;
  if (source == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  tAutoLock<tMutex> lock(mutex_);
  forEachSector(source, nullptr, address, length, kSet, false, status);
  forEachSector(nullptr, nullptr, address, length, kFlush, force, status);
  noteChange();
}

}  // namespace devicewindow
