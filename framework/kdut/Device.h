// The layer between the platform device and the driver's device class: it
// turns the generic life cycle (start, stop, I/O suspension, power, open and
// close) into the hooks the device class implements, and adds reset, which
// tears the device down and sets it up again to a level the caller chooses
// while every open session is invalidated.
#pragma once

#include <stdint.h>

#include "framework/atut/Poller.h"
#include "framework/kdut/AutoIOGate.h"
#include "framework/kdut/SetupTracker.h"
#include "platform/containers/tVector.h"
#include "platform/device/tDeviceInterface.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/device/tProperty.h"
#include "platform/device/tSession.h"
#include "platform/memory/tUserBuffer.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"

namespace kdut {

template <typename PlatformDevice, typename Level, typename Session, typename ResetParameters>
class Device : public PlatformDevice {
 public:
  typedef typename Level::type LevelType;
  typedef vorlan_driver::nKIVAPAL000::tEventDescriptor tEventDescriptor;
  typedef vorlan_driver::nKIVAPAL000::tDeviceInterface tDeviceInterface;
  typedef vorlan_driver::nKIVAPAL000::tProperty tProperty;
  typedef vorlan_driver::nKIVAPAL000::tSession tSession;
  typedef vorlan_driver::nKIVAPAL000::tSuspendReason tSuspendReason;
  typedef vorlan_driver::nKIVAPAL000::tDeviceCore tDeviceCore;

  static constexpr uint32_t kSerialNumberTextSize = 16;
  static constexpr uint64_t kDrainFirstIntervalMicroseconds = 1000;
  static constexpr uint64_t kDrainLongestIntervalMicroseconds = 10000;

  template <typename Description>
  Device(const Description& description, int32_t resetDrainCode, nKIVAPALS100::tStatus& status)
      : PlatformDevice(description, status),
        resetDrainCode_(resetDrainCode),
        tracker_(),
        serialNumberText_(),
        serialNumberProperty_("", tProperty::kKindString),
        modelNameProperty_("", tProperty::kKindString),
        manufacturerNameProperty_("", tProperty::kKindString),
        mutex_(status),
        setupMutex_(status),
        resetCounter_(0) {
    interfaces_.pushBack(nullptr, status);
    properties_.pushBack(nullptr, status);
  }
  ~Device() override {}

  tDeviceInterface** getDeviceInterfaces() override { return interfaces_.data(); }
  tProperty** getDeviceProperties() override { return properties_.data(); }

  tSession* open(const tEventDescriptor& descriptor, tDeviceInterface* interface,
                 nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return nullptr;
    // Level 0 never fails: the gate only holds the open back while I/O is
    // suspended and refuses it while I/O is not accepted.
    AutoIOGate<Level, Session> gate(this, nullptr, &tracker_, Level::kNone, status);
    if (status.isFatal()) return nullptr;
    return createSession(descriptor, interface, status);
  }

  void closeAndFreeSession(const tEventDescriptor& descriptor, tSession* session) override {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mutex_);
    destroySession(descriptor, static_cast<Session*>(session));
  }

  void start(const tEventDescriptor& descriptor, nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    tracker_.resetToTarget(Level::kFull);
    // How far setup got stays in the tracker; requests name what they need.
    setup(descriptor, nullptr, tracker_);
    properties_.clear();
    nKIVAPALS100::tStatus terminatorStatus;
    properties_.pushBack(nullptr, terminatorStatus);
    nKIVAPALS100::tStatus propertyStatus;
    collectProperties(propertyStatus);
    onStart();
    this->tDeviceCore::resumeIOProcessing(descriptor);
  }

  void stop(const tEventDescriptor&) override { invalidateAndTearDown(); }
  void suspendPower(const tEventDescriptor&) override { invalidateAndTearDown(); }

  void restorePower(const tEventDescriptor& descriptor) override {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(setupMutex_);
    tracker_.resetToTarget(Level::kFull);
    if (this->isHardwarePresent()) {
      setup(descriptor, nullptr, tracker_);
    } else {
      vorlanSetCode(tracker_.getSetupStatus(), vorlan_driver::statusCodes::kResourceNotAvailable);
    }
  }

  // A removal suspends I/O on its own thread, while a reset may be tearing
  // down or building what the hook works on: the setup mutex keeps the hook
  // off a half-freed or half-built device.
  bool suspendIOProcessing(const tEventDescriptor& descriptor, tSuspendReason reason, bool failIfBusy) override {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(setupMutex_);
    if (onSuspendIOProcessing(descriptor, reason, failIfBusy)) return false;
    return this->tDeviceCore::suspendIOProcessing(descriptor, reason, false);
  }

  void resumeIOProcessing(const tEventDescriptor& descriptor) override {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(setupMutex_);
    // A device on its way out hands nothing out again; the core keeps its
    // gate closed.
    if (!this->isRemovalUnderWay()) onResumeIOProcessing(descriptor);
    this->tDeviceCore::resumeIOProcessing(descriptor);
  }

  // recordPointer is the requesting process's address of the record, 0 for none.
  void reset(const tEventDescriptor& descriptor, LevelType targetLevel, uint64_t recordPointer,
             nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mutex_);
    nKIVAPALS100::tStatus gateStatus;
    AutoIOGate<Level, Session> gate(this, descriptor.getSession(), &tracker_, Level::kNone, gateStatus);
    if (gateStatus.isFatal()) {
      status.merge(gateStatus);
      return;
    }
    suspendIOProcessing(descriptor, vorlan_driver::nKIVAPAL000::kSuspendReasonReset, false);
    // Without the setup mutex: a removal that begins now must be able to
    // release the requests this drain waits for.
    waitUntilOnlyThisRequestIsInFlight();

    __atomic_add_fetch(&resetCounter_, 1u, __ATOMIC_SEQ_CST);
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> rebuilding(setupMutex_);
    teardown();

    // The level is unsigned: every target above full asks for all of it.
    if (targetLevel > Level::kFull) targetLevel = Level::kFull;
    tracker_.resetToTarget(targetLevel);
    // A target of 0 sets nothing up; the device stays torn down and says so.
    if (targetLevel == Level::kNone) {
      vorlanSetCode(tracker_.getSetupStatus(), vorlan_driver::statusCodes::kSetupStopped);
    } else {
      ResetParameters copy;
      ResetParameters* parameters = nullptr;
      if (recordPointer != 0) {
        vorlan_driver::nKIVAPAL000::tUserBuffer record(&descriptor, recordPointer, sizeof(ResetParameters));
        record.copyFromUser(0, &copy, sizeof(ResetParameters), tracker_.getSetupStatus());
        parameters = &copy;
      }
      if (tracker_.getSetupStatus().isNotFatal()) setup(descriptor, parameters, tracker_);
    }
    status.merge(tracker_.getSetupStatus());
    // A removal that began meanwhile keeps the gate closed: the requests
    // and opens that waited for the reset are refused as by a removed device.
    resumeIOProcessing(descriptor);
  }

  const SetupTracker<Level>& getSetupTracker() const { return tracker_; }
  const uint32_t* getResetCounter() const { return &resetCounter_; }
  uint32_t getResetCount() const { return __atomic_load_n(&resetCounter_, __ATOMIC_SEQ_CST); }

 protected:
  // ---- the hooks of the device class
  // Under the setup mutex, but for start's, which runs before the gate
  // first opens.
  virtual void setup(const tEventDescriptor& descriptor, const ResetParameters* parameters,
                     SetupTracker<Level>& tracker) = 0;
  virtual void onStart() = 0;
  // Always under the device mutex and the setup mutex.
  virtual void teardown() = 0;
  virtual Session* createSession(const tEventDescriptor& descriptor, tDeviceInterface* interface,
                                 nKIVAPALS100::tStatus& status) = 0;
  virtual void destroySession(const tEventDescriptor& descriptor, Session* session) = 0;
  virtual void collectProperties(nKIVAPALS100::tStatus& status) = 0;
  // Both under the setup mutex. True vetoes the suspension.
  virtual bool onSuspendIOProcessing(const tEventDescriptor&, tSuspendReason, bool failIfBusy) {
    return failIfBusy && this->getOpenSessions() != 0;
  }
  virtual void onResumeIOProcessing(const tEventDescriptor&) {}

  // Both lists stay null-terminated: a new entry goes in front of the terminator.
  void appendDeviceInterface(tDeviceInterface* interface, nKIVAPALS100::tStatus& status) {
    appendInFront(interfaces_, interface, status);
  }
  void appendDeviceProperty(tProperty* property, nKIVAPALS100::tStatus& status) {
    appendInFront(properties_, property, status);
  }
  // Room for `count` properties and the terminator, taken while the device
  // is built: start drops the status of its property collection, so an
  // append there must not need memory.
  void prepareDeviceProperties(uint64_t count, nKIVAPALS100::tStatus& status) {
    if (status.isNotFatal()) properties_.reserve(count + 1, status);
  }

  char* getSerialNumberText() { return serialNumberText_; }
  tProperty& getSerialNumberProperty() { return serialNumberProperty_; }
  tProperty& getModelNameProperty() { return modelNameProperty_; }
  tProperty& getManufacturerNameProperty() { return manufacturerNameProperty_; }
  SetupTracker<Level>& setupTracker() { return tracker_; }
  vorlan_driver::nKIVAPAL000::tMutex& getDeviceMutex() { return mutex_; }

 private:
  typedef vorlan_driver::nKIVAPAL000::tTimeout<vorlan_driver::nKIVAPAL000::tTimeWasterSleep,
                                               vorlan_driver::nKIVAPAL000::tTimebasePrecise>
      tDrainTimeout;

  template <typename T>
  static void appendInFront(vorlan_driver::nKIVAPAL000::tVector<T*>& list, T* item, nKIVAPALS100::tStatus& status) {
    if (status.isFatal() || list.isEmpty()) {
      if (status.isNotFatal()) vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
      return;
    }
    list.pushBack(nullptr, status);
    if (status.isFatal()) return;
    list[list.count() - 2] = item;
  }

  void invalidateAndTearDown() {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mutex_);
    __atomic_add_fetch(&resetCounter_, 1u, __ATOMIC_SEQ_CST);
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> rebuilding(setupMutex_);
    teardown();
  }

  // No time limit: onSuspendIOProcessing released whatever could block
  // inside its gate, so every request in flight ends.
  void waitUntilOnlyThisRequestIsInFlight() {
    const atut::Poller<tDrainTimeout, uint32_t> poller(kDrainFirstIntervalMicroseconds,
                                                       kDrainLongestIntervalMicroseconds, resetDrainCode_);
    nKIVAPALS100::tStatus waitStatus;
    poller.waitForValueNoStatus(static_cast<const tDeviceCore&>(*this), &tDeviceCore::getRequestsInFlight, 1u,
                                0xFFFFFFFFu, waitStatus);
  }

  int32_t resetDrainCode_;
  SetupTracker<Level> tracker_;
  char serialNumberText_[kSerialNumberTextSize];
  tProperty serialNumberProperty_;
  tProperty modelNameProperty_;
  tProperty manufacturerNameProperty_;
  vorlan_driver::nKIVAPAL000::tVector<tDeviceInterface*> interfaces_;
  vorlan_driver::nKIVAPAL000::tVector<tProperty*> properties_;
  // Lock order: the device mutex, then the I/O gate, then the setup mutex,
  // then the mutexes of the objects the hooks reach. The device mutex
  // serialises reset, stop, power suspension and close; it is held through
  // the reset's drain. The setup mutex is held only where what setup builds
  // is torn down, built or reached from outside a request: teardown and
  // setup after start, and the suspension and resumption hooks. It is never
  // held while waiting for requests, so a removal that suspends I/O during a
  // reset's drain takes it at once and wakes the requests the drain waits
  // for; and nothing that holds it waits for the device mutex or a request.
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  vorlan_driver::nKIVAPAL000::tMutex setupMutex_;
  uint32_t resetCounter_;
};

}  // namespace kdut
