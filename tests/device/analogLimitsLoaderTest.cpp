// The analog-monitor limits at start-up: the caller's limits record copied
// from user memory into a buffer of the driver's own and programmed masked
// to its fields, the built-in limits without one, and a refused copy or a
// failed allocation writing nothing and leaving nothing behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controllers/XAdcLimitsController.h"
#include "device/startup/AnalogLimitsLoader.h"
#include "kal/include/kalStandIn.h"
#include "platform/status/statusCodes.h"
#include "simboard/AnalogMonitor.h"
#include "tests/controllers/controllerBoard.h"
#include "tests/storage/goldenBoardFixture.h"

namespace controllertest {
namespace {

using simboard::AnalogMonitor;
using vorlan_driver::AnalogLimitsLoader;
using vorlan_driver::XAdcLimitsController;

uint32_t word(uint32_t lower, uint32_t upper) { return upper << 16 | lower; }

class AnalogLimitsLoaderTest : public ControllerBoard {
 protected:
  AnalogLimitsLoaderTest() {
    // Pair p holds (0x100 + p, 0x200 + p); the first pair and both rails
    // are wider than their fields.
    for (uint32_t p = 0; p < 23; ++p) put(p, static_cast<uint16_t>(0x100 + p), static_cast<uint16_t>(0x200 + p));
    put(1, 0xF123, 0xFFFF);
    put(21, 0xFFFF, 0x8001);
    put(22, 0x9234, 0xC321);
  }
  void put(uint32_t pair, uint16_t lower, uint16_t upper) {
    record[4 * pair] = static_cast<uint8_t>(lower);
    record[4 * pair + 1] = static_cast<uint8_t>(lower >> 8);
    record[4 * pair + 2] = static_cast<uint8_t>(upper);
    record[4 * pair + 3] = static_cast<uint8_t>(upper >> 8);
  }
  uint64_t user() const { return reinterpret_cast<uint64_t>(record); }
  void load(uint64_t pointer, tStatus& status) {
    AnalogLimitsLoader::load(&storagetest::someRequest(), pointer, limits, status);
  }

  uint8_t record[XAdcLimitsController::kRecordSize] = {};
  XAdcLimitsController limits{*iso};
};

TEST_F(AnalogLimitsLoaderTest, ARecordFromUserMemoryIsProgrammedMaskedToItsFields) {
  const uint64_t live = kalsim::liveDriverAllocations();
  tStatus status;
  load(user(), status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(kalsim::liveDriverAllocations(), live) << "the copy is released";
  EXPECT_EQ(isoWritesTo(0x182), std::vector<uint32_t>{word(0x1234, 0x4321)}) << "plus rail, 15-bit fields";
  EXPECT_EQ(isoWritesTo(0x183), std::vector<uint32_t>{word(0x7FFF, 0x0001)}) << "minus rail";
  EXPECT_EQ(isoWritesTo(0x184), std::vector<uint32_t>{word(0x114, 0x214)}) << "reference temperature";
  EXPECT_EQ(isoWritesTo(0x185), std::vector<uint32_t>{word(0x102, 0x202)}) << "CPLD temperature";
  EXPECT_EQ(block.analogMonitor().window(0), word(0x123, 0xFFF)) << "12-bit fields";
  EXPECT_EQ(block.analogMonitor().window(1), word(0x100, 0x200));
  EXPECT_EQ(block.analogMonitor().window(24), word(0x10D, 0x20D));
  EXPECT_EQ(isoWritesTo(AnalogMonitor::kUpdateWindowAddress).size(), 41u);
}

TEST_F(AnalogLimitsLoaderTest, WithoutARecordTheBuiltInLimitsAreWritten) {
  tStatus status;
  load(0, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(isoWritesTo(0x182), std::vector<uint32_t>{0x20001A00});
  EXPECT_EQ(isoWritesTo(0x183), std::vector<uint32_t>{0x3FFF4000});
  EXPECT_EQ(isoWritesTo(0x184), std::vector<uint32_t>{0x06E00E70});
  EXPECT_EQ(isoWritesTo(0x185), std::vector<uint32_t>{0x06E00E70});
  EXPECT_EQ(block.analogMonitor().window(1), word(0x849, 0xFFF));
  EXPECT_EQ(isoWritesTo(AnalogMonitor::kUpdateWindowAddress).size(), 41u);
}

TEST_F(AnalogLimitsLoaderTest, ARefusedCopyOrAFailedAllocationWritesNothing) {
  // The stand-in's registry of bad ranges takes its room on first use.
  kalsim::markUserRangeBad(nullptr, 0);
  kalsim::clearBadUserRanges();
  const uint64_t live = kalsim::liveDriverAllocations();
  {
    kalsim::markUserRangeBad(record + 40, 4);
    tStatus status;
    load(user(), status);
    kalsim::clearBadUserRanges();
    EXPECT_TRUE(status.isFatal());
    EXPECT_TRUE(isoWrites().empty());
    EXPECT_EQ(kalsim::liveDriverAllocations(), live);
  }
  for (uint64_t pointer : {user(), uint64_t{0}}) {
    tStatus status;
    kalsim::failAllocationOnThisThread(1);
    load(pointer, status);
    kalsim::failAllocationOnThisThread(0);
    EXPECT_EQ(status.getCode(), vorlan_driver::statusCodes::kOutOfMemory);
    EXPECT_TRUE(isoWrites().empty());
    EXPECT_EQ(kalsim::liveDriverAllocations(), live);
  }
  tStatus failed;
  vorlanSetCode(failed, -52005);
  load(user(), failed);
  EXPECT_EQ(failed.getCode(), -52005);
  EXPECT_TRUE(isoWrites().empty());
}

}  // namespace
}  // namespace controllertest
