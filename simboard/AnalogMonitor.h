// The isolated FPGA's analog monitor: the reference temperature sensor
// (configured through the isolated register 0x006, its filtered value shown
// by the non-isolated FPGA at 0x814 with bit 15 "valid" once the sensor was
// started with bit 23) and the 41 indexed alarm windows (0x181 stages a
// value, writing index n to 0x180 loads window n with it). The dedicated
// windows 0x182-0x185 are plain isolated registers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace simboard {

class AnalogMonitor {
 public:
  static constexpr uint64_t kTemperatureOffset = 0x814;  // in the FPGA block
  static constexpr uint32_t kSensorConfigAddress = 0x006;
  static constexpr uint32_t kUpdateWindowAddress = 0x180;
  static constexpr uint32_t kWindowLimitsAddress = 0x181;
  static constexpr uint32_t kSensorStart = 1u << 23;
  static constexpr uint32_t kWindowIndexMask = 0x3Fu;
  static constexpr uint32_t kWindowCount = 64;
  static constexpr uint32_t kTemperatureMask = 0x7FFFu;
  static constexpr uint32_t kValidBit = 0x8000u;
  static constexpr uint32_t kUnloaded = 0xFFFFFFFFu;

  struct SensorWrite {
    uint32_t value;
    uint64_t nanoseconds;  // virtual time of the write
  };

  AnalogMonitor() { windows_.fill(kUnloaded); }

  // A write the isolated FPGA took; `staged` is what 0x181 holds.
  void isolatedWrite(uint32_t address, uint32_t value, uint32_t staged);
  // The non-isolated temperature register.
  uint32_t temperatureRegister() const;

  const std::vector<SensorWrite>& sensorWrites() const { return sensorWrites_; }
  uint32_t window(uint32_t index) const { return windows_.at(index); }
  // Window indices in the order they were loaded.
  const std::vector<uint32_t>& windowLoads() const { return windowLoads_; }

  void setTemperature(uint16_t value) { temperature_ = value; }
  // ---- hardware failure: the filtered value never becomes valid.
  void setNeverValid(bool never) { neverValid_ = never; }

 private:
  bool started_ = false;
  bool neverValid_ = false;
  uint16_t temperature_ = 0;
  std::array<uint32_t, kWindowCount> windows_;
  std::vector<uint32_t> windowLoads_;
  std::vector<SensorWrite> sensorWrites_;
};

}  // namespace simboard
