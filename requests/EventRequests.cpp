#include "requests/EventRequests.h"

#include "requests/requestSteps.h"

namespace vorlan_driver {
namespace requests {

using nKIVAPALS100::tStatus;

namespace {

// Runs `visit` on each channel of the mask, lowest first, while the status
// is clean.
template <typename Visit>
void forEachChannel(uint64_t channelMask, tStatus& status, Visit visit) {
  for (uint32_t channel = 0; channel < kChannelCount && status.isNotFatal(); ++channel) {
    if (((channelMask >> channel) & 1u) != 0) visit(channel);
  }
}

}  // namespace

void EventRequests::generateBusEvent(uint16_t busEvent, tStatus& status) {
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->busEvents.generateBusEvent(busEvent, status);
}

void EventRequests::mapBusEventToAbstractedEvent(uint64_t channelMask, uint16_t busEvent, uint32_t abstractedEvent,
                                                 tStatus& status) {
  checkHeld(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return;
  forEachChannel(channelMask, status, [&](uint32_t channel) {
    controllers->abstractedEventTable[channel]->mapBusEventToAbstractedEvent(busEvent, abstractedEvent, status);
  });
}

void EventRequests::configureMeasureCompleteEventDelay(uint32_t channelIndex, uint32_t delay, tStatus& status) {
  const uint32_t channel = heldChannelAt(channelIndex, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->measureUnitTable[channel]->setMeasureCompleteDelay(delay, status);
}

bool EventRequests::checkEventLatch(uint64_t channelMask, uint32_t kind, tStatus& status) {
  checkHeld(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return false;
  bool latched = true;
  forEachChannel(channelMask, status, [&](uint32_t channel) {
    if (latched) latched = controllers->eventLatchTable[channel]->isEventLatched(kind, status);
  });
  return status.isNotFatal() && latched;
}

void EventRequests::clearEventLatch(uint64_t channelMask, uint32_t kind, tStatus& status) {
  checkHeld(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return;
  forEachChannel(channelMask, status,
                 [&](uint32_t channel) { controllers->eventLatchTable[channel]->clearEventLatch(kind, status); });
}

void EventRequests::clearAllEventLatches(uint64_t channelMask, tStatus& status) {
  checkHeld(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return;
  forEachChannel(channelMask, status,
                 [&](uint32_t channel) { controllers->eventLatchTable[channel]->clearAllEventLatches(status); });
}

bool EventRequests::overrideTrigger(uint64_t channelMask, uint32_t triggerId, tStatus& status) {
  checkHeld(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return false;
  uint32_t abstractedEvent = 0;
  switch (triggerId) {
    case kMeasureTrigger: {
      const bool overridden = controllers->triggerOverride.overrideTrigger(channelMask, status);
      return status.isNotFatal() && overridden;
    }
    case kSelectEventOneTrigger:
      abstractedEvent = 1;
      break;
    case kSelectEventTwoTrigger:
      abstractedEvent = 2;
      break;
    case kSelectEventThreeTrigger:
      abstractedEvent = 3;
      break;
    default:
      vorlanSetCode(status, kValueOutOfRange);
      return false;
  }
  const uint32_t channel = getPhysicalChannelNumberFromBitmask(channelMask, status);
  if (status.isFatal()) return false;
  const bool selected = controllers->sequenceEngineTable[channel]->selectAbstractedEvent(abstractedEvent, status);
  return status.isNotFatal() && selected;
}

ChannelAlarmController* EventRequests::alarmOf(uint64_t channelMask, uint32_t alarm, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return nullptr;
  if (alarm != kChannelAlarm) {
    vorlanSetCode(status, kValueOutOfRange);
    return nullptr;
  }
  return controllers->alarmTable[channel];
}

bool EventRequests::getAlarmRaised(uint64_t channelMask, uint32_t alarm, tStatus& status) {
  ChannelAlarmController* controller = alarmOf(channelMask, alarm, status);
  if (controller == nullptr) return false;
  const bool raised = controller->getAlarmRaised(status);
  return status.isNotFatal() && raised;
}

void EventRequests::clearAlarm(uint64_t channelMask, uint32_t alarm, tStatus& status) {
  ChannelAlarmController* controller = alarmOf(channelMask, alarm, status);
  if (controller != nullptr) controller->clearAlarm(status);
}

void EventRequests::maskAlarm(uint64_t channelMask, uint32_t alarm, tStatus& status) {
  ChannelAlarmController* controller = alarmOf(channelMask, alarm, status);
  if (controller != nullptr) controller->maskAlarm(status);
}

void EventRequests::unmaskAlarm(uint64_t channelMask, uint32_t alarm, tStatus& status) {
  ChannelAlarmController* controller = alarmOf(channelMask, alarm, status);
  if (controller != nullptr) controller->unmaskAlarm(status);
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
  forEachChannel(channelMask, status, [&](uint32_t channel) {
    controllers->isoChannelTable[channel]->strobeErrorResetBit26(status);
    controllers->isoChannelTable[channel]->strobeErrorResetBit27(status);
  });
  controllers->channelErrors.clearChannelErrors(channelMask, status);
}

}  // namespace requests
}  // namespace vorlan_driver
