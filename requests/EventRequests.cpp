#include "requests/EventRequests.h"

#include "requests/requestSteps.h"

namespace vorlan_driver {
namespace requests {

using nKIVAPALS100::tStatus;

void EventRequests::generateBusEvent(uint16_t busEvent, tStatus& status) {
  if (isolated(status) != nullptr) facade().generateBusEvent(busEvent, status);
}

void EventRequests::mapBusEventToAbstractedEvent(uint64_t channelMask, uint16_t busEvent, uint32_t abstractedEvent,
                                                 tStatus& status) {
  checkHeld(channelMask, status);
  if (isolated(status) != nullptr) facade().mapBusEventToAbstractedEvent(channelMask, busEvent, abstractedEvent, status);
}

void EventRequests::configureMeasureCompleteEventDelay(uint32_t channelIndex, uint32_t delay, tStatus& status) {
  const uint32_t channel = heldChannelAt(channelIndex, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->measureUnitTable[channel]->setMeasureCompleteDelay(delay, status);
}

bool EventRequests::checkEventLatch(uint64_t channelMask, uint32_t kind, tStatus& status) {
  checkHeld(channelMask, status);
  if (isolated(status) == nullptr) return false;
  const bool latched = facade().checkEventLatch(channelMask, kind, status);
  return status.isNotFatal() && latched;
}

void EventRequests::clearEventLatch(uint64_t channelMask, uint32_t kind, tStatus& status) {
  checkHeld(channelMask, status);
  if (isolated(status) != nullptr) facade().clearEventLatch(channelMask, kind, status);
}

void EventRequests::clearAllEventLatches(uint64_t channelMask, tStatus& status) {
  checkHeld(channelMask, status);
  if (isolated(status) != nullptr) facade().clearAllEventLatches(channelMask, status);
}

bool EventRequests::overrideTrigger(uint64_t channelMask, uint32_t triggerId, tStatus& status) {
  checkHeld(channelMask, status);
  if (isolated(status) == nullptr) return false;
  const uint32_t overridden = facade().overrideTrigger(channelMask, triggerId, status);
  return status.isNotFatal() && overridden != 0;
}


uint32_t EventRequests::heldAlarmChannel(uint64_t channelMask, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  return isolated(status) != nullptr ? channel : kNoChannel;
}

bool EventRequests::getAlarmRaised(uint64_t channelMask, uint32_t alarm, tStatus& status) {
  const uint32_t channel = heldAlarmChannel(channelMask, status);
  if (status.isFatal()) return false;
  const bool raised = facade().getAlarmRaised(channel, alarm, status);
  return status.isNotFatal() && raised;
}

void EventRequests::clearAlarm(uint64_t channelMask, uint32_t alarm, tStatus& status) {
  const uint32_t channel = heldAlarmChannel(channelMask, status);
  facade().clearAlarm(channel, alarm, status);
}

void EventRequests::maskAlarm(uint64_t channelMask, uint32_t alarm, tStatus& status) {
  const uint32_t channel = heldAlarmChannel(channelMask, status);
  facade().maskAlarm(channel, alarm, status);
}

void EventRequests::unmaskAlarm(uint64_t channelMask, uint32_t alarm, tStatus& status) {
  const uint32_t channel = heldAlarmChannel(channelMask, status);
  facade().unmaskAlarm(channel, alarm, status);
}

bool EventRequests::getHardwareErrors(uint64_t errorVectorsA, uint64_t errorVectorsB, tStatus& status) {
  NisoErrorController* errors = built(objects_.nisoErrors, status);
  if (errors == nullptr) return false;
  const ErrorVectorSnapshot setA = errors->readErrorVectorSetA(status);
  const ErrorVectorSnapshot setB = errors->readErrorVectorSetB(status);
  const bool present = errors->isErrorPresent(status);
  copyToUser(errorVectorsA, &setA, sizeof(setA), status);
  copyToUser(errorVectorsB, &setB, sizeof(setB), status);
  return status.isNotFatal() && present;
}

void EventRequests::checkBoardAndChannelBasedHardwareErrors(uint64_t channelMask, tStatus& status) {
  checkChannelBitmaskInRange(channelMask, status);
  checkReserved(channelMask, status);
  NisoErrorController* errors = built(objects_.nisoErrors, status);
  if (errors != nullptr) errors->checkForErrors(channelMask, status);
}

void EventRequests::checkMeasureFifoOverflowStatus(uint64_t channelMask, tStatus& status) {
  checkHeld(channelMask, status);
  MeasureFIFOOverflowStatusController* overflow = built(objects_.fifoOverflow, status);
  if (overflow != nullptr) overflow->checkOverflow(channelMask, status);
}

void EventRequests::clearChannelBasedHardwareErrors(uint64_t channelMask, tStatus& status) {
  checkHeld(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return;
  facade().resetChannelErrorFlags(channelMask, status);
  controllers->channelErrors.clearChannelErrors(channelMask, status);
}

}  // namespace requests
}  // namespace vorlan_driver
