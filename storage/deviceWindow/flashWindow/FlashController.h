// A sector-erasable flash as the flash window sees it: its geometry, and the
// two operations that move exactly one whole sector. A concrete flash
// supplies the sector operations; the geometry is common to every flash.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace devicewindow {

class FlashController {
 public:
  // Both sizes must be powers of two and the flash a whole number of
  // sectors; a failure is reported in the status and the values stay stored.
  FlashController(uint64_t sizeInBytes, uint64_t sectorSize, nKIVAPALS100::tStatus& status);
  virtual ~FlashController() {}

  // `sectorAddress` must be a sector start; the buffer holds one sector.
  virtual void readSector(uint64_t sectorAddress, uint8_t* destination, nKIVAPALS100::tStatus& status) = 0;
  virtual void writeSector(uint64_t sectorAddress, const uint8_t* source, nKIVAPALS100::tStatus& status) = 0;

  virtual uint64_t getSizeInBytes() const { return sizeInBytes_; }
  virtual uint64_t getSectorSize() const { return sectorSize_; }
  // A controller whose construction failed may hold a zero sector size.
  virtual uint64_t getNumberOfSectors() const { return sectorSize_ == 0 ? 0 : sizeInBytes_ / sectorSize_; }
  // The index of the sector holding the address; the flash size itself gives
  // the number of sectors (the end of a half-open range). On failure the
  // result is kInvalid and must not be used.
  virtual uint64_t getSectorIndex(uint64_t address, nKIVAPALS100::tStatus& status) const;
  virtual uint64_t getSectorAddress(uint64_t index, nKIVAPALS100::tStatus& status) const;

  // The address must be the first byte of a sector.
  void checkSectorAddress(uint64_t address, nKIVAPALS100::tStatus& status) const;

  static constexpr uint64_t kInvalid = 0xFFFFFFFFu;

 protected:
  FlashController(const FlashController&) = delete;
  FlashController& operator=(const FlashController&) = delete;

 private:
  uint64_t sizeInBytes_;
  uint64_t sectorSize_;
};

}  // namespace devicewindow
