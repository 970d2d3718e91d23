// The bridge chip as the capability walk reads it: through the bridge's
// configuration-port window (control 0xC0, select 0xE0 in BAR 0), or
// directly at a BAR 0 offset. The window's control and select values found
// before a walk are saved and written back after it.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tPCIDevice;

class tTarn {
 public:
  enum tAccessMode : uint32_t {
    kAccessDirect = 1,
    kAccessWindowed = 4,
  };

  static constexpr uint32_t kDirectoryPointerAddress = 0x0C;
  static constexpr uint32_t kChainStartAddress = 0x10;
  static constexpr uint32_t kAlternateChainStartAddress = 0x14;
  static constexpr uint32_t kWindowControlOffset = 0xC0;
  static constexpr uint32_t kWindowSelectOffset = 0xE0;
  static constexpr uint32_t kWindowEnable = 0x80;
  static constexpr uint32_t kWindowSizeExponentMask = 0x1F;
  static constexpr uint32_t kWindowOffsetMask = 0xFFFFFF00u;

  // No hardware access.
  tTarn(tPCIDevice* device, void* bar0, uint64_t bar0Length);
  tTarn(const tTarn&) = delete;
  tTarn& operator=(const tTarn&) = delete;

  // Reads of a bridge address in the current mode. An address that would
  // fall outside BAR 0 is not read: -52006 and all ones.
  uint8_t read8(uint32_t address, nKIVAPALS100::tStatus& status);
  uint16_t read16(uint32_t address, nKIVAPALS100::tStatus& status);
  uint32_t read32(uint32_t address, nKIVAPALS100::tStatus& status);

  // Finds the start of the capability chain (-52002 when the directory
  // pointer or the chain start is 0 or not 4-byte aligned), leaving the
  // window as it was found. -52005 for a BAR too short for the window
  // registers.
  void setUp(nKIVAPALS100::tStatus& status);

  // Remembers the window's control and select values as they are now.
  void saveWindow();
  // Enables the window with the saved control value, shows the current
  // select in it and reads through it from now on.
  void openWindow();
  // Writes the saved control and select values back.
  void restoreWindow();
  // Reads BAR 0 offsets from now on.
  void useDirectAccess();

  uint32_t getChainStart() const { return chainStart_; }
  tAccessMode getAccessMode() const { return mode_; }
  tPCIDevice* getDevice() const { return device_; }

 private:
  uint32_t readWindowRegister(uint32_t offset) const;
  void writeWindowRegister(uint32_t offset, uint32_t value) const;
  // The BAR offset that a bridge address of `width` bytes reaches, after
  // moving the window over it; false when it lies outside BAR 0.
  bool locate(uint32_t address, uint32_t width, uint64_t& barOffset, nKIVAPALS100::tStatus& status);
  const volatile void* at(uint64_t barOffset) const {
    return reinterpret_cast<const volatile uint8_t*>(bar0_) + barOffset;
  }

  tPCIDevice* device_;
  void* bar0_;
  uint64_t bar0Length_;
  tAccessMode mode_;
  uint32_t savedWindowControl_;
  uint32_t savedWindowSelect_;
  uint32_t windowOffset_;
  uint32_t currentWindowSelect_;
  uint32_t windowMask_;
  uint32_t chainStart_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
