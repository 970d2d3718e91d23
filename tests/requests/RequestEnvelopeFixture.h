// A started driver on the simulated board, reached only the way user mode
// reaches it: sessions on the published interfaces and requests through the
// 32-byte envelope.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/QuillDevice.h"
#include "device/QuillHelper.h"
#include "kal/host/tHostHarness.h"
#include "kal/include/kalStandIn.h"
#include "requests/RequestTable.h"
#include "simboard/QuillBoard.h"

namespace requesttest {

using vorlan_driver::requests::kRequestRows;
using vorlan_driver::requests::tRequestRow;

constexpr const char* kMainInterface = "smu_vorlan";
constexpr const char* kCoolingInterface = "nPXICOOLING_17_2_pxiCooling";
// The layer's codes for the driver's -52002 and -52005.
constexpr int32_t kLayerNotSupported = -51256;
constexpr int32_t kLayerInvalidArgument = -51009;
// What the envelope's bytes-returned word holds until the driver writes it.
constexpr uint32_t kUntouched = 0xDEADBEEFu;
constexpr uint8_t kUntouchedByte = 0xA5;

constexpr int32_t word(uint32_t code) { return static_cast<int32_t>(code); }
constexpr int32_t kNotSupportedOnThisDevice = word(0xBFFA4308u);
constexpr int32_t kSessionInvalidated = word(0xBFFA9179u);
constexpr int32_t kSetupStopped = -52010;
// Where a start-up aimed at level 20 ends on a healthy board, and with what.
const uint32_t kTopLevel = vorlan_driver::QuillHelper::highestBuiltLevel();
const int32_t kFullStartCode =
    kTopLevel == 20 ? 0 : static_cast<int32_t>(vorlan_driver::QuillHelper::kSubsystemNotBuilt);

inline uint64_t address(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer); }

inline const tRequestRow* findRow(uint32_t code) {
  for (const tRequestRow& row : kRequestRows) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

inline const tRequestRow& row(const char* name) {
  for (const tRequestRow& row : kRequestRows) {
    if (std::string(row.name) == name) return row;
  }
  ADD_FAILURE() << "no request " << name;
  return kRequestRows[0];
}

// A named request's records, the inbound one zeroed and filled by `fill`,
// the outbound one marked untouched; made as the test's memory, so that
// threads sending them beside the driver's own are not failed by the
// allocation knob.
template <typename Fill>
const tRequestRow& hostRecords(const char* name, std::vector<uint8_t>& inbound, std::vector<uint8_t>& outbound,
                               Fill fill) {
  kalsim::HostAllocations test;
  const tRequestRow& found = row(name);
  inbound.assign(found.inboundSize, 0);
  outbound.assign(found.outboundSize, kUntouchedByte);
  fill(inbound);
  return found;
}

// One request's records and what came back.
struct Exchange {
  std::vector<uint8_t> inbound;
  std::vector<uint8_t> outbound;
  int32_t result = 0;
  uint32_t bytesReturned = kUntouched;

  template <typename T>
  void put(uint32_t offset, T value) {
    std::memcpy(inbound.data() + offset, &value, sizeof value);
  }
  template <typename T>
  T get(uint32_t offset) const {
    T value;
    std::memcpy(&value, outbound.data() + offset, sizeof value);
    return value;
  }
};

// The started driver the requests reach: the board and the host that
// loaded the driver over it.
struct StartedDriver {
  // Loads the driver and adds the board: start-up runs as add device runs it.
  void start(const kalsim::PciFunctionSetup& pci = kalsim::PciFunctionSetup()) {
    ASSERT_EQ(host.load(), 0);
    ASSERT_EQ(host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size, pci), 0);
  }

  simboard::QuillBoard board;
  kalsim::tHostHarness host;
};

// Each test starts a driver of its own.
class RequestEnvelopeTest : public ::testing::Test {
 protected:
  RequestEnvelopeTest() : RequestEnvelopeTest(nullptr) {}
  // Over a driver the suite started (SharedEnvelopeTest), or one of its own.
  explicit RequestEnvelopeTest(StartedDriver* shared)
      : own_(shared == nullptr ? std::make_unique<StartedDriver>() : nullptr),
        board(shared == nullptr ? own_->board : shared->board),
        host(shared == nullptr ? own_->host : shared->host) {}

  void SetUp() override {
    if (own_ != nullptr) {
      kalsim::reset();
      own_->start(pci);
      if (HasFatalFailure()) return;
    }
    session = open();
    ASSERT_NE(session, nullptr);
  }
  void TearDown() override {
    for (void* opened : sessions) host.close(opened);
  }

  void* open(const char* interface = kMainInterface) {
    void* opened = nullptr;
    EXPECT_EQ(host.open(interface, &opened), 0);
    if (opened != nullptr) sessions.push_back(opened);
    return opened;
  }

  // Records of the row's sizes (plus the adjustments), zero but for the
  // status word; the outbound record is filled with a pattern the driver
  // must overwrite or leave alone.
  static Exchange recordsFor(const tRequestRow& row, int32_t statusWord = 0, int32_t inboundAdjust = 0,
                             int32_t outboundAdjust = 0) {
    Exchange exchange;
    exchange.inbound.assign(row.inboundSize + inboundAdjust, 0);
    exchange.outbound.assign(row.outboundSize + outboundAdjust, kUntouchedByte);
    if (inboundAdjust == 0) exchange.put<int32_t>(row.inboundStatusOffset, statusWord);
    return exchange;
  }

  void send(void* on, uint32_t code, Exchange& exchange) {
    exchange.result = host.request(on, code, exchange.inbound.data(), static_cast<uint32_t>(exchange.inbound.size()),
                                   exchange.outbound.data(), static_cast<uint32_t>(exchange.outbound.size()),
                                   &exchange.bytesReturned);
  }

  // The status word the request came back with.
  Exchange call(void* on, const tRequestRow& row, int32_t statusWord = 0) {
    Exchange exchange = recordsFor(row, statusWord);
    send(on, row.code, exchange);
    return exchange;
  }
  static int32_t statusOf(const tRequestRow& row, const Exchange& exchange) {
    return exchange.get<int32_t>(row.outboundStatusOffset);
  }

  // kdut_reset to the level, from a session of its own; answers its status word.
  int32_t resetTo(uint32_t level) {
    void* resetting = open();
    const tRequestRow& reset = row("kdut_reset");
    Exchange exchange = recordsFor(reset);
    exchange.put<uint32_t>(0, level);
    send(resetting, reset.code, exchange);
    EXPECT_EQ(exchange.result, 0);
    return statusOf(reset, exchange);
  }

  // The started device, as the layer holds it.
  vorlan_driver::QuillDevice& device() {
    return *reinterpret_cast<vorlan_driver::QuillDevice*>(
        reinterpret_cast<vorlan_driver::nKIVAPAL000::tDevice*>(host.deviceWord()));
  }

 private:
  std::unique_ptr<StartedDriver> own_;

 protected:
  // The PCI function a test's own driver is added on (its subsystem
  // identifier picks the board variant); set it before SetUp runs.
  kalsim::PciFunctionSetup pci;
  simboard::QuillBoard& board;
  kalsim::tHostHarness& host;
  std::vector<void*> sessions;
  void* session = nullptr;
};

// The tests of a suite share one driver, started once where the suite
// begins and unloaded where it ends, and each leaves it as it found it: they
// open and close their own sessions (closing gives back what a session
// reserved or left running) and none resets the device or changes a
// registration.
class SharedEnvelopeTest : public RequestEnvelopeTest {
 protected:
  SharedEnvelopeTest() : RequestEnvelopeTest(shared_) {}

  static void SetUpTestSuite() {
    shared_ = new StartedDriver;
    kalsim::reset();
    shared_->start();
  }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }

 private:
  static inline StartedDriver* shared_ = nullptr;
};

}  // namespace requesttest
