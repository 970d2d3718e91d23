// Every request of the description, through the envelope: the records'
// exact sizes, the status word's way in and out, in/out presets, the codes
// around each served one, and the setup level each gate demands.
#include <set>

#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

constexpr int32_t kCallersError = -7;
constexpr int32_t kCallersWarning = 7;

std::set<uint32_t> servedCodes() {
  std::set<uint32_t> codes;
  for (const tRequestRow& row : kRequestRows) codes.insert(row.code);
  return codes;
}

// Codes that differ from a served one by a method number, a group, the
// size field or a direction bit.
std::vector<uint32_t> neighboursOf(uint32_t code) {
  return {code - 1, code + 1, code ^ 0x100u, code ^ 0x10000u, code ^ 0x40000000u, code ^ 0x80000000u};
}

// Rows sent with an error, wrong sizes or codes nobody serves change
// nothing: those tests share one started device. Those that reset the
// device start their own.
using RequestDispatchTest = SharedEnvelopeTest;
using RequestDispatchResetTest = RequestEnvelopeTest;

TEST_F(RequestDispatchTest, TheInterfacesServeTheirCodeCounts) {
  EXPECT_EQ(servedCodes().size(), 138u);
  EXPECT_EQ(std::size(kRequestRows), 138u);
  uint32_t cooling = 0;
  for (const tRequestRow& row : kRequestRows) cooling += row.servedByCooling ? 1 : 0;
  EXPECT_EQ(cooling, 2u);
}

TEST_F(RequestDispatchTest, EveryRecordIsTakenAtExactlyItsSize) {
  for (const tRequestRow& row : kRequestRows) {
    SCOPED_TRACE(row.name);
    // An error in the caller's status word keeps every method from acting,
    // so each row runs on the same started device.
    Exchange exact = recordsFor(row, kCallersError);
    if (row.presetSize != 0) std::memset(exact.inbound.data() + row.presetInbound, 0x5C, row.presetSize);
    send(session, row.code, exact);
    EXPECT_EQ(exact.result, 0);
    EXPECT_EQ(exact.bytesReturned, row.outboundSize);
    EXPECT_EQ(statusOf(row, exact), kCallersError);
    // Bodies that take no status answer all the same; two lookups that were
    // not made answer all ones in 32 bits.
    static const std::set<std::string> kAnswerRegardless = {
        "vorlan_getSetupLevel", "arm_getNumberOfRegistrations", "deviceWindow_getNumberOfRegistrations",
        "storageMap_getNumberOfRegistrations", "arm_getSizeOfRegistrationList", "storageMap_getElementCount",
        "storageMap_getElementSize"};
    if (kAnswerRegardless.count(row.name) != 0) {
      EXPECT_NE(exact.get<uint32_t>(0), 0u);
      continue;
    }
    // Turned away at its gate, as below level 20, the accessory getter
    // answers 1.
    if (std::string(row.name) == "basalt_getConnectedAccessory" && row.setupLevel > int32_t(kTopLevel)) {
      EXPECT_EQ(exact.get<uint32_t>(0), 1u);
      continue;
    }
    // The cooling getters take no status: past their gate they answer a mode.
    if (std::string(row.name) == "voltarisPXICooling_getCoolingMode" ||
        std::string(row.name) == "pxiCooling_getRequestedCoolingMode") {
      EXPECT_EQ(exact.get<uint32_t>(0) != 0, row.setupLevel <= int32_t(kTopLevel));
      continue;
    }
    // Past its gate the routing version answers whatever the status says.
    if (std::string(row.name) == "routing_queryVersion" && row.setupLevel <= int32_t(kTopLevel)) {
      EXPECT_NE(exact.get<uint32_t>(0), 0u);
      continue;
    }
    // The firmware revision has no revision to give after any failure.
    if (std::string(row.name) == "vorlan_getFirmwareRevision") {
      EXPECT_EQ(exact.get<uint32_t>(0), 0xFFFFFFFFu);
      continue;
    }
    for (uint32_t i = 0; i < row.outboundSize; ++i) {
      const bool preset = row.presetSize != 0 && i >= row.presetOutbound && i < row.presetOutbound + row.presetSize;
      if (i >= row.outboundStatusOffset && i < row.outboundStatusOffset + 4) continue;
      EXPECT_EQ(exact.outbound[i], preset ? 0x5C : 0) << "outbound byte " << i;
    }

    for (int32_t adjust : {-1, 1}) {
      for (bool inbound : {true, false}) {
        SCOPED_TRACE(std::string(inbound ? "inbound " : "outbound ") + std::to_string(adjust));
        Exchange wrong = recordsFor(row, kCallersError, inbound ? adjust : 0, inbound ? 0 : adjust);
        send(session, row.code, wrong);
        EXPECT_EQ(wrong.result, kLayerInvalidArgument);
        EXPECT_EQ(wrong.bytesReturned, kUntouched);
        EXPECT_EQ(std::vector<uint8_t>(wrong.outbound.size(), kUntouchedByte), wrong.outbound);
      }
    }
  }
}

TEST_F(RequestDispatchTest, CodesAroundServedOnesAreNotSupported) {
  const std::set<uint32_t> served = servedCodes();
  for (const tRequestRow& row : kRequestRows) {
    for (uint32_t code : neighboursOf(row.code)) {
      if (served.count(code) != 0) continue;
      SCOPED_TRACE(std::to_string(code));
      Exchange exchange = recordsFor(row);
      send(session, code, exchange);
      EXPECT_EQ(exchange.result, kLayerNotSupported);
      EXPECT_EQ(exchange.bytesReturned, kUntouched);
    }
  }
}

TEST_F(RequestDispatchTest, TheCoolingInterfaceServesOnlyItsTwoCodes) {
  void* cooling = open(kCoolingInterface);
  ASSERT_NE(cooling, nullptr);
  for (const tRequestRow& row : kRequestRows) {
    SCOPED_TRACE(row.name);
    Exchange onCooling = call(cooling, row, kCallersError);
    if (!row.servedByCooling) {
      EXPECT_EQ(onCooling.result, kLayerNotSupported);
      EXPECT_EQ(onCooling.bytesReturned, kUntouched);
      continue;
    }
    Exchange onMain = call(session, row, kCallersError);
    EXPECT_EQ(onCooling.result, 0);
    EXPECT_EQ(onCooling.bytesReturned, row.outboundSize);
    EXPECT_EQ(onCooling.outbound, onMain.outbound);
  }
}

TEST_F(RequestDispatchResetTest, UnsupportedRequestsAnswerWithoutAGate) {
  // Before any setup level, on a session a reset invalidated, and over a
  // warning: always the same answer; an error sent in comes back.
  void* old = session;
  ASSERT_EQ(resetTo(0), kSetupStopped);
  for (const tRequestRow& row : kRequestRows) {
    if (row.setupLevel >= 0) continue;
    SCOPED_TRACE(row.name);
    for (int32_t sent : {0, kCallersWarning}) {
      Exchange exchange = call(old, row, sent);
      EXPECT_EQ(exchange.result, 0);
      EXPECT_EQ(exchange.bytesReturned, row.outboundSize);
      EXPECT_EQ(statusOf(row, exchange), kNotSupportedOnThisDevice);
      if (row.outboundSize == 8) {
        EXPECT_EQ(exchange.get<uint32_t>(0), 0u);
      }
    }
    EXPECT_EQ(statusOf(row, call(old, row, kCallersError)), kCallersError);
  }
}

TEST_F(RequestDispatchResetTest, EveryGateDemandsItsRowsSetupLevel) {
  void* old = session;
  ASSERT_EQ(resetTo(1), kSetupStopped);
  void* fresh = open();
  for (const tRequestRow& row : kRequestRows) {
    // The reset takes its own path; it is the request under test here.
    if (row.setupLevel < 0 || std::string(row.name) == "kdut_reset") continue;
    SCOPED_TRACE(row.name);
    const int32_t status = statusOf(row, call(fresh, row));
    if (row.setupLevel > 1) {
      EXPECT_EQ(status, kSetupStopped);
    } else {
      EXPECT_NE(status, kSetupStopped);
      EXPECT_NE(status, kSessionInvalidated);
    }
    // Whatever its level, a session opened before the reset is turned away.
    EXPECT_EQ(statusOf(row, call(old, row)), kSessionInvalidated);
  }
}

TEST_F(RequestDispatchTest, AWarningSentInComesBackWhenTheMethodSetsNothing) {
  const tRequestRow& level = row("vorlan_getSetupLevel");
  Exchange exchange = call(session, level, kCallersWarning);
  EXPECT_EQ(statusOf(level, exchange), kCallersWarning);
  EXPECT_EQ(exchange.get<uint32_t>(0), kTopLevel);
}

TEST_F(RequestDispatchTest, FailedCopiesAreReportedThroughTheIoctl) {
  const tRequestRow& set = row("basalt_setConnectedAccessory");
  const tRequestRow& get = row("basalt_getConnectedAccessory");
  struct Case {
    int32_t layerCode;
    int32_t expected;  // the layer's code for the driver's translation
  };
  // -51550 has no driver counterpart on the way in: -52008, -51202 on the way out.
  for (const Case& c : {Case{-51009, -51009}, Case{-51550, -51202}, Case{-51256, -51256}, Case{-51352, -51352}}) {
    SCOPED_TRACE(c.layerCode);
    Exchange in = recordsFor(set);
    kalsim::markUserRangeBad(in.inbound.data(), in.inbound.size(), c.layerCode);
    send(session, set.code, in);
    kalsim::clearBadUserRanges();
    EXPECT_EQ(in.result, c.expected);
    EXPECT_EQ(in.bytesReturned, kUntouched);
  }

  // A failed copy-out still counts the record.
  Exchange out = recordsFor(get);
  kalsim::markUserRangeBad(out.outbound.data(), out.outbound.size());
  send(session, get.code, out);
  kalsim::clearBadUserRanges();
  EXPECT_EQ(out.result, kLayerInvalidArgument);
  EXPECT_EQ(out.bytesReturned, get.outboundSize);
}

}  // namespace
}  // namespace requesttest
