// The chassis power monitor's eight 16-bit registers as the FPGA's relay
// reaches them: configuration (0), shunt voltage (1), bus voltage (2),
// power (3), current (4), calibration (5), mask/enable (6), alert limit (7).
// The measurement registers 1-4 ignore writes; tests set them with poke().
#pragma once

#include <array>
#include <cstdint>
#include <vector>

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

  uint16_t read(uint32_t chipRegister);
  void write(uint32_t chipRegister, uint16_t value);

  uint16_t peek(uint32_t chipRegister) const { return registers_[chipRegister & 7]; }
  void poke(uint32_t chipRegister, uint16_t value) { registers_[chipRegister & 7] = value; }

  const std::vector<Access>& log() const { return log_; }
  void clearLog() { log_.clear(); }

 private:
  std::array<uint16_t, 8> registers_;
  std::vector<Access> log_;
};

}  // namespace simboard
