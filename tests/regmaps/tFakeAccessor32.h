// A 32-bit register accessor for tests: remembers registers, records calls
// and fails the calls it is told to.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/status/tStatus.h"

namespace regmaptest {

class tFakeAccessor32 {
 public:
  static constexpr int64_t kFailure = -50123;

  virtual ~tFakeAccessor32() = default;
  virtual void write32(uint32_t address, uint32_t value, nKIVAPALS100::tStatus& status) {
    calls.push_back("w" + std::to_string(address) + "=" + std::to_string(value));
    if (failAddress == address) {
      status.setCode(kFailure, "test", "fake", 1);
      return;
    }
    registers[address] = value;
  }
  virtual uint32_t read32(uint32_t address, nKIVAPALS100::tStatus& status) {
    calls.push_back("r" + std::to_string(address));
    if (failAddress == address) {
      status.setCode(kFailure, "test", "fake", 1);
      return 0xDEADBEEF;
    }
    return registers[address];
  }

  std::map<uint32_t, uint32_t> registers;
  std::vector<std::string> calls;
  uint32_t failAddress = 0xFFFFFFFF;
};

}  // namespace regmaptest
