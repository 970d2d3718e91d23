// A channel's measure unit armed and reset across both FPGAs, over the
// simulated board's one log: the non-isolated configuration strobes and the
// isolated channel's, in the order they happen, and the time-outs the
// board's switches drive.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "controllers/channel/MeasureUnitController.h"
#include "kal/include/kalStandIn.h"
#include "simboard/NisoFpgaLinkBlock.h"
#include "tests/controllers/sequencerBoard.h"

namespace sequencertest {
namespace {

using Unit = vorlan_driver::MeasureUnitController;
constexpr uint32_t kCh = 11;
constexpr uint32_t at(uint32_t offset) { return 0x1000u | kCh << 7 | (offset & 0x7Fu); }
constexpr int64_t kTimeout = code(0xBFFA4682u);

// The overflow flag: set for a number of queries, or for ever.
class Overflow : public vorlan_driver::MeasureOverflowQueryInterface {
 public:
  bool isOverflowed(uint8_t channel, tStatus&) override {
    ++queries;
    EXPECT_EQ(channel, kCh);
    if (forever) return true;
    return pending > 0 && pending-- > 0;
  }
  bool forever = false;
  int pending = 0;
  int queries = 0;
};

class MeasureUnitBoard : public SequencerBoard {
 protected:
  MeasureUnitBoard() { unit = makeUnit(quiet); }
  std::unique_ptr<Unit> makeUnit(frontendtest::FakeChecker& checker) {
    tStatus status;
    auto made = std::make_unique<Unit>(kCh, *channels[kCh], *strobes[kCh], map->NisoMeasureUnitConfigRegType[kCh], overflow, checker,
                                       status);
    EXPECT_EQ(status.getCode(), 0);
    board.clearAccessLog();
    return made;
  }

 public:
  // Writes of both FPGAs in order: 'n' the channel's configuration
  // register, 'i' the channel block (the word's offset in the block).
  struct Step {
    char side;
    uint32_t offset;
    uint32_t value;
    bool operator==(const Step& o) const { return side == o.side && offset == o.offset && value == o.value; }
  };

 protected:
  std::vector<Step> steps() {
    const uint64_t config = simboard::NisoFpgaLinkBlock::kBar0Offset + 0x400 + 0x20 * kCh;
    std::vector<Step> out;
    for (const simboard::Access& a : board.log().entries()) {
      if (a.direction != simboard::Direction::kWrite) continue;
      if (a.space == simboard::Space::kIsolated && a.via == kCh) {
        out.push_back({'i', static_cast<uint32_t>(a.offset) & 0x7F, static_cast<uint32_t>(a.value)});
      } else if (a.space == simboard::Space::kBar0 && a.offset == config) {
        out.push_back({'n', 0, static_cast<uint32_t>(a.value)});
      }
    }
    board.log().clear();
    return out;
  }
  simboard::ChannelEngines::Switches& switches() { return side().channelEngines().switches(kCh); }

  Overflow overflow;
  frontendtest::FakeChecker quiet;
  std::unique_ptr<Unit> unit;
};

const std::vector<MeasureUnitBoard::Step> kArmSteps{{'n', 0, 0x4}, {'i', 0x32, 0x1}};
const std::vector<MeasureUnitBoard::Step> kResetSteps{
    {'i', 0x32, 0x2}, {'i', 0x32, 0x8}, {'i', 0x32, 0x2000000}, {'n', 0, 0x8}, {'n', 0, 0x10}};

std::vector<MeasureUnitBoard::Step> joined(std::vector<MeasureUnitBoard::Step> a,
                                           const std::vector<MeasureUnitBoard::Step>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(MeasureUnitBoard, ArmAndResetStrobeBothSidesAndWaitForTheChannel) {
  struct Case {
    const char* name;
    bool armHangs, resetHangs, overflowForever;
    int overflowPending;
    bool armFirst;
    int64_t code;
    std::vector<Step> steps;
    uint64_t atLeastMicroseconds;
  };
  const Case cases[] = {
      {"arm", false, false, false, 0, true, 0, kArmSteps, 0},
      {"reset after arm, overflow clears after two queries", false, false, false, 2, false, 0, kResetSteps, 0},
      {"arm that never arms: reset run, the arm's time-out reported", true, false, false, 0, true, kTimeout,
       joined(kArmSteps, kResetSteps), 500},
      {"reset whose status stays armed: stream strobes still written", false, true, false, 0, false, kTimeout,
       kResetSteps, 500},
      {"overflow that never clears", false, false, true, 0, false, kTimeout, kResetSteps, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    switches().armNeverCompletes = c.armHangs;
    switches().resetNeverCompletes = c.resetHangs;
    overflow.forever = c.overflowForever;
    overflow.pending = c.overflowPending;
    overflow.queries = 0;
    if (c.resetHangs) side().setReadView(at(0x1007), 1);
    steps();
    const uint64_t begin = kalsim::virtualNanoseconds();
    tStatus status;
    if (c.armFirst) {
      unit->arm(status);
    } else {
      unit->getCleanupOperation()->cleanup(status);
    }
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(steps(), c.steps);
    EXPECT_GE(kalsim::virtualNanoseconds() - begin, c.atLeastMicroseconds * 1000);
    if (c.resetHangs) {
      EXPECT_EQ(overflow.queries, 0);
    }
    if (c.overflowPending > 0) {
      EXPECT_EQ(overflow.queries, c.overflowPending + 1);
    }
  }
}

TEST_F(MeasureUnitBoard, TheChannelsHardwareErrorReplacesThePlainTimeOut) {
  frontendtest::FakeChecker faulty(code(0xBFFA4011u));
  std::unique_ptr<Unit> checked = makeUnit(faulty);
  switches().armNeverCompletes = true;
  tStatus status;
  checked->arm(status);
  EXPECT_EQ(status.getCode(), code(0xBFFA4011u));
}

TEST_F(MeasureUnitBoard, EventCodeAndDelayAreWrittenWhenTheyChange) {
  tStatus status;
  unit->setEventCode(0x0105, status);
  unit->setEventCode(0x0105, status);
  unit->setMeasureCompleteDelay(1000, status);
  unit->setMeasureCompleteDelay(1000, status);
  unit->setMeasureCompleteDelay(0, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(steps(), (std::vector<Step>{{'i', 0x37, 0x105}, {'i', 0x55, 1000}, {'i', 0x55, 0}}));
}

}  // namespace
}  // namespace sequencertest
