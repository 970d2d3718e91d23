// The instrument requests as user mode sends them, on the simulated board
// as far as start-up climbs: what each answers below its level, and the
// ones whose level start-up already reaches.
#include "controllers/wispddk/WispIsoPort.h"
#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

constexpr int32_t kValueOutOfRange = word(0xBFFA4300u);

class InstrumentRequestsEnvelopeTest : public SharedEnvelopeTest {};
using InstrumentRequestsResetTest = RequestEnvelopeTest;

TEST_F(InstrumentRequestsResetTest, TheFirmwareRevisionIsTheIsolatedPortKitsOnceLevelThreeStands) {
  ASSERT_GE(kTopLevel, 3u);
  const tRequestRow& revision = row("vorlan_getFirmwareRevision");
  Exchange served = call(session, revision);
  EXPECT_EQ(statusOf(revision, served), 0);
  EXPECT_EQ(served.get<uint32_t>(0), wispddk::WispIsoPort::kKitVersion);

  // Sent failed, or turned away at the gate after a reset below level 3:
  // no revision, all ones.
  Exchange failed = call(session, revision, -7);
  EXPECT_EQ(statusOf(revision, failed), -7);
  EXPECT_EQ(failed.get<uint32_t>(0), 0xFFFFFFFFu);
  ASSERT_EQ(resetTo(2), kSetupStopped);
  Exchange refused = call(open(), revision);
  EXPECT_EQ(statusOf(revision, refused), kSetupStopped);
  EXPECT_EQ(refused.get<uint32_t>(0), 0xFFFFFFFFu);
}

TEST_F(InstrumentRequestsEnvelopeTest, ASensorOtherThanZeroIsReportedAheadOfTheGate) {
  const tRequestRow& temperature = row("basalt_readTemperatureSensor");
  Exchange exchange = recordsFor(temperature);
  exchange.put<uint32_t>(0, 1);
  send(session, temperature.code, exchange);
  EXPECT_EQ(statusOf(temperature, exchange), kValueOutOfRange);
  EXPECT_EQ(exchange.get<uint16_t>(0), 0u);
  if (kTopLevel < 20) {
    Exchange sensorZero = call(session, temperature);
    EXPECT_EQ(statusOf(temperature, sensorZero), kFullStartCode);
  }
}

// After a reset to a lower target, the gate answers with the stop and every
// result keeps its failure default; the common-mode request, admitted one
// level before the isolated map exists, reports the stop as well.
TEST_F(InstrumentRequestsEnvelopeTest, RequestsAboveTheLevelReachedAnswerWithWhatStoppedStartUp) {
  for (uint32_t target : {5u, 6u}) {
    SCOPED_TRACE(target);
    ASSERT_EQ(resetTo(target), kSetupStopped);
    void* after = open();
    for (const char* name :
         {"measureUnit_arm", "harrow_isSequenceEngineRunning", "harrow_getNumSubroutines",
          "triggersAndEvents_checkEventLatch", "basalt_getAlarmRaised", "vorlan_getHardwareErrors",
          "vorlan_setSharedLoSenseEndpoint", "voltarisPXICooling_getCoolingMode", "pxiCooling_getRequestedCoolingMode",
          "vorlan_configureErrorResponseSubroutines", "vorlan_configureCommonModeCurrentCancellation"}) {
      SCOPED_TRACE(name);
      const tRequestRow& request = row(name);
      Exchange exchange = recordsFor(request);
      if (std::string(name) == "vorlan_configureCommonModeCurrentCancellation") exchange.put<uint8_t>(0, 0x5A);
      send(after, request.code, exchange);
      EXPECT_EQ(statusOf(request, exchange), kSetupStopped);
      for (uint32_t i = 0; i < request.outboundStatusOffset; ++i) EXPECT_EQ(exchange.outbound[i], 0) << i;
    }
  }
}

}  // namespace
}  // namespace requesttest
