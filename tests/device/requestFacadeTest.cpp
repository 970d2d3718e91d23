// The hardware owner's request facade over the simulated board: masks
// turned into per-channel calls in ascending order, the facade's own
// refusals before anything is touched, and the trigger-override ids.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "device/RequestFacade.h"
#include "tests/device/preparedBoard.h"

namespace preparedtest {
namespace {

using vorlan_driver::RequestFacade;

class Facade : public PreparedBoard {
 protected:
  Facade() : facade(controllers.get(), nullptr, wisp.get()) {}
  bool nothingTouched() {
    const bool none = side().log().empty();
    takeWrites();
    return none;
  }
  RequestFacade facade;
};

// Every refusal of the facade's own comes before any access.
TEST_F(Facade, RefusalsTouchNothing) {
  struct Case {
    const char* name;
    std::function<void(tStatus&)> call;
    int64_t code;
  };
  const uint64_t offBoard = (1ull << 24) | 1;
  const Case cases[] = {
      {"map off the board", [&](tStatus& s) { facade.mapBusEventToAbstractedEvent(offBoard, 5, 3, s); },
       code(0xBFFA4303u)},
      {"map index 17", [&](tStatus& s) { facade.mapBusEventToAbstractedEvent(0x3, 5, 17, s); }, code(0xBFFA4300u)},
      {"latch off the board", [&](tStatus& s) { facade.checkEventLatch(1ull << 63, 16, s); }, code(0xBFFA4303u)},
      {"clear latches off the board", [&](tStatus& s) { facade.clearAllEventLatches(offBoard, s); },
       code(0xBFFA4303u)},
      {"trigger 1038", [&](tStatus& s) { facade.overrideTrigger(0x4, 1038, s); }, code(0xBFFA4300u)},
      {"event trigger on two channels", [&](tStatus& s) { facade.overrideTrigger(0x6, 1035, s); },
       code(0xBFFA4303u)},
      {"event trigger on none", [&](tStatus& s) { facade.overrideTrigger(0, 1034, s); }, code(0xBFFA4303u)},
      {"alarm type 1", [&](tStatus& s) { EXPECT_FALSE(facade.getAlarmRaised(3, 1, s)); }, code(0xBFFA4300u)},
      {"clear alarm type 2", [&](tStatus& s) { facade.clearAlarm(3, 2, s); }, code(0xBFFA4300u)},
      {"mask alarm channel 24", [&](tStatus& s) { facade.maskAlarm(24, 0, s); }, code(0xBFFA4303u)},
      {"compliance channel 24", [&](tStatus& s) { EXPECT_FALSE(facade.queryInCompliance(24, s)); },
       code(0xBFFA4303u)},
      {"interrupt channel 200", [&](tStatus& s) { EXPECT_FALSE(facade.isIsoInterruptActive(200, 4, s)); },
       code(0xBFFA4303u)},
      {"gang one channel", [&](tStatus& s) { facade.gangChannels(0x10, s); }, code(0xBFFA4303u)},
      {"ungang off the board", [&](tStatus& s) { facade.ungangChannels(offBoard, s); }, code(0xBFFA4303u)},
      {"no cooling controller", [&](tStatus& s) { facade.setCoolingMode(16, 2, s); }, code(0xBFFA4311u)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tStatus status;
    c.call(status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_TRUE(nothingTouched());
  }

  // Without the isolated side every channel operation refuses.
  RequestFacade bare(nullptr, nullptr, nullptr);
  tStatus status;
  EXPECT_FALSE(bare.checkEventLatch(0, 16, status));
  EXPECT_EQ(status.getCode(), code(0xBFFA4311u));
  tStatus revision;
  EXPECT_EQ(bare.getFirmwareRevision(revision), 0xFFFFFFFFu);
  EXPECT_EQ(revision.getCode(), code(0xBFFA4311u));
}

TEST_F(Facade, AnEmptyLatchMaskIsTrueWithoutReading) {
  tStatus status;
  EXPECT_TRUE(facade.checkEventLatch(0, 16, status));
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(nothingTouched());
}

// 2, 3 and 5: 2 linked upwards, 3 both ways, 5 downwards; 4 left alone.
TEST_F(Facade, GangingLinksTheMasksNeighboursOnly) {
  tStatus status;
  facade.gangChannels(0x2C, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<Write> writes = takeWrites();
  EXPECT_EQ(valuesAt(writes, 2, channelAddress(2, 0x3D)), std::vector<uint32_t>{0x2940});
  EXPECT_EQ(valuesAt(writes, 3, channelAddress(3, 0x3D)), std::vector<uint32_t>{0x2540});
  EXPECT_EQ(valuesAt(writes, 5, channelAddress(5, 0x3D)), std::vector<uint32_t>{0x2640});
  uint32_t previous = 0;
  for (const Write& w : writes) {
    EXPECT_NE(w.window, 4u);
    EXPECT_GE(w.window, previous) << "ascending channels";
    previous = w.window;
  }
  facade.ungangChannels(0x2C, status);
  const std::vector<Write> apart = takeWrites();
  for (uint32_t c : {2u, 3u, 5u}) EXPECT_EQ(valuesAt(apart, c, channelAddress(c, 0x3D)), std::vector<uint32_t>{0x2A40});
}

// 1036 overrides the measure trigger of every channel of the mask; 1034,
// 1035 and 1037 choose abstracted event 1, 2 or 3 on the one channel.
TEST_F(Facade, TriggerIdsChooseTheirOverride) {
  tStatus status;
  facade.overrideTrigger(0x6, 1036, status);
  ASSERT_EQ(status.getCode(), 0);
  std::vector<Write> writes = takeWrites();
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.front(), (Write{kIsoWindow, writes.front().address, 0x6}));
  for (const auto& c : {std::pair<uint32_t, uint32_t>{1034, 1}, {1035, 2}, {1037, 3}}) {
    SCOPED_TRACE(c.first);
    facade.overrideTrigger(0x10, c.first, status);
    EXPECT_EQ(status.getCode(), 0);
    writes = takeWrites();
    EXPECT_EQ(valuesAt(writes, 4, channelAddress(4, 0x5B)), std::vector<uint32_t>{c.second});
  }
}

// Mapping a bus event visits the mask's channels in ascending order; the
// error flags are reset with the two strobes per channel.
TEST_F(Facade, MasksBecomePerChannelCallsInOrder) {
  tStatus status;
  facade.mapBusEventToAbstractedEvent(0x800101, 0x77, 3, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{0, channelAddress(0, 0x43), 0x77},
                                              {8, channelAddress(8, 0x43), 0x77},
                                              {23, channelAddress(23, 0x43), 0x77}}));
  facade.resetChannelErrorFlags(0x3, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<Write> writes = takeWrites();
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[0].window, 0u);
  EXPECT_EQ(writes[1].window, 0u);
  EXPECT_EQ(writes[2].window, 1u);
  EXPECT_NE(writes[0].value, writes[1].value) << "bit 26, then bit 27";
  EXPECT_EQ(facade.getFirmwareRevision(status), 0x31C000u);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
}  // namespace preparedtest
