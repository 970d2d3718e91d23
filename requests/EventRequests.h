// The event, trigger, alarm and hardware-error requests past their gates.
// Channel masks are walked from channel 0 upward and a walk stops at the
// first failure.
#pragma once

#include <stdint.h>

#include "requests/InstrumentRequest.h"

namespace vorlan_driver {
namespace requests {

class EventRequests : public InstrumentRequest {
 public:
  using InstrumentRequest::InstrumentRequest;

  void generateBusEvent(uint16_t busEvent, nKIVAPALS100::tStatus& status);
  void mapBusEventToAbstractedEvent(uint64_t channelMask, uint16_t busEvent, uint32_t abstractedEvent,
                                    nKIVAPALS100::tStatus& status);
  void configureMeasureCompleteEventDelay(uint32_t channelIndex, uint32_t delay, nKIVAPALS100::tStatus& status);

  // Every kind reaches the channels' latch controllers, which know the latch
  // kinds and refuse the others (-52002).
  bool checkEventLatch(uint64_t channelMask, uint32_t kind, nKIVAPALS100::tStatus& status);
  void clearEventLatch(uint64_t channelMask, uint32_t kind, nKIVAPALS100::tStatus& status);
  void clearAllEventLatches(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  bool overrideTrigger(uint64_t channelMask, uint32_t triggerId, nKIVAPALS100::tStatus& status);

  bool getAlarmRaised(uint64_t channelMask, uint32_t alarm, nKIVAPALS100::tStatus& status);
  void clearAlarm(uint64_t channelMask, uint32_t alarm, nKIVAPALS100::tStatus& status);
  void maskAlarm(uint64_t channelMask, uint32_t alarm, nKIVAPALS100::tStatus& status);
  void unmaskAlarm(uint64_t channelMask, uint32_t alarm, nKIVAPALS100::tStatus& status);

  // Both 44-byte error-vector sets to the caller; any session may ask.
  bool getHardwareErrors(uint64_t errorVectorsA, uint64_t errorVectorsB, nKIVAPALS100::tStatus& status);
  // An empty mask asks for the board-level error alone.
  void checkBoardAndChannelBasedHardwareErrors(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  void checkMeasureFifoOverflowStatus(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  // The channels' error-reset strobes, then, when they went out, the
  // channel-error controller's clear.
  void clearChannelBasedHardwareErrors(uint64_t channelMask, nKIVAPALS100::tStatus& status);

 private:
  // Steps R E H 1 for an alarm request; the alarm type is the facade's.
  uint32_t heldAlarmChannel(uint64_t channelMask, nKIVAPALS100::tStatus& status);
};

}  // namespace requests
}  // namespace vorlan_driver
