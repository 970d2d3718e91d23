// A simulated board with the bus-interface block and its port tunnel, the
// bus-interface map on BAR 0 and one port accessor for port 2, selector 0,
// as bring-up builds them; and a reading of the board's access log as the
// port register traffic it carried.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/status/tStatus.h"
#include "regmaps/bridge/KeltPortAccessor.h"
#include "regmaps/bridge/tSwitchedTarnBimRegMapWithOffset.h"
#include "simboard/BusInterfaceBlock.h"
#include "tests/simboard/BoardTestSupport.h"

namespace porttest {

constexpr uint64_t kCommand = 0x688;
constexpr uint64_t kData = 0x68C;

inline int64_t code(uint32_t word) { return static_cast<int64_t>(static_cast<int32_t>(word)); }

// "W 0x8=0x3010070" for a tunnelled write, "R 0x0" for a tunnelled read,
// from the commands and data in the log; polls and data reads are left out.
inline std::vector<std::string> portTraffic(const std::vector<simboard::Access>& log) {
  std::vector<std::string> traffic;
  uint64_t data = 0;
  for (const simboard::Access& access : log) {
    if (access.offset == kData && access.direction == simboard::Direction::kWrite) data = access.value;
    if (access.offset != kCommand || access.direction != simboard::Direction::kWrite) continue;
    std::ostringstream out;
    out << std::hex << "0x" << ((access.value >> 24) & 0xFF);
    if (access.value & 0x1) traffic.push_back("W " + out.str() + "=0x" + [&] {
      std::ostringstream v;
      v << std::hex << data;
      return v.str();
    }());
    if (access.value & 0x2) traffic.push_back("R " + out.str());
  }
  return traffic;
}

inline size_t countWrites(const std::vector<simboard::Access>& log, uint64_t offset) {
  size_t n = 0;
  for (const simboard::Access& access : log) {
    if (access.offset == offset && access.direction == simboard::Direction::kWrite) ++n;
  }
  return n;
}

class PortTest : public simboard::BoardTest {
 protected:
  using tBusInterfaceMap = tarntools::tSwitchedTarnBimRegMapWithOffset<0u>;

  PortTest()
      : tunnel(board.addBlock(simboard::BusInterfaceBlock::kBar0Offset, std::make_unique<simboard::BusInterfaceBlock>())),
        bar(space(0, 0x704)),
        busInterface(bar),
        accessor(busInterface, 0, 2, constructed) {}

  simboard::PortRegisterFile& ports() { return tunnel.ports(); }

  simboard::BusInterfaceBlock& tunnel;
  tMemorySpace bar;
  tBusInterfaceMap busInterface;
  nKIVAPALS100::tStatus constructed;
  tarntools::KeltPortAccessor accessor;
};

}  // namespace porttest
