#include "storage/deviceWindow/flashWindow/FlashSector.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"
#include "storage/storageStatusCodes.h"

namespace devicewindow {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::copyBytes;

FlashSector::FlashSector(uint64_t sectorAddress, FlashController& controller, tStatus& status)
    : controller_(&controller), sectorAddress_(sectorAddress), working_(), committed_(), stale_(false) {
  if (status.isFatal()) return;
  const uint64_t size = controller.getSectorSize();
  working_.resize(size, status);
  committed_.resize(size, status);
  controller.readSector(sectorAddress, committed_.data(), status);
  if (status.isNotFatal()) copyBytes(working_.data(), committed_.data(), size);
}

bool FlashSector::checkRange(uint64_t address, uint64_t length, tStatus& status) const {
  const uint64_t size = getSizeInBytes();
  if (address > size || length > size - address) {
    vorlanSetCode(status, storagecodes::kFlashRange);
    return false;
  }
  return true;
}

void FlashSector::get(uint64_t address, uint64_t length, uint8_t* destination, tStatus& status) {
  if (status.isFatal()) return;
  if (destination == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  if (!checkRange(address, length, status)) return;
  copyBytes(destination, working_.data() + address, length);
}

void FlashSector::set(const uint8_t* source, uint64_t address, uint64_t length, tStatus& status) {
  if (status.isFatal()) return;
  if (source == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  if (!checkRange(address, length, status)) return;
  copyBytes(working_.data() + address, source, length);
  noteChange();
}

void FlashSector::writeBack(tStatus& status) {
  controller_->writeSector(sectorAddress_, committed_.data(), status);
  // A write that failed after the erase leaves the flash erased or partly
  // programmed while the committed copy already holds the new content.
  stale_ = status.isFatal();
}

void FlashSector::flush(uint64_t address, uint64_t length, bool force, tStatus& status) {
  if (status.isFatal() || !checkRange(address, length, status)) return;
  uint8_t* working = working_.data() + address;
  uint8_t* committed = committed_.data() + address;
  bool changed = false;
  for (uint64_t i = 0; i < length && !changed; ++i) changed = working[i] != committed[i];
  if (changed) copyBytes(committed, working, length);
  if (changed || force || stale_) writeBack(status);
  noteChange();
}

void FlashSector::refresh(uint64_t address, uint64_t length, tStatus& status) {
  if (status.isFatal() || !checkRange(address, length, status)) return;
  const uint64_t size = getSizeInBytes();
  // Read aside: a read that fails part way must not leave placeholder bytes
  // in the committed copy, which a later flush would write to the flash.
  uint8_t* fresh = static_cast<uint8_t*>(vorlan_driver::nKIVAPAL000::allocate(size, status, 0));
  if (fresh == nullptr) return;
  controller_->readSector(sectorAddress_, fresh, status);
  if (status.isNotFatal()) {
    copyBytes(committed_.data(), fresh, size);
    copyBytes(working_.data() + address, fresh + address, length);
    stale_ = false;
  }
  vorlan_driver::nKIVAPAL000::release(fresh);
  noteChange();
}

void FlashSector::read(uint64_t address, uint64_t length, uint8_t* destination, tStatus& status) {
  if (status.isFatal()) return;
  // Refused before the refresh, which would discard unflushed changes.
  if (destination == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  refresh(address, length, status);
  get(address, length, destination, status);
}

void FlashSector::write(const uint8_t* source, uint64_t address, uint64_t length, bool force, tStatus& status) {
  set(source, address, length, status);
  flush(address, length, force, status);
}

}  // namespace devicewindow
