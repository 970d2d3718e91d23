// The simulated serial flash and the data window in front of it: the rules
// other tests rely on when they let the driver write the flash.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "kal/include/nKIVKAL.h"
#include "simboard/ConfigPortSpiBlock.h"
#include "simboard/GoldenFlashImage.h"
#include "simboard/SerialFlash.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using simboard::FlashTransaction;
using simboard::SerialFlash;

FlashTransaction op(uint8_t opcode) { return FlashTransaction{opcode, 0, 0, 0, false, 0}; }
FlashTransaction withAddress(uint8_t opcode, uint32_t address) { return FlashTransaction{opcode, 24, address, 0, false, 0}; }
FlashTransaction program(uint32_t address, uint8_t data) {
  return FlashTransaction{SerialFlash::kByteProgram, 24, address, 8, false, data};
}
FlashTransaction writeStatus(uint8_t value) { return FlashTransaction{SerialFlash::kWriteStatus, 0, 0, 8, false, value}; }
uint8_t readStatus(SerialFlash& flash) {
  return flash.transact(FlashTransaction{SerialFlash::kReadStatus, 0, 0, 8, true, 0});
}
uint8_t readByte(SerialFlash& flash, uint32_t address) {
  return flash.transact(FlashTransaction{SerialFlash::kRead, 24, address, 8, true, 0});
}
void waitReady(SerialFlash& flash) {
  for (int i = 0; i < 10 && (readStatus(flash) & SerialFlash::kBusy) != 0; ++i) {
  }
}

struct FlashFixture : ::testing::Test {
  bool pin = true;
  SerialFlash flash{[this] { return pin; }};

  void unprotect() {
    flash.transact(op(SerialFlash::kEnableWriteStatus));
    flash.transact(writeStatus(0x00));
  }
  void programByte(uint32_t address, uint8_t data) {
    flash.transact(op(SerialFlash::kWriteEnable));
    flash.transact(program(address, data));
    waitReady(flash);
  }
};

TEST_F(FlashFixture, ProgrammingOnlyClearsBitsAndEraseRestoresTheSector) {
  EXPECT_TRUE(flash.image() == simboard::buildGoldenFlashImage()) << "a new board's flash holds the factory image";
  flash.loadImage(std::vector<uint8_t>(SerialFlash::kSize, SerialFlash::kErased));
  EXPECT_EQ(readByte(flash, 0x1234), 0xFF);
  unprotect();
  programByte(0x1234, 0xF0);
  programByte(0x1234, 0x3C);
  EXPECT_EQ(readByte(flash, 0x1234), 0x30);
  flash.transact(op(SerialFlash::kWriteEnable));
  flash.transact(withAddress(SerialFlash::kSectorErase, 0x1FFF));
  waitReady(flash);
  EXPECT_EQ(readByte(flash, 0x1234), 0xFF);
  EXPECT_EQ(readStatus(flash), 0x00) << "latch gone with the operation";
}

TEST_F(FlashFixture, ProgramIsRefusedWithoutLatchPinOrUnprotectedBlocks) {
  struct Case {
    const char* what;
    bool pinHigh, unprotected, writeEnable, ignoreProgramming;
  };
  const Case cases[] = {
      {"pin low", false, true, true, false},
      {"blocks protected", true, false, true, false},
      {"no write enable", true, true, false, false},
      {"programming ignored", true, true, true, true},
  };
  for (const Case& c : cases) {
    flash.loadImage(std::vector<uint8_t>(SerialFlash::kSize, 0xFF));
    flash.setStatusRegister(SerialFlash::kPowerOnStatus);
    pin = c.pinHigh;
    if (c.unprotected) unprotect();
    flash.setProgrammingIgnored(c.ignoreProgramming);
    if (c.writeEnable) flash.transact(op(SerialFlash::kWriteEnable));
    flash.transact(program(0x10, 0x00));
    waitReady(flash);
    flash.setProgrammingIgnored(false);
    EXPECT_EQ(flash.image()[0x10], 0xFF) << c.what;
  }
}

TEST_F(FlashFixture, StuckSwitchesHoldTheirState) {
  unprotect();
  flash.setWriteEnableNeverSets(true);
  flash.transact(op(SerialFlash::kWriteEnable));
  EXPECT_EQ(readStatus(flash), 0x00);
  flash.setWriteEnableNeverSets(false);

  flash.setBusyStuck(true);
  programByte(0x20, 0x00);
  EXPECT_EQ(readStatus(flash) & SerialFlash::kBusy, SerialFlash::kBusy);
  EXPECT_EQ(readByte(flash, 0x20), 0xFF) << "a busy flash answers nothing but its status";
}

class DataWindowTest : public simboard::BoardTest {
 protected:
  simboard::ConfigPortSpiBlock& engine{simboard::ConfigPortSpiBlock::install(board, nullptr)};
  volatile uint8_t* window() { return static_cast<uint8_t*>(board.bar0()) + engine.kDefaultWindowOffset; }
};

TEST_F(DataWindowTest, OnlyByteAccessesUnderAFlashFormatReachTheFlash) {
  engine.flash().loadImage(std::vector<uint8_t>(SerialFlash::kSize, SerialFlash::kErased));
  uint8_t* const bar0 = static_cast<uint8_t*>(board.bar0());
  // No format programmed: the window shows the configuration port's space,
  // which answers nothing while the window is disabled.
  nKIVKAL100_memoryWrite8(window() + 4, 0x5A);
  EXPECT_EQ(nKIVKAL100_memoryRead8(window() + 4), 0xFF);
  EXPECT_TRUE(engine.flash().log().empty());

  // A read format with an 8-bit opcode: byte reads are transactions, wider
  // accesses still go to the configuration port's space.
  nKIVKAL100_memoryWrite32(bar0 + 0x584, 0x80000000u | (8u << 24) | (24u << 16) | 8u);
  nKIVKAL100_memoryWrite32(bar0 + 0x58C, 0x03u << 16);
  nKIVKAL100_memoryWrite32(bar0 + 0xE0, 0x7004);
  EXPECT_EQ(nKIVKAL100_memoryRead8(window() + 4), 0xFF);
  EXPECT_EQ(nKIVKAL100_memoryRead32(window() + 4), 0xFFFFFFFFu);
  ASSERT_EQ(engine.flash().log().size(), 1u);
  EXPECT_EQ(engine.flash().log()[0].address, 0x7004u);
}

// The flash's traffic is the board's: in its one log under the flash's
// space, beside the window accesses that carried it, and under the flash's
// own policy, so a bulk read can be counted instead of stored.
TEST_F(DataWindowTest, TransactionsGoIntoTheBoardsLogAsTheFlashsPolicySays) {
  uint8_t* const bar0 = static_cast<uint8_t*>(board.bar0());
  nKIVKAL100_memoryWrite32(bar0 + 0x584, 0x80000000u | (8u << 24) | (24u << 16) | 8u);
  nKIVKAL100_memoryWrite32(bar0 + 0x58C, 0x03u << 16);
  nKIVKAL100_memoryWrite32(bar0 + 0xE0, 0x7000);
  board.log().clear();
  const uint8_t byte = nKIVKAL100_memoryRead8(window() + 4);
  const std::vector<simboard::Access> flash = board.log().in(simboard::Space::kSerialFlash);
  ASSERT_EQ(flash.size(), 1u);
  EXPECT_EQ(flash[0], (simboard::Access{0x7004, 8, simboard::Direction::kRead, byte, simboard::Space::kSerialFlash,
                                        SerialFlash::kRead | SerialFlash::kViaHasAddress}));
  EXPECT_EQ(board.log().in(simboard::Space::kBar0).size(), 1u) << "the window's own access";
  EXPECT_EQ(engine.flash().reads(), 1u);

  engine.flash().setLogPolicy(simboard::LogPolicy::kCount);
  for (int i = 0; i < 100; ++i) nKIVKAL100_memoryRead8(window() + i);
  EXPECT_EQ(engine.flash().reads(), 101u);
  EXPECT_EQ(engine.flash().log().size(), 1u);
  engine.flash().setLogPolicy(simboard::LogPolicy::kOff);
  nKIVKAL100_memoryRead8(window());
  EXPECT_EQ(engine.flash().reads(), 101u);
  engine.flash().clearLog();
  EXPECT_TRUE(board.log().in(simboard::Space::kSerialFlash).empty());
}

}  // namespace
