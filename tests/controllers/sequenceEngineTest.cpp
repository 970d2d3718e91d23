// A channel's sequence engine and abstracted events over the simulated
// board, whose channel engines start, reset and hang as switched.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "controllers/channel/AbstractedEventController.h"
#include "controllers/channel/IsoChannelController.h"
#include "controllers/channel/MeasureUnitController.h"
#include "controllers/channel/SequenceEngineController.h"
#include "controllers/subroutine/subroutineIds.h"
#include "kal/include/kalStandIn.h"
#include "tests/controllers/sequencerBoard.h"

namespace sequencertest {
namespace {

using Access = simboard::IsolatedRegisterSpace::Access;
using Engine = vorlan_driver::SequenceEngineController;
constexpr uint32_t kCh = 5;
constexpr uint32_t at(uint32_t offset) { return 0x1000u | kCh << 7 | (offset & 0x7Fu); }
constexpr Access rd(uint32_t offset, uint32_t value) { return Access{kCh, at(offset), false, value}; }
constexpr Access wr(uint32_t offset, uint32_t value) { return Access{kCh, at(offset), true, value}; }
constexpr uint32_t kIdle = 1u << 16;
constexpr int64_t kHardwareFault = code(0xBFFA4011u);

class SequenceEngineBoard : public SequencerBoard {
 protected:
  SequenceEngineBoard() {
    installBuiltInPackage();
    engine = makeEngine(quiet);
    side().setReadView(at(0x1007), kIdle);
    take();
  }
  std::unique_ptr<Engine> makeEngine(frontendtest::FakeChecker& checker) {
    tStatus status;
    auto made = std::make_unique<Engine>(*channels[kCh], *strobes[kCh], *generator, kCh, checker, status);
    EXPECT_EQ(status.getCode(), 0);
    return made;
  }
  // The channel's accesses, reads and writes, since the last call.
  std::vector<Access> channelTraffic() {
    std::vector<Access> out;
    for (const Access& a : take()) {
      if (a.window == kCh) out.push_back(a);
    }
    return out;
  }
  simboard::ChannelEngines::Switches& switches() { return side().channelEngines().switches(kCh); }

  frontendtest::FakeChecker quiet;
  std::unique_ptr<Engine> engine;
};

TEST_F(SequenceEngineBoard, StartChecksTheEngineAndTheCountThenWaitsForTheFifoAndStrobes) {
  const Access strobes[] = {wr(0x1032, 0x2000), wr(0x1002, 0x1)};
  struct Case {
    const char* name;
    uint32_t status;
    uint32_t count;
    uint32_t fullness;
    int64_t code;
    std::vector<Access> traffic;
  };
  const Case cases[] = {
      {"no commands: no fullness read", kIdle, 0, 0, 0, {rd(0x1007, kIdle), strobes[0], strobes[1]}},
      {"512 is allowed", kIdle, 512, 512, 0, {rd(0x1007, kIdle), rd(0x100F, 512), strobes[0], strobes[1]}},
      {"more queued than asked", kIdle, 3, 9, 0, {rd(0x1007, kIdle), rd(0x100F, 9), strobes[0], strobes[1]}},
      {"513 refused before any write", kIdle, 513, 513, code(0xBFFA4326u), {rd(0x1007, kIdle)}},
      {"running is reported first", 0, 513, 513, code(0xBFFA4315u), {rd(0x1007, 0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    side().setReadView(at(0x1007), c.status);
    side().setReadView(at(0x100F), c.fullness);
    take();
    tStatus status;
    engine->start(c.count, status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(channelTraffic(), c.traffic);
  }
}

// The channel's miscellaneous control register is shared: a strobe whose
// write failed (the isolated side unpowered) must not go out again with
// the engine's start once the side is back.
TEST_F(SequenceEngineBoard, AnotherControllersFailedStrobeDoesNotRideOnTheStart) {
  vorlan_driver::IsoChannelController channel(*channels[kCh], *strobes[kCh]);
  NeverOverflowed overflow;
  tStatus made;
  vorlan_driver::MeasureUnitController unit(kCh, *channels[kCh], *strobes[kCh], map->NisoMeasureUnitConfigRegType[kCh],
                                            overflow, quiet, made);
  ASSERT_EQ(made.getCode(), 0);
  struct Case {
    const char* name;
    std::function<void(tStatus&)> failing;
  };
  const Case cases[] = {
      {"error reset 26", [&](tStatus& s) { channel.strobeErrorResetBit26(s); }},
      {"error reset 27", [&](tStatus& s) { channel.strobeErrorResetBit27(s); }},
      {"measure unit arm", [&](tStatus& s) { unit.arm(s); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    side().setPowered(false);
    tStatus failed;
    c.failing(failed);
    EXPECT_TRUE(failed.isFatal());
    side().setPowered(true);
    side().setReadView(at(0x1007), kIdle);
    take();
    tStatus status;
    engine->start(0, status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(channelTraffic(), (std::vector<Access>{rd(0x1007, kIdle), wr(0x1032, 0x2000), wr(0x1002, 0x1)}));
  }
}

TEST_F(SequenceEngineBoard, AFifoThatStaysShortTimesOutWithoutStrobesAndTheCheckerDecidesTheCode) {
  frontendtest::FakeChecker faulty(kHardwareFault);
  std::unique_ptr<Engine> checked = makeEngine(faulty);
  struct Case {
    Engine* engine;
    int64_t code;
  };
  for (const Case& c : {Case{engine.get(), code(0xBFFA4317u)}, Case{checked.get(), kHardwareFault}}) {
    side().setReadView(at(0x100F), 7);
    take();
    const uint64_t begin = kalsim::virtualNanoseconds();
    tStatus status;
    c.engine->start(8, status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_GE(kalsim::virtualNanoseconds() - begin, 10000000ull);
    for (const Access& a : channelTraffic()) EXPECT_FALSE(a.write);
  }
  EXPECT_EQ(faulty.calls, 1);
}

TEST_F(SequenceEngineBoard, ResetRunsTheResetSubroutineWaitsForTheBusyBitAndStrobes) {
  tStatus status;
  engine->start(0, status);
  EXPECT_TRUE(engine->isRunning(status));
  side().setReadView(at(0x1003), 1u << 19);
  takeWrites();
  engine->getCleanupOperation()->cleanup(status);
  EXPECT_EQ(status.getCode(), 0);
  tStatus address;
  const uint32_t resetAddress = registrar->getSubroutineAddress(vorlan_driver::subroutineIds::kSequenceEngineReset, address);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{kIsoWindow, 0x171, resetAddress},
                                              {kIsoWindow, 0x170, 0x142},
                                              {kCh, at(0x103B), 2},
                                              {kCh, at(0x1032), 0x1000}}));
  EXPECT_FALSE(engine->isRunning(status));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(SequenceEngineBoard, AResetThatHangsTimesOutWithoutTheStrobe) {
  switches().engineResetHangs = true;
  side().setReadView(at(0x1003), 1u << 19);
  const uint64_t begin = kalsim::virtualNanoseconds();
  tStatus status;
  engine->reset(status);
  EXPECT_EQ(status.getCode(), code(0xBFFA4317u));
  EXPECT_GE(kalsim::virtualNanoseconds() - begin, 500000ull);
  const std::vector<Write> writes = takeWrites();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes.back(), (Write{kCh, at(0x103B), 2}));
}

TEST_F(SequenceEngineBoard, SelectingAnAbstractedEventWritesItsLowFiveBitsAndAnswersTheBusyBit) {
  struct Case {
    uint32_t event;
    uint32_t statusAfter;
    uint32_t written;
    bool busy;
  };
  for (const Case& c : {Case{3, kIdle, 3, false}, Case{33, kIdle, 1, false}, Case{3, kIdle | 0x200, 3, true}}) {
    SCOPED_TRACE(c.event);
    side().setReadView(at(0x1007), kIdle);
    take();
    // The board answers the second status read with the bit the test sets.
    tStatus status;
    std::vector<Access> expected{rd(0x1007, kIdle), wr(0x105B, c.written), rd(0x1007, c.statusAfter),
                                 wr(0x1032, 0x200)};
    if (c.busy) {
      side().setReadView(at(0x1007), c.statusAfter);
      EXPECT_EQ(engine->selectAbstractedEvent(c.event, status), false);
      EXPECT_EQ(status.getCode(), code(0xBFFA431Cu));
      EXPECT_EQ(channelTraffic(), (std::vector<Access>{rd(0x1007, c.statusAfter)}));
      continue;
    }
    EXPECT_EQ(engine->selectAbstractedEvent(c.event, status), false);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(channelTraffic(), expected);
  }
}

TEST_F(SequenceEngineBoard, WithoutTheResetSubroutineRegisteredResetWritesNothing) {
  vorlan_driver::SubroutineRegistrar empty(built);
  vorlan_driver::IsoInterruptGeneratorController bare(empty, *iso, channelPointers.data(), kWrenSubsystem, built);
  tStatus status;
  Engine lone(*channels[kCh], *strobes[kCh], bare, kCh, quiet, status);
  takeWrites();
  lone.reset(status);
  EXPECT_EQ(status.getCode(), code(0xBFFA4309u));
  EXPECT_TRUE(takeWrites().empty());
}

TEST_F(SequenceEngineBoard, BusEventsMapIntoTheSeventeenAbstractedEventRegisters) {
  vorlan_driver::AbstractedEventController events(*channels[kCh]);
  struct Case {
    uint32_t index;
    uint16_t event;
    int64_t code;
    std::vector<Access> traffic;
  };
  const Case cases[] = {
      {0, 0x1234, 0, {wr(0x1040, 0x1234)}},
      {16, 0xBEEF, 0, {wr(0x1050, 0xBEEF)}},
      {16, 0xBEEF, 0, {}},  // unchanged: nothing written
      {17, 0x1, code(0xBFFA4300u), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    tStatus status;
    events.mapBusEventToAbstractedEvent(c.event, c.index, status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(channelTraffic(), c.traffic);
  }
}

}  // namespace
}  // namespace sequencertest
