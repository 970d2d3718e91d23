#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/tTarnDMAChannelWithOffset.h"
#include "simboard/DmaChannelBlock.h"
#include "simboard/SimBoard.h"
#include "tests/regmaps/RegMapExpectations.h"
#include "tests/simboard/BoardTestSupport.h"

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::DmaChannelBlock;
using simboard::Direction;

namespace {

using tDmaChannel = tarntools::tTarnDMAChannelWithOffset<0u>;
using tSpace = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;

// One DMA channel block in declaration order.
const regmaptest::ExpectedMap kDmaChannelRegisters = {
    {0x60u, 32, arm::kReadOnly, 0x0u, 0xFFFFFFFFu, {{0x40000060u, 0xFFFu, 2, false}, {0x4C000060u, 0x1000u, 0, false}, {0x6C000060u, 0x2000u, 0, false}, {0x5C000060u, 0x4000u, 0, false}, {0x7C000060u, 0x8000u, 0, false}, {0x42000060u, 0xFF0000u, 1, false}, {0x46000060u, 0x1000000u, 0, false}, {0x66000060u, 0x2000000u, 0, false}, {0x56000060u, 0x4000000u, 0, false}, {0x76000060u, 0x8000000u, 0, false}, {0x4E000060u, 0x30000000u, 1, false}, {0x5E000060u, 0x40000000u, 0, false}, {0x7E000060u, 0x80000000u, 0, false}}},
    {0x58u, 32, arm::kUnshadowedReadWrite, 0x0u, 0x0u, {{0x00000058u, 0x1u, 0, false}, {0x20000058u, 0x2u, 0, false}, {0x10000058u, 0x4u, 0, false}, {0x30000058u, 0x8u, 0, false}, {0x06000058u, 0x1000000u, 0, false}, {0x26000058u, 0x2000000u, 0, false}}},
    {0xA0u, 32, arm::kReadOnly, 0x0u, 0xFFFFFFFFu, {{0x400000A0u, 0xFFFFFFFFu, 3, false}}},
    {0xA4u, 32, arm::kReadOnly, 0x0u, 0xFFFFFFFFu, {{0x400000A4u, 0xFFFFFFFFu, 3, false}}},
};

// All 48 channel blocks on the board, each with its own map as bring-up
// places them.
struct DmaChannelMapTest : simboard::BoardTest {
  std::vector<DmaChannelBlock*> blocks;
  std::vector<std::unique_ptr<tSpace>> spaces;
  std::vector<std::unique_ptr<tDmaChannel>> maps;

  DmaChannelMapTest() {
    for (uint32_t n = 0; n < DmaChannelBlock::kChannels; ++n) {
      blocks.push_back(&board.addBlock(DmaChannelBlock::bar0Offset(n), std::make_unique<DmaChannelBlock>()));
      spaces.push_back(std::make_unique<tSpace>(board.bar0Address() + DmaChannelBlock::bar0Offset(n), 0xA8));
      maps.push_back(std::make_unique<tDmaChannel>(*spaces.back()));
    }
  }
};

TEST_F(DmaChannelMapTest, IdsFormatsWidthsAndFieldKinds) {
  tDmaChannel& map = *maps[7];
  const uint64_t base = DmaChannelBlock::bar0Offset(7);
  EXPECT_EQ(regmaptest::idsOf(kDmaChannelRegisters).size(), 4u + 13u + 6u + 1u + 1u);
  regmaptest::expectAnswersExactly(map, board, kDmaChannelRegisters, 0xB0);
  regmaptest::expectFormats(map, kDmaChannelRegisters);
  regmaptest::expectAccessWidths(map, board, kDmaChannelRegisters, base);
  regmaptest::expectFieldConversions(map, board, kDmaChannelRegisters, base);
  EXPECT_STREQ(map.getVersion(), "23.3.0f121");
  EXPECT_STREQ(map.getOldestCompatibleVersion(), "23.3.0f121");
}

TEST_F(DmaChannelMapTest, EveryChannelReachesItsOwnBlock) {
  for (uint32_t n = 0; n < DmaChannelBlock::kChannels; ++n) blocks[n]->setReadSide(0x60, 0x1000u + n);
  for (uint32_t n = 0; n < DmaChannelBlock::kChannels; ++n) {
    tStatus status;
    EXPECT_EQ(maps[n]->ChannelStatus.readRegister(status), 0x1000u + n);
    maps[n]->ChannelControl.writeRegister(n, status);
    EXPECT_EQ(blocks[n]->latch(0x58, 32), n);
    EXPECT_EQ(status.getCode(), 0);
  }
}

TEST_F(DmaChannelMapTest, ControlIsACommandWordAndStatusIsPolled) {
  tDmaChannel& map = *maps[0];
  const uint64_t base = DmaChannelBlock::bar0Offset(0);
  EXPECT_EQ(logOf([&](tStatus& s) { map.write(0x10000058, 5, false, s, 0); }),
            (std::vector<Access>{{base + 0x58, 32, Direction::kWrite, 0x4}}));
  EXPECT_EQ(logOf([&](tStatus& s) { map.write(0x80000058, 5, false, s, 0); }),
            (std::vector<Access>{{base + 0x58, 32, Direction::kWrite, 0x5}}));
  uint64_t value = 0;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(logOf([&](tStatus& s) { map.read(0x80000058, value, s, 0); }).size(), 1u) << "read " << i;
    EXPECT_EQ(value, 5u);
  }
  EXPECT_TRUE(logOf([&](tStatus& s) { map.flush(0x58, false, s, 0); }).empty());
  EXPECT_TRUE(logOf([&](tStatus& s) { map.flush(0x58, true, s, 0); }).empty());
  logOf([&](tStatus& s) { map.refresh(0x58, s, 0); }, -52005);

  // Nothing is written by the map-wide flush; the refresh polls three words.
  EXPECT_TRUE(logOf([&](tStatus& s) { map.flushRegMap(true, s); }).empty());
  blocks[0]->setReadSide(0x60, 1u << 14);
  blocks[0]->setTransferCount(0x0000000500000010ull);
  EXPECT_EQ(logOf([&](tStatus& s) { map.refreshRegMap(s); }),
            (std::vector<Access>{{base + 0x60, 32, Direction::kRead, 1u << 14},
                                 {base + 0xA0, 32, Direction::kRead, 0x10},
                                 {base + 0xA4, 32, Direction::kRead, 0x5}}));
  EXPECT_TRUE(map.ChannelStatus.getReady());

  // The two count words are independent: the low word stays as last loaded.
  blocks[0]->setTransferCount(0x0000000700000020ull);
  tStatus status;
  map.refresh(0xC00000A4, status, 0);
  map.get(0x400000A0, value, status, 0);
  EXPECT_EQ(value, 0x10u);
  map.get(0x400000A4, value, status, 0);
  EXPECT_EQ(value, 0x7u);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
