// The instrument requests end to end at setup level 20 on the simulated
// board, through the envelope only: a package downloaded and listed back, a
// subroutine run and acknowledged, a measure unit armed and reset, an alarm
// the board raises read back, a hardware error injected, read and cleared.
#include <algorithm>
#include <vector>

#include "simboard/ErrorManager.h"
#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

constexpr int32_t kNotFound = -52006;

class InstrumentRequestsEndToEndTest : public RequestEnvelopeTest {
 protected:
  simboard::IsolatedRegisterSpace& side() { return board.nisoFpga().isolatedSide(); }
  static constexpr uint32_t at(uint32_t channel, uint32_t offset) { return 0x1000u | channel << 7 | (offset & 0x7Fu); }

  // One request's status word, its fields put at their offsets.
  template <typename... Fields>
  Exchange send(const char* name, Fields... fields) {
    const tRequestRow& r = row(name);
    Exchange exchange = recordsFor(r);
    put(exchange, 0, fields...);
    RequestEnvelopeTest::send(session, r.code, exchange);
    EXPECT_EQ(exchange.result, 0) << name;
    return exchange;
  }
  int32_t statusOf(const char* name, const Exchange& exchange) { return RequestEnvelopeTest::statusOf(row(name), exchange); }

 private:
  static void put(Exchange&, uint32_t) {}
  template <typename T, typename... Rest>
  static void put(Exchange& exchange, uint32_t offset, T value, Rest... rest) {
    offset = (offset + sizeof(T) - 1) / sizeof(T) * sizeof(T);
    exchange.put<T>(offset, value);
    put(exchange, offset + sizeof(T), rest...);
  }
};

TEST_F(InstrumentRequestsEndToEndTest, APackageIsDownloadedListedBackAndRun) {
  // The device's own table first, so the new package keeps every id the
  // board and the driver run by themselves.
  const Exchange counted = send("harrow_getNumSubroutines");
  ASSERT_EQ(statusOf("harrow_getNumSubroutines", counted), 0);
  const uint32_t count = counted.get<uint32_t>(0);
  ASSERT_GT(count, 0u);
  std::vector<uint32_t> ids(count);
  std::vector<uint32_t> addresses(count);
  ASSERT_EQ(statusOf("harrow_getSubroutines",
                     send("harrow_getSubroutines", address(ids.data()), address(addresses.data()), count)),
            0);

  // The same table over an image of the caller's.
  uint32_t words = 0;
  for (uint32_t a : addresses) words = std::max(words, a + 1);
  std::vector<uint64_t> image(words);
  for (uint32_t w = 0; w < words; ++w) image[w] = 0xFEED000000000000ull | w;
  std::vector<uint32_t> movedAddresses(addresses);
  EXPECT_EQ(statusOf("harrow_downloadSubroutines",
                     send("harrow_downloadSubroutines", address(image.data()), words, address(ids.data()),
                          address(movedAddresses.data()), count)),
            0);
  for (uint32_t w = 0; w < words; ++w) EXPECT_EQ(side().localRam().word(w), image[w]) << w;
  std::vector<uint32_t> listedIds(count);
  std::vector<uint32_t> listedAddresses(count);
  EXPECT_EQ(statusOf("harrow_getSubroutines",
                     send("harrow_getSubroutines", address(listedIds.data()), address(listedAddresses.data()), count)),
            0);
  EXPECT_EQ(listedIds, ids);
  EXPECT_EQ(listedAddresses, addresses);
  EXPECT_EQ(statusOf("harrow_getSubroutines",
                     send("harrow_getSubroutines", address(listedIds.data()), address(listedAddresses.data()),
                          count - 1)),
            word(0xBFFA4312u));

  // Run the first id on channels 0 and 2, each acknowledged.
  side().interruptGenerator().clearRuns();
  EXPECT_EQ(statusOf("harrow_executeSubroutine", send("harrow_executeSubroutine", uint64_t{0x5}, ids[0], 100000u)), 0);
  ASSERT_EQ(side().interruptGenerator().runs().size(), 2u);
  EXPECT_EQ(side().interruptGenerator().runs()[0].channel, 0u);
  EXPECT_EQ(side().interruptGenerator().runs()[1].channel, 2u);
  for (const auto& run : side().interruptGenerator().runs()) {
    EXPECT_EQ(run.address, addresses[0]);
    EXPECT_EQ(run.word, image[addresses[0]]);
  }
}

TEST_F(InstrumentRequestsEndToEndTest, AMeasureUnitIsArmedAndResetUnderTheSessionsReservation) {
  EXPECT_EQ(statusOf("measureUnit_arm", send("measureUnit_arm", 3u)), word(0xBFFA431Au)) << "not held yet";
  ASSERT_EQ(statusOf("kdut_reserveResources", send("kdut_reserveResources", uint64_t{1} << 3)), 0);
  EXPECT_EQ(statusOf("measureUnit_arm", send("measureUnit_arm", 3u)), 0);
  EXPECT_NE(side().peek(at(3, 0x07)) & 1u, 0u) << "armed";
  EXPECT_EQ(statusOf("measureUnit_reset", send("measureUnit_reset", 3u)), 0);
  EXPECT_EQ(side().peek(at(3, 0x07)) & 1u, 0u) << "reset";
  EXPECT_EQ(statusOf("measureUnit_reset", send("measureUnit_reset", 3u)), kNotFound);
}

TEST_F(InstrumentRequestsEndToEndTest, AnAlarmTheBoardRaisesIsReadBack) {
  ASSERT_EQ(statusOf("kdut_reserveResources", send("kdut_reserveResources", uint64_t{1} << 6)), 0);
  EXPECT_NE(side().peek(0x5C), 0u) << "start-up configured the alarm response";
  const Exchange quiet = send("basalt_getAlarmRaised", uint64_t{1} << 6, 0u);
  EXPECT_EQ(statusOf("basalt_getAlarmRaised", quiet), 0);
  EXPECT_EQ(quiet.get<uint8_t>(0), 0u);
  side().setReadView(at(6, 0x2E), 0x2);
  const Exchange raised = send("basalt_getAlarmRaised", uint64_t{1} << 6, 0u);
  EXPECT_EQ(statusOf("basalt_getAlarmRaised", raised), 0);
  EXPECT_EQ(raised.get<uint8_t>(0), 1u);
  EXPECT_EQ(statusOf("basalt_clearAlarm", send("basalt_clearAlarm", uint64_t{1} << 6, 0u)), 0);
  EXPECT_EQ(statusOf("basalt_maskAlarm", send("basalt_maskAlarm", uint64_t{1} << 6, 1u)), word(0xBFFA4300u));
}

TEST_F(InstrumentRequestsEndToEndTest, AHardwareErrorIsInjectedReadAndCleared) {
  constexpr uint32_t kCh = 9;
  ASSERT_EQ(statusOf("kdut_reserveResources", send("kdut_reserveResources", uint64_t{1} << kCh)), 0);
  simboard::ErrorManager& errors = board.nisoFpga().errorManager();
  errors.injectFault(simboard::ErrorManager::Set::kA, simboard::ErrorManager::Vector::kMain,
                     kCh * simboard::ErrorManager::kGroupWidth, true);
  const Exchange checked =
      send("hwCondition_checkBoardAndChannelBasedHardwareErrors", uint64_t{1} << kCh);
  EXPECT_LT(statusOf("hwCondition_checkBoardAndChannelBasedHardwareErrors", checked), 0);

  std::vector<uint32_t> setA(11, 0xA5A5A5A5u);
  std::vector<uint32_t> setB(11, 0xA5A5A5A5u);
  const Exchange read = send("vorlan_getHardwareErrors", address(setA.data()), address(setB.data()));
  EXPECT_EQ(statusOf("vorlan_getHardwareErrors", read), 0);
  EXPECT_EQ(read.get<uint8_t>(0), 1u);
  EXPECT_NE(setA, std::vector<uint32_t>(11, 0));
  EXPECT_EQ(setB, std::vector<uint32_t>(11, 0));

  EXPECT_EQ(statusOf("hwCondition_clearChannelBasedHardwareErrors",
                     send("hwCondition_clearChannelBasedHardwareErrors", uint64_t{1} << kCh)),
            0);
  EXPECT_EQ(statusOf("hwCondition_checkBoardAndChannelBasedHardwareErrors",
                     send("hwCondition_checkBoardAndChannelBasedHardwareErrors", uint64_t{1} << kCh)),
            0);
}

}  // namespace
}  // namespace requesttest
