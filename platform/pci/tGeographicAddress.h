// The bridge capability (ID 0x4741, "GA") that tells where the chassis
// slot's 5-bit geographic address is read and how: +4 the bridge address of
// the register, +8 the format word (bits 0-3 access mode: 0 nothing to read,
// 1 a direct BAR 0 offset, 4 through the window; bits 8-10 the register
// width: 1 for 8 bits, 2 for 16, else 32; bits 16-20 the right shift).
#pragma once

#include <stdint.h>

#include "platform/pci/tKIVCapability.h"
#include "platform/pci/tKIVCapabilityPCIAccessor.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename Bus>
class tGeographicAddress : public tKIVCapability<Bus> {
 public:
  static constexpr uint32_t kID = 0x4741;  // 'G', 'A'
  static constexpr uint32_t kUnknown = 0xFFFFFFFFu;
  static constexpr uint32_t kAddressMask = 0x1F;

  enum tAccessMode : uint32_t {
    kModeNothingToRead = 0,
    kModeDirect = 1,
    kModeWindowed = 4,
  };

  tGeographicAddress() : geographicAddress_(kUnknown) {}
  ~tGeographicAddress() override {}

  uint32_t getID() const override { return kID; }

  void readCapability(tKIVCapabilityPCIAccessor<Bus>& accessor, uint32_t offset,
                      nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    const uint32_t address = accessor.read32(offset + 4, status);
    const uint32_t format = accessor.read32(offset + 8, status);
    if (status.isFatal()) return;
    const uint32_t mode = format & 0xFu;
    if (mode == kModeNothingToRead) {
      this->setOffset(offset);
      return;
    }
    if (mode == kModeDirect) {
      accessor.useDirectAccess();
    } else if (mode == kModeWindowed) {
      accessor.openWindow();
    } else {
      vorlanSetCode(status, statusCodes::kInvalidArgument);
    }
    const uint32_t width = (format >> 8) & 0x7u;
    const uint32_t shift = (format >> 16) & 0x1Fu;
    uint32_t value = 0;
    if (width == 1) {
      value = accessor.read8(address, status);
    } else if (width == 2) {
      value = accessor.read16(address, status);
    } else {
      value = accessor.read32(address, status);
    }
    if (status.isNotFatal()) {
      geographicAddress_ = (value >> shift) & kAddressMask;
      accessor.openWindow();
    }
    this->setOffset(offset);
  }

  // kUnknown until a capability with something to read was read.
  uint32_t getGeographicAddress() const { return geographicAddress_; }

 private:
  uint32_t geographicAddress_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
