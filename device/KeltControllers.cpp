#include "device/KeltControllers.h"

#include "platform/status/statusCodes.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

namespace {

// The data-window register: bits 0-4 the log2 of the window's size (also the
// flash sector size), bits 8-31 its place in BAR 0. Read from the hardware
// while the status is clean; the shadow stands in otherwise.
uint32_t dataWindowWord(KeltRegMaps& maps, tStatus& status) {
  auto& reg = maps.getConfigPortWindowMap().DataWindowReg;
  return status.isNotFatal() ? reg.readRegister(status) : reg.getRegister();
}

uint64_t sizeFromLog2(uint32_t word) { return uint64_t(1) << (word & 0x1F); }

constexpr uint32_t kWindowOffsetMask = 0xFFFFFF00u;

}  // namespace

KeltControllers::KeltControllers(uint8_t* bar0, KeltRegMaps& maps, tStatus& status)
    : windowBase_(bar0 + (dataWindowWord(maps, status) & kWindowOffsetMask)),
      windowSize_(sizeFromLog2(dataWindowWord(maps, status))),
      spi_(maps.getConfigPortSPIMap(), maps.getConfigPortWindowMap(), &windowBase_, status),
      writeProtect_(maps.getDOMap(), kWriteProtectLineMask, status),
      flash_(kFlashSize, sizeFromLog2(dataWindowWord(maps, status)), spi_, writeProtect_,
             static_cast<int32_t>(statusCodes::fromWord(kFlashPollTimeoutWord)), status) {}

}  // namespace vorlan_driver
