#include "platform/device/tDeviceCore.h"

#include "kal/include/nKIVKAL.h"
#include "platform/device/tAsyncIO.h"
#include "platform/device/tSession.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

const char* const kPnPStateNames[] = {
    "kPnPStateNotStarted", "kPnPStateReady", "kPnPStateIOSuspended", "kPnPStateSleep", "kPnPStateNotPresent",
};
constexpr uint32_t kPnPStateCount = sizeof(kPnPStateNames) / sizeof(kPnPStateNames[0]);

void* createSpinLock(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  void* lock = nKIVKAL100_createSpinLock();
  if (lock == nullptr) vorlanSetCode(status, statusCodes::kOutOfMemory);
  return lock;
}

uint32_t atomicAdd(uint32_t* counter, int32_t delta) {
  return __atomic_add_fetch(counter, static_cast<uint32_t>(delta), __ATOMIC_SEQ_CST);
}

}  // namespace

tDeviceCore::tDeviceCore(nKIVAPALS100::tStatus& status)
    : asyncIOLock_(createSpinLock(status)),
      pnpState_(kPnPStateNotStarted),
      previousPnPState_(kPnPStateNotStarted),
      drainedEvent_(true, status),
      openSessions_(0),
      requestsInFlight_(0),
      gateEvent_(true, status),
      gateState_(kGateClosed),
      removalUnderWay_(false),
      hardwarePresent_(true),
      dmaConfiguration_() {
  asyncIOList_.initialize();
}

tDeviceCore::~tDeviceCore() {
  if (asyncIOLock_ != nullptr) nKIVKAL100_destroySpinLock(asyncIOLock_);
}

const char* tDeviceCore::getPnPStateName(uint32_t state) {
  return state < kPnPStateCount ? kPnPStateNames[state] : "invalid";
}

// ---- base operations the device class may replace

tSession* tDeviceCore::open(const tEventDescriptor&, tDeviceInterface*, nKIVAPALS100::tStatus& status) {
  vorlanSetCode(status, statusCodes::kNotSupported);
  return nullptr;
}

void tDeviceCore::cancelSessionIO(const tEventDescriptor& descriptor) {
  tSession* session = descriptor.getSession();
  if (session == nullptr) return;
  acquireAsyncIOLock();
  session->closing_ = true;
  releaseAsyncIOLock();
  cancelAsyncIO(session);
}

void tDeviceCore::closeAndFreeSession(const tEventDescriptor&, tSession*) {}

uint64_t tDeviceCore::read(const tEventDescriptor&, tUserBuffer&, nKIVAPALS100::tStatus& status) {
  vorlanSetCode(status, statusCodes::kNotSupported);
  return 0;
}

uint64_t tDeviceCore::write(const tEventDescriptor&, tUserBuffer&, nKIVAPALS100::tStatus& status) {
  vorlanSetCode(status, statusCodes::kNotSupported);
  return 0;
}

uint64_t tDeviceCore::ioControl(const tEventDescriptor&, uint32_t, tUserBuffer&, tUserBuffer&,
                                nKIVAPALS100::tStatus& status) {
  vorlanSetCode(status, statusCodes::kNotSupported);
  return 0;
}

void tDeviceCore::mapMemory(const tEventDescriptor&, tUserMemoryMap&, nKIVAPALS100::tStatus& status) {
  vorlanSetCode(status, statusCodes::kNotSupported);
}

void tDeviceCore::unmapMemory(const tEventDescriptor&, tUserMemoryMap&) {}
void tDeviceCore::start(const tEventDescriptor&, nKIVAPALS100::tStatus&) {}
void tDeviceCore::stop(const tEventDescriptor&) {}
void tDeviceCore::suspendPower(const tEventDescriptor&) {}
void tDeviceCore::restorePower(const tEventDescriptor&) {}

void tDeviceCore::createIONotifier(const tEventDescriptor&, uint32_t, tIONotifierParams&,
                                   nKIVAPALS100::tStatus& status) {
  vorlanSetCode(status, statusCodes::kNotSupported);
}

void tDeviceCore::destroyIONotifier(const tEventDescriptor&, uint32_t) {}

void tDeviceCore::configureDMA(tDMAConfiguration::tDMAType type, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  dmaConfiguration_.record(type, nullptr);
}

void tDeviceCore::acquireAsyncIOLock() { nKIVKAL100_acquireSpinLockDPC(asyncIOLock_); }
void tDeviceCore::releaseAsyncIOLock() { nKIVKAL100_releaseSpinLockDPC(asyncIOLock_); }

// ---- the I/O gate

uint32_t tDeviceCore::setGateState(uint32_t state) {
  // A reset that suspended and resumes I/O while the device is being removed
  // must not let requests in to hardware that is going: once removal is
  // under way every change closes the gate. The exchange fails when the
  // state changed since it was read, so a removal's close is never
  // overwritten by an open decided before it; a removal that began just
  // before an open succeeded is seen right after it, and closes again.
  uint32_t current = getGateState();
  for (;;) {
    const uint32_t next = isRemovalUnderWay() ? static_cast<uint32_t>(kGateClosed) : state;
    if (__atomic_compare_exchange_n(&gateState_, &current, next, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST)) {
      if (next == kGateClosed || !isRemovalUnderWay()) return next;
      current = next;
    }
  }
}

bool tDeviceCore::suspendIOProcessing(const tEventDescriptor&, tSuspendReason reason, bool failIfBusy) {
  if (failIfBusy && getOpenSessions() != 0) return false;
  // A request waiting at a closed gate wakes up and is refused.
  if (setGateState(reason <= kSuspendReasonRemove ? kGateClosed : kGateSuspending) == kGateClosed) signalGate();
  cancelAsyncIO(nullptr);
  return true;
}

void tDeviceCore::resumeIOProcessing(const tEventDescriptor&) {
  // Each waiter that wakes passes the wake-up on, so all are admitted in
  // turn (or, once removal is under way, all refused).
  setGateState(kGateOpen);
  signalGate();
}

void tDeviceCore::prepareForRemoval(const tEventDescriptor&) {
  setGateState(kGateClosed);
  signalGate();
}

bool tDeviceCore::acquireIOReference(tSession* session, nKIVAPALS100::tStatus& status, uint32_t timeout) {
  for (;;) {
    if (status.isFatal()) return false;
    const uint32_t gate = getGateState();
    if (gate == kGateOpen) {
      atomicAdd(&requestsInFlight_, 1);
      // A suspension racing with this entry is seen here, or by the drain,
      // which then waits for this reference.
      if (getGateState() == kGateOpen) {
        if (session != nullptr) atomicAdd(&session->requestsInFlight_, 1);
        return true;
      }
      if (atomicAdd(&requestsInFlight_, -1) == 0) drainedEvent_.signal();
      continue;
    }
    if (gate != kGateSuspending) {
      vorlanSetCode(status, statusCodes::kIONotAccepted);
      return false;
    }
    gateEvent_.wait(true, timeout, status);
    if (status.isFatal()) return false;
    if (getGateState() != kGateSuspending) signalGate();
  }
}

void tDeviceCore::releaseIOReference(tSession* session) {
  if (session != nullptr && atomicAdd(&session->requestsInFlight_, -1) == 0) session->drainedEvent_.signal();
  if (atomicAdd(&requestsInFlight_, -1) == 0) drainedEvent_.signal();
}

void tDeviceCore::waitForIODrain(bool interruptible, nKIVAPALS100::tStatus& status, uint32_t timeout) {
  while (getRequestsInFlight() != 0) {
    drainedEvent_.wait(interruptible, timeout, status);
    if (status.isFatal()) return;
  }
  // Leave the event signalled for the next drain.
  drainedEvent_.signal();
}

// ---- sessions

tSession* tDeviceCore::openSession(const tEventDescriptor& descriptor, tDeviceInterface* interface,
                                   nKIVAPALS100::tStatus& status) {
  tSession* session = open(descriptor, interface, status);
  if (status.isNotFatal() && session != nullptr) atomicAdd(&openSessions_, 1);
  return session;
}

void tDeviceCore::closeSession(const tEventDescriptor& descriptor, tSession* session) {
  if (session == nullptr) return;
  while (session->getRequestsInFlight() != 0) {
    nKIVAPALS100::tStatus waitStatus;
    session->drainedEvent_.wait(false, kWaitForever, waitStatus);
  }
  session->drainedEvent_.signal();
  atomicAdd(&openSessions_, -1);
  closeAndFreeSession(descriptor, session);
}

void tDeviceCore::cancelAsyncIO(tSession* session) {
  tListLink* head = session != nullptr ? &session->asyncIOList_ : &asyncIOList_;
  acquireAsyncIOLock();
  tListLink* link = head->next;
  while (link != head) {
    tListLink* next = link->next;
    tAsyncIO* operation = tAsyncIO::fromLink(link);
    if (operation->isPending() && !operation->isCancelled() && !operation->isCompleted()) {
      const bool completeNow = operation->cancel();
      operation->markCancelled();
      if (completeNow && operation->isPending()) {
        operation->unlinkBoth();
        operation->markDone();
        operation->completeCallback(nullptr);
        releaseIOReference(operation->getSession());
      }
    }
    link = next;
  }
  releaseAsyncIOLock();
}

// ---- Plug and Play

void tDeviceCore::moveTo(uint32_t state) {
  previousPnPState_ = pnpState_;
  pnpState_ = state;
}

bool tDeviceCore::changePnPState(const tEventDescriptor& descriptor, uint32_t target, tSuspendReason reason,
                                 bool failIfBusy, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  // An unknown target would cycle through start and stop for ever.
  if (target >= kPnPStateCount) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return false;
  }
  // Removal is final (the layer drops the interfaces whatever this answers),
  // and it is marked before its first step: a reset running on another
  // thread then ends without opening the gate again.
  if (target == kPnPStateNotPresent) __atomic_store_n(&removalUnderWay_, true, __ATOMIC_SEQ_CST);
  for (;;) {
    if (status.isFatal()) return false;
    const uint32_t current = pnpState_;
    if (current == target) return true;
    switch (current) {
      case kPnPStateNotStarted:
        if (target == kPnPStateNotPresent) {
          prepareForRemoval(descriptor);
          moveTo(kPnPStateNotPresent);
          return true;
        }
        start(descriptor, status);
        if (status.isFatal()) return false;
        moveTo(kPnPStateReady);
        break;
      case kPnPStateReady:
        if (!suspendIOProcessing(descriptor, reason, failIfBusy)) return false;
        moveTo(kPnPStateIOSuspended);
        break;
      case kPnPStateIOSuspended: {
        if (target == kPnPStateReady) {
          resumeIOProcessing(descriptor);
          moveTo(kPnPStateReady);
          return true;
        }
        nKIVAPALS100::tStatus drainStatus;
        waitForIODrain(false, drainStatus, kWaitForever);
        if (target == kPnPStateSleep) {
          suspendPower(descriptor);
          moveTo(kPnPStateSleep);
          return true;
        }
        stop(descriptor);
        moveTo(kPnPStateNotStarted);
        break;
      }
      case kPnPStateSleep:
        restorePower(descriptor);
        moveTo(kPnPStateIOSuspended);
        break;
      default:
        // Not present is final.
        return false;
    }
  }
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
