// The requests about the device as a whole: its setup level, reset, the
// session's reservations and cleanup, the hardware-state checks, the storage
// maps' validity and the connected-accessory word.
#include "device/QuillDevice.h"
#include "device/QuillHelper.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "device/KernelSession.h"
#include "platform/status/statusCodes.h"
#include "requests/RequestRecords.h"
#include "requests/tRequestGate.h"

namespace vorlan_driver {

namespace {

meridansharedsource::KernelSession* sessionOf(const nKIVAPAL000::tEventDescriptor& descriptor) {
  return static_cast<meridansharedsource::KernelSession*>(descriptor.getSession());
}

// Whether every checksum (or version window) of the board's storage maps is
// valid; false without an answer.
template <typename Checker>
uint8_t askStorageMapChecker(QuillDevice& device, const nKIVAPAL000::tEventDescriptor& descriptor,
                             uint32_t level, Checker* (QuillHelper::*checkerOf)(), nKIVAPALS100::tStatus& status) {
  // Refused before the gate: a request that arrives failed does not wait
  // for admission.
  if (status.isFatal()) return 0;
  requests::tRequestGate gate(device, descriptor, level, status);
  if (!gate.passed()) return 0;
  QuillHelper* owner = device.getHardwareOwner();
  Checker* checker = owner != nullptr ? (owner->*checkerOf)() : nullptr;
  if (checker == nullptr) return 0;
  const bool valid = checker->isValid(status);
  return status.isNotFatal() && valid ? 1 : 0;
}

}  // namespace

uint32_t QuillDevice::vorlan_getSetupLevel(const nKIVAPAL000::tEventDescriptor& descriptor,
                                           nKIVAPALS100::tStatus& status) {
  requests::tRequestGate gate(*this, descriptor, requests::vorlan_getSetupLevel::kSetupLevel, status);
  if (!gate.passed()) return 0;
  return getSetupTracker().getCurrentLevel();
}

void QuillDevice::kdut_reset(const nKIVAPAL000::tEventDescriptor& descriptor, uint32_t targetSetupLevel,
                             uint64_t resetParameters, nKIVAPALS100::tStatus& status) {
  reset(descriptor, targetSetupLevel, resetParameters, status);
}

void QuillDevice::kdut_reserveResources(const nKIVAPAL000::tEventDescriptor& descriptor, uint64_t resources,
                                        nKIVAPALS100::tStatus& status) {
  requests::tRequestGate gate(*this, descriptor, requests::kdut_reserveResources::kSetupLevel, status);
  meridansharedsource::KernelSession* session = sessionOf(descriptor);
  if (!gate.passed() || session == nullptr) return;
  // A later reservation adds to the earlier ones; the session's cleanup
  // releases all of them.
  session->reserveResources(resources, status);
}

void QuillDevice::kdut_cleanup(const nKIVAPAL000::tEventDescriptor& descriptor, nKIVAPALS100::tStatus& status) {
  requests::tRequestGate gate(*this, descriptor, requests::kdut_cleanup::kSetupLevel, status);
  meridansharedsource::KernelSession* session = sessionOf(descriptor);
  // A request that arrives failed runs nothing, so it must not withdraw
  // anything either: the operations stay registered and run at close.
  if (!gate.passed() || session == nullptr || status.isFatal()) return;
  kdut::CleanupOperationComposite& composite = session->getCleanupOperationComposite();
  composite.cleanup(status);
  composite.clear();
}

void QuillDevice::vorlan_checkHardwareState(const nKIVAPAL000::tEventDescriptor& descriptor,
                                            nKIVAPALS100::tStatus& status) {
  requests::tRequestGate gate(*this, descriptor, requests::vorlan_checkHardwareState::kSetupLevel, status);
  if (!gate.passed() || hardwareOwner_ == nullptr) return;
  hardwareOwner_->getCheckerComposite().checkHardwareState(status);
}

void QuillDevice::kdut_checkHardwareState(const nKIVAPAL000::tEventDescriptor& descriptor, uint64_t,
                                          nKIVAPALS100::tStatus& status) {
  requests::tRequestGate gate(*this, descriptor, requests::kdut_checkHardwareState::kSetupLevel, status);
  if (!gate.passed() || hardwareOwner_ == nullptr) return;
  hardwareOwner_->getCheckerComposite().checkHardwareState(status);
}

void QuillDevice::kdut_checkChannelHardwareState(const nKIVAPAL000::tEventDescriptor& descriptor, uint64_t,
                                                 uint64_t, nKIVAPALS100::tStatus& status) {
  requests::tRequestGate gate(*this, descriptor, requests::kdut_checkChannelHardwareState::kSetupLevel, status);
  if (gate.passed()) vorlanSetCode(status, statusCodes::kNotSupported);
}

uint8_t QuillDevice::basalt_areStorageMapChecksumsValid(const nKIVAPAL000::tEventDescriptor& descriptor,
                                                        nKIVAPALS100::tStatus& status) {
  return askStorageMapChecker(*this, descriptor, requests::basalt_areStorageMapChecksumsValid::kSetupLevel,
                              &QuillHelper::getStorageMapChecksumChecker, status);
}

uint8_t QuillDevice::basalt_areStorageMapVersionsValid(const nKIVAPAL000::tEventDescriptor& descriptor,
                                                       nKIVAPALS100::tStatus& status) {
  return askStorageMapChecker(*this, descriptor, requests::basalt_areStorageMapVersionsValid::kSetupLevel,
                              &QuillHelper::getStorageMapVersionChecker, status);
}

uint32_t QuillDevice::basalt_getConnectedAccessory(const nKIVAPAL000::tEventDescriptor& descriptor,
                                                   nKIVAPALS100::tStatus& status) {
  // What user mode reads when the device cannot answer.
  constexpr uint32_t kNoAnswer = 1;
  requests::tRequestGate gate(*this, descriptor, requests::basalt_getConnectedAccessory::kSetupLevel, status);
  if (!gate.passed()) return kNoAnswer;
  return __atomic_load_n(&connectedAccessory_, __ATOMIC_SEQ_CST);
}

void QuillDevice::basalt_setConnectedAccessory(const nKIVAPAL000::tEventDescriptor& descriptor,
                                               uint32_t connectedAccessory, nKIVAPALS100::tStatus& status) {
  requests::tRequestGate gate(*this, descriptor, requests::basalt_setConnectedAccessory::kSetupLevel, status);
  if (!gate.passed()) return;
  __atomic_exchange_n(&connectedAccessory_, connectedAccessory, __ATOMIC_SEQ_CST);
}

}  // namespace vorlan_driver
