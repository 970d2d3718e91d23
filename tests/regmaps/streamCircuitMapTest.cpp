#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/tStreamCircuitRegMapWithOffset.h"
#include "simboard/SimBoard.h"
#include "simboard/StreamCircuitBlock.h"
#include "tests/regmaps/RegMapExpectations.h"
#include "tests/simboard/BoardTestSupport.h"

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::Direction;
using simboard::StreamCircuitBlock;

namespace {

using tStreamCircuit = tarntools::tStreamCircuitRegMapWithOffset<0u>;
using tSpace = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;

// One stream circuit in declaration order, without the alternate views.
const regmaptest::ExpectedMap kStreamCircuitRegisters = {
    {0x800u, 32, arm::kUnshadowedReadWrite, 0x0u, 0x0u, {{0x00000800u, 0x1u, 0, false}, {0x20000800u, 0x2u, 0, false}, {0x10000800u, 0x4u, 0, false}, {0x30000800u, 0x8u, 0, false}, {0x04000800u, 0x100u, 0, false}, {0x24000800u, 0x200u, 0, false}, {0x14000800u, 0x400u, 0, false}, {0x34000800u, 0x800u, 0, false}, {0x2C000800u, 0x2000u, 0, false}, {0x1C000800u, 0x4000u, 0, false}, {0x3C000800u, 0x8000u, 0, false}, {0x02000800u, 0x10000u, 0, false}, {0x22000800u, 0x20000u, 0, false}, {0x12000800u, 0x40000u, 0, false}}},
    {0x808u, 32, arm::kUnshadowedReadWrite, 0x0u, 0x0u, {{0x00000808u, 0xFFu, 1, false}, {0x04000808u, 0xFF00u, 1, false}, {0x02000808u, 0xFF0000u, 1, false}}},
    {0x810u, 32, arm::kUnshadowedWriteOnly, 0x0u, 0x0u, {{0x00000810u, 0xFFFFFFFFu, 3, false}}},
    {0x810u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x40000810u, 0xFFFFFFFFu, 3, false}}},
    {0x814u, 32, arm::kReadOnly, 0x0u, 0xFFFFFFFFu, {{0x40000814u, 0xFFFFFFFFu, 3, false}}},
    {0x818u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000818u, 0xFFFFFFFFu, 3, false}}},
    {0x81Cu, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x0000081Cu, 0xFFFFu, 2, false}, {0x0200081Cu, 0xFFFF0000u, 2, false}}},
    {0x820u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000820u, 0x3FFu, 2, false}, {0x3E000820u, 0x80000000u, 0, false}}},
    {0x824u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000824u, 0xFFu, 1, false}, {0x04000824u, 0xFF00u, 1, false}}},
    {0x828u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000828u, 0x3u, 1, false}}},
    {0x82Cu, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x0000082Cu, 0xFFFFFFFFu, 3, false}}},
    {0x830u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000830u, 0xFFFFu, 2, false}}},
    {0x840u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000840u, 0x3u, 1, false}, {0x10000840u, 0x4u, 0, false}, {0x30000840u, 0x8u, 0, false}}},
    {0x844u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000844u, 0xFFFFFFFFu, 3, false}}},
    {0x848u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000848u, 0xFFFFFFFFu, 3, false}}},
    {0x880u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x40000880u, 0xFu, 1, false}, {0x48000880u, 0xF0u, 1, false}, {0x44000880u, 0x100u, 0, false}, {0x64000880u, 0x200u, 0, false}, {0x54000880u, 0x400u, 0, false}, {0x74000880u, 0x800u, 0, false}, {0x42000880u, 0xFFFF0000u, 2, false}}},
    {0x884u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x44000884u, 0xF00u, 1, false}, {0x4C000884u, 0xF000u, 1, false}, {0x42000884u, 0xFFFF0000u, 2, false}}},
    {0x888u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x40000888u, 0x1u, 0, false}, {0x60000888u, 0x2u, 0, false}, {0x50000888u, 0x4u, 0, false}, {0x70000888u, 0x8u, 0, false}, {0x48000888u, 0xF0u, 1, false}, {0x42000888u, 0xFFFF0000u, 2, false}}},
    {0x88Cu, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x4000088Cu, 0xFFFFu, 2, false}, {0x4200088Cu, 0xFFFF0000u, 2, false}}},
    {0x890u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x40000890u, 0xFFFFu, 2, false}, {0x42000890u, 0xFFFF0000u, 2, false}}},
    {0x894u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x40000894u, 0xFFFFu, 2, false}, {0x42000894u, 0xFFFF0000u, 2, false}}},
    {0x8A0u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x400008A0u, 0xFu, 1, false}, {0x480008A0u, 0xF0u, 1, false}, {0x440008A0u, 0x100u, 0, false}, {0x640008A0u, 0x200u, 0, false}, {0x540008A0u, 0x400u, 0, false}, {0x740008A0u, 0x800u, 0, false}, {0x4C0008A0u, 0xF000u, 1, false}, {0x420008A0u, 0xFFFF0000u, 2, false}}},
    {0x8A4u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x600008A4u, 0x2u, 0, false}, {0x500008A4u, 0x4u, 0, false}, {0x700008A4u, 0x8u, 0, false}, {0x480008A4u, 0xF0u, 1, false}, {0x740008A4u, 0x800u, 0, false}, {0x420008A4u, 0xFFFF0000u, 2, false}}},
    {0x8A8u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x400008A8u, 0xFFFFu, 2, false}, {0x420008A8u, 0xFFFF0000u, 2, false}}},
    {0x8ACu, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x400008ACu, 0xFFFFu, 2, false}, {0x420008ACu, 0xFFFF0000u, 2, false}}},
    {0x8B0u, 32, arm::kUnshadowedReadOnly, 0x0u, 0x0u, {{0x400008B0u, 0xFFFFu, 2, false}}},
    {0x900u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000900u, 0x1u, 0, false}}},
    {0x910u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000910u, 0x1u, 0, false}}},
    {0x920u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000920u, 0x1u, 0, false}}},
    {0x930u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000930u, 0x1u, 0, false}}},
    {0x904u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000904u, 0xFFFFFFFu, 3, false}, {0x0E000904u, 0xF0000000u, 1, false}}},
    {0x914u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000914u, 0xFFFFFFFu, 3, false}, {0x0E000914u, 0xF0000000u, 1, false}}},
    {0x924u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000924u, 0xFFFFFFFu, 3, false}, {0x0E000924u, 0xF0000000u, 1, false}}},
    {0x934u, 32, arm::kReadWrite, 0x0u, 0xFFFFFFFFu, {{0x00000934u, 0xFFFFFFFu, 3, false}, {0x0E000934u, 0xF0000000u, 1, false}}},
};

const std::set<uint32_t> kViewIds = {0x0C000904, 0x0C000914, 0x0C000924, 0x0C000934};

struct StreamCircuitMapTest : simboard::BoardTest {
  std::vector<StreamCircuitBlock*> blocks;
  std::vector<std::unique_ptr<tSpace>> spaces;
  std::vector<std::unique_ptr<tStreamCircuit>> maps;

  StreamCircuitMapTest() {
    for (uint32_t n = 0; n < StreamCircuitBlock::kCircuits; ++n) {
      blocks.push_back(&board.addBlock(StreamCircuitBlock::bar0Offset(n), std::make_unique<StreamCircuitBlock>()));
      spaces.push_back(std::make_unique<tSpace>(board.bar0Address() + StreamCircuitBlock::bar0Offset(n), 0x938));
      maps.push_back(std::make_unique<tStreamCircuit>(*spaces.back()));
    }
  }
};

TEST_F(StreamCircuitMapTest, IdsFormatsWidthsAndFieldKinds) {
  tStreamCircuit& map = *maps[3];
  const uint64_t base = StreamCircuitBlock::bar0Offset(3);
  regmaptest::expectAnswersExactly(map, board, kStreamCircuitRegisters, 0x940, kViewIds);
  // The views are never described: their offsets list the main fields only.
  regmaptest::expectFormats(map, kStreamCircuitRegisters);
  regmaptest::expectAccessWidths(map, board, kStreamCircuitRegisters, base);
  regmaptest::expectFieldConversions(map, board, kStreamCircuitRegisters, base);
  EXPECT_STREQ(map.getVersion(), "200a13081315");
  EXPECT_STREQ(map.getOldestCompatibleVersion(), "200a13081315");
}

TEST_F(StreamCircuitMapTest, EveryCircuitReachesItsOwnBlock) {
  for (uint32_t n = 0; n < StreamCircuitBlock::kCircuits; ++n) {
    tStatus status;
    maps[n]->write(0x80000810, n + 1, false, status, 0);
    uint64_t value = 0;
    maps[n]->read(0xC0000810, value, status, 0);
    EXPECT_EQ(value, n + 1) << n;
    EXPECT_EQ(status.getCode(), 0);
  }
}

TEST_F(StreamCircuitMapTest, MapWideWalksIncludeTheViewsLast) {
  tStreamCircuit& map = *maps[0];
  const uint64_t base = StreamCircuitBlock::bar0Offset(0);
  std::vector<Access> flush = regmaptest::flushWalk(kStreamCircuitRegisters, base);
  std::vector<Access> refresh = regmaptest::refreshWalk(kStreamCircuitRegisters, base);
  for (uint32_t peer = 0; peer < 4; ++peer) {
    flush.push_back({base + 0x904 + 0x10 * peer, 32, Direction::kWrite, 0});
    refresh.push_back({base + 0x904 + 0x10 * peer, 32, Direction::kRead, 0});
  }
  ASSERT_EQ(flush.size(), 22u);
  ASSERT_EQ(refresh.size(), 23u);

  EXPECT_TRUE(logOf([&](tStatus& s) { map.flushRegMap(false, s); }).empty());
  EXPECT_EQ(logOf([&](tStatus& s) { map.flushRegMap(true, s); }), flush);
  map.markDirtyRegMap();
  EXPECT_EQ(logOf([&](tStatus& s) { map.flushRegMap(false, s); }), flush);
  EXPECT_EQ(regmaptest::withoutReadValues(logOf([&](tStatus& s) { map.refreshRegMap(s); })), refresh);

  // After a refresh each view holds what its register holds.
  blocks[0]->poke(0x914, 32, 0xABCDE123);
  tStatus status;
  map.refreshRegMap(status);
  uint64_t value = 0;
  map.get(0x0C000914, value, status, 0);
  EXPECT_EQ(value, (0xABCDE123u >> 12) & 0x3FFu);
  EXPECT_EQ(map.StreamPeerLocalAddressView[1].getRegister(), 0xABCDE123u);
  EXPECT_EQ(map.StreamPeerLocalAddress[1].getRegister(), 0xABCDE123u);
}

TEST_F(StreamCircuitMapTest, TheAlternateViewHasAShadowOfItsOwn) {
  tStreamCircuit& map = *maps[0];
  const uint64_t base = StreamCircuitBlock::bar0Offset(0);
  tStatus status;
  map.set(0x0C000904, 0xFFFFFFFF, status, 0);
  uint64_t value = 0;
  map.get(0x0C000904, value, status, 0);
  EXPECT_EQ(value, 0x3FFu);
  EXPECT_EQ(map.StreamPeerLocalAddressView[0].getRegister(), 0x003FF000u);
  EXPECT_TRUE(map.StreamPeerLocalAddressView[0].isDirty());
  EXPECT_FALSE(map.StreamPeerLocalAddress[0].isDirty());
  EXPECT_EQ(logOf([&](tStatus& s) { map.flushRegMap(false, s); }),
            (std::vector<Access>{{base + 0x904, 32, Direction::kWrite, 0x003FF000}}));

  // flush by any ID of the offset flushes the main register, not the view.
  map.set(0x00000904, 0x0123, status, 0);
  map.set(0x0C000904, 0x1, status, 0);
  EXPECT_EQ(logOf([&](tStatus& s) { map.flush(0x0C000904, false, s, 0); }),
            (std::vector<Access>{{base + 0x904, 32, Direction::kWrite, 0x0123}}));
  EXPECT_TRUE(map.StreamPeerLocalAddressView[0].isDirty());

  // A write of the view sends its whole shadow.
  EXPECT_EQ(logOf([&](tStatus& s) { map.write(0x0C000904, 0x2, false, s, 0); }),
            (std::vector<Access>{{base + 0x904, 32, Direction::kWrite, 0x2000}}));
  map.get(0x00000904, value, status, 0);
  EXPECT_EQ(value, 0x0123u) << "the main shadow is not the view's";
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(StreamCircuitMapTest, ControlStatusWordIsReadAndWrittenLive) {
  tStreamCircuit& map = *maps[0];
  const uint64_t base = StreamCircuitBlock::bar0Offset(0);
  EXPECT_EQ(logOf([&](tStatus& s) { map.write(0x04000800, 1, false, s, 0); }),
            (std::vector<Access>{{base + 0x800, 32, Direction::kWrite, 0x100}}));
  uint64_t value = 0;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(logOf([&](tStatus& s) { map.read(0x80000800, value, s, 0); }).size(), 1u);
    EXPECT_EQ(value, 0x100u);
  }
  logOf([&](tStatus& s) { map.get(0x80000800, value, s, 0); }, -52005);

  tStatus status;
  static_assert(std::is_same<decltype(map.StreamControlStatusReg.readDataTransferEnable(status)), bool>::value,
                "pollers take the status bits as flags");
  EXPECT_TRUE(map.StreamControlStatusReg.readDataTransferEnable(status));
  EXPECT_FALSE(map.StreamControlStatusReg.readStreamCircuitResetComplete(status));
  map.StreamControlStatusReg.writeBit9(1, status);
  EXPECT_FALSE(map.StreamControlStatusReg.readDataTransferEnable(status));
  EXPECT_TRUE(map.StreamControlStatusReg.readStreamCircuitResetComplete(status));
  EXPECT_EQ(status.getCode(), 0);

  // With an error already in the status a poll's getter ends it at once.
  tStatus failed;
  failed.setCode(-52007, "test", "here", 1);
  board.clearAccessLog();
  EXPECT_TRUE(map.StreamControlStatusReg.readDataTransferEnable(failed));
  EXPECT_TRUE(board.accessLog().empty());

  // The read-only word at 0x814 refuses writes and loads on refresh.
  logOf([&](tStatus& s) { map.write(0x40000814, 1, false, s, 0); }, -52005);
  blocks[0]->setReadSide(0x814, 0x55);
  EXPECT_EQ(logOf([&](tStatus& s) { map.refresh(0x40000814, s, 0); }).size(), 1u);
  map.get(0xC0000814, value, status, 0);
  EXPECT_EQ(value, 0x55u);
}

}  // namespace
