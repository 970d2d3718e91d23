#include <gtest/gtest.h>

#include <memory>

#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "regmaps/timing/tDO.h"
#include "simboard/SimBoard.h"
#include "simboard/TimingDigitalOutputBlock.h"
#include "simboard/TimingOutputTimerBlock.h"
#include "tests/regmaps/RegMapExpectations.h"
#include "tests/simboard/BoardTestSupport.h"

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::Direction;

namespace {

// The digital-output block and the output-timer block, register by register
// in declaration order; timer offsets are relative to the timer's base.
const regmaptest::ExpectedMap kDORegisters = {
    {0x0u, 32, arm::kReadOnly, 0x0u, 0xFFFFFFFFu, {{0x40000000u, 0xFFFFu, 2, false}}},
    {0x0u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x00000000u, 0x1u, 0, true}, {0x20000000u, 0x2u, 0, true}, {0x10000000u, 0x4u, 0, true}}},
    {0x2u, 8, arm::kWriteOnly, 0x0u, 0xFFu, {{0x08000002u, 0xF0u, 1, false}}},
    {0x4u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000004u, 0xFFFFFFFFu, 3, false}}},
    {0x8u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000008u, 0x1u, 0, false}, {0x20000008u, 0x2u, 0, false}, {0x10000008u, 0x4u, 0, false}, {0x30000008u, 0x8u, 0, false}, {0x08000008u, 0x10u, 0, false}, {0x28000008u, 0x20u, 0, false}, {0x18000008u, 0x40u, 0, false}, {0x38000008u, 0x80u, 0, false}, {0x04000008u, 0x100u, 0, false}, {0x24000008u, 0x200u, 0, false}, {0x14000008u, 0x400u, 0, false}, {0x34000008u, 0x800u, 0, false}, {0x0C000008u, 0x1000u, 0, false}, {0x2C000008u, 0x2000u, 0, false}, {0x1C000008u, 0x4000u, 0, false}, {0x3C000008u, 0x8000u, 0, false}, {0x02000008u, 0x10000u, 0, false}, {0x22000008u, 0x20000u, 0, false}, {0x12000008u, 0x40000u, 0, false}, {0x32000008u, 0x80000u, 0, false}, {0x0A000008u, 0x100000u, 0, false}, {0x2A000008u, 0x200000u, 0, false}, {0x1A000008u, 0x400000u, 0, false}, {0x3A000008u, 0x800000u, 0, false}, {0x06000008u, 0x1000000u, 0, false}, {0x26000008u, 0x2000000u, 0, false}, {0x16000008u, 0x4000000u, 0, false}, {0x36000008u, 0x8000000u, 0, false}, {0x0E000008u, 0x10000000u, 0, false}, {0x2E000008u, 0x20000000u, 0, false}, {0x1E000008u, 0x40000000u, 0, false}, {0x3E000008u, 0x80000000u, 0, false}}},
    {0xCu, 32, arm::kUnshadowedWriteOnly, 0x0u, 0x0u, {{0x0000000Cu, 0xFFFFFFFFu, 3, false}}},
    {0x10u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000010u, 0xFFFFFFFFu, 3, false}}},
    {0x14u, 32, arm::kWriteOnly, 0x80u, 0xFFFFFFFFu, {{0x00000014u, 0x1u, 0, true}, {0x20000014u, 0x2u, 0, true}, {0x0C000014u, 0x3000u, 1, false}, {0x1C000014u, 0xC000u, 1, false}}},
    {0x18u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x04000018u, 0x100u, 0, true}, {0x24000018u, 0x200u, 0, true}, {0x14000018u, 0xFC00u, 1, false}, {0x02000018u, 0x10000u, 0, true}, {0x22000018u, 0x20000u, 0, false}, {0x12000018u, 0xFC0000u, 1, false}, {0x26000018u, 0x2000000u, 0, false}, {0x16000018u, 0xFC000000u, 1, false}}},
    {0x1Cu, 32, arm::kUnshadowedWriteOnly, 0x0u, 0x0u, {{0x0000001Cu, 0xFFFFFFFFu, 3, false}}},
    {0x20u, 32, arm::kUnshadowedWriteOnly, 0x0u, 0x0u, {{0x00000020u, 0xFFFFFFFFu, 3, false}}},
    {0x24u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000024u, 0xFFFFFFFFu, 3, false}}},
    {0x28u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000028u, 0x3u, 1, false}, {0x10000028u, 0xCu, 1, false}, {0x08000028u, 0x30u, 1, false}, {0x18000028u, 0xC0u, 1, false}, {0x04000028u, 0x300u, 1, false}, {0x14000028u, 0xC00u, 1, false}, {0x0C000028u, 0x3000u, 1, false}, {0x1C000028u, 0xC000u, 1, false}, {0x02000028u, 0x30000u, 1, false}, {0x12000028u, 0xC0000u, 1, false}, {0x0A000028u, 0x300000u, 1, false}, {0x1A000028u, 0xC00000u, 1, false}, {0x06000028u, 0x3000000u, 1, false}, {0x16000028u, 0xC000000u, 1, false}, {0x0E000028u, 0x30000000u, 1, false}, {0x1E000028u, 0xC0000000u, 1, false}}},
    {0x2Cu, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x0000002Cu, 0x3u, 1, false}, {0x1000002Cu, 0xCu, 1, false}, {0x0800002Cu, 0x30u, 1, false}, {0x1800002Cu, 0xC0u, 1, false}, {0x0400002Cu, 0x300u, 1, false}, {0x1400002Cu, 0xC00u, 1, false}, {0x0C00002Cu, 0x3000u, 1, false}, {0x1C00002Cu, 0xC000u, 1, false}, {0x0200002Cu, 0x30000u, 1, false}, {0x1200002Cu, 0xC0000u, 1, false}, {0x0A00002Cu, 0x300000u, 1, false}, {0x1A00002Cu, 0xC00000u, 1, false}, {0x0600002Cu, 0x3000000u, 1, false}, {0x1600002Cu, 0xC000000u, 1, false}, {0x0E00002Cu, 0x30000000u, 1, false}, {0x1E00002Cu, 0xC0000000u, 1, false}}},
    {0x30u, 16, arm::kUnshadowedWriteOnly, 0x0u, 0x0u, {{0x00000030u, 0xFFFu, 2, false}}},
};

const regmaptest::ExpectedMap kOutTimerRegisters = {
    {0x0u, 32, arm::kUnshadowedWriteOnly, 0x0u, 0x0u, {{0x00000000u, 0x1u, 0, true}, {0x08000000u, 0x10u, 0, true}, {0x28000000u, 0x20u, 0, true}, {0x18000000u, 0x40u, 0, true}, {0x38000000u, 0x80u, 0, true}, {0x04000000u, 0x100u, 0, true}, {0x24000000u, 0x200u, 0, true}, {0x0C000000u, 0x1000u, 0, true}, {0x1C000000u, 0x4000u, 0, true}, {0x3C000000u, 0x8000u, 0, true}, {0x02000000u, 0x10000u, 0, true}, {0x2A000000u, 0x200000u, 0, true}, {0x1A000000u, 0x400000u, 0, true}, {0x3A000000u, 0x800000u, 0, true}, {0x06000000u, 0x1000000u, 0, true}, {0x26000000u, 0x2000000u, 0, true}, {0x16000000u, 0x4000000u, 0, true}, {0x2E000000u, 0x20000000u, 0, true}}},
    {0x0u, 32, arm::kReadOnly, 0x0u, 0xFFFFFFFFu, {{0x40000000u, 0x1u, 0, false}, {0x60000000u, 0x2u, 0, false}, {0x50000000u, 0x4u, 0, false}, {0x70000000u, 0x8u, 0, false}, {0x48000000u, 0x10u, 0, false}, {0x68000000u, 0x20u, 0, false}, {0x58000000u, 0x40u, 0, false}, {0x78000000u, 0x80u, 0, false}, {0x44000000u, 0x100u, 0, false}, {0x64000000u, 0x200u, 0, false}, {0x54000000u, 0x400u, 0, false}, {0x74000000u, 0x800u, 0, false}, {0x4C000000u, 0x1000u, 0, false}, {0x6C000000u, 0x2000u, 0, false}, {0x5C000000u, 0x4000u, 0, false}, {0x7C000000u, 0x8000u, 0, false}, {0x62000000u, 0x20000u, 0, false}, {0x6A000000u, 0x200000u, 0, false}, {0x5A000000u, 0x400000u, 0, false}, {0x7A000000u, 0x800000u, 0, false}, {0x46000000u, 0x1000000u, 0, false}, {0x66000000u, 0x2000000u, 0, false}, {0x56000000u, 0x4000000u, 0, false}, {0x76000000u, 0x8000000u, 0, false}, {0x4E000000u, 0x10000000u, 0, false}, {0x6E000000u, 0x20000000u, 0, false}, {0x5E000000u, 0x40000000u, 0, false}}},
    {0x4u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000004u, 0xFFFFFFFFu, 3, false}}},
    {0x4u, 32, arm::kReadOnly, 0x0u, 0xFFFFFFFFu, {{0x40000004u, 0xFFFFFFFFu, 3, false}}},
    {0x8u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000008u, 0xFFFFFFFFu, 3, false}}},
    {0xCu, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x0000000Cu, 0xFFFFFFFFu, 3, false}}},
    {0xCu, 32, arm::kReadOnly, 0x0u, 0xFFFFFFFFu, {{0x4000000Cu, 0xFFFFFFFFu, 3, false}}},
    {0x10u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000010u, 0xFFFFFFFFu, 3, false}}},
    {0x14u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000014u, 0xFFFFFFFFu, 3, false}}},
    {0x14u, 32, arm::kReadOnly, 0x0u, 0xFFFFFFFFu, {{0x40000014u, 0xFFFFFFFFu, 3, false}}},
    {0x18u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000018u, 0xFFFFFFFFu, 3, false}}},
    {0x1Cu, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x0000001Cu, 0x1u, 0, false}, {0x2000001Cu, 0x2u, 0, false}, {0x1000001Cu, 0x4u, 0, false}, {0x3000001Cu, 0x8u, 0, false}, {0x0800001Cu, 0x70u, 1, false}, {0x3800001Cu, 0x80u, 0, false}, {0x1400001Cu, 0x400u, 0, false}, {0x3400001Cu, 0x800u, 0, false}, {0x0C00001Cu, 0x1000u, 0, false}, {0x2C00001Cu, 0x2000u, 0, false}, {0x1C00001Cu, 0xC000u, 1, false}, {0x0200001Cu, 0x10000u, 0, true}, {0x2200001Cu, 0x20000u, 0, false}, {0x3200001Cu, 0x80000u, 0, false}, {0x1A00001Cu, 0x7C00000u, 1, false}, {0x3600001Cu, 0x18000000u, 1, false}}},
    {0x20u, 32, arm::kWriteOnly, 0x0u, 0xFFFBFFFFu, {{0x10000020u, 0x4u, 0, false}, {0x30000020u, 0x8u, 0, false}, {0x38000020u, 0x180u, 1, false}, {0x22000020u, 0x20000u, 0, false}, {0x12000020u, 0x40000u, 0, true}, {0x32000020u, 0x80000u, 0, false}, {0x0A000020u, 0x100000u, 0, false}, {0x2A000020u, 0x200000u, 0, false}, {0x1A000020u, 0x400000u, 0, false}, {0x16000020u, 0x4000000u, 0, true}, {0x36000020u, 0x8000000u, 0, false}, {0x2E000020u, 0x20000000u, 0, false}, {0x1E000020u, 0x40000000u, 0, false}}},
    {0x24u, 16, arm::kWriteOnly, 0x0u, 0xFFFFu, {{0x28000024u, 0x20u, 0, false}, {0x14000024u, 0x400u, 0, true}, {0x0C000024u, 0x3000u, 1, false}, {0x3C000024u, 0x8000u, 0, true}}},
    {0x26u, 16, arm::kWriteOnly, 0x1u, 0xFFFFu, {{0x00000026u, 0x1u, 0, false}, {0x04000026u, 0xFF00u, 1, false}}},
    {0x28u, 32, arm::kUnshadowedWriteOnly, 0x0u, 0x0u, {{0x00000028u, 0x1u, 0, true}, {0x20000028u, 0x2u, 0, true}, {0x10000028u, 0x4u, 0, true}, {0x28000028u, 0x20u, 0, true}, {0x18000028u, 0x40u, 0, true}, {0x04000028u, 0x100u, 0, true}, {0x24000028u, 0x200u, 0, true}, {0x02000028u, 0x10000u, 0, true}, {0x32000028u, 0x80000u, 0, true}, {0x0A000028u, 0x100000u, 0, true}, {0x3A000028u, 0x800000u, 0, true}, {0x06000028u, 0x1000000u, 0, true}, {0x26000028u, 0x2000000u, 0, true}, {0x16000028u, 0x4000000u, 0, true}, {0x2E000028u, 0x20000000u, 0, true}}},
    {0x2Cu, 32, arm::kUnshadowedWriteOnly, 0x0u, 0x0u, {{0x0000002Cu, 0x1u, 0, true}, {0x2000002Cu, 0x2u, 0, true}, {0x1000002Cu, 0x4u, 0, true}, {0x2800002Cu, 0x20u, 0, true}, {0x1800002Cu, 0x40u, 0, true}, {0x0400002Cu, 0x100u, 0, true}, {0x2400002Cu, 0x200u, 0, true}, {0x0200002Cu, 0x10000u, 0, true}, {0x3200002Cu, 0x80000u, 0, true}, {0x0A00002Cu, 0x100000u, 0, true}, {0x3A00002Cu, 0x800000u, 0, true}, {0x0600002Cu, 0x1000000u, 0, true}, {0x2600002Cu, 0x2000000u, 0, true}, {0x1600002Cu, 0x4000000u, 0, true}, {0x2E00002Cu, 0x20000000u, 0, true}}},
    {0x30u, 32, arm::kWriteOnly, 0x0u, 0xFFFFFFFFu, {{0x00000030u, 0x3u, 1, false}, {0x10000030u, 0xCu, 1, false}, {0x08000030u, 0x30u, 1, false}, {0x14000030u, 0xC00u, 1, false}, {0x0C000030u, 0x3000u, 1, false}, {0x02000030u, 0x30000u, 1, false}, {0x12000030u, 0xC0000u, 1, false}}},
    {0x34u, 16, arm::kUnshadowedWriteOnly, 0x0u, 0x0u, {{0x00000034u, 0x1u, 0, true}, {0x20000034u, 0x2u, 0, true}, {0x10000034u, 0x4u, 0, true}, {0x30000034u, 0x8u, 0, true}}},
};

constexpr uint64_t kBase = 0x50000;         // the digital-output map's memory space in BAR 0
constexpr uint64_t kTimerBase = 0x50034;    // where the embedded output timer sits

struct DoMapTest : simboard::BoardTest {
  simboard::TimingDigitalOutputBlock& outputs{board.addBlock(
      simboard::TimingDigitalOutputBlock::kBar0Offset, std::make_unique<simboard::TimingDigitalOutputBlock>())};
  simboard::TimingOutputTimerBlock& timer{board.addBlock(
      simboard::TimingOutputTimerBlock::kBar0Offset, std::make_unique<simboard::TimingOutputTimerBlock>())};
  vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false> space{board.bar0Address() + kBase, 0x32};
  kelt_regmaps::tDO map{space, 0, 0, 0xFFFFFFFFu};
};

std::vector<Access> operator+(std::vector<Access> a, const std::vector<Access>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(DoMapTest, EachMapAnswersOnlyItsOwnIds) {
  EXPECT_EQ(regmaptest::idsOf(kDORegisters).size(), 15u + 88u) << "whole-register and field IDs";
  EXPECT_EQ(regmaptest::idsOf(kOutTimerRegisters).size(), 19u + 130u);
  // The timer's registers have no IDs in the digital-output map.
  regmaptest::expectAnswersExactly(map, board, kDORegisters, 0x70);
  regmaptest::expectAnswersExactly(map.getOutTimer(), board, kOutTimerRegisters, 0x40);
  arm::FieldType types[4];
  uint64_t masks[4];
  uint32_t count = 4;
  tStatus status;
  map.getRegisterFormat(0x34, count, types, masks, status);
  EXPECT_EQ(status.getCode(), -52002);
  EXPECT_EQ(count, 0u);
  count = 4;
  tStatus timerStatus;
  map.getOutTimer().getRegisterFormat(0x36, count, types, masks, timerStatus);
  EXPECT_EQ(timerStatus.getCode(), -52002);
  for (const arm::tRegisterMap* m : {static_cast<const arm::tRegisterMap*>(&map),
                                     static_cast<const arm::tRegisterMap*>(&map.getOutTimer())}) {
    EXPECT_STREQ(m->getVersion(), "200a13081315");
    EXPECT_STREQ(m->getOldestCompatibleVersion(), "200a13081315");
  }
}

TEST_F(DoMapTest, FormatsWidthsAndFieldKindsFollowTheRegisterLists) {
  regmaptest::expectFormats(map, kDORegisters);
  regmaptest::expectFormats(map.getOutTimer(), kOutTimerRegisters);
  regmaptest::expectAccessWidths(map, board, kDORegisters, kBase);
  regmaptest::expectAccessWidths(map.getOutTimer(), board, kOutTimerRegisters, kTimerBase);
  regmaptest::expectFieldConversions(map, board, kDORegisters, kBase);
  regmaptest::expectFieldConversions(map.getOutTimer(), board, kOutTimerRegisters, kTimerBase);
}

TEST_F(DoMapTest, MapWideWalksContinueIntoTheTimer) {
  const auto ownFlush = regmaptest::flushWalk(kDORegisters, kBase);
  const auto timerFlush = regmaptest::flushWalk(kOutTimerRegisters, kTimerBase);
  ASSERT_EQ(ownFlush.size(), 10u);
  ASSERT_EQ(timerFlush.size(), 11u);

  EXPECT_TRUE(logOf([&](tStatus& s) { map.flushRegMap(false, s); }).empty());
  const auto forced = logOf([&](tStatus& s) { map.flushRegMap(true, s); });
  EXPECT_EQ(forced, ownFlush + timerFlush);
  EXPECT_EQ(forced[5], (Access{kBase + 0x14, 32, Direction::kWrite, 0x80}));
  EXPECT_EQ(forced[19], (Access{kBase + 0x5A, 16, Direction::kWrite, 0x0001}));

  map.markDirtyRegMap();
  EXPECT_EQ(logOf([&](tStatus& s) { map.flushRegMap(false, s); }), forced);
  EXPECT_EQ(logOf([&](tStatus& s) { map.getOutTimer().flushRegMap(true, s); }), timerFlush);

  timer.setReadSide(0x4, 0x12345678);
  const auto reads = regmaptest::withoutReadValues(logOf([&](tStatus& s) { map.refreshRegMap(s); }));
  EXPECT_EQ(reads, (std::vector<Access>{{kBase + 0x00, 32, Direction::kRead, 0},
                                        {kBase + 0x34, 32, Direction::kRead, 0},
                                        {kBase + 0x38, 32, Direction::kRead, 0},
                                        {kBase + 0x40, 32, Direction::kRead, 0},
                                        {kBase + 0x48, 32, Direction::kRead, 0}}));
  EXPECT_EQ(reads, regmaptest::refreshWalk(kDORegisters, kBase) +
                       regmaptest::refreshWalk(kOutTimerRegisters, kTimerBase));
  uint64_t value = 0;
  tStatus status;
  map.getOutTimer().get(0xC0000004, value, status, 0);
  EXPECT_EQ(value, 0x12345678u);
  map.getOutTimer().get(0x80000004, value, status, 0);
  EXPECT_EQ(value, 0u) << "the write side never sees the read side";
}

TEST_F(DoMapTest, WriteProtectLineIsDrivenThroughNamedFields) {
  auto& direction = map.DIO_Direction_Register;
  auto& level = map.DO_04_Register;
  EXPECT_EQ(logOf([&](tStatus& s) { direction.writeLine7Direction(1, s); }),
            (std::vector<Access>{{kBase + 0x8, 32, Direction::kWrite, 0x80}}));
  EXPECT_TRUE(outputs.writeProtectLineIsOutput());
  EXPECT_FALSE(outputs.writeProtectLineLevel());

  struct Step {
    bool release;
    std::vector<Access> expected;
  };
  const std::vector<Step> steps = {
      {true, {{kBase + 0x4, 32, Direction::kWrite, 0x80}}},
      {true, {}},  // already released: nothing changed, nothing written
      {false, {{kBase + 0x4, 32, Direction::kWrite, 0x00}}},
      {false, {}},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(logOf([&](tStatus& s) { level.writeLine7Level(step.release, s); }), step.expected);
    EXPECT_EQ(outputs.writeProtectLineLevel(), step.release);
  }
  // The level lives inside the output word's one field: its other lines stay.
  level.setRegister(0x00010000);
  EXPECT_EQ(logOf([&](tStatus& s) { level.writeLine7Level(true, s); }),
            (std::vector<Access>{{kBase + 0x4, 32, Direction::kWrite, 0x00010080}}));
  EXPECT_TRUE(level.getLine7Level());
  // The same direction bit through the dynamic interface is numeric.
  EXPECT_EQ(logOf([&](tStatus& s) { map.write(0x38000008, 2, false, s, 0); }),
            (std::vector<Access>{{kBase + 0x8, 32, Direction::kWrite, 0x00}}));
  EXPECT_FALSE(outputs.writeProtectLineIsOutput());
}

TEST_F(DoMapTest, RegistersBehaveByTheirKinds) {
  struct Case {
    const char* what;
    arm::tRegisterMap* target;
    uint32_t id;
    uint64_t value;
    std::vector<Access> expected;
  };
  arm::tRegisterMap* d = &map;
  arm::tRegisterMap* t = &map.getOutTimer();
  const std::vector<Case> cases = {
      {"boolean bit 0 of the 8-bit enable", d, 0x00000000, 2, {{kBase, 8, Direction::kWrite, 0x01}}},
      {"unshadowed: every write goes out", d, 0x8000000C, 5, {{kBase + 0xC, 32, Direction::kWrite, 5}}},
      {"unshadowed: every write goes out", d, 0x8000000C, 5, {{kBase + 0xC, 32, Direction::kWrite, 5}}},
      {"16-bit word keeps its low bits", d, 0x80000030, 0x12345, {{kBase + 0x30, 16, Direction::kWrite, 0x2345}}},
      {"12-bit field alone", d, 0x00000030, 0xFFFF, {{kBase + 0x30, 16, Direction::kWrite, 0x0FFF}}},
      {"strobe goes out", t, 0x12000020, 1, {{kTimerBase + 0x20, 32, Direction::kWrite, 0x40000}}},
      {"strobe goes out again", t, 0x12000020, 1, {{kTimerBase + 0x20, 32, Direction::kWrite, 0x40000}}},
      {"command field alone", t, 0x38000000, 2, {{kTimerBase, 32, Direction::kWrite, 0x80}}},
      {"command twice", t, 0x80000000, 9, {{kTimerBase, 32, Direction::kWrite, 9}}},
      {"command twice", t, 0x80000000, 9, {{kTimerBase, 32, Direction::kWrite, 9}}},
      {"16-bit personal word", t, 0x80000024, 0x1FFFF, {{kTimerBase + 0x24, 16, Direction::kWrite, 0xFFFF}}},
      {"boolean mode bit 16", t, 0x0200001C, 2, {{kTimerBase + 0x1C, 32, Direction::kWrite, 0x10000}}},
      {"numeric mode bit 17 takes bit 0", t, 0x2200001C, 2, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(logOf([&](tStatus& s) { c.target->write(c.id, c.value, false, s, 0); }), c.expected) << c.what;
  }

  uint64_t value = 0;
  tStatus status;
  map.get(0x80000014, value, status, 0);
  EXPECT_EQ(value, 0x80u) << "reset value outside every field";
  map.write(0x80000014, 0xFFFFFFFF, false, status, 0);
  map.get(0x80000014, value, status, 0);
  EXPECT_EQ(value, 0xFFFFFFFFu) << "reserved bits are the whole register's";

  // After the forced whole write the strobe bit is gone from the shadow, and
  // a forced flush sends the shadow without it.
  map.getOutTimer().write(0x80000020, 0xFFFFFFFF, false, status, 0);
  map.getOutTimer().get(0x80000020, value, status, 0);
  EXPECT_EQ(value, 0xFFFBFFFFu);
  EXPECT_EQ(logOf([&](tStatus& s) { map.getOutTimer().flush(0x20, true, s, 0); }),
            (std::vector<Access>{{kTimerBase + 0x20, 32, Direction::kWrite, 0xFFFBFFFF}}));

  // Unshadowed command word: no shadow to get, set, read or refresh; flush is
  // a successful no-op.
  for (int op = 0; op < 4; ++op) {
    tStatus s;
    if (op == 0) map.getOutTimer().get(0x80000000, value, s, 0);
    if (op == 1) map.getOutTimer().set(0x80000000, 1, s, 0);
    if (op == 2) map.getOutTimer().read(0x80000000, value, s, 0);
    if (op == 3) map.getOutTimer().refresh(0x80000000, s, 0);
    EXPECT_EQ(s.getCode(), -52005) << op;
  }
  EXPECT_TRUE(logOf([&](tStatus& s) { map.getOutTimer().flush(0x80000000, true, s, 0); }).empty());
  EXPECT_TRUE(logOf([&](tStatus& s) { map.flush(0x8000000C, true, s, 0); }).empty());

  // A 32-bit read side with one 16-bit field.
  outputs.setReadSide(0x0, 0xABCD1234);
  EXPECT_EQ(logOf([&](tStatus& s) { map.read(0x40000000, value, s, 0); }),
            (std::vector<Access>{{kBase, 32, Direction::kRead, 0xABCD1234}}));
  EXPECT_EQ(value, 0x1234u);
  map.get(0xC0000000, value, status, 0);
  EXPECT_EQ(value, 0xABCD1234u);
  timer.setReadSide(0x0, 0x3);
  map.getOutTimer().read(0x40000000, value, status, 0);
  EXPECT_EQ(value, 1u);
  map.getOutTimer().get(0xC0000000, value, status, 0);
  EXPECT_EQ(value, 3u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(DoMapTest, ReinitializeReturnsBothMapsToTheirResetState) {
  tStatus status;
  map.write(0x80000014, 0x1, false, status, 0);
  map.set(0x80000028, 0xFFFFFFFF, status, 0);
  map.getOutTimer().set(0x80000026, 0xFF00, status, 0);
  map.getOutTimer().set(0x80000030, 0x3, status, 0);
  map.reinitialize();
  EXPECT_TRUE(logOf([&](tStatus& s) { map.flushRegMap(false, s); }).empty()) << "nothing is dirty";
  uint64_t value = 0;
  map.get(0x80000014, value, status, 0);
  EXPECT_EQ(value, 0x80u);
  map.get(0x80000028, value, status, 0);
  EXPECT_EQ(value, 0u);
  map.getOutTimer().get(0x80000026, value, status, 0);
  EXPECT_EQ(value, 0x0001u);
  map.getOutTimer().get(0x80000030, value, status, 0);
  EXPECT_EQ(value, 0u);
  // The timer keeps its own placement.
  EXPECT_EQ(logOf([&](tStatus& s) { map.getOutTimer().write(0x80000030, 1, false, s, 0); }),
            (std::vector<Access>{{kTimerBase + 0x30, 32, Direction::kWrite, 1}}));
}

// Registers sit at base - window start + offset; the timer follows the
// block at base + 0x34 under the same window.
TEST_F(DoMapTest, ANarrowWindowRefusesTheHardwareOutsideIt) {
  kelt_regmaps::tDO narrow{space, 0x10, 8, 4};
  EXPECT_EQ(logOf([&](tStatus& s) { narrow.write(0x80000004, 0x5, false, s, 0); }, -52006),
            std::vector<Access>{});
  uint64_t value = 0;
  tStatus status;
  narrow.get(0x80000004, value, status, 0);
  EXPECT_EQ(value, 5u);
  EXPECT_TRUE(narrow.DO_04_Register.isDirty());
  EXPECT_EQ(logOf([&](tStatus& s) { narrow.write(0x38000008, 1, false, s, 0); }),
            (std::vector<Access>{{kBase + 0x10, 32, Direction::kWrite, 0x80}}));
  // The map-wide flush still visits everything and reports the first refusal:
  // only the block's 0x8 and the timer's 0x8 lie in the window.
  narrow.markDirtyRegMap();
  const auto log = logOf([&](tStatus& s) { narrow.flushRegMap(false, s); }, -52006);
  EXPECT_EQ(log, (std::vector<Access>{{kBase + 0x10, 32, Direction::kWrite, 0x80},
                                      {kBase + 0x10 + 0x34, 32, Direction::kWrite, 0x0}}));
  EXPECT_FALSE(narrow.DIO_Direction_Register.isDirty());
  EXPECT_TRUE(narrow.DO_Mode_Register.isDirty());
}

}  // namespace
