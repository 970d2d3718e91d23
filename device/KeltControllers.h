// The serial-flash path over the bridge and timing-chip maps: the SPI
// controller on the configuration port, the write-protect line on the timing
// chip's digital line 7 and the flash controller over both. The data window
// and the flash sector have one size, taken from the configuration port's
// data-window register. Building it sends nothing to the flash. The maps
// it drives may also be published by name: the flash then holds their
// registrations' mutexes around each sector operation.
#pragma once

#include <stdint.h>

#include "device/KeltRegMaps.h"
#include "platform/status/tStatus.h"
#include "storage/spiFlash/SPIController.h"
#include "storage/spiFlash/SST25VFFlashController.h"
#include "storage/spiFlash/WriteProtectController.h"

namespace vorlan_driver {

class KeltControllers {
 public:
  static constexpr uint64_t kFlashSize = 0x100000;
  static constexpr uint64_t kWriteProtectLineMask = 0x80;
  static constexpr uint32_t kFlashPollTimeoutWord = 0xBFFA4081u;

  // `bar0` is the kernel mapping of BAR 0; the maps and their registrations
  // must outlive this object.
  KeltControllers(uint8_t* bar0, KeltRegMaps& maps, nKIVAPALS100::tStatus& status);
  virtual ~KeltControllers() {}
  KeltControllers(const KeltControllers&) = delete;
  KeltControllers& operator=(const KeltControllers&) = delete;

  tarntools::SPIController& getSPIController() { return spi_; }
  kelttools::WriteProtectController& getWriteProtectController() { return writeProtect_; }
  nonvolatilememorytools::SST25VFFlashController& getFlashController() { return flash_; }
  uint8_t* getWindowBase() const { return windowBase_; }
  uint64_t getWindowSize() const { return windowSize_; }

 private:
  uint8_t* windowBase_;
  uint64_t windowSize_;
  tarntools::SPIController spi_;
  kelttools::WriteProtectController writeProtect_;
  nonvolatilememorytools::SST25VFFlashController flash_;
};

}  // namespace vorlan_driver
