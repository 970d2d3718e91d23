// The transformer's soft start, the current limits by cooling mode, the
// power monitor's calibration, the cooling-mode override rule and the
// isolation link's strobe, each stated by what the board received.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controllers/CoolingModeController.h"
#include "controllers/IsoCommController.h"
#include "controllers/PowerController.h"
#include "kal/include/kalStandIn.h"
#include "simboard/IsolationSupply.h"
#include "tests/controllers/controllerBoard.h"

namespace controllertest {
namespace {

using simboard::IsolationSupply;
using vorlan_driver::CoolingModeController;
using vorlan_driver::CoolingModeWord;
using vorlan_driver::PowerController;

constexpr uint64_t kFrequency = 0x60;
constexpr uint64_t kDuty = 0x64;
constexpr uint64_t kACLimit = 0x7F0;
constexpr uint64_t kDCLimit = 0x7F4;
constexpr uint64_t kRelay = 0x90;
constexpr int64_t kModeNotSupported = code(0xBFFA4300u);

class PowerTest : public ControllerBoard {
 protected:
  PowerController power{*map, *monitor, 5};

  void rampStartUp(tStatus& status) {
    power.rampTransformer(PowerController::kRampFrequencyWord, PowerController::kRampStepDelayNanoseconds,
                          PowerController::kRampStartDuty, PowerController::kRampEndDuty, PowerController::kRampStep,
                          PowerController::kRampFinalDelayNanoseconds, status);
  }
};

TEST_F(PowerTest, StartUpRampWritesEightDutyWordsAndStartsTheTransformerOnceInVirtualTime) {
  block.isolatedSide().setPowered(false);
  tStatus status;
  const uint64_t before = kalsim::virtualNanoseconds();
  rampStartUp(status);
  const uint64_t after = kalsim::virtualNanoseconds();
  EXPECT_EQ(status.getCode(), 0);

  const auto& writes = block.supply().transformerWrites();
  std::vector<std::pair<uint64_t, uint32_t>> seen;
  for (const auto& w : writes) seen.emplace_back(w.offset, w.value);
  EXPECT_EQ(seen, (std::vector<std::pair<uint64_t, uint32_t>>{{kDuty, 23},
                                                                {kFrequency, 0x800000BFu},
                                                                {kDuty, 43},
                                                                {kDuty, 63},
                                                                {kDuty, 83},
                                                                {kDuty, 103},
                                                                {kDuty, 123},
                                                                {kDuty, 143},
                                                                {kDuty, 163}}));
  // Each duty word is held at least the step delay, the last the final delay.
  for (size_t i = 2; i < writes.size(); ++i) {
    EXPECT_GE(writes[i].nanoseconds - writes[i - 1].nanoseconds, PowerController::kRampStepDelayNanoseconds) << i;
  }
  EXPECT_GE(after - writes.back().nanoseconds, PowerController::kRampFinalDelayNanoseconds);
  EXPECT_GE(writes.front().nanoseconds, before);
  // The running transformer powers the isolated side.
  EXPECT_TRUE(block.isolatedSide().isPowered());
}

TEST_F(PowerTest, ADeadTransformerLeavesTheIsolatedSideUnpowered) {
  block.isolatedSide().setPowered(false);
  block.supply().setTransformerDead(true);
  tStatus status;
  rampStartUp(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_FALSE(block.isolatedSide().isPowered());
}

// Ramps that a 16-bit duty count would never end (step 0; an end near the
// top of the range) end after their last duty word.
TEST_F(PowerTest, RampDutySequences) {
  struct Case {
    const char* name;
    uint16_t start, end, step;
    std::vector<uint32_t> duties;
  };
  const Case cases[] = {
      {"end below start", 50, 40, 5, {}},
      {"start equals end", 40, 40, 5, {40}},
      {"end reached exactly", 10, 30, 10, {10, 20, 30}},
      {"step zero is one pass", 7, 100, 0, {7}},
      {"end at the top", 0xFFE0, 0xFFFF, 0x10, {0xFFE0, 0xFFF0}},
      {"step past the top", 0xFFF0, 0xFFFF, 0x20, {0xFFF0}},
  };
  for (const Case& c : cases) {
    map->TransformerDutyCycleReg.markDirty();
    map->TransformerFrequencyReg.markDirty();
    board.log().clear();
    tStatus status;
    power.rampTransformer(191, 1000, c.start, c.end, c.step, 2000, status);
    EXPECT_EQ(status.getCode(), 0) << c.name;
    EXPECT_EQ(nisoWrites(kDuty), c.duties) << c.name;
    EXPECT_EQ(nisoWrites(kFrequency).size(), c.duties.empty() ? 0u : 1u) << c.name;
  }
}

TEST_F(PowerTest, DCLimitByCoolingMode) {
  struct Case {
    uint32_t mode;
    int64_t code;
    std::vector<uint32_t> written;
  };
  const Case cases[] = {
      {15, kModeNotSupported, {}}, {16, 0, {17500}},      {31, 0, {17500}}, {32, 0, {30000}},
      {33, kModeNotSupported, {}}, {0x120, kModeNotSupported, {}},
  };
  for (const Case& c : cases) {
    PowerController fresh(*map, *monitor, 5);
    map->DCCurrentLimitReg.setRegister(0);
    map->DCCurrentLimitReg.markDirty();
    board.log().clear();
    tStatus status;
    fresh.setDCCurrentLimit(c.mode, status);
    EXPECT_EQ(status.getCode(), c.code) << c.mode;
    EXPECT_EQ(nisoWrites(kDCLimit), c.written) << c.mode;
  }
}

TEST_F(PowerTest, ConfigureSetsLimitsCalibratesTheMonitorByRevisionAndArmsTheRelay) {
  struct Case {
    uint32_t revision;
    uint16_t calibration;
  };
  for (const Case& c : {Case{4, 2560}, Case{5, 5120}, Case{1, 2560}}) {
    PowerController controller(*map, *monitor, c.revision);
    monitor->Ina231CalibrationReg.markDirty();
    block.powerMonitor().poke(5, 0);
    board.log().clear();
    tStatus status;
    controller.configure(16, status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(block.powerMonitor().peek(5), c.calibration) << c.revision;
    EXPECT_EQ(map->ACCurrentLimitReg.getLimit(), 32500u);
    EXPECT_EQ(map->DCCurrentLimitReg.getLimit(), 17500u);
    const std::vector<uint32_t> relay = nisoWrites(kRelay);
    ASSERT_FALSE(relay.empty());
    EXPECT_EQ(relay.back() & 0xC0000000u, 0x40000000u);
  }
  // Unchanged limits and calibration are not sent again; the relay word is.
  tStatus first;
  power.configure(16, first);
  board.log().clear();
  tStatus again;
  power.configure(16, again);
  EXPECT_EQ(nisoWrites(kRelay), (std::vector<uint32_t>{0x40000000u | (map->ChassisPowerMonConfigReg.getRegister())}));
  EXPECT_TRUE(nisoWrites(kACLimit).empty());
  EXPECT_TRUE(nisoWrites(kDCLimit).empty());
}

TEST_F(PowerTest, ConfigureWithAnUnknownModeStopsBeforeTheMonitor) {
  tStatus status;
  power.configure(40, status);
  EXPECT_EQ(status.getCode(), kModeNotSupported);
  EXPECT_EQ(nisoWrites(kACLimit), (std::vector<uint32_t>{32500}));
  EXPECT_TRUE(nisoWrites(kDCLimit).empty());
  EXPECT_TRUE(nisoWrites(kRelay).empty());
}

class CoolingTest : public PowerTest {
 protected:
  CoolingModeWord word{16, 0};
  tStatus made;
  CoolingModeController cooling{16, word, power, made};
};

// Each step: a set (source 1 override, 2 plain), then the word, the DC
// limit writes it caused and the status it ended with.
TEST_F(CoolingTest, OverrideRule) {
  struct Step {
    uint32_t mode;
    uint32_t source;
    uint32_t wordMode;
    uint32_t wordSource;
    std::vector<uint32_t> dcWrites;
    int64_t code;
  };
  const Step steps[] = {
      {16, 2, 16, 2, {}, 0},                   // same mode: only the source changes
      {32, 2, 32, 2, {30000}, 0},              // plain set applies
      {0x110, 2, 16, 2, {17500}, 0},           // only the low 8 bits count
      {40, 2, 16, 2, {}, kModeNotSupported},   // a failed apply keeps the word
      {16, 1, 16, 1, {}, 0},                   // override to the mode in force
      {32, 2, 16, 1, {}, 0},                   // plain set ignored under an override
      {32, 1, 32, 1, {30000}, 0},              // a further override applies
      {20, 2, 32, 1, {}, 0},                   // still ignored
  };
  for (const Step& s : steps) {
    board.log().clear();
    tStatus status;
    cooling.setCoolingMode(s.mode, s.source, status);
    EXPECT_EQ(status.getCode(), s.code) << s.mode << "/" << s.source;
    EXPECT_EQ(word.mode, s.wordMode) << s.mode << "/" << s.source;
    EXPECT_EQ(word.source, s.wordSource) << s.mode << "/" << s.source;
    EXPECT_EQ(nisoWrites(kDCLimit), s.dcWrites) << s.mode << "/" << s.source;
    tStatus read;
    EXPECT_EQ(cooling.getCoolingMode(read), s.wordMode);
  }
  EXPECT_EQ(cooling.getRequestedCoolingMode(), 16u);
}

TEST_F(PowerTest, CoolingControllerWithoutItsMutexRefusesWork) {
  CoolingModeWord word{16, 0};
  kalsim::failMutexCreation(1);
  tStatus made;
  CoolingModeController cooling(16, word, power, made);
  kalsim::failMutexCreation(0);
  EXPECT_EQ(made.getCode(), -52000);
  tStatus status;
  cooling.setCoolingMode(32, 1, status);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_EQ(word.mode, 16u);
  EXPECT_TRUE(nisoWrites(kDCLimit).empty());
}

TEST_F(ControllerBoard, IsoCommStrobeIsSentEveryTimeAndTheLinkMirrorsItsMode) {
  vorlan_driver::IsoCommController link(*map);
  tStatus status;
  link.strobeConfig(status);
  link.strobeConfig(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(nisoWrites(IsolationSupply::kLinkConfigOffset), (std::vector<uint32_t>{0x10000u, 0x10000u}));

  // The link status the start-up's polls read: the mode and the DC bus,
  // on a powered side whose FPGA took its image in the download mode.
  struct Case {
    bool stuck, neverUp;
    uint32_t status;
  };
  for (const Case& c : {Case{false, false, 0x102}, Case{true, false, 0x000}, Case{false, true, 0x002}}) {
    NisoFpgaLinkBlock fresh;
    fresh.isolatedSide().setPowered(true);
    fresh.supply().setLinkModeStuck(c.stuck);
    fresh.supply().setDcBusNeverUp(c.neverUp);
    fresh.write(IsolationSupply::kLinkConfigOffset, 32, 0x1);
    fresh.supply().isolatedImageLoaded();
    fresh.write(IsolationSupply::kLinkConfigOffset, 32, 0x2);
    fresh.write(IsolationSupply::kLinkConfigOffset, 32, 0x100);
    EXPECT_EQ(fresh.read(IsolationSupply::kLinkStatusOffset, 32), c.status);
  }
  EXPECT_EQ(link.getLinkModeTimeoutCode(), code(0xBFFA4678u));
  EXPECT_EQ(link.getDcBusStartupTimeoutCode(), code(0xBFFA4683u));
}

}  // namespace
}  // namespace controllertest
