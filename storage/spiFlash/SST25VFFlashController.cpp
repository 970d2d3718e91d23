#include "storage/spiFlash/SST25VFFlashController.h"

#include "framework/atut/Poller.h"
#include "platform/time/tTimeWasterSpin.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"
#include "storage/storageStatusCodes.h"

namespace nonvolatilememorytools {

using nKIVAPALS100::tStatus;

namespace {

// Every opcode is one byte; addresses are the low 24 bits.
constexpr uint32_t kOpcodeBits = 8;
constexpr uint32_t kAddressBits = 24;

// Program and erase finish in microseconds to milliseconds: spin.
using tStatusPoller = atut::Poller<
    vorlan_driver::nKIVAPAL000::tTimeout<vorlan_driver::nKIVAPAL000::tTimeWasterSpin,
                                         vorlan_driver::nKIVAPAL000::tTimebasePrecise>,
    uint32_t>;
constexpr uint64_t kFirstPollIntervalMicroseconds = 1;
constexpr uint64_t kLongestPollIntervalMicroseconds = 10;

}  // namespace

SST25VFFlashController::SST25VFFlashController(uint64_t sizeInBytes, uint64_t sectorSize,
                                               tarntools::SPIController& spi,
                                               kelttools::WriteProtectController& writeProtect,
                                               int32_t pollTimeoutCode, tStatus& status)
    : devicewindow::FlashController(sizeInBytes, sectorSize, status),
      spi_(&spi),
      writeProtect_(&writeProtect),
      pollTimeoutCode_(pollTimeoutCode),
      sharedLocks_(),
      sharedLockCount_(0) {}

void SST25VFFlashController::shareRegisterLocks(vorlan_driver::nKIVAPAL000::tMutex* const* locks, uint32_t count) {
  sharedLockCount_ = 0;
  for (uint32_t i = 0; i < count && sharedLockCount_ < kMaxSharedLocks; ++i) {
    if (locks[i] != nullptr) sharedLocks_[sharedLockCount_++] = locks[i];
  }
}

void SST25VFFlashController::lockSharedRegisters() {
  for (uint32_t i = 0; i < sharedLockCount_; ++i) sharedLocks_[i]->acquire();
}

void SST25VFFlashController::unlockSharedRegisters() {
  for (uint32_t i = sharedLockCount_; i > 0; --i) sharedLocks_[i - 1]->release();
}

uint32_t SST25VFFlashController::readStatusRegister(tStatus& status) {
  if (status.isFatal()) return 0;
  return spi_->read8(kReadStatus, kOpcodeBits, 0, 0, status) & 0xFF;
}

uint32_t SST25VFFlashController::readByte(uint32_t address, tStatus& status) {
  if (status.isFatal()) return 0;
  return spi_->read8(kRead, kOpcodeBits, address, kAddressBits, status);
}

void SST25VFFlashController::pollStatus(uint32_t mask, uint32_t condition, tStatus& status) {
  const tStatusPoller poller(kFirstPollIntervalMicroseconds, kLongestPollIntervalMicroseconds, pollTimeoutCode_);
  poller.poll(*this, &SST25VFFlashController::readStatusRegister, 0u, mask, kPollTimeoutMicroseconds, true,
              condition, status);
}

void SST25VFFlashController::writeEnable(tStatus& status) {
  if (status.isFatal()) return;
  spi_->command(kWriteEnable, kOpcodeBits, status);
  pollStatus(kWriteEnableLatch, tStatusPoller::kAnyMaskBitSet, status);
}

void SST25VFFlashController::waitUntilReady(tStatus& status) {
  if (status.isFatal()) return;
  pollStatus(kBusy | kWriteEnableLatch, tStatusPoller::kNoMaskBitSet, status);
}

void SST25VFFlashController::eraseSector(uint32_t sectorAddress, tStatus& status) {
  if (status.isFatal()) return;
  checkSectorAddress(sectorAddress, status);
  waitUntilReady(status);
  writeEnable(status);
  spi_->commandWithAddress(kSectorErase, kOpcodeBits, sectorAddress, kAddressBits, status);
  waitUntilReady(status);
}

void SST25VFFlashController::programByte(uint8_t data, uint32_t address, tStatus& status) {
  if (status.isFatal()) return;
  writeEnable(status);
  spi_->write8(kByteProgram, kOpcodeBits, address, kAddressBits, data, status);
  waitUntilReady(status);
}

void SST25VFFlashController::protectBlocks(tStatus& status) {
  if (status.isFatal()) return;
  spi_->command(kEnableWriteStatus, kOpcodeBits, status);
  spi_->commandWithData(kWriteStatus, kOpcodeBits, kAllBlocksProtected, status);
  writeProtect_->protect(status);
}

void SST25VFFlashController::unprotectBlocks(tStatus& status) {
  if (status.isFatal()) return;
  writeProtect_->unprotect(status);
  spi_->command(kEnableWriteStatus, kOpcodeBits, status);
  spi_->commandWithData(kWriteStatus, kOpcodeBits, kNoBlockProtected, status);
}

void SST25VFFlashController::readSector(uint64_t sectorAddress, uint8_t* destination, tStatus& status) {
  if (status.isFatal()) return;
  if (destination == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  checkSectorAddress(sectorAddress, status);
  if (status.isFatal()) return;
  lockSharedRegisters();
  readSectorLocked(sectorAddress, destination, status);
  unlockSharedRegisters();
}

void SST25VFFlashController::readSectorLocked(uint64_t sectorAddress, uint8_t* destination, tStatus& status) {
  const uint64_t size = getSectorSize();
  for (uint64_t i = 0; i < size; ++i) {
    destination[i] =
        status.isNotFatal() ? static_cast<uint8_t>(readByte(static_cast<uint32_t>(sectorAddress + i), status)) : 0;
  }
}

void SST25VFFlashController::writeSector(uint64_t sectorAddress, const uint8_t* source, tStatus& status) {
  if (status.isFatal()) return;
  if (source == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  checkSectorAddress(sectorAddress, status);
  if (status.isFatal()) return;
  lockSharedRegisters();
  writeSectorLocked(sectorAddress, source, status);
  unlockSharedRegisters();
}

void SST25VFFlashController::writeSectorLocked(uint64_t sectorAddress, const uint8_t* source, tStatus& status) {
  unprotectBlocks(status);
  eraseSector(static_cast<uint32_t>(sectorAddress), status);
  const uint64_t size = getSectorSize();
  for (uint64_t i = 0; i < size && status.isNotFatal(); ++i) {
    programByte(source[i], static_cast<uint32_t>(sectorAddress + i), status);
  }
  // The flash must end protected whatever went wrong above.
  nKIVAPALS100::tStatusExtended closing;
  protectBlocks(closing);
  status.merge(closing);
}

}  // namespace nonvolatilememorytools
