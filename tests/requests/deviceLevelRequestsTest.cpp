// The device-level requests as user mode sees them: setup level and reset,
// the session's reservations and cleanup, hardware state, storage-map
// validity and the connected-accessory word.
#include <algorithm>

#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

constexpr int32_t kAlreadyReserved = word(0xBFFA4319u);
constexpr int32_t kBadChannelMask = word(0xBFFA4303u);

class DeviceLevelRequestsTest : public RequestEnvelopeTest {
 protected:
  int32_t reserve(void* on, uint64_t mask, int32_t statusWord = 0) {
    const tRequestRow& reserve = row("kdut_reserveResources");
    Exchange exchange = recordsFor(reserve, statusWord);
    exchange.put<uint64_t>(0, mask);
    send(on, reserve.code, exchange);
    return statusOf(reserve, exchange);
  }
  int32_t cleanup(void* on, int32_t statusWord = 0) {
    return statusOf(row("kdut_cleanup"), call(on, row("kdut_cleanup"), statusWord));
  }
  uint32_t setupLevel(void* on) { return call(on, row("vorlan_getSetupLevel")).get<uint32_t>(0); }
};

TEST_F(DeviceLevelRequestsTest, ResetClimbsToItsTargetAndInvalidatesEveryOlderSession) {
  EXPECT_EQ(setupLevel(session), 20u);
  ASSERT_EQ(resetTo(5), kSetupStopped);
  EXPECT_EQ(statusOf(row("vorlan_getSetupLevel"), call(session, row("vorlan_getSetupLevel"))), kSessionInvalidated);
  void* fresh = open();
  EXPECT_EQ(setupLevel(fresh), 5u);

  ASSERT_EQ(resetTo(0), kSetupStopped);
  void* bare = open();
  EXPECT_EQ(setupLevel(bare), 0u);
  EXPECT_EQ(statusOf(row("arm_read"), call(bare, row("arm_read"))), kSetupStopped);
  // Unsupported requests answer before any level; their record stays full size.
  Exchange dac = call(bare, row("basalt_readDAC"));
  EXPECT_EQ(dac.bytesReturned, 8u);
  EXPECT_EQ(statusOf(row("basalt_readDAC"), dac), kNotSupportedOnThisDevice);

  ASSERT_EQ(resetTo(20), 0);
  EXPECT_EQ(setupLevel(open()), 20u);
}

TEST_F(DeviceLevelRequestsTest, ChannelsAreReservedBySessionAndReleasedByItsCleanup) {
  void* other = open();
  EXPECT_EQ(reserve(session, 0x3), 0);
  EXPECT_EQ(reserve(other, 0x3), kAlreadyReserved);
  EXPECT_EQ(reserve(session, 0x2), kAlreadyReserved);
  EXPECT_EQ(reserve(other, 0x1000000), kBadChannelMask);
  EXPECT_EQ(reserve(other, 0), 0);
  EXPECT_EQ(cleanup(session), 0);
  EXPECT_EQ(reserve(other, 0x3), 0);
}

TEST_F(DeviceLevelRequestsTest, ASecondReservationAddsToTheFirstAndCleanupReleasesBoth) {
  void* other = open();
  EXPECT_EQ(reserve(session, 0x1), 0);
  EXPECT_EQ(reserve(session, 0x2), 0);
  EXPECT_EQ(reserve(other, 0x1), kAlreadyReserved);
  EXPECT_EQ(cleanup(session), 0);
  EXPECT_EQ(reserve(other, 0x3), 0);
}

TEST_F(DeviceLevelRequestsTest, CleanupSentWithAnErrorKeepsWhatTheSessionHolds) {
  void* other = open();
  EXPECT_EQ(reserve(session, 0x4), 0);
  EXPECT_EQ(cleanup(session, -7), -7);
  EXPECT_EQ(reserve(other, 0x4), kAlreadyReserved);
  EXPECT_EQ(cleanup(session), 0);
  EXPECT_EQ(reserve(other, 0x4), 0);
  // A cleanup with nothing registered changes nothing.
  EXPECT_EQ(cleanup(session), 0);
}

TEST_F(DeviceLevelRequestsTest, ClosingASessionReleasesItsChannels) {
  void* first = open();
  EXPECT_EQ(reserve(first, 0x10), 0);
  host.close(first);
  sessions.erase(std::find(sessions.begin(), sessions.end(), first));
  EXPECT_EQ(reserve(session, 0x10), 0);
}

TEST_F(DeviceLevelRequestsTest, HardwareStateAndStorageMapsOfAGoodBoardAreValid) {
  EXPECT_EQ(statusOf(row("vorlan_checkHardwareState"), call(session, row("vorlan_checkHardwareState"))), 0);
  EXPECT_EQ(statusOf(row("kdut_checkHardwareState"), call(session, row("kdut_checkHardwareState"))), 0);
  EXPECT_EQ(statusOf(row("kdut_checkChannelHardwareState"), call(session, row("kdut_checkChannelHardwareState"))),
            -52002);
  for (const char* name : {"basalt_areStorageMapChecksumsValid", "basalt_areStorageMapVersionsValid"}) {
    SCOPED_TRACE(name);
    Exchange valid = call(session, row(name));
    EXPECT_EQ(statusOf(row(name), valid), 0);
    EXPECT_EQ(valid.get<uint8_t>(0), 1);
    // Sent failed, it answers at once, without waiting at its gate.
    Exchange failed = call(session, row(name), -7);
    EXPECT_EQ(statusOf(row(name), failed), -7);
    EXPECT_EQ(failed.get<uint8_t>(0), 0);
  }
}

TEST_F(DeviceLevelRequestsTest, TheConnectedAccessoryWordOutlivesAReset) {
  const tRequestRow& get = row("basalt_getConnectedAccessory");
  const tRequestRow& set = row("basalt_setConnectedAccessory");
  EXPECT_EQ(call(session, get).get<uint32_t>(0), 0u);
  Exchange exchange = recordsFor(set);
  exchange.put<uint32_t>(0, 0xC0FFEE);
  send(session, set.code, exchange);
  ASSERT_EQ(statusOf(set, exchange), 0);
  ASSERT_EQ(resetTo(20), 0);
  EXPECT_EQ(call(open(), get).get<uint32_t>(0), 0xC0FFEEu);
  // Turned away at its gate, the getter answers 1.
  Exchange turnedAway = call(session, get);
  EXPECT_EQ(statusOf(get, turnedAway), kSessionInvalidated);
  EXPECT_EQ(turnedAway.get<uint32_t>(0), 1u);
}

}  // namespace
}  // namespace requesttest
