// The error controllers over the simulated error manager: which code a set
// of injected fault bits gives (board first, then the channels of the mask
// from the lowest, set A's channel bits unused), the re-arming and enabling
// strobes with their time-outs, channel-error clears and FIFO overflows.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controllers/ChannelErrorController.h"
#include "controllers/HardwareErrorRegisterCheckers.h"
#include "controllers/MeasureFIFOOverflowStatusController.h"
#include "controllers/NisoErrorController.h"
#include "kal/include/kalStandIn.h"
#include "tests/controllers/controllerBoard.h"

namespace controllertest {
namespace {

using vorlan_driver::ChannelErrorController;
using vorlan_driver::ErrorVectorSnapshot;
using vorlan_driver::MeasureFIFOOverflowStatusController;
using vorlan_driver::NisoErrorController;
using Set = ErrorManager::Set;
using Vector = ErrorManager::Vector;

constexpr uint64_t kStatusWord = ErrorManager::kStatusOffset;
constexpr uint32_t kClearChannelErrors = 0x167;
constexpr uint32_t kCaptureEnable = 0x168;

struct Fault {
  Set set;
  Vector vector;
  uint32_t bit;
  bool present;
};
Fault A(uint32_t bit, bool present = false) { return {Set::kA, Vector::kMain, bit, present}; }
Fault AX(uint32_t bit, bool present = false) { return {Set::kA, Vector::kExtra, bit, present}; }
Fault B(uint32_t bit) { return {Set::kB, Vector::kMain, bit, false}; }
Fault BX(uint32_t bit) { return {Set::kB, Vector::kExtra, bit, false}; }
uint32_t ch(uint32_t channel, uint32_t position) { return 7 * channel + position; }

class ErrorTest : public ControllerBoard {
 protected:
  tStatus made;
  NisoErrorController errorController{*map, made};
  ChannelErrorController channels{*iso, errorController, made};
  MeasureFIFOOverflowStatusController overflow{map->MeasureFifoOverflowStatusReg, made};
};

TEST_F(ErrorTest, ScanPrecedenceFromInjectedBits) {
  struct Case {
    const char* name;
    std::vector<Fault> faults;
    std::vector<uint32_t> flaggedWithoutBits;  // channel flags with no bit; 24 = board
    uint64_t mask;
    uint32_t code;  // 0: nothing set
  };
  const Case cases[] = {
      {"nothing flagged", {}, {}, 0xFFFFFF, 0},
      {"channel fault, position 2", {B(ch(4, 2))}, {}, 0xFFFFFF, 0xBFFA403E},
      {"each position has its code: 1", {B(ch(0, 1))}, {}, 1, 0xBFFA404A},
      {"position 3", {B(ch(9, 3))}, {}, 1u << 9, 0xBFFA4052},
      {"position 5", {B(ch(23, 5))}, {}, 1u << 23, 0xBFFA405F},
      {"position 6", {B(ch(11, 6))}, {}, 1u << 11, 0xBFFA40F2},
      {"position 0 is general", {B(ch(2, 0))}, {}, 1u << 2, 0xBFFA468B},
      {"position 4 is general", {B(ch(2, 4))}, {}, 1u << 2, 0xBFFA468B},
      {"lower channel first", {B(ch(7, 2)), B(ch(3, 1))}, {}, 0xFFFFFF, 0xBFFA404A},
      {"lower bit first", {B(ch(5, 5)), B(ch(5, 2))}, {}, 1u << 5, 0xBFFA403E},
      {"board before channel", {B(ch(0, 1)), B(200)}, {}, 0xFFFFFF, 0xBFFA468B},
      {"set B extra bit 6", {BX(6)}, {}, 0, 0xBFFA4094},
      {"set B extra bit 1", {BX(1)}, {}, 0, 0xBFFA468B},
      {"set B main board bit before extra", {BX(4), B(255)}, {}, 0, 0xBFFA468B},
      {"set A channel bits are not used", {A(ch(3, 2))}, {}, 1u << 3, 0xBFFA468E},
      {"set A board fault wins over set B", {A(170), B(ch(1, 2))}, {}, 0xFFFFFF, 0xBFFA468B},
      {"set A extra when present", {A(170), AX(4, true)}, {}, 0, 0xBFFA4094},
      {"set A main when not present", {A(170), AX(4)}, {}, 0, 0xBFFA468B},
      {"set A extra alone", {AX(6)}, {}, 0, 0xBFFA4094},
      {"a channel outside the mask", {B(ch(6, 2))}, {}, 1u << 5, 0},
      {"board flag scans an empty mask", {B(ch(6, 2))}, {24}, 0, 0xBFFA468E},
      {"a flag no bit explains", {}, {8}, 1u << 8, 0xBFFA468E},
  };
  for (const Case& c : cases) {
    errors() = ErrorManager();
    for (const Fault& f : c.faults) errors().injectFault(f.set, f.vector, f.bit, f.present);
    for (uint32_t flag : c.flaggedWithoutBits) {
      if (flag == 24) {
        errors().raiseBoardFlag();
      } else {
        errors().raiseChannelFlag(flag);
      }
    }
    board.log().clear();
    tStatus status;
    errorController.checkForErrors(c.mask, status);
    EXPECT_EQ(status.getCode(), code(c.code)) << c.name;
    tStatus asked;
    EXPECT_EQ(errorController.hasError(c.mask, asked), c.code != 0) << c.name;
    if (c.code == 0) {
      // Only the status word was read.
      EXPECT_EQ(board.accessLog().size(), 2u) << c.name;
    }
  }
}

TEST_F(ErrorTest, SnapshotsAreTheSetsWordsInOrder) {
  errors().injectFault(Set::kA, Vector::kMain, 0);
  errors().injectFault(Set::kA, Vector::kMain, 255);
  errors().injectFault(Set::kA, Vector::kExtra, 95, true);
  errors().injectFault(Set::kB, Vector::kMain, 33);
  errors().injectFault(Set::kB, Vector::kExtra, 32);
  tStatus status;
  const ErrorVectorSnapshot a = errorController.readErrorVectorSetA(status);
  const ErrorVectorSnapshot b = errorController.readErrorVectorSetB(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(std::vector<uint32_t>(a.words, a.words + 11),
            (std::vector<uint32_t>{1, 0, 0, 0, 0, 0, 0, 0x80000000u, 0, 0, 0x80000000u}));
  EXPECT_EQ(std::vector<uint32_t>(b.words, b.words + 11), (std::vector<uint32_t>{0, 2, 0, 0, 0, 0, 0, 0, 0, 1, 0}));
  std::vector<uint64_t> read;
  for (const simboard::Access& x : board.accessLog()) read.push_back(x.offset - NisoFpgaLinkBlock::kBar0Offset);
  EXPECT_EQ(read, (std::vector<uint64_t>{0xD8, 0xDC, 0xE0, 0xE4, 0xE8, 0xEC, 0xF0, 0xF4, 0xB4, 0xB8, 0xBC,
                                         0xF8, 0xFC, 0x100, 0x104, 0x108, 0x10C, 0x110, 0x114, 0xCC, 0xD0, 0xD4}));
  // Bit 29 as the last status read left it.
  tStatus asked;
  EXPECT_FALSE(errorController.isErrorPresent(asked));
  errorController.hasError(0, asked);
  EXPECT_TRUE(errorController.isErrorPresent(asked));
}

TEST_F(ErrorTest, ClearErrorsReArmsTheManager) {
  errors().injectFault(Set::kB, Vector::kMain, ch(1, 1));
  tStatus status;
  errorController.clearErrors(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(nisoWrites(kStatusWord), (std::vector<uint32_t>{0x80000000u}));
  EXPECT_EQ(errors().status(), 0u);
}

// A time-out still sends the strobe and reports its own code.
TEST_F(ErrorTest, BusyTimeOutsStillWriteTheirStrobes) {
  errors().setBusy(true);
  const uint64_t before = kalsim::virtualNanoseconds();
  tStatus status;
  errorController.clearErrors(status);
  EXPECT_EQ(status.getCode(), code(0xBFFA4688u));
  EXPECT_GE(kalsim::virtualNanoseconds() - before, 2000000000u);
  EXPECT_EQ(nisoWrites(kStatusWord), (std::vector<uint32_t>{0x80000000u}));
  EXPECT_LE(nisoReads(kStatusWord), 1100u);

  block.setErrorCaptureBusy(true);
  tStatus enable;
  channels.enableErrorCapture(enable);
  EXPECT_EQ(enable.getCode(), code(0xBFFA4689u));
  EXPECT_EQ(isoWritesTo(kCaptureEnable), (std::vector<uint32_t>{0x80000000u}));

  block.setErrorCaptureBusy(false);
  block.isolatedSide().clearLog();
  tStatus enabled;
  channels.enableErrorCapture(enabled);
  EXPECT_EQ(enabled.getCode(), 0);
  EXPECT_EQ(isoWritesTo(kCaptureEnable), (std::vector<uint32_t>{0x80000000u}));
}

TEST_F(ErrorTest, ClearChannelErrors) {
  // Nothing flagged for the mask: nothing written.
  errors().injectFault(Set::kB, Vector::kMain, ch(6, 2));
  tStatus quiet;
  channels.clearChannelErrors(1u << 5, quiet);
  EXPECT_EQ(quiet.getCode(), 0);
  EXPECT_TRUE(isoWritesTo(kClearChannelErrors).empty());

  tStatus cleared;
  channels.clearChannelErrors((1u << 6) | (1u << 5), cleared);
  EXPECT_EQ(cleared.getCode(), 0);
  EXPECT_EQ(isoWritesTo(kClearChannelErrors), (std::vector<uint32_t>{0x60u}));
  EXPECT_EQ(errors().status(), 0u);

  // Errors that survive the clear: the fault they show.
  errors().setChannelErrorsSticky(true);
  errors().injectFault(Set::kB, Vector::kMain, ch(6, 5));
  tStatus sticky;
  channels.clearChannelErrors(1u << 6, sticky);
  EXPECT_EQ(sticky.getCode(), code(0xBFFA405Fu));
}

TEST_F(ErrorTest, MeasureFifoOverflow) {
  errors().setOverflow((1u << 3) | (1u << 23));
  struct Case {
    uint8_t channel;
    bool overflowed;
  };
  // Channel numbers count modulo 64.
  for (const Case& c : {Case{3, true}, Case{23, true}, Case{4, false}, Case{67, true}, Case{24, false}}) {
    tStatus status;
    EXPECT_EQ(overflow.isOverflowed(c.channel, status), c.overflowed) << int{c.channel};
    EXPECT_EQ(status.getCode(), 0);
  }
  tStatus inMask;
  overflow.checkOverflow(1u << 23, inMask);
  EXPECT_EQ(inMask.getCode(), code(0xBFFA4037u));
  tStatus outside;
  overflow.checkOverflow(~uint64_t{(1u << 3) | (1u << 23)}, outside);
  EXPECT_EQ(outside.getCode(), 0);
}

TEST_F(ControllerBoard, ErrorControllersWithoutTheirMutexRefuseWork) {
  kalsim::failMutexCreation(1);
  tStatus made;
  NisoErrorController errorController(*map, made);
  kalsim::failMutexCreation(0);
  EXPECT_EQ(made.getCode(), -52000);
  block.errorManager().raiseBoardFlag();
  tStatus status;
  EXPECT_FALSE(errorController.hasError(0xFFFFFF, status));
  EXPECT_EQ(status.getCode(), -52000);
  tStatus clear;
  errorController.clearErrors(clear);
  EXPECT_EQ(clear.getCode(), -52000);
  EXPECT_TRUE(board.accessLog().empty());
}

TEST_F(ControllerBoard, CheckerSetMasks) {
  tStatus made;
  NisoErrorController errorController(*map, made);
  vorlan_driver::HardwareErrorRegisterCheckers set(errorController);
  for (uint32_t c = 0; c < 24; ++c) {
    EXPECT_EQ(set.channel(c).getChannelMask(), uint64_t{1} << c);
    EXPECT_EQ(set.channelTable()[c], &set.channel(c));
  }
  EXPECT_EQ(set.noChannel().getChannelMask(), 0u);
  EXPECT_EQ(set.allChannels().getChannelMask(), 0xFFFFFFu);

  block.errorManager().injectFault(Set::kB, Vector::kMain, ch(12, 3));
  tStatus status;
  EXPECT_FALSE(set.channel(11).hasError(status));
  EXPECT_TRUE(set.channel(12).hasError(status));
  set.channel(11).checkHardwareState(status);
  EXPECT_EQ(status.getCode(), 0);
  set.allChannels().checkHardwareState(status);
  EXPECT_EQ(status.getCode(), code(0xBFFA4052u));
  // A failed status counts as an error and is left as it is.
  EXPECT_TRUE(set.noChannel().hasError(status));
}

}  // namespace
}  // namespace controllertest
