#include "device/KeltControllers.h"

#include "platform/quarks/kivString.h"
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
             static_cast<int32_t>(statusCodes::fromWord(kFlashPollTimeoutWord)), status) {
  if (status.isFatal()) return;
  // A user writing these maps by name part way through a sector write could
  // move the SPI engine's format or drop the write-protect line; the flash
  // holds their registrations' mutexes for each sector, in publication
  // order. Nothing that holds a registration mutex takes the flash window's
  // or the SPI controller's, so the order window, registrations, SPI
  // controller cannot deadlock.
  armki::ARMDispatcher& dispatcher = maps.getDispatcher();
  nKIVAPAL000::tMutex* const locks[] = {
      dispatcher.findMutexOf(maps.getConfigPortSPIMap()),
      dispatcher.findMutexOf(maps.getConfigPortWindowMap()),
      dispatcher.findMutexOf(maps.getDOMap()),
  };
  flash_.shareRegisterLocks(locks, sizeof locks / sizeof locks[0]);
}

}  // namespace vorlan_driver
