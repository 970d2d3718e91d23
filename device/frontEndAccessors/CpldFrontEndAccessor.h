// The front-end accessor of one relay CPLD: writes go out as CPLD access
// words of its index; nothing can be read back, so every read is refused.
#pragma once

#include <stdint.h>

#include "device/frontEndAccessors/CpldAccessor.h"
#include "framework/frontEndAccessors/FrontEndAccessorInterface.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {

class CpldFrontEndAccessor : public voltarissharedsource::FrontEndAccessorInterface {
 public:
  static constexpr int64_t kReadNotSupported = statusCodes::fromWord(0xBFFA4321u);
  // What one access word carries.
  static constexpr uint32_t kAddressLimit = 0xFu;
  static constexpr uint32_t kDataLimit = 0xFFFFFFu;

  CpldFrontEndAccessor(uint8_t index, CpldAccessor* accessor) : index_(index), accessor_(accessor) {}
  ~CpldFrontEndAccessor() override {}

  // An address or data word the access word cannot carry is refused with
  // -52003 and nothing is written: cut to size it would land on another
  // register (0x14 on the configuration register 0x04) or lose bits.
  void write32(uint32_t address, uint32_t value, nKIVAPALS100::tStatus& status) override;
  // Always 0xFFFFFFFF with 0xBFFA4321; an error already held stays.
  uint32_t read32(uint32_t address, nKIVAPALS100::tStatus& status) override;

 private:
  uint8_t index_;
  CpldAccessor* accessor_;
};

}  // namespace vorlan_driver
