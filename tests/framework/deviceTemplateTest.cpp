#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "device/DeviceDMA.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "tests/framework/QuillDeviceFixture.h"

namespace quilltest {
namespace {

using vorlan_driver::nKIVAPAL000::kSuspendReasonRemove;

class DeviceTemplateTest : public QuillDeviceTest {
 protected:
  uint64_t propertyCount() {
    uint64_t count = 0;
    for (auto** p = device->getDeviceProperties(); *p != nullptr; ++p) ++count;
    return count;
  }
  bool moveTo(uint32_t state) {
    tStatus status;
    return device->changePnPState(tEventDescriptor(), state, kSuspendReasonRemove, false, status);
  }
};

TEST_F(DeviceTemplateTest, AResetToZeroTearsDownUntilAResetToTwentyBuildsAgain) {
  startDevice();
  KernelSession* requester = open();
  EXPECT_EQ(reset(requester, 0), kSetupStopped);
  EXPECT_EQ(level(), 0u);
  EXPECT_EQ(device->getHardwareOwner(), nullptr);
  EXPECT_EQ(device->getSetupTracker().getSetupStatus().getCode(), kSetupStopped);

  KernelSession* next = open();
  ASSERT_NE(next, nullptr) << "an open needs no setup";
  EXPECT_EQ(request(next, 0), 0);
  EXPECT_EQ(request(next, 1), kSetupStopped);
  EXPECT_EQ(reset(next, 20), kFullStartCode);
  EXPECT_EQ(level(), kTopLevel);
  EXPECT_NE(device->getHardwareOwner(), nullptr);
  close(next);
  close(requester);
}

TEST_F(DeviceTemplateTest, ResetOutcomesByTargetAndRecord) {
  startDevice();
  alignas(8) uint8_t record[96] = {};
  alignas(8) uint8_t unreadable[96] = {};
  vorlan_driver_codegen::CustomResetParameters oversized{};
  oversized.packageIdCount = 0x100000000ull;
  kalsim::markUserRangeBad(unreadable, sizeof unreadable);
  struct Case {
    const char* what;
    uint32_t target;
    const void* record;
    int64_t code;
    uint32_t level;
    bool owner;
    uint32_t trackedTarget;
  };
  // The highest target that is a stop.
  const uint32_t kPartial = kTopLevel < 20 ? kTopLevel : 19;
  // Levels are unsigned: every target above full is clamped to full, the
  // ones with the top bit set included.
  const Case cases[] = {
      {"full, no record", 20, nullptr, kFullStartCode, kTopLevel, true, 20},
      {"full, readable record", 20, record, kFullStartCode, kTopLevel, true, 20},
      {"partial", kPartial, nullptr, kSetupStopped, kPartial, true, kPartial},
      {"unreadable record", 20, unreadable, -52005, 0, false, 20},
      {"package count beyond 32 bits", 20, &oversized, -52003, 0, false, 20},
      {"nothing", 0, nullptr, kSetupStopped, 0, false, 0},
      {"above full", 25, nullptr, kFullStartCode, kTopLevel, true, 20},
      {"top bit set", 0x80000000u, nullptr, kFullStartCode, kTopLevel, true, 20},
      {"largest", 0xFFFFFFFFu, nullptr, kFullStartCode, kTopLevel, true, 20},
  };
  for (const Case& c : cases) {
    KernelSession* session = open();
    EXPECT_EQ(reset(session, c.target, c.record), c.code) << c.what;
    EXPECT_EQ(level(), c.level) << c.what;
    EXPECT_EQ(device->getHardwareOwner() != nullptr, c.owner) << c.what;
    EXPECT_EQ(device->getSetupTracker().getTargetLevel(), c.trackedTarget) << c.what;
    close(session);
  }
}

TEST_F(DeviceTemplateTest, ASetupFailureDuringResetIsTheRequestsAndTheDeviceStaysWhereItGot) {
  startDevice();
  board.setOldestCompatibleBoardRevision(7);
  KernelSession* session = open();
  EXPECT_EQ(reset(session, 15), vorlan_driver::statusCodes::fromWord(0xBFFA902Cu));
  EXPECT_EQ(level(), 2u);
  close(session);
}

TEST_F(DeviceTemplateTest, AnInvalidatedSessionCannotReset) {
  startDevice();
  KernelSession* old = open();
  KernelSession* requester = open();
  ASSERT_EQ(reset(requester, 20), kFullStartCode);
  QuillHelper* owner = device->getHardwareOwner();
  const uint32_t resets = device->getResetCount();
  EXPECT_EQ(reset(old, 0), kInvalidated);
  EXPECT_EQ(device->getResetCount(), resets);
  EXPECT_EQ(device->getHardwareOwner(), owner);
  EXPECT_EQ(level(), kTopLevel);
  close(old);
  close(requester);
}

TEST_F(DeviceTemplateTest, StopStartAndSleepRebuildWithoutDuplicatesAndInvalidateSessions) {
  startDevice();
  EXPECT_EQ(propertyCount(), 4u) << "serial number, model, maker and slot";
  KernelSession* session = open();
  ASSERT_TRUE(moveTo(tDeviceCore::kPnPStateNotStarted));
  EXPECT_EQ(device->getHardwareOwner(), nullptr);
  ASSERT_TRUE(moveTo(tDeviceCore::kPnPStateReady));
  EXPECT_EQ(propertyCount(), 4u) << "start empties the list first";
  EXPECT_EQ(request(session, 0), kInvalidated) << "a stop invalidates";
  close(session);

  session = open();
  ASSERT_TRUE(moveTo(tDeviceCore::kPnPStateSleep));
  EXPECT_EQ(device->getHardwareOwner(), nullptr);
  ASSERT_TRUE(moveTo(tDeviceCore::kPnPStateReady));
  EXPECT_EQ(level(), kTopLevel) << "restoring power sets up again";
  EXPECT_NE(device->getHardwareOwner(), nullptr);
  EXPECT_EQ(request(session, 0), kInvalidated);
  close(session);
}

// A move to I/O suspended and straight back to ready keeps the hardware
// owner and its DMA side. The suspension wakes the DMA waits with the reset
// code, and so ends every wait that begins while it lasts; once I/O resumes,
// a wait waits again: here it meets its time-out on the virtual clock.
TEST_F(DeviceTemplateTest, DmaWaitsEndWithTheResetCodeOnlyWhileIOIsSuspended) {
  if (kTopLevel < vorlan_shared::SetupLevel::kFull) GTEST_SKIP() << "the DMA requests need a fully set-up device";
  constexpr uint32_t kDmaChannel = 5;  // commands to instrument channel 2
  constexpr uint32_t kBytes = 64;
  constexpr uint32_t kTimeoutMilliseconds = 50;
  constexpr int64_t kDeviceReset = vorlan_driver::DeviceDMA::kDeviceReset;
  startDevice();
  KernelSession* session = open();
  ASSERT_EQ(reserve(session, 1u << 2), 0);
  QuillHelper* owner = device->getHardwareOwner();
  ASSERT_NE(owner, nullptr);
  struct Outcome {
    int64_t code;
    bool timedOut;
  };
  // Nothing moves on the stopped channel, so only a code or the time-out
  // ends the wait.
  auto request = [&] {
    tStatus status;
    uint8_t timedOut = 0;
    device->tarnTools_waitUntilBytesTransferred(tEventDescriptor(session), kDmaChannel, 0, kBytes,
                                                kTimeoutMilliseconds, &timedOut, status);
    return Outcome{status.getCode(), timedOut != 0};
  };
  // The gate refuses requests while I/O is suspended; one that passed it
  // just before reaches the DMA side like this.
  auto passedBeforeTheSuspension = [&] {
    tStatus status;
    uint8_t timedOut = 0;
    owner->getDeviceDma()->waitUntilBytesTransferred(kDmaChannel, 0, kBytes, kTimeoutMilliseconds, &timedOut,
                                                     status);
    return Outcome{status.getCode(), timedOut != 0};
  };

  Outcome before = request();
  EXPECT_EQ(before.code, 0);
  EXPECT_TRUE(before.timedOut);

  ASSERT_TRUE(moveTo(tDeviceCore::kPnPStateIOSuspended));
  Outcome suspended = passedBeforeTheSuspension();
  EXPECT_EQ(suspended.code, kDeviceReset);
  EXPECT_FALSE(suspended.timedOut);

  ASSERT_TRUE(moveTo(tDeviceCore::kPnPStateReady));
  ASSERT_EQ(device->getHardwareOwner(), owner) << "resumed, not set up again";
  Outcome resumed = request();
  EXPECT_EQ(resumed.code, 0) << "the suspension that released the waits is over";
  EXPECT_TRUE(resumed.timedOut);
  close(session);
}

TEST_F(DeviceTemplateTest, AResetWaitsForRequestsInFlightAndLateArrivalsWaitForIt) {
  startDevice();
  kalsim::useRealClock();
  KernelSession* old = open();
  KernelSession* requester = open();

  std::promise<void> finishOldRequest;
  std::atomic<bool> oldEntered{false};
  std::thread inFlight([&] {
    tStatus status;
    tRequestGate gate(device, old, &device->getSetupTracker(), 20, status);
    oldEntered = true;
    finishOldRequest.get_future().wait();
  });
  while (!oldEntered) std::this_thread::yield();

  std::atomic<bool> resetDone{false};
  int64_t resetCode = 1;
  std::thread resetter([&] {
    resetCode = reset(requester, 20);
    resetDone = true;
  });
  while (device->getGateState() != tDeviceCore::kGateSuspending) std::this_thread::yield();

  std::atomic<bool> lateDone{false};
  int64_t lateCode = 1;
  std::thread late([&] {
    lateCode = request(old, 0);
    lateDone = true;
  });
  KernelSession* opened = nullptr;
  int64_t openCode = 1;
  std::thread opener([&] { opened = open(&openCode); });

  EXPECT_FALSE(resetDone) << "the old request is still in flight";
  EXPECT_FALSE(lateDone) << "nothing passes a suspending gate";
  finishOldRequest.set_value();
  inFlight.join();
  resetter.join();
  late.join();
  opener.join();

  EXPECT_EQ(resetCode, kFullStartCode);
  EXPECT_EQ(lateCode, kInvalidated) << "admitted after the reset, checked against it";
  EXPECT_EQ(openCode, 0);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(request(opened, kTopLevel), 0) << "an open that waited through the reset is valid";
  close(opened);
  close(old);
  close(requester);
}

// The template with nothing but what it needs of a device class, so its own
// defaults show.
class PlainDevice : public kdut::Device<vorlan_driver::nKIVAPAL000::tPCIDevice, vorlan_shared::SetupLevel,
                                        KernelSession, vorlan_driver_codegen::CustomResetParameters> {
 public:
  PlainDevice(const vorlan_driver::nKIVAPAL000::tPCIDescription& description, tStatus& status)
      : Device(description, 0, status), interface(this, "plain"), manager(-1, -2, status) {
    appendDeviceInterface(&interface, status);
  }
  vorlan_driver::nKIVAPAL000::tDeviceInterface interface;

 protected:
  void setup(const tEventDescriptor&, const vorlan_driver_codegen::CustomResetParameters*,
             kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker) override {
    for (uint32_t level = 1; level <= 20; ++level) tracker.advanceTo(level);
  }
  void onStart() override {}
  void teardown() override {}
  KernelSession* createSession(const tEventDescriptor&, tDeviceInterface* opened, tStatus& status) override {
    return kivNew(status) KernelSession(opened, getResetCounter(), -3, &manager, nullptr, 4, status);
  }
  void destroySession(const tEventDescriptor&, KernelSession* session) override { delete session; }
  void collectProperties(tStatus&) override {}

 private:
  kdut::ResourceReservationManager manager;
};

TEST(DeviceTemplateDefaults, ABusySuspensionIsVetoedOnlyWhenAskedToBe) {
  kalsim::reset();
  tStatus status;
  PlainDevice device(pcitest::describe(kalsim::addPciFunction()), status);
  const tEventDescriptor none;
  device.changePnPState(none, tDeviceCore::kPnPStateReady, vorlan_driver::nKIVAPAL000::kSuspendReasonAddDevice,
                        false, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(device.getSetupTracker().getCurrentLevel(), 20u);
  EXPECT_TRUE(device.suspendIOProcessing(none, kSuspendReasonRemove, true)) << "nobody is open";
  device.resumeIOProcessing(none);

  vorlan_driver::nKIVAPAL000::tSession* session = device.openSession(none, &device.interface, status);
  ASSERT_NE(session, nullptr);
  EXPECT_FALSE(device.suspendIOProcessing(none, kSuspendReasonRemove, true));
  EXPECT_EQ(device.getGateState(), tDeviceCore::kGateOpen);
  EXPECT_TRUE(device.suspendIOProcessing(none, vorlan_driver::nKIVAPAL000::kSuspendReasonReset, false));
  EXPECT_EQ(device.getGateState(), tDeviceCore::kGateSuspending);
  device.resumeIOProcessing(none);
  EXPECT_EQ(device.getGateState(), tDeviceCore::kGateOpen);

  const tEventDescriptor named(session);
  device.cancelSessionIO(named);
  device.closeSession(named, session);
  device.changePnPState(none, tDeviceCore::kPnPStateNotPresent, kSuspendReasonRemove, false, status);
}

}  // namespace
}  // namespace quilltest
