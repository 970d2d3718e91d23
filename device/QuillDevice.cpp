#include "device/QuillDevice.h"

#include "device/DeviceDMA.h"
#include "device/QuillHelper.h"
#include "framework/atut/safeCast.h"
#include "framework/kdut/AutoIOGate.h"
#include "framework/kdut/kdutStatusCodes.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/pci/pxiGeographicAddress.h"
#include "platform/quarks/kivString.h"
#include "routing/RoutingSession.h"

namespace vorlan_driver {

namespace {

constexpr int32_t kResetDrainCode = static_cast<int32_t>(statusCodes::fromWord(0xBFFA4305u));
constexpr const char kManufacturerName[] = "Vorlan";

typedef kdut::AutoIOGate<vorlan_shared::SetupLevel, meridansharedsource::KernelSession> tRequestGate;

// The routing session of the request's kernel session, if it has one.
kivark::KernelRoutingSession* routingSessionOf(const nKIVAPAL000::tEventDescriptor& descriptor) {
  meridansharedsource::KernelSession* session = static_cast<meridansharedsource::KernelSession*>(descriptor.getSession());
  return session != nullptr ? session->getRoutingSession() : nullptr;
}

}  // namespace

QuillDevice::QuillDevice(const nKIVAPAL000::tPCIDescription& description, nKIVAPALS100::tStatus& status)
    : tQuillDeviceBase(description, kResetDrainCode, status),
      reservationManager_(static_cast<int32_t>(kdut::codes::kResourceAlreadyReserved),
                          static_cast<int32_t>(kdut::codes::kResourceNotReserved), kChannelMask,
                          static_cast<int32_t>(kdut::codes::kResourceOutOfRange), status),
      hardwareOwner_(nullptr),
      connectedAccessory_(0),
      coolingMode_{kInitialCoolingMode, 0},
      pxiGeographicAddressProperty_("pxiGeographicAddress", nKIVAPAL000::tProperty::kKindUInt32) {
  prepareDeviceProperties(kPropertyCount, status);
}

QuillDevice::~QuillDevice() {
  // Stop has deleted the owner; a device that never started has none.
  delete hardwareOwner_;
}

void QuillDevice::setup(const tEventDescriptor& descriptor, const vorlan_driver_codegen::CustomResetParameters* parameters,
                        kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker) {
  nKIVAPALS100::tStatus& status = tracker.getSetupStatus();
  if (parameters != nullptr) {
    // The package counts travel as 64-bit values but the sequencer counts
    // in 32; a count that does not fit stops the setup before it starts.
    atutSafeCast(parameters->packageWordCount, status);
    atutSafeCast(parameters->packageIdCount, status);
  }
  hardwareOwner_ = kivNew(status) QuillHelper(*this, &descriptor, parameters, &coolingMode_, tracker);
}

bool QuillDevice::canRoute() const {
  return hardwareOwner_ != nullptr && hardwareOwner_->getRoutingResourcesManager() != nullptr &&
         getSetupTracker().hasReached(QuillHelper::kRoutingLevel);
}

void QuillDevice::handOutRoutingResources() {
  if (canRoute()) {
    hardwareOwner_->getRoutingResourcesManager()->setRoutingResources(hardwareOwner_->getRoutingResources());
  }
}

void QuillDevice::onStart() { handOutRoutingResources(); }

kdut::CleanupOperationComposite* QuillDevice::getOwnerComposite() {
  return hardwareOwner_ != nullptr ? hardwareOwner_->getCleanupOperationComposite() : nullptr;
}

void QuillDevice::teardown() {
  delete hardwareOwner_;
  hardwareOwner_ = nullptr;
}

meridansharedsource::KernelSession* QuillDevice::createSession(const tEventDescriptor&, tDeviceInterface* interface,
                                                               nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  kivark::RoutingResourcesManager* routing = canRoute() ? hardwareOwner_->getRoutingResourcesManager() : nullptr;
  meridansharedsource::KernelSession* session = kivNew(status) meridansharedsource::KernelSession(
      interface, getResetCounter(), static_cast<int32_t>(kdut::codes::kResourceNotReserved), &reservationManager_,
      routing, kSessionCleanupCapacity, status);
  if (session == nullptr) return nullptr;
  kdut::CleanupOperationComposite* ownerComposite = getOwnerComposite();
  if (ownerComposite != nullptr) ownerComposite->add(&session->getCleanupOperationComposite(), status);
  // A session the open does not hand out would never be closed.
  if (status.isFatal()) {
    if (ownerComposite != nullptr) {
      nKIVAPALS100::tStatus dropped;
      ownerComposite->remove(&session->getCleanupOperationComposite(), dropped);
    }
    delete session;
    return nullptr;
  }
  return session;
}

void QuillDevice::destroySession(const tEventDescriptor&, meridansharedsource::KernelSession* session) {
  if (session == nullptr) return;
  kdut::CleanupOperationComposite* ownerComposite = getOwnerComposite();
  if (ownerComposite != nullptr) {
    // A session opened before the last reset is not in this owner's list.
    nKIVAPALS100::tStatus dropped;
    ownerComposite->remove(&session->getCleanupOperationComposite(), dropped);
  }
  delete session;
}

void QuillDevice::collectProperties(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  // Each stage has a status of its own, so a failure in one does not keep the
  // next from publishing; the caller sees the first error.
  nKIVAPALS100::tStatus values;
  // The record is read only once start-up has built the storage maps.
  const bool hasRecords =
      hardwareOwner_ != nullptr && getSetupTracker().hasReached(QuillHelper::kCoreObjectsLevel);
  const uint32_t serialNumber = hasRecords ? hardwareOwner_->readSerialNumber(values) : 0;
  // The layer reads a text property through its pointer, so a model without
  // a name publishes an empty one, never a null.
  const basalt_caps::Caps* caps = hardwareOwner_ != nullptr ? hardwareOwner_->getCaps() : nullptr;
  const char* modelName = caps != nullptr && values.isNotFatal() ? caps->modelName : "";
  status.merge(values);

  nKIVAPALS100::tStatus records;
  nKIVAPAL000::boundedFormat(getSerialNumberText(), kSerialNumberTextSize, "%X", serialNumber);
  getSerialNumberProperty().setName("serialNumber");
  getSerialNumberProperty().setString(getSerialNumberText());
  getModelNameProperty().setName("modelName");
  getModelNameProperty().setString(modelName);
  getManufacturerNameProperty().setName("manufacturerName");
  getManufacturerNameProperty().setString(kManufacturerName);
  appendDeviceProperty(&getSerialNumberProperty(), records);
  appendDeviceProperty(&getModelNameProperty(), records);
  appendDeviceProperty(&getManufacturerNameProperty(), records);
  status.merge(records);

  nKIVAPALS100::tStatus geographic;
  const uint32_t address = nKIVAPAL000::readPxiGeographicAddress(*this, geographic);
  pxiGeographicAddressProperty_.setUInt32(geographic.isFatal() ? 0 : address);
  appendDeviceProperty(&pxiGeographicAddressProperty_, geographic);
  status.merge(geographic);
}

DeviceDMA* QuillDevice::suspendableDma() {
  return hardwareOwner_ != nullptr && getSetupTracker().hasReached(QuillHelper::kIsolatedSideLevel)
             ? hardwareOwner_->getDeviceDma()
             : nullptr;
}

bool QuillDevice::onSuspendIOProcessing(const tEventDescriptor&, tSuspendReason, bool) {
  // A request asleep on DMA progress would hold the suspension up for as
  // long as the transfer takes, or for ever: it wakes with the reset code.
  DeviceDMA* dma = suspendableDma();
  if (dma != nullptr) dma->releaseDmaWaiters();
  if (canRoute()) hardwareOwner_->getRoutingResourcesManager()->withdrawRoutingResources();
  // Never vetoes: a reset or a removal must go ahead with sessions open.
  return false;
}

void QuillDevice::onResumeIOProcessing(const tEventDescriptor&) {
  // A move back to ready without a stop resumes the owner whose waits the
  // suspension released; after a reset the owner is a new one, with
  // nothing to take back.
  DeviceDMA* dma = suspendableDma();
  if (dma != nullptr) dma->resumeDmaWaiters();
  handOutRoutingResources();
}

void QuillDevice::createIONotifier(const tEventDescriptor& descriptor, uint32_t selector,
                                   nKIVAPAL000::tIONotifierParams& params, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  nKIVAPALS100::tStatus gateStatus;
  tRequestGate gate(this, descriptor.getSession(), &getSetupTracker(), vorlan_shared::SetupLevel::kFull, gateStatus);
  if (gateStatus.isFatal()) {
    status.merge(gateStatus);
    return;
  }
  if (selector != kRoutingNotifierSelector) return;
  kivark::KernelRoutingSession* routing = routingSessionOf(descriptor);
  if (routing == nullptr) return;
  nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(routing->getMutex());
  routing->getIONotifier().initialize(params, status);
}

void QuillDevice::destroyIONotifier(const tEventDescriptor& descriptor, uint32_t selector) {
  nKIVAPALS100::tStatus gateStatus;
  tRequestGate gate(this, descriptor.getSession(), &getSetupTracker(), vorlan_shared::SetupLevel::kFull, gateStatus);
  if (gateStatus.isFatal() || selector != kRoutingNotifierSelector) return;
  kivark::KernelRoutingSession* routing = routingSessionOf(descriptor);
  if (routing == nullptr) return;
  nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(routing->getMutex());
  if (routing->getIONotifier().isOpen()) routing->getIONotifier().close();
}

}  // namespace vorlan_driver
