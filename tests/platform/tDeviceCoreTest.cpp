#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "platform/device/tDevice.h"
#include "platform/device/tDeviceInterface.h"
#include "platform/device/tSession.h"
#include "platform/device/tSyncEvent.h"
#include "platform/status/tStatus.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tDevice;
using vorlan_driver::nKIVAPAL000::tDeviceCore;
using vorlan_driver::nKIVAPAL000::tDeviceInterface;
using vorlan_driver::nKIVAPAL000::tEventDescriptor;
using vorlan_driver::nKIVAPAL000::tProperty;
using vorlan_driver::nKIVAPAL000::tSession;
using vorlan_driver::nKIVAPAL000::tSuspendReason;
using vorlan_driver::nKIVAPAL000::tSyncEvent;

namespace {

constexpr uint32_t kForever = tDeviceCore::kWaitForever;
// Long enough for a thread that is about to block to have blocked.
constexpr auto kSettle = std::chrono::milliseconds(50);

// Records the operations the transition engine calls, in order.
class tRecordingDevice : public tDevice {
 public:
  explicit tRecordingDevice(tStatus& status) : tDevice(status) {}

  std::vector<std::string> calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  void clearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
  }

  int64_t startCode = 0;
  std::atomic<int> freedSessions{0};

  tSession* open(const tEventDescriptor&, tDeviceInterface* interface, tStatus& status) override {
    tSession* session = new tSession(interface, status);
    return session;
  }
  void closeAndFreeSession(const tEventDescriptor&, tSession* session) override {
    ++freedSessions;
    delete session;
  }
  void start(const tEventDescriptor&, tStatus& status) override {
    log("start");
    if (startCode != 0) vorlanSetCode(status, startCode);
  }
  void stop(const tEventDescriptor&) override { log("stop"); }
  bool suspendIOProcessing(const tEventDescriptor& descriptor, tSuspendReason reason, bool failIfBusy) override {
    const bool suspended = tDevice::suspendIOProcessing(descriptor, reason, failIfBusy);
    log("suspend" + std::to_string(reason) + (suspended ? "" : "-refused"));
    return suspended;
  }
  void resumeIOProcessing(const tEventDescriptor& descriptor) override {
    log("resume");
    tDevice::resumeIOProcessing(descriptor);
  }
  void suspendPower(const tEventDescriptor&) override { log("suspendPower"); }
  void restorePower(const tEventDescriptor&) override { log("restorePower"); }
  void prepareForRemoval(const tEventDescriptor& descriptor) override {
    log("prepareForRemoval");
    tDevice::prepareForRemoval(descriptor);
  }
  void refreshBusInformation(tStatus&) override {}
  void buildBusProperties() override {}
  tProperty** getBusProperties() override { return nullptr; }

 private:
  void log(const std::string& call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(call);
  }
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

class DeviceCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    device_.reset(new tRecordingDevice(status_));
    ASSERT_EQ(status_.getCode(), 0);
  }

  // Brings the device to Ready with its gate open, as start-up does.
  void makeReady() {
    tStatus status;
    ASSERT_TRUE(device_->changePnPState(none_, tDeviceCore::kPnPStateReady, vorlan_driver::nKIVAPAL000::kSuspendReasonAddDevice,
                                        false, status));
    device_->resumeIOProcessing(none_);
    device_->clearCalls();
  }

  tSession* openSession() {
    tStatus status;
    tSession* session = device_->openSession(none_, &interface_, status);
    EXPECT_EQ(status.getCode(), 0);
    return session;
  }

  tStatus status_;
  std::unique_ptr<tRecordingDevice> device_;
  tEventDescriptor none_;
  tDeviceInterface interface_{nullptr, "smu_vorlan"};
};

struct PnPCase {
  const char* name;
  std::vector<uint32_t> path;  // states reached first, from NotStarted
  uint32_t target;
  uint32_t reason;
  bool failIfBusy;
  bool openSession;
  int64_t startCode;
  bool result;
  uint32_t finalState;
  std::vector<std::string> calls;
};

TEST_F(DeviceCoreTest, PnPTransitionsCallTheOperationsInOrder) {
  using D = tDeviceCore;
  const PnPCase cases[] = {
      {"start", {}, D::kPnPStateReady, 0, false, false, 0, true, D::kPnPStateReady, {"start"}},
      {"start fails", {}, D::kPnPStateReady, 0, false, false, -52000, false, D::kPnPStateNotStarted, {"start"}},
      {"remove never started", {}, D::kPnPStateNotPresent, 1, false, false, 0, true, D::kPnPStateNotPresent,
       {"prepareForRemoval"}},
      {"remove ready", {D::kPnPStateReady}, D::kPnPStateNotPresent, 1, false, false, 0, true, D::kPnPStateNotPresent,
       {"suspend1", "stop", "prepareForRemoval"}},
      {"same state", {D::kPnPStateReady}, D::kPnPStateReady, 0, false, false, 0, true, D::kPnPStateReady, {}},
      {"suspend for reset", {D::kPnPStateReady}, D::kPnPStateIOSuspended, 2, false, false, 0, true,
       D::kPnPStateIOSuspended, {"suspend2"}},
      {"resume", {D::kPnPStateReady, D::kPnPStateIOSuspended}, D::kPnPStateReady, 2, false, false, 0, true,
       D::kPnPStateReady, {"resume"}},
      {"sleep", {D::kPnPStateReady}, D::kPnPStateSleep, 2, false, false, 0, true, D::kPnPStateSleep,
       {"suspend2", "suspendPower"}},
      {"wake", {D::kPnPStateReady, D::kPnPStateSleep}, D::kPnPStateReady, 2, false, false, 0, true, D::kPnPStateReady,
       {"restorePower", "resume"}},
      {"stop suspended", {D::kPnPStateReady, D::kPnPStateIOSuspended}, D::kPnPStateNotStarted, 2, false, false, 0, true,
       D::kPnPStateNotStarted, {"stop"}},
      {"busy refuses", {D::kPnPStateReady}, D::kPnPStateNotPresent, 1, true, true, 0, false, D::kPnPStateReady,
       {"suspend1-refused"}},
      {"not present is final", {D::kPnPStateNotPresent}, D::kPnPStateReady, 0, false, false, 0, false,
       D::kPnPStateNotPresent, {}},
  };
  for (const PnPCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    for (uint32_t state : c.path) {
      tStatus status;
      ASSERT_TRUE(device_->changePnPState(none_, state, tSuspendReason(2), false, status));
    }
    tSession* session = c.openSession ? openSession() : nullptr;
    device_->clearCalls();
    device_->startCode = c.startCode;
    const uint32_t before = device_->getPnPState();

    tStatus status;
    EXPECT_EQ(device_->changePnPState(none_, c.target, tSuspendReason(c.reason), c.failIfBusy, status), c.result);
    EXPECT_EQ(device_->getPnPState(), c.finalState);
    EXPECT_EQ(device_->calls(), c.calls);
    EXPECT_EQ(status.getCode(), c.startCode);
    if (!c.calls.empty() && c.result) {
      EXPECT_NE(device_->getPreviousPnPState(), c.finalState);
    }
    if (c.calls.empty()) {
      EXPECT_EQ(device_->getPnPState(), before);
    }
    if (session != nullptr) device_->closeSession(tEventDescriptor(session), session);
  }
}

TEST_F(DeviceCoreTest, PnPEngineRefusesBadEntry) {
  tStatus failed;
  vorlanSetCode(failed, -52003);
  EXPECT_FALSE(device_->changePnPState(none_, tDeviceCore::kPnPStateReady, tSuspendReason(0), false, failed));
  EXPECT_EQ(failed.getCode(), -52003);

  tStatus unknownTarget;
  EXPECT_FALSE(device_->changePnPState(none_, 7, tSuspendReason(0), false, unknownTarget));
  EXPECT_EQ(unknownTarget.getCode(), -52005);

  EXPECT_TRUE(device_->calls().empty());
  EXPECT_EQ(device_->getPnPState(), tDeviceCore::kPnPStateNotStarted);
}

TEST_F(DeviceCoreTest, StateNames) {
  const char* const expected[] = {"kPnPStateNotStarted", "kPnPStateReady", "kPnPStateIOSuspended", "kPnPStateSleep",
                                  "kPnPStateNotPresent", "invalid"};
  for (uint32_t state = 0; state < 6; ++state) EXPECT_STREQ(tDeviceCore::getPnPStateName(state), expected[state]);
  EXPECT_STREQ(tDeviceCore::getPnPStateName(0xFFFFFFFFu), "invalid");
}

TEST_F(DeviceCoreTest, ClosedGateRefusesAndLeavesCountsAlone) {
  tSession* session = openSession();
  ASSERT_EQ(device_->getGateState(), tDeviceCore::kGateClosed);
  tStatus status;
  EXPECT_FALSE(device_->acquireIOReference(session, status, kForever));
  EXPECT_EQ(status.getCode(), -52022);
  EXPECT_EQ(device_->getRequestsInFlight(), 0u);
  EXPECT_EQ(session->getRequestsInFlight(), 0u);

  // A status that already failed is not admitted even at an open gate.
  makeReady();
  tStatus failed;
  vorlanSetCode(failed, -52005);
  EXPECT_FALSE(device_->acquireIOReference(session, failed, kForever));
  EXPECT_EQ(device_->getRequestsInFlight(), 0u);
  device_->closeSession(tEventDescriptor(session), session);
}

TEST_F(DeviceCoreTest, OpenGateCountsDeviceAndSession) {
  makeReady();
  tSession* session = openSession();
  tStatus status;
  ASSERT_TRUE(device_->acquireIOReference(session, status, kForever));
  ASSERT_TRUE(device_->acquireIOReference(nullptr, status, kForever));
  EXPECT_EQ(device_->getRequestsInFlight(), 2u);
  EXPECT_EQ(session->getRequestsInFlight(), 1u);
  device_->releaseIOReference(session);
  device_->releaseIOReference(nullptr);
  EXPECT_EQ(device_->getRequestsInFlight(), 0u);
  EXPECT_EQ(session->getRequestsInFlight(), 0u);
  EXPECT_EQ(device_->getOpenSessions(), 1u);
  device_->closeSession(tEventDescriptor(session), session);
  EXPECT_EQ(device_->getOpenSessions(), 0u);
  EXPECT_EQ(device_->freedSessions.load(), 1);
}

TEST_F(DeviceCoreTest, SuspendingGateTimesOut) {
  for (uint32_t timeout : {0u, 5u}) {
    SetUp();
    makeReady();
    tSession* session = openSession();
    ASSERT_TRUE(device_->suspendIOProcessing(none_, tSuspendReason(2), false));
    tStatus status;
    EXPECT_FALSE(device_->acquireIOReference(session, status, timeout));
    EXPECT_EQ(status.getCode(), -52007) << timeout;
    EXPECT_EQ(device_->getRequestsInFlight(), 0u);
    EXPECT_EQ(session->getRequestsInFlight(), 0u);
    device_->closeSession(tEventDescriptor(session), session);
  }
}

TEST_F(DeviceCoreTest, InterruptedWaiterLeavesTheGate) {
  makeReady();
  ASSERT_TRUE(device_->suspendIOProcessing(none_, tSuspendReason(2), false));
  std::atomic<void*> waiter{nullptr};
  int64_t code = 0;
  std::thread request([&] {
    waiter = nKIVKAL100_getThreadHandle();
    tStatus status;
    EXPECT_FALSE(device_->acquireIOReference(nullptr, status, kForever));
    code = status.getCode();
  });
  while (waiter.load() == nullptr) std::this_thread::yield();
  std::this_thread::sleep_for(kSettle);
  kalsim::interruptThread(waiter.load());
  request.join();
  EXPECT_EQ(code, -52025);
  EXPECT_EQ(device_->getRequestsInFlight(), 0u);

  // The gate works on after an interrupted wait.
  device_->resumeIOProcessing(none_);
  tStatus status;
  EXPECT_TRUE(device_->acquireIOReference(nullptr, status, 0));
  device_->releaseIOReference(nullptr);
}

TEST_F(DeviceCoreTest, ThreeWaitersAreAdmittedAfterOneResume) {
  makeReady();
  ASSERT_TRUE(device_->suspendIOProcessing(none_, tSuspendReason(2), false));
  std::atomic<int> admitted{0};
  std::vector<std::thread> requests;
  for (int i = 0; i < 3; ++i) {
    requests.emplace_back([&] {
      tStatus status;
      if (device_->acquireIOReference(nullptr, status, kForever)) ++admitted;
    });
  }
  std::this_thread::sleep_for(kSettle);
  EXPECT_EQ(admitted.load(), 0);
  EXPECT_EQ(device_->getRequestsInFlight(), 0u);

  device_->resumeIOProcessing(none_);
  for (std::thread& request : requests) request.join();
  EXPECT_EQ(admitted.load(), 3);
  EXPECT_EQ(device_->getRequestsInFlight(), 3u);
  for (int i = 0; i < 3; ++i) device_->releaseIOReference(nullptr);
}

TEST_F(DeviceCoreTest, RemovalRefusesEveryWaiter) {
  makeReady();
  ASSERT_TRUE(device_->suspendIOProcessing(none_, tSuspendReason(2), false));
  std::vector<int64_t> codes(3, 0);
  std::vector<std::thread> requests;
  for (int i = 0; i < 3; ++i) {
    requests.emplace_back([&, i] {
      tStatus status;
      EXPECT_FALSE(device_->acquireIOReference(nullptr, status, kForever));
      codes[i] = status.getCode();
    });
  }
  std::this_thread::sleep_for(kSettle);
  device_->prepareForRemoval(none_);
  for (std::thread& request : requests) request.join();
  EXPECT_EQ(codes, std::vector<int64_t>(3, -52022));
  EXPECT_EQ(device_->getRequestsInFlight(), 0u);
}

TEST_F(DeviceCoreTest, RemoveWaitsForTheRequestInFlightBeforeStop) {
  makeReady();
  tStatus status;
  ASSERT_TRUE(device_->acquireIOReference(nullptr, status, kForever));
  std::atomic<bool> removed{false};
  std::thread remove([&] {
    tStatus removeStatus;
    device_->changePnPState(none_, tDeviceCore::kPnPStateNotPresent, tSuspendReason(1), false, removeStatus);
    removed = true;
  });
  std::this_thread::sleep_for(kSettle);
  EXPECT_FALSE(removed.load());
  EXPECT_EQ(device_->calls(), std::vector<std::string>{"suspend1"});

  device_->releaseIOReference(nullptr);
  remove.join();
  EXPECT_EQ(device_->calls(), (std::vector<std::string>{"suspend1", "stop", "prepareForRemoval"}));
  EXPECT_EQ(device_->getPnPState(), tDeviceCore::kPnPStateNotPresent);
}

// A reset holds its own request in flight while it suspends and resumes I/O;
// a removal that began meanwhile waits for that request. Whatever the reset
// does to the gate in that time, the gate stays closed.
TEST_F(DeviceCoreTest, NothingOpensTheGateOnceRemovalIsUnderWay) {
  makeReady();
  tStatus status;
  ASSERT_TRUE(device_->acquireIOReference(nullptr, status, kForever));
  std::thread remove([&] {
    tStatus removeStatus;
    device_->changePnPState(none_, tDeviceCore::kPnPStateNotPresent, tSuspendReason(1), false, removeStatus);
  });
  std::this_thread::sleep_for(kSettle);
  ASSERT_EQ(device_->calls(), std::vector<std::string>{"suspend1"});

  ASSERT_TRUE(device_->suspendIOProcessing(none_, vorlan_driver::nKIVAPAL000::kSuspendReasonReset, false));
  EXPECT_EQ(device_->getGateState(), tDeviceCore::kGateClosed) << "a suspension for reset";
  device_->resumeIOProcessing(none_);
  EXPECT_EQ(device_->getGateState(), tDeviceCore::kGateClosed) << "a resume";
  tStatus late;
  if (device_->acquireIOReference(nullptr, late, kForever)) {
    ADD_FAILURE() << "a request entered the gate of a device being removed";
    device_->releaseIOReference(nullptr);
  }
  EXPECT_EQ(late.getCode(), -52022);

  device_->releaseIOReference(nullptr);
  remove.join();
  EXPECT_EQ(device_->getPnPState(), tDeviceCore::kPnPStateNotPresent);
  EXPECT_EQ(device_->getRequestsInFlight(), 0u);
}

TEST_F(DeviceCoreTest, CloseSessionWaitsForBothRequests) {
  makeReady();
  tSession* session = openSession();
  tStatus status;
  ASSERT_TRUE(device_->acquireIOReference(session, status, kForever));
  ASSERT_TRUE(device_->acquireIOReference(session, status, kForever));

  const tEventDescriptor descriptor(session);
  device_->cancelSessionIO(descriptor);
  EXPECT_TRUE(session->isClosing());
  std::thread close([&] { device_->closeSession(descriptor, session); });
  std::this_thread::sleep_for(kSettle);
  device_->releaseIOReference(session);
  std::this_thread::sleep_for(kSettle);
  EXPECT_EQ(device_->freedSessions.load(), 0);
  EXPECT_EQ(device_->getOpenSessions(), 1u);

  device_->releaseIOReference(session);
  close.join();
  EXPECT_EQ(device_->freedSessions.load(), 1);
  EXPECT_EQ(device_->getOpenSessions(), 0u);
  EXPECT_EQ(device_->getRequestsInFlight(), 0u);
}

// Requests come and go on four threads while drains run over and over: a
// last release often signals a drain event nobody waits on, and must still
// wake the drain that does wait. A lost wake-up shows as a drain that times
// out. A drain that ends must also leave no request inside the gate, and
// none may pass it before the resume. The device's own count cannot show
// that here: a request that read the gate open just before the suspension
// counts itself in and backs out once it sees the gate changed, so the count
// may read 1 for a moment after a drain although nothing got in. What the
// workers record themselves between admission and release can.
TEST_F(DeviceCoreTest, EveryDrainEndsWhileRequestsComeAndGo) {
  kalsim::useRealClock();
  makeReady();
  tSession* session = openSession();
  std::atomic<bool> stop{false};
  std::atomic<bool> drained{false};
  std::atomic<uint64_t> served{0};
  std::atomic<uint32_t> inside{0};
  std::atomic<uint32_t> admittedWhileDrained{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&, w] {
      tSession* own = (w % 2 == 0) ? session : nullptr;
      while (!stop) {
        tStatus status;
        if (device_->acquireIOReference(own, status, kForever)) {
          ++inside;
          if (drained) ++admittedWhileDrained;
          --inside;
          device_->releaseIOReference(own);
          ++served;
        }
      }
    });
  }
  for (int round = 0; round < 200; ++round) {
    while (served.load() < static_cast<uint64_t>(round) * 4) std::this_thread::yield();
    device_->suspendIOProcessing(none_, vorlan_driver::nKIVAPAL000::kSuspendReasonReset, false);
    tStatus drainStatus;
    device_->waitForIODrain(false, drainStatus, 2000);
    if (drainStatus.getCode() != 0) {
      // Open the gate so the workers can see the stop and be joined.
      ADD_FAILURE() << "drain " << round << " ended with " << drainStatus.getCode() << ", "
                    << device_->getRequestsInFlight() << " in flight";
      device_->resumeIOProcessing(none_);
      break;
    }
    drained = true;
    EXPECT_EQ(inside.load(), 0u) << round;
    drained = false;
    device_->resumeIOProcessing(none_);
  }
  stop = true;
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(admittedWhileDrained.load(), 0u);
  EXPECT_EQ(device_->getRequestsInFlight(), 0u);
  device_->closeSession(tEventDescriptor(session), session);
  EXPECT_EQ(device_->getOpenSessions(), 0u);
}

TEST_F(DeviceCoreTest, BaseOperationsAreNotSupported) {
  tDevice& base = *device_;
  tStatus openStatus;
  EXPECT_EQ(base.tDeviceCore::open(none_, &interface_, openStatus), nullptr);
  EXPECT_EQ(openStatus.getCode(), -52002);

  // The interface's own decoder hands unknown requests to the device.
  tDeviceInterface generic(device_.get(), "generic");
  tStatus ioStatus;
  EXPECT_EQ(generic.decodeIOControl(none_, 0x1234, 0, 0, 0, 0, ioStatus), 0u);
  EXPECT_EQ(ioStatus.getCode(), -52002);
}

TEST_F(DeviceCoreTest, SpinLockFailureIsReportedAndNothingLeaks) {
  for (uint32_t nth = 1; nth <= 3; ++nth) {
    kalsim::reset();
    const uint64_t live = kalsim::liveSpinLocks();
    kalsim::failSpinLockCreation(nth);
    tStatus status;
    { tRecordingDevice device(status); }
    EXPECT_EQ(status.getCode(), -52000) << nth;
    EXPECT_EQ(kalsim::liveSpinLocks(), live) << nth;
  }
}

TEST(SyncEventTest, TimedWaitExpiresWithTimeOut) {
  kalsim::reset();
  tStatus status;
  tSyncEvent event(true, status);
  event.wait(false, 0, status);  // consumes the initial signal
  ASSERT_EQ(status.getCode(), 0);
  event.wait(false, 5, status);
  EXPECT_EQ(status.getCode(), -52007);

  // A signal given while nobody waits is kept for the next waiter.
  tStatus next;
  event.signal();
  event.wait(false, 0, next);
  EXPECT_EQ(next.getCode(), 0);
}

struct tDeferredCall {
  void* vtableStandIn;
  void* handle;
  int runs;
};

TEST(DeviceScheduleDPC, QueuesTheObjectOnItsLayerHandle) {
  kalsim::reset();
  tDeferredCall call{nullptr, nullptr, 0};
  call.handle = nKIVKAL100_createDPC([](void* object) { ++static_cast<tDeferredCall*>(object)->runs; });
  tDevice::scheduleDPC(&call);
  tDevice::scheduleDPC(&call);
  EXPECT_EQ(kalsim::pendingDPCs(), 1u);
  EXPECT_EQ(call.runs, 0);
  EXPECT_EQ(kalsim::runPendingDPCs(), 1u);
  EXPECT_EQ(call.runs, 1);
  nKIVKAL100_destroyDPC(call.handle);
}

}  // namespace
