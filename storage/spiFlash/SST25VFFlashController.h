// The board's SST25VF serial flash behind the SPI controller: whole sectors
// read byte by byte, and written by lifting the protection, erasing,
// programming byte by byte with busy polls and protecting again. No lock of
// its own: the flash window serialises its callers.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "storage/deviceWindow/flashWindow/FlashController.h"
#include "storage/spiFlash/SPIController.h"
#include "storage/spiFlash/WriteProtectController.h"

namespace nonvolatilememorytools {

class SST25VFFlashController : public devicewindow::FlashController {
 public:
  // The controllers are not owned. `pollTimeoutCode` is what a busy or
  // write-enable poll that runs out of time reports.
  SST25VFFlashController(uint64_t sizeInBytes, uint64_t sectorSize, tarntools::SPIController& spi,
                         kelttools::WriteProtectController& writeProtect, int32_t pollTimeoutCode,
                         nKIVAPALS100::tStatus& status);
  ~SST25VFFlashController() override {}

  // Fills the whole sector once the address is accepted: bytes after a
  // failed read are 0.
  void readSector(uint64_t sectorAddress, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  // Protection is restored even when a step before it failed.
  void writeSector(uint64_t sectorAddress, const uint8_t* source, nKIVAPALS100::tStatus& status) override;

  // The register maps under this flash can also be written by name, under
  // their registrations' mutexes. Those mutexes are held, in the order
  // given, around every sector operation, so that nobody reprograms the SPI
  // engine or the write-protect line part way through one. Null entries are
  // skipped; the mutexes must outlive this object or be withdrawn first.
  static constexpr uint32_t kMaxSharedLocks = 4;
  void shareRegisterLocks(vorlan_driver::nKIVAPAL000::tMutex* const* locks, uint32_t count);

  uint32_t readStatusRegister(nKIVAPALS100::tStatus& status);
  uint32_t readByte(uint32_t address, nKIVAPALS100::tStatus& status);
  void writeEnable(nKIVAPALS100::tStatus& status);
  void waitUntilReady(nKIVAPALS100::tStatus& status);
  void eraseSector(uint32_t sectorAddress, nKIVAPALS100::tStatus& status);
  void programByte(uint8_t data, uint32_t address, nKIVAPALS100::tStatus& status);
  void protectBlocks(nKIVAPALS100::tStatus& status);
  void unprotectBlocks(nKIVAPALS100::tStatus& status);

  // Commands.
  static constexpr uint8_t kReadStatus = 0x05;
  static constexpr uint8_t kRead = 0x03;
  static constexpr uint8_t kWriteEnable = 0x06;
  static constexpr uint8_t kSectorErase = 0x20;
  static constexpr uint8_t kByteProgram = 0x02;
  static constexpr uint8_t kEnableWriteStatus = 0x50;
  static constexpr uint8_t kWriteStatus = 0x01;
  // Status register.
  static constexpr uint32_t kBusy = 0x01;
  static constexpr uint32_t kWriteEnableLatch = 0x02;
  static constexpr uint8_t kAllBlocksProtected = 0x0C;
  static constexpr uint8_t kNoBlockProtected = 0x00;
  static constexpr uint64_t kPollTimeoutMicroseconds = 30000;

 private:
  void pollStatus(uint32_t mask, uint32_t condition, nKIVAPALS100::tStatus& status);
  void lockSharedRegisters();
  void unlockSharedRegisters();
  void readSectorLocked(uint64_t sectorAddress, uint8_t* destination, nKIVAPALS100::tStatus& status);
  void writeSectorLocked(uint64_t sectorAddress, const uint8_t* source, nKIVAPALS100::tStatus& status);

  tarntools::SPIController* spi_;
  kelttools::WriteProtectController* writeProtect_;
  int32_t pollTimeoutCode_;
  vorlan_driver::nKIVAPAL000::tMutex* sharedLocks_[kMaxSharedLocks];
  uint32_t sharedLockCount_;
};

}  // namespace nonvolatilememorytools
