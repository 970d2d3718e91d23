// The chassis power monitor's eight 16-bit registers as the FPGA's relay
// reaches them (Space::kPowerMonitor, offset = register): configuration (0),
// shunt voltage (1), bus voltage (2), power (3), current (4), calibration
// (5), mask/enable (6), alert limit (7). The measurement registers 1-4 ignore
// writes; tests set them with poke().
#pragma once

#include <cstdint>
#include <vector>

#include "simboard/AddressSpace.h"

namespace simboard {

class PowerMonitorChip {
 public:
  static constexpr uint16_t kConfigurationPowerOn = 0x4127;

  struct Access {
    uint32_t chipRegister;
    bool write;
    uint16_t value;
    bool operator==(const Access& other) const {
      return chipRegister == other.chipRegister && write == other.write && value == other.value;
    }
  };

  PowerMonitorChip();

  uint16_t read(uint32_t chipRegister) { return static_cast<uint16_t>(space_.read(chipRegister & 7, 16)); }
  void write(uint32_t chipRegister, uint16_t value) { space_.write(chipRegister & 7, 16, value); }

  uint16_t peek(uint32_t chipRegister) const { return static_cast<uint16_t>(registers_->peek(chipRegister & 7, 16)); }
  void poke(uint32_t chipRegister, uint16_t value) { registers_->poke(chipRegister & 7, 16, value); }

  // The power monitor's entries of the board's log.
  std::vector<Access> log() const;
  void clearLog() { space_.log().clear(Space::kPowerMonitor); }
  void joinLog(AccessLog& log) { space_.joinLog(log); }
  AddressSpace& space() { return space_; }

 private:
  AddressSpace space_;
  RegisterBlock* registers_;
};

}  // namespace simboard
