// The device-level requests as user mode sees them: setup level and reset,
// the session's reservations and cleanup, hardware state, storage-map
// validity and the connected-accessory word.
#include <algorithm>

#include <string>

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
  EXPECT_EQ(setupLevel(session), kTopLevel);
  ASSERT_EQ(resetTo(1), kSetupStopped);
  EXPECT_EQ(statusOf(row("vorlan_getSetupLevel"), call(session, row("vorlan_getSetupLevel"))), kSessionInvalidated);
  void* fresh = open();
  EXPECT_EQ(setupLevel(fresh), 1u);

  ASSERT_EQ(resetTo(0), kSetupStopped);
  void* bare = open();
  EXPECT_EQ(setupLevel(bare), 0u);
  EXPECT_EQ(statusOf(row("arm_read"), call(bare, row("arm_read"))), kSetupStopped);
  // Unsupported requests answer before any level; their record stays full size.
  Exchange dac = call(bare, row("basalt_readDAC"));
  EXPECT_EQ(dac.bytesReturned, 8u);
  EXPECT_EQ(statusOf(row("basalt_readDAC"), dac), kNotSupportedOnThisDevice);

  ASSERT_EQ(resetTo(20), kFullStartCode);
  EXPECT_EQ(setupLevel(open()), kTopLevel);
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

// The hardware-state and storage-map checks and the accessory word need a
// fully set-up device: until start-up reaches 20 their gate answers with
// what stopped it; past it a healthy board passes them.
TEST_F(DeviceLevelRequestsTest, FullySetUpRequestsAnswerWithWhatStoppedStartUp) {
  for (const char* name : {"vorlan_checkHardwareState", "kdut_checkHardwareState", "kdut_checkChannelHardwareState",
                           "basalt_areStorageMapChecksumsValid", "basalt_areStorageMapVersionsValid",
                           "basalt_setConnectedAccessory"}) {
    SCOPED_TRACE(name);
    Exchange refused = call(session, row(name));
    // Past its gate the per-channel check is not supported.
    const bool perChannel = std::string(name) == "kdut_checkChannelHardwareState";
    EXPECT_EQ(statusOf(row(name), refused), kTopLevel == 20 && perChannel ? -52002 : kFullStartCode);
    // Sent failed, it answers at once, without waiting at its gate.
    Exchange failed = call(session, row(name), -7);
    EXPECT_EQ(statusOf(row(name), failed), -7);
  }
}

}  // namespace
}  // namespace requesttest
