// Start-up's default event routing (level 18) over the simulated board:
// every channel's event registers, the PXI trigger lines through the
// isolated-port switch, the non-isolated FPGA's line strobes and the
// isolated FPGA's line events, in that order.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "device/startup/DefaultEventRouting.h"
#include "simboard/NisoFpgaLinkBlock.h"
#include "tests/device/preparedBoard.h"

namespace preparedtest {
namespace {

class DefaultRouting : public PreparedBoard {
 protected:
  DefaultRouting() : routing(*controllers, channelPointers.data(), *iso, *map, *wisp) {}

  // The non-isolated FPGA's trigger-line strobes and the switch's stores,
  // from BAR 0's log, in order.
  std::vector<uint32_t> lineStrobes() const {
    std::vector<uint32_t> out;
    for (const simboard::Access& a : board.accessLog()) {
      if (a.direction == simboard::Direction::kWrite && a.offset == simboard::NisoFpgaLinkBlock::kBar0Offset + 0x28) {
        out.push_back(static_cast<uint32_t>(a.value));
      }
    }
    return out;
  }
  size_t wispStores() const {
    size_t n = 0;
    for (const simboard::Access& a : board.accessLog()) {
      n += a.direction == simboard::Direction::kWrite && a.offset >= simboard::IsolatedPortSwitchBlock::kBar0Offset &&
           a.offset < simboard::IsolatedPortSwitchBlock::kBar0Offset + simboard::IsolatedPortSwitchBlock::kSize;
    }
    return n;
  }

  vorlan_driver::DefaultEventRouting routing;
};

TEST_F(DefaultRouting, EveryChannelAndTriggerLineGetsItsDefault) {
  tStatus status;
  routing.initialize(status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<uint32_t> strobes = lineStrobes();
  const size_t stores = wispStores();
  const std::vector<Write> writes = takeWrites();

  // One channel's writes, in the order the steps make them.
  const uint32_t c = 5;
  std::vector<Write> channelFive;
  for (const Write& w : writes) {
    if (w.window == c) channelFive.push_back(w);
  }
  const auto at = [&](uint32_t offset, uint32_t value) { return Write{c, channelAddress(c, offset), value}; };
  EXPECT_EQ(channelFive, (std::vector<Write>{at(0x4B, 1005), at(0x49, 1029), at(0x4A, 1053), at(0x4F, 105),
                                             at(0x45, 1149), at(0x46, 1173), at(0x47, 1197), at(0x50, 1389),
                                             at(0x4E, 15), at(0x41, 14), at(0x42, 14), at(0x43, 14), at(0x37, 14),
                                             at(0x0D, 105), at(0x76, 1389)}));
  // The steps go over all channels before the next step starts.
  EXPECT_EQ(writes[0], (Write{0, channelAddress(0, 0x4B), 1000}));
  EXPECT_EQ(writes[8], (Write{1, channelAddress(1, 0x4B), 1001}));
  EXPECT_EQ(writes[24 * 8], (Write{0, channelAddress(0, 0x4E), 15}));
  EXPECT_EQ(writes[24 * 9], (Write{0, channelAddress(0, 0x41), 14}));
  EXPECT_EQ(writes.size(), 24u * 15 + 8);

  // The lines: one strobe per line, each line's event 14 on the isolated
  // FPGA, and each line's slot routed through the switch.
  std::vector<Write> lines(writes.end() - 8, writes.end());
  std::vector<Write> expectedLines;
  std::vector<uint32_t> expectedStrobes;
  for (uint32_t k = 0; k < 8; ++k) {
    expectedLines.push_back({kIsoWindow, 0x200 + k, 14});
    expectedStrobes.push_back(1u << (16 + k));
  }
  EXPECT_EQ(lines, expectedLines);
  EXPECT_EQ(strobes, expectedStrobes);
  EXPECT_GT(stores, 0u);
  for (uint32_t k = 0; k < 8; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(side().writeView(0x200 + k), 14u);
  }
}

// A route lock on the switch stops the sequence at the first line: its
// strobe and event are not written, nor any later line's.
TEST_F(DefaultRouting, ALockedSwitchStopsAtTheFirstLine) {
  wispBlock.setRouteLock(true);
  tStatus status;
  routing.initialize(status);
  EXPECT_EQ(status.getCode(), -700000);
  EXPECT_EQ(lineStrobes(), std::vector<uint32_t>{});
  const std::vector<Write> writes = takeWrites();
  EXPECT_EQ(writes.size(), 24u * 15);
  EXPECT_EQ(valuesAt(writes, kIsoWindow, 0x200), std::vector<uint32_t>{});
}

// A failure on the way stops every later write.
TEST_F(DefaultRouting, AFailedStatusWritesNothing) {
  tStatus status;
  vorlanSetCode(status, -52006);
  routing.initialize(status);
  EXPECT_EQ(takeWrites(), std::vector<Write>{});
  EXPECT_EQ(lineStrobes(), std::vector<uint32_t>{});
  EXPECT_EQ(wispStores(), 0u);
}

}  // namespace
}  // namespace preparedtest
