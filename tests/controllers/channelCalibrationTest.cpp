// Channel alarms, charge-balance offsets and accumulation, and the shared
// LO-sense ADCs over the simulated board's log.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controllers/channel/ChannelAlarmController.h"
#include "controllers/channel/ChargeBalanceOffsetController.h"
#include "controllers/channel/SharedLoSenseController.h"
#include "tests/controllers/sequencerBoard.h"

namespace sequencertest {
namespace {

using Alarm = vorlan_driver::ChannelAlarmController;
using Offsets = vorlan_driver::ChargeBalanceOffsetController;
constexpr uint32_t at(uint32_t channel, uint32_t offset) { return 0x1000u | channel << 7 | (offset & 0x7Fu); }

class CalibrationBoard : public SequencerBoard {};

class AlarmBoard : public SequencerBoard {
 protected:
  AlarmBoard() { installBuiltInPackage(); }
};

TEST_F(AlarmBoard, ConfiguringAllChannelsLoadsTheMacroAddressOnceAndSevenControlWritesEach) {
  std::vector<std::unique_ptr<Alarm>> alarms;
  for (uint32_t c = 0; c < kChannels; ++c) alarms.push_back(std::make_unique<Alarm>(*channels[c], *registrar, kWrenSubsystem));
  // Outputs start enabled and connected, so the arming turns both off.
  for (uint32_t c = 0; c < kChannels; ++c) {
    tStatus status;
    channels[c]->OutputEnabledReg.writeOutputEnabled(true, status);
    channels[c]->OutputConnectedReg.writeOutputConnected(true, status);
  }
  takeWrites();
  tStatus status;
  for (auto& alarm : alarms) alarm->configureAlarmResponse(*iso, status);
  EXPECT_EQ(status.getCode(), 0);
  tStatus lookup;
  const uint32_t macro = registrar->getSubroutineAddress(0x5FE3F6BBu, lookup);
  ASSERT_NE(macro, 0u);
  std::vector<Write> expected{{kIsoWindow, 0x5C, macro}};
  for (uint32_t c = 0; c < kChannels; ++c) {
    const uint32_t control = at(c, 0x102E);
    for (uint32_t w : {0x30040u, 0x200000u, 0x400000u, 0x600000u}) expected.push_back({c, control, w});
    expected.push_back({c, at(c, 0x1054), 0});
    expected.push_back({c, at(c, 0x1053), 0});
    for (uint32_t w : {0x800u, 0xC00u, 0x4000u}) expected.push_back({c, control, w});
  }
  EXPECT_EQ(takeWrites(), expected);
}

TEST_F(AlarmBoard, CommandsAreWrittenEveryTimeAndTheRaisedBitIsRead) {
  Alarm alarm(*channels[4], *registrar, kWrenSubsystem);
  tStatus status;
  alarm.resetAlarmResponse(status);
  alarm.resetAlarmResponse(status);
  alarm.maskAlarm(status);
  alarm.maskAlarm(status);
  alarm.unmaskAlarm(status);
  alarm.clearAlarm(status);
  const uint32_t control = at(4, 0x102E);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{4, control, 0x80},
                                              {4, control, 0x80},
                                              {4, control, 0xA00000},
                                              {4, control, 0xA00000},
                                              {4, control, 0x140000},
                                              {4, control, 0x4000}}));
  for (uint32_t raised : {0u, 2u}) {
    side().setReadView(at(4, 0x102E), raised | 0x1);
    EXPECT_EQ(alarm.getAlarmRaised(status), raised != 0);
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(CalibrationBoard, TheVariantChoosesTheResponseAndAnUnregisteredOneWritesNothing) {
  EXPECT_EQ(Alarm(*channels[0], *registrar, kWrenSubsystem).getResponseId(), 0x5FE3F6BBu);
  Alarm lark(*channels[0], *registrar, kLarkSubsystem);
  EXPECT_EQ(lark.getResponseId(), 0x43413D19u);
  takeWrites();
  tStatus status;
  lark.configureAlarmResponse(*iso, status);
  EXPECT_EQ(status.getCode(), code(0xBFFA4309u));
  EXPECT_TRUE(takeWrites().empty());
}

TEST_F(CalibrationBoard, ChannelOffsetTablesGoOneEntryPerWriteInTheBoardsRegisterOrder) {
  Offsets offsets(channelPointers.data(), *iso, built);
  uint32_t tables[4][20];
  for (uint32_t t = 0; t < 4; ++t) {
    for (uint32_t i = 0; i < 20; ++i) tables[t][i] = t == 0 && i == 0 ? 0xFFFFFFFFu : t * 0x100 + i;
  }
  struct Case {
    uint64_t count;
    int64_t code;
  };
  for (const Case& c : {Case{16, 0}, Case{0, 0}, Case{17, code(0xBFFA4300u)}, Case{20, code(0xBFFA4300u)}}) {
    SCOPED_TRACE(c.count);
    tStatus status;
    offsets.configureChannelOffsets(6, tables[0], tables[1], tables[2], tables[3], c.count, status);
    EXPECT_EQ(status.getCode(), c.code);
    std::vector<Write> expected;
    if (c.code == 0) {
      const uint32_t order[] = {1, 0, 2, 3};
      for (uint32_t t = 0; t < 4; ++t) {
        for (uint32_t i = 0; i < c.count; ++i) {
          expected.push_back({6, at(6, 0x1010 + order[t]), i << 28 | (tables[t][i] & 0x0FFFFFFFu)});
        }
      }
    }
    EXPECT_EQ(takeWrites(), expected);
  }
  tStatus status;
  const uint32_t same[3] = {5, 5, 5};
  offsets.configureSharedLoSenseOffsets(2, same, 3, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{kIsoWindow, 0x106, 5}, {kIsoWindow, 0x106, 0x10000005}, {kIsoWindow, 0x106, 0x20000005}}));
}

TEST_F(CalibrationBoard, AccumulationStartsAndDecodesEachEntryOfTheSelectedResult) {
  Offsets offsets(channelPointers.data(), *iso, built);
  tStatus status;
  offsets.startAccumulation(0x25, status);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{kIsoWindow, 0x130, 0x105}}));
  struct Case {
    uint32_t selector;
    uint32_t address;
    uint32_t word;
    int32_t sum;
    uint32_t count;
  };
  const Case cases[] = {
      {0, 0x132, 0x00200000u, -2097152, 0}, {1, 0x131, 0xFFC00001u, 1, 1023}, {2, 0x133, 0x001FFFFFu, 2097151, 0},
      {3, 0x134, 0x00FFFFFFu, -1, 3},       {4, 0x135, 0x00400005u, 5, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selector);
    side().setReadView(c.address, c.word);
    int32_t sums[2] = {};
    uint32_t counts[2] = {};
    offsets.fetchAccumulation(c.selector, sums, counts, 2, status);
    EXPECT_EQ(status.getCode(), 0);
    for (uint32_t i = 0; i < 2; ++i) {
      EXPECT_EQ(sums[i], c.sum);
      EXPECT_EQ(counts[i], c.count);
    }
    std::vector<Access> expected;
    for (uint32_t i = 0; i < 2; ++i) {
      expected.push_back({kIsoWindow, 0x130, true, i << 16});
      for (int w = 0; w < 4; ++w) expected.push_back({kIsoWindow, 0x3, true, 0});
      expected.push_back({kIsoWindow, c.address, false, c.word});
    }
    EXPECT_EQ(take(), expected);
  }
  // Refused with nothing read and nothing filled.
  for (uint64_t count : {uint64_t{17}, uint64_t{2}}) {
    int32_t sums[2] = {7, 7};
    uint32_t counts[2] = {7, 7};
    tStatus refused;
    offsets.fetchAccumulation(count == 2 ? 5 : 0, sums, counts, count, refused);
    EXPECT_EQ(refused.getCode(), code(0xBFFA4300u));
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(sums[0] + sums[1], 14);
    EXPECT_EQ(counts[0] + counts[1], 14u);
  }
}

TEST_F(CalibrationBoard, LoSenseEndpointsStrobeOneBitAndCalibrationIsWrittenWhenItChanges) {
  vorlan_driver::SharedLoSenseController loSense(*iso, built);
  struct Case {
    uint16_t adc;
    uint32_t endpoint;
    int64_t code;
    uint32_t written;
  };
  const Case cases[] = {{2, 1, 0, 0x20}, {2, 1, 0, 0x20}, {0, 0, 0, 0x01}, {3, 1, 0, 0x80}, {1, 2, code(0xBFFA431Eu), 0}};
  for (const Case& c : cases) {
    tStatus status;
    loSense.setEndpoint(c.adc, c.endpoint, status);
    EXPECT_EQ(status.getCode(), c.code);
    const std::vector<Write> written =
        c.written == 0 ? std::vector<Write>{} : std::vector<Write>{{kIsoWindow, 0x120, c.written}};
    EXPECT_EQ(takeWrites(), written);
  }
  tStatus status;
  loSense.configureGainAndOffset(1, 0xFFFFFFFFu, 0x123u, status);
  loSense.configureGainAndOffset(1, 0xFFFFFFFFu, 0x124u, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{kIsoWindow, 0x109, 0xFFFFF}, {kIsoWindow, 0x10D, 0x123}, {kIsoWindow, 0x10D, 0x124}}));
}

}  // namespace
}  // namespace sequencertest
