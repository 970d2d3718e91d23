// The port accessor over the simulated tunnel: command words, data-register
// reuse, the read poll and its time-out, and the accessor's own lock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/KeltPortAccessor.h"
#include "tests/regmaps/PortTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using porttest::code;
using porttest::countWrites;
using porttest::kCommand;
using porttest::kData;
using simboard::R;
using simboard::W;

class KeltPortAccessorTest : public porttest::PortTest {};

TEST_F(KeltPortAccessorTest, WriteLoadsDataThenStrobesOneCommand) {
  ASSERT_EQ(constructed.getCode(), 0);
  tStatus status;
  accessor.write32(0x8, 0x12345678, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{W(kData, 32, 0x12345678), W(kCommand, 32, 0x08000201)}));
  EXPECT_EQ(busInterface.ConfigControlReg.getRegister(), 0x08000200u) << "strobe dropped, port and address kept";
  EXPECT_FALSE(busInterface.ConfigControlReg.isDirty());
  EXPECT_EQ(ports().peek(2, 0, 0x8), 0x12345678u);
}

TEST_F(KeltPortAccessorTest, CommandCarriesPortSelectorAndOnlyTheLowAddressByte) {
  tStatus status;
  tarntools::KeltPortAccessor other(busInterface, 0x1B, 0xE, status);
  other.write32(0x1AB, 5, status);
  ASSERT_EQ(status.getCode(), 0);
  // Selector 0xB in bits 20-23, port 6 in bits 8-10, address 0xAB in 24-31.
  EXPECT_EQ(log().back(), W(kCommand, 32, 0xABB00601));
  EXPECT_EQ(ports().peek(6, 0xB, 0xAB), 5u);
}

TEST_F(KeltPortAccessorTest, EqualValueIsNotWrittenToTheDataRegisterAgain) {
  tStatus status;
  accessor.write32(0x8, 7, status);
  accessor.write32(0xC, 7, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<simboard::Access> seen = take();
  EXPECT_EQ(countWrites(seen, kData), 1u);
  EXPECT_EQ(countWrites(seen, kCommand), 2u);
  EXPECT_EQ(ports().peek(2, 0, 0xC), 7u);
}

TEST_F(KeltPortAccessorTest, ReadPollsUntilDataReadyThenReadsData) {
  ports().write(2, 0, 0x84, 0xCAFE0001);
  tunnel.setReadReadyDelayReads(2);
  tStatus status;
  EXPECT_EQ(accessor.read32(0x84, status), 0xCAFE0001u);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{W(kCommand, 32, 0x84000202), R(kCommand, 32, 0x84000200),
                                                   R(kCommand, 32, 0x84000200), R(kCommand, 32, 0x84000204),
                                                   R(kData, 32, 0xCAFE0001)}));
  EXPECT_EQ(busInterface.ConfigControlReg.getRegister(), 0x84000204u) << "the last value polled";
  EXPECT_EQ(busInterface.ConfigDataReg.getRegister(), 0xCAFE0001u);

  // The next command is built from zero, not from the polled word.
  accessor.write32(0x8, 1, status);
  EXPECT_EQ(log().back(), W(kCommand, 32, 0x08000201));
}

// A read between two writes of one value reloads the data shadow, so the
// second write goes out exactly when the read value differs.
TEST_F(KeltPortAccessorTest, ReadBetweenWritesDecidesWhetherDataIsRewritten) {
  struct Case {
    uint32_t portValue;
    size_t dataWrites;
  };
  for (const Case& c : {Case{0x55, 1}, Case{0x99, 0}}) {
    SCOPED_TRACE(c.portValue);
    tStatus status;
    ports().write(2, 0, 0x10, c.portValue);
    accessor.write32(0x8, 0x55, status);
    EXPECT_EQ(accessor.read32(0x10, status), c.portValue);
    take();
    accessor.write32(0xC, 0x99, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(countWrites(take(), kData), c.dataWrites);
    EXPECT_EQ(ports().peek(2, 0, 0xC), 0x99u);
  }
}

TEST_F(KeltPortAccessorTest, ReadThatNeverBecomesReadyTimesOutWithThePreviousData) {
  tStatus status;
  accessor.write32(0x8, 0x1234, status);
  ports().write(2, 0, 0x10, 0xBEEF);
  tunnel.setNeverReadReady(true);
  take();
  const uint64_t before = kalsim::virtualNanoseconds();
  EXPECT_EQ(accessor.read32(0x10, status), 0x1234u);
  EXPECT_EQ(status.getCode(), code(0xBFFA807D));
  EXPECT_GE(kalsim::virtualNanoseconds() - before, 100000u * 1000u);
  const std::vector<simboard::Access> seen = take();
  for (const simboard::Access& access : seen) EXPECT_NE(access.offset, kData) << "data never read";
  EXPECT_EQ(busInterface.ConfigControlReg.getRegister(), seen.back().value) << "the last value polled";
}

// The tunnel may load the data register after the read gave up; a later
// write of the value the shadow still shows must reach the port anyway.
TEST_F(KeltPortAccessorTest, WriteAfterFailedReadRewritesTheDataRegister) {
  tStatus status;
  accessor.write32(0x8, 0x1234, status);
  ports().write(2, 0, 0x10, 0xBEEF);
  tunnel.setNeverReadReady(true);
  accessor.read32(0x10, status);
  ASSERT_EQ(status.getCode(), code(0xBFFA807D));
  tunnel.setNeverReadReady(false);
  take();

  tStatus fresh;
  accessor.write32(0x20, 0x1234, fresh);
  EXPECT_EQ(fresh.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{W(kData, 32, 0x1234), W(kCommand, 32, 0x20000201)}));
  EXPECT_EQ(ports().peek(2, 0, 0x20), 0x1234u) << "not the value the abandoned read left in 0x68C";
}

TEST_F(KeltPortAccessorTest, ErrorOnEntryAndTheUnsupportedOperationTouchNothing) {
  tStatus status;
  status.setCode(-50, "test", "test", 1);
  accessor.write32(0x8, 1, status);
  EXPECT_EQ(accessor.read32(0x8, status), 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), -50);

  tStatus clean;
  accessor.unsupportedOperation(clean);
  EXPECT_EQ(clean.getCode(), code(0xBFFA806F));
  EXPECT_TRUE(log().empty());
}

TEST_F(KeltPortAccessorTest, AccessorWithoutItsLockRefusesAccesses) {
  kalsim::failMutexCreation(1);
  tStatus status;
  tarntools::KeltPortAccessor broken(busInterface, 0, 2, status);
  EXPECT_EQ(status.getCode(), -52000);
  tStatus use;
  EXPECT_EQ(broken.read32(0x8, use), 0xFFFFFFFFu);
  EXPECT_EQ(use.getCode(), -52000);
  EXPECT_TRUE(log().empty());
}

// Two maps with locks of their own reach the port through this one tunnel.
// A read's command, poll and data must not be split by another access, or
// the read would return the other access's data.
TEST_F(KeltPortAccessorTest, ConcurrentAccessesDoNotInterleaveOnTheTunnel) {
  tunnel.setReadReadyDelayReads(3);
  ports().write(2, 0, 0x10, 0xAAAA5555);
  std::atomic<bool> wrong{false};
  std::thread reader([&] {
    for (int i = 0; i < 300 && !wrong; ++i) {
      tStatus status;
      if (accessor.read32(0x10, status) != 0xAAAA5555u || status.getCode() != 0) wrong = true;
    }
  });
  std::thread writer([&] {
    for (uint32_t i = 0; i < 300 && !wrong; ++i) {
      tStatus status;
      accessor.write32(0x20, i, status);
      if (status.getCode() != 0) wrong = true;
    }
  });
  reader.join();
  writer.join();
  EXPECT_FALSE(wrong);
  EXPECT_EQ(ports().peek(2, 0, 0x10), 0xAAAA5555u);
  EXPECT_EQ(ports().writesTo(2, 0, 0x10), 1u) << "only the test's own write";
}

}  // namespace
