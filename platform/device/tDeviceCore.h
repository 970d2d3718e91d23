// The bus-independent model of one device: its Plug and Play state and the
// order in which moving between states starts, stops, suspends and resumes
// it; the I/O gate every request passes with the count of requests in
// flight; the open sessions; and the operations the kernel callbacks reach
// the device through.
#pragma once

#include <stdint.h>

#include "platform/device/tDMAConfiguration.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/device/tListLink.h"
#include "platform/device/tSyncEvent.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tDeviceInterface;
struct tIONotifierParams;
class tProperty;
class tSession;
class tUserBuffer;
class tUserMemoryMap;

enum tSuspendReason : uint32_t {
  kSuspendReasonAddDevice = 0,
  kSuspendReasonRemove = 1,
  kSuspendReasonReset = 2,
};

class tDeviceCore {
 public:
  enum tPnPState : uint32_t {
    kPnPStateNotStarted = 0,
    kPnPStateReady = 1,
    kPnPStateIOSuspended = 2,
    kPnPStateSleep = 3,
    kPnPStateNotPresent = 4,
  };
  enum tGateState : uint32_t {
    kGateClosed = 0,
    kGateSuspending = 1,
    kGateOpen = 2,
  };
  static constexpr uint32_t kWaitForever = tSyncEvent::kWaitForever;

  explicit tDeviceCore(nKIVAPALS100::tStatus& status);
  virtual ~tDeviceCore();
  tDeviceCore(const tDeviceCore&) = delete;
  tDeviceCore& operator=(const tDeviceCore&) = delete;

  virtual tDeviceInterface** getDeviceInterfaces() { return nullptr; }
  virtual tProperty** getDeviceProperties() { return nullptr; }
  virtual tSession* open(const tEventDescriptor& descriptor, tDeviceInterface* interface,
                         nKIVAPALS100::tStatus& status);
  virtual void cancelSessionIO(const tEventDescriptor& descriptor);
  virtual void closeAndFreeSession(const tEventDescriptor& descriptor, tSession* session);
  virtual uint64_t read(const tEventDescriptor& descriptor, tUserBuffer& buffer, nKIVAPALS100::tStatus& status);
  virtual uint64_t write(const tEventDescriptor& descriptor, tUserBuffer& buffer, nKIVAPALS100::tStatus& status);
  virtual uint64_t ioControl(const tEventDescriptor& descriptor, uint32_t code, tUserBuffer& inbound,
                             tUserBuffer& outbound, nKIVAPALS100::tStatus& status);
  virtual void mapMemory(const tEventDescriptor& descriptor, tUserMemoryMap& map, nKIVAPALS100::tStatus& status);
  virtual void unmapMemory(const tEventDescriptor& descriptor, tUserMemoryMap& map);
  virtual void start(const tEventDescriptor& descriptor, nKIVAPALS100::tStatus& status);
  virtual void stop(const tEventDescriptor& descriptor);
  virtual bool suspendIOProcessing(const tEventDescriptor& descriptor, tSuspendReason reason, bool failIfBusy);
  virtual void resumeIOProcessing(const tEventDescriptor& descriptor);
  virtual void suspendPower(const tEventDescriptor& descriptor);
  virtual void restorePower(const tEventDescriptor& descriptor);
  virtual void prepareForRemoval(const tEventDescriptor& descriptor);
  virtual void createIONotifier(const tEventDescriptor& descriptor, uint32_t selector, tIONotifierParams& params,
                                nKIVAPALS100::tStatus& status);
  virtual void destroyIONotifier(const tEventDescriptor& descriptor, uint32_t selector);
  virtual void refreshBusInformation(nKIVAPALS100::tStatus& status) = 0;
  virtual void configureDMA(tDMAConfiguration::tDMAType type, nKIVAPALS100::tStatus& status);
  virtual bool acquireIOReference(tSession* session, nKIVAPALS100::tStatus& status, uint32_t timeout);
  virtual void releaseIOReference(tSession* session);
  virtual void acquireAsyncIOLock();
  virtual void releaseAsyncIOLock();

  // The transition engine; false when a step refused or failed, with the
  // state left at the last state reached.
  bool changePnPState(const tEventDescriptor& descriptor, uint32_t target, tSuspendReason reason, bool failIfBusy,
                      nKIVAPALS100::tStatus& status);
  tSession* openSession(const tEventDescriptor& descriptor, tDeviceInterface* interface,
                        nKIVAPALS100::tStatus& status);
  // Waits, uninterruptibly, until the session has no request in flight.
  void closeSession(const tEventDescriptor& descriptor, tSession* session);
  void waitForIODrain(bool interruptible, nKIVAPALS100::tStatus& status, uint32_t timeout);
  static const char* getPnPStateName(uint32_t state);

  uint32_t getPnPState() const { return pnpState_; }
  uint32_t getPreviousPnPState() const { return previousPnPState_; }
  uint32_t getGateState() const { return __atomic_load_n(&gateState_, __ATOMIC_SEQ_CST); }
  // From the first step of a move to not present on: the device is going,
  // and nothing opens its gate again.
  bool isRemovalUnderWay() const { return __atomic_load_n(&removalUnderWay_, __ATOMIC_SEQ_CST); }
  uint32_t getOpenSessions() const { return __atomic_load_n(&openSessions_, __ATOMIC_SEQ_CST); }
  uint32_t getRequestsInFlight() const { return __atomic_load_n(&requestsInFlight_, __ATOMIC_SEQ_CST); }
  bool isHardwarePresent() const { return hardwarePresent_; }
  const tDMAConfiguration& getDMAConfiguration() const { return dmaConfiguration_; }

 protected:
  // Once removal is under way the gate only closes; answers the state set.
  uint32_t setGateState(uint32_t state);
  tDMAConfiguration& dmaConfiguration() { return dmaConfiguration_; }
  // Cancels the pending operations of the device (null) or of one session.
  void cancelAsyncIO(tSession* session);

 private:
  void moveTo(uint32_t state);
  void signalGate() { gateEvent_.signal(); }

  void* asyncIOLock_;
  uint32_t pnpState_;
  uint32_t previousPnPState_;
  tSyncEvent drainedEvent_;
  uint32_t openSessions_;
  uint32_t requestsInFlight_;
  tListLink asyncIOList_;
  tSyncEvent gateEvent_;
  uint32_t gateState_;
  bool removalUnderWay_;
  bool hardwarePresent_;
  tDMAConfiguration dmaConfiguration_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
