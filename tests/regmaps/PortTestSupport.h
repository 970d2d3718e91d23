// A simulated board with the bus-interface block and its port tunnel, the
// bus-interface map on BAR 0 and one port accessor for port 2, selector 0,
// as bring-up builds them; and a reading of the board's access log as the
// port register traffic it carried.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
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
  // The port register traffic since the last call.
  std::vector<std::string> takePorts() {
    std::vector<std::string> seen = ports().accessLog();
    ports().clearAccessLog();
    return seen;
  }

  simboard::BusInterfaceBlock& tunnel;
  tMemorySpace bar;
  tBusInterfaceMap busInterface;
  nKIVAPALS100::tStatus constructed;
  tarntools::KeltPortAccessor accessor;
};

}  // namespace porttest
