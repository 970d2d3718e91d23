// The requests over the instrument controllers: each passes its gate, then
// hands its arguments to the body of its group (channels and sequencer,
// events and errors, calibration, device-level controllers).
#include "device/QuillDevice.h"
#include "requests/CalibrationRequests.h"
#include "requests/ChannelRequests.h"
#include "requests/ControllerRequests.h"
#include "requests/EventRequests.h"
#include "requests/RequestRecords.h"
#include "requests/tServedRequest.h"

namespace vorlan_driver {

using nKIVAPAL000::tEventDescriptor;
using nKIVAPALS100::tStatus;

#define VORLAN_SERVE(Body, request) \
  requests::tServedRequest<requests::Body> served(*this, descriptor, requests::request::kSetupLevel, status)

// ---- channels and sequencer

void QuillDevice::measureUnit_arm(const tEventDescriptor& descriptor, uint32_t channelIndex, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, measureUnit_arm);
  if (served.passed()) served.body().armMeasureUnit(channelIndex, status);
}

void QuillDevice::measureUnit_reset(const tEventDescriptor& descriptor, uint32_t channelIndex, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, measureUnit_reset);
  if (served.passed()) served.body().resetMeasureUnit(channelIndex, status);
}

void QuillDevice::harrow_startSequenceEngine(const tEventDescriptor& descriptor, uint64_t channelMask,
                                             uint32_t commandCount, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, harrow_startSequenceEngine);
  if (served.passed()) served.body().startSequenceEngine(channelMask, commandCount, status);
}

void QuillDevice::harrow_resetSequenceEngine(const tEventDescriptor& descriptor, uint64_t channelMask,
                                             tStatus& status) {
  VORLAN_SERVE(ChannelRequests, harrow_resetSequenceEngine);
  if (served.passed()) served.body().resetSequenceEngine(channelMask, status);
}

uint8_t QuillDevice::harrow_isSequenceEngineRunning(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                    tStatus& status) {
  VORLAN_SERVE(ChannelRequests, harrow_isSequenceEngineRunning);
  return served.passed() && served.body().isSequenceEngineRunning(channelMask, status) ? 1 : 0;
}

void QuillDevice::harrow_downloadSubroutines(const tEventDescriptor& descriptor, uint64_t imagePointer,
                                             uint32_t imageWordCount, uint64_t idsPointer, uint64_t addressesPointer,
                                             uint32_t idCount, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, harrow_downloadSubroutines);
  if (served.passed()) {
    served.body().downloadSubroutines(imagePointer, imageWordCount, idsPointer, addressesPointer, idCount, status);
  }
}

void QuillDevice::harrow_getSubroutines(const tEventDescriptor& descriptor, uint64_t idsPointer,
                                        uint64_t addressesPointer, uint32_t capacity, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, harrow_getSubroutines);
  if (served.passed()) served.body().getSubroutines(idsPointer, addressesPointer, capacity, status);
}

void QuillDevice::harrow_executeSubroutine(const tEventDescriptor& descriptor, uint64_t channelMask,
                                           uint32_t subroutineId, uint32_t acknowledgeTimeout, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, harrow_executeSubroutine);
  if (served.passed()) served.body().executeSubroutine(channelMask, subroutineId, acknowledgeTimeout, status);
}

void QuillDevice::vorlan_configureErrorResponseSubroutines(const tEventDescriptor& descriptor,
                                                           uint32_t firstSubroutineId, uint32_t secondSubroutineId,
                                                           tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_configureErrorResponseSubroutines);
  if (served.passed()) served.body().configureErrorResponseSubroutines(firstSubroutineId, secondSubroutineId, status);
}

void QuillDevice::vorlan_resetErrorResponseSubroutines(const tEventDescriptor& descriptor, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_resetErrorResponseSubroutines);
  if (served.passed()) served.body().resetErrorResponseSubroutines(status);
}

void QuillDevice::vorlan_putInLocalRAMCommandFIFOAndExecute(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                            uint64_t commandWordsPointer, uint32_t wordCount,
                                                            tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_putInLocalRAMCommandFIFOAndExecute);
  if (served.passed()) served.body().putInLocalRamCommandFifoAndExecute(channelMask, commandWordsPointer, wordCount, status);
}

uint8_t QuillDevice::vorlan_isIsoInterruptActive(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                 uint8_t bitNumber, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_isIsoInterruptActive);
  return served.passed() && served.body().isIsoInterruptActive(channelMask, bitNumber, status) ? 1 : 0;
}

void QuillDevice::vorlan_resetChannel(const tEventDescriptor& descriptor, uint64_t channelMask, uint8_t currentRange,
                                      tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_resetChannel);
  if (served.passed()) served.body().resetChannel(channelMask, currentRange, status);
}

void QuillDevice::vorlan_gangChannels(const tEventDescriptor& descriptor, uint64_t channelMask, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_gangChannels);
  if (served.passed()) served.body().gangChannels(channelMask, status);
}

void QuillDevice::vorlan_ungangChannels(const tEventDescriptor& descriptor, uint64_t channelMask, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_ungangChannels);
  if (served.passed()) served.body().ungangChannels(channelMask, status);
}

void QuillDevice::vorlan_configureFlexLoopEnabled(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                  uint8_t controlMode, int16_t openLoopDacValue, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_configureFlexLoopEnabled);
  if (served.passed()) served.body().configureFlexLoopEnabled(channelMask, controlMode, openLoopDacValue, status);
}

void QuillDevice::vorlan_configureDACLimits(const tEventDescriptor& descriptor, uint64_t channelMask,
                                            int16_t minimumDacValue, int16_t maximumDacValue, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_configureDACLimits);
  if (served.passed()) served.body().configureDacLimits(channelMask, minimumDacValue, maximumDacValue, status);
}

uint8_t QuillDevice::vorlan_queryInCompliance(const tEventDescriptor& descriptor, uint64_t channelMask,
                                              tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_queryInCompliance);
  return served.passed() && served.body().queryInCompliance(channelMask, status) ? 1 : 0;
}

void QuillDevice::vorlan_getOcpCounterMaxRegValues(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                   uint16_t* counterMaxHigh, uint16_t* counterMaxLow,
                                                   tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_getOcpCounterMaxRegValues);
  if (served.passed()) served.body().getOcpCounterMax(channelMask, counterMaxHigh, counterMaxLow, status);
}

void QuillDevice::vorlan_configureCommonModeCurrentCancellation(const tEventDescriptor& descriptor,
                                                                uint8_t digipotValue, tStatus& status) {
  VORLAN_SERVE(ChannelRequests, vorlan_configureCommonModeCurrentCancellation);
  if (served.passed()) {
    served.body().configureCommonModeCurrentCancellation(digipotValue, getSetupTracker().getSetupStatus(), status);
  }
}

// ---- events, triggers, alarms and hardware errors

void QuillDevice::vorlan_generateBusEvent(const tEventDescriptor& descriptor, uint16_t busEvent, tStatus& status) {
  VORLAN_SERVE(EventRequests, vorlan_generateBusEvent);
  if (served.passed()) served.body().generateBusEvent(busEvent, status);
}

void QuillDevice::vorlan_mapBusEventToAbstractedEvent(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                      uint16_t busEvent, uint32_t abstractedEvent, tStatus& status) {
  VORLAN_SERVE(EventRequests, vorlan_mapBusEventToAbstractedEvent);
  if (served.passed()) served.body().mapBusEventToAbstractedEvent(channelMask, busEvent, abstractedEvent, status);
}

void QuillDevice::vorlan_configureMeasureCompleteEventDelay(const tEventDescriptor& descriptor, uint32_t channelIndex,
                                                            uint32_t delay, tStatus& status) {
  VORLAN_SERVE(EventRequests, vorlan_configureMeasureCompleteEventDelay);
  if (served.passed()) served.body().configureMeasureCompleteEventDelay(channelIndex, delay, status);
}

uint8_t QuillDevice::vorlan_checkMeasureCompleteEventLatch(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                           tStatus& status) {
  VORLAN_SERVE(EventRequests, vorlan_checkMeasureCompleteEventLatch);
  return served.passed() &&
                 served.body().checkEventLatch(channelMask, EventsGeneratedLatchController::kMeasureCompleteKind,
                                               status)
             ? 1
             : 0;
}

void QuillDevice::vorlan_clearMeasureCompleteEventLatch(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                        tStatus& status) {
  VORLAN_SERVE(EventRequests, vorlan_clearMeasureCompleteEventLatch);
  if (served.passed()) {
    served.body().clearEventLatch(channelMask, EventsGeneratedLatchController::kMeasureCompleteKind, status);
  }
}

uint8_t QuillDevice::triggersAndEvents_overrideTrigger(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                       uint32_t triggerId, tStatus& status) {
  VORLAN_SERVE(EventRequests, triggersAndEvents_overrideTrigger);
  return served.passed() && served.body().overrideTrigger(channelMask, triggerId, status) ? 1 : 0;
}

uint8_t QuillDevice::triggersAndEvents_checkEventLatch(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                       uint16_t eventKind, tStatus& status) {
  VORLAN_SERVE(EventRequests, triggersAndEvents_checkEventLatch);
  return served.passed() && served.body().checkEventLatch(channelMask, eventKind, status) ? 1 : 0;
}

void QuillDevice::triggersAndEvents_clearEventLatch(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                    uint16_t eventKind, tStatus& status) {
  VORLAN_SERVE(EventRequests, triggersAndEvents_clearEventLatch);
  if (served.passed()) served.body().clearEventLatch(channelMask, eventKind, status);
}

void QuillDevice::triggersAndEvents_clearAllEventLatches(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                         tStatus& status) {
  VORLAN_SERVE(EventRequests, triggersAndEvents_clearAllEventLatches);
  if (served.passed()) served.body().clearAllEventLatches(channelMask, status);
}

uint8_t QuillDevice::basalt_getAlarmRaised(const tEventDescriptor& descriptor, uint64_t channelMask, uint32_t alarm,
                                           tStatus& status) {
  VORLAN_SERVE(EventRequests, basalt_getAlarmRaised);
  return served.passed() && served.body().getAlarmRaised(channelMask, alarm, status) ? 1 : 0;
}

void QuillDevice::basalt_clearAlarm(const tEventDescriptor& descriptor, uint64_t channelMask, uint32_t alarm,
                                    tStatus& status) {
  VORLAN_SERVE(EventRequests, basalt_clearAlarm);
  if (served.passed()) served.body().clearAlarm(channelMask, alarm, status);
}

void QuillDevice::basalt_maskAlarm(const tEventDescriptor& descriptor, uint64_t channelMask, uint32_t alarm,
                                   tStatus& status) {
  VORLAN_SERVE(EventRequests, basalt_maskAlarm);
  if (served.passed()) served.body().maskAlarm(channelMask, alarm, status);
}

void QuillDevice::basalt_unmaskAlarm(const tEventDescriptor& descriptor, uint64_t channelMask, uint32_t alarm,
                                     tStatus& status) {
  VORLAN_SERVE(EventRequests, basalt_unmaskAlarm);
  if (served.passed()) served.body().unmaskAlarm(channelMask, alarm, status);
}

void QuillDevice::vorlan_getHardwareErrors(const tEventDescriptor& descriptor, uint64_t errorVectorsA,
                                           uint64_t errorVectorsB, uint8_t* errorPresent, tStatus& status) {
  VORLAN_SERVE(EventRequests, vorlan_getHardwareErrors);
  if (served.passed()) *errorPresent = served.body().getHardwareErrors(errorVectorsA, errorVectorsB, status) ? 1 : 0;
}

void QuillDevice::hwCondition_checkBoardAndChannelBasedHardwareErrors(const tEventDescriptor& descriptor,
                                                                      uint64_t channelMask, tStatus& status) {
  VORLAN_SERVE(EventRequests, hwCondition_checkBoardAndChannelBasedHardwareErrors);
  if (served.passed()) served.body().checkBoardAndChannelBasedHardwareErrors(channelMask, status);
}

void QuillDevice::hwCondition_checkMeasureFIFOOverflowStatus(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                             tStatus& status) {
  VORLAN_SERVE(EventRequests, hwCondition_checkMeasureFIFOOverflowStatus);
  if (served.passed()) served.body().checkMeasureFifoOverflowStatus(channelMask, status);
}

void QuillDevice::hwCondition_clearChannelBasedHardwareErrors(const tEventDescriptor& descriptor,
                                                              uint64_t channelMask, tStatus& status) {
  VORLAN_SERVE(EventRequests, hwCondition_clearChannelBasedHardwareErrors);
  if (served.passed()) served.body().clearChannelBasedHardwareErrors(channelMask, status);
}

// ---- calibration bus, charge balance and LO sense

void QuillDevice::vorlan_connectCalibrationBusReference(const tEventDescriptor& descriptor, uint32_t referenceType,
                                                        tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_connectCalibrationBusReference);
  if (served.passed()) served.body().connectCalibrationBusReference(referenceType, status);
}

void QuillDevice::vorlan_disconnectCalibrationBusReference(const tEventDescriptor& descriptor, tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_disconnectCalibrationBusReference);
  if (served.passed()) served.body().disconnectCalibrationBusReference(status);
}

void QuillDevice::vorlan_connectExternalCalibrationPinToCalibrationBus(const tEventDescriptor& descriptor,
                                                                       tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_connectExternalCalibrationPinToCalibrationBus);
  if (served.passed()) served.body().connectExternalCalibrationPin(status);
}

void QuillDevice::vorlan_disconnectExternalCalibrationPinFromCalibrationBus(const tEventDescriptor& descriptor,
                                                                            tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_disconnectExternalCalibrationPinFromCalibrationBus);
  if (served.passed()) served.body().disconnectExternalCalibrationPin(status);
}

void QuillDevice::vorlan_connectChannelToCalibrationBus(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                        tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_connectChannelToCalibrationBus);
  if (served.passed()) served.body().connectChannelToCalibrationBus(channelMask, status);
}

void QuillDevice::vorlan_disconnectChannelFromCalibrationBus(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                             tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_disconnectChannelFromCalibrationBus);
  if (served.passed()) served.body().disconnectChannelFromCalibrationBus(channelMask, status);
}

void QuillDevice::vorlan_configureChannelADCChargeBalanceOffsets(const tEventDescriptor& descriptor,
                                                                 uint64_t channelMask, uint64_t offsetsPointer0,
                                                                 uint64_t offsetsPointer1, uint64_t offsetsPointer2,
                                                                 uint64_t offsetsPointer3, uint32_t count,
                                                                 tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_configureChannelADCChargeBalanceOffsets);
  const uint64_t tables[4] = {offsetsPointer0, offsetsPointer1, offsetsPointer2, offsetsPointer3};
  if (served.passed()) served.body().configureChannelADCChargeBalanceOffsets(channelMask, tables, count, status);
}

void QuillDevice::vorlan_startChargeBalanceOffsetAccumulation(const tEventDescriptor& descriptor, uint64_t channelMask,
                                                              tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_startChargeBalanceOffsetAccumulation);
  if (served.passed()) served.body().startChargeBalanceOffsetAccumulation(channelMask, status);
}

void QuillDevice::vorlan_fetchChargeBalanceOffsetAccumulation(const tEventDescriptor& descriptor,
                                                              uint32_t accumulatorSelector, uint64_t sumsPointer,
                                                              uint64_t countsPointer, uint32_t count,
                                                              tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_fetchChargeBalanceOffsetAccumulation);
  if (served.passed()) {
    served.body().fetchChargeBalanceOffsetAccumulation(accumulatorSelector, sumsPointer, countsPointer, count, status);
  }
}

void QuillDevice::vorlan_configureSharedLoSenseADCChargeBalanceOffsets(const tEventDescriptor& descriptor,
                                                                       uint16_t loSenseAdc, uint64_t offsetsPointer,
                                                                       uint32_t count, tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_configureSharedLoSenseADCChargeBalanceOffsets);
  if (served.passed()) served.body().configureSharedLoSenseADCChargeBalanceOffsets(loSenseAdc, offsetsPointer, count, status);
}

void QuillDevice::vorlan_setSharedLoSenseEndpoint(const tEventDescriptor& descriptor, uint16_t loSenseAdc,
                                                  uint32_t endpoint, tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_setSharedLoSenseEndpoint);
  if (served.passed()) served.body().setSharedLoSenseEndpoint(loSenseAdc, endpoint, status);
}

void QuillDevice::vorlan_configureLoSenseGainAndOffset(const tEventDescriptor& descriptor, uint16_t loSenseAdc,
                                                       uint32_t gain, uint32_t offset, tStatus& status) {
  VORLAN_SERVE(CalibrationRequests, vorlan_configureLoSenseGainAndOffset);
  if (served.passed()) served.body().configureLoSenseGainAndOffset(loSenseAdc, gain, offset, status);
}

// ---- the device-level requests over controllers

uint32_t QuillDevice::vorlan_getFirmwareRevision(const tEventDescriptor& descriptor, tStatus& status) {
  VORLAN_SERVE(ControllerRequests, vorlan_getFirmwareRevision);
  return served.passed() ? served.body().getFirmwareRevision(status) : requests::ControllerRequests::kNoRevision;
}

uint32_t QuillDevice::harrow_getNumSubroutines(const tEventDescriptor& descriptor, tStatus& status) {
  VORLAN_SERVE(ControllerRequests, harrow_getNumSubroutines);
  return served.passed() ? served.body().getNumSubroutines(status) : 0;
}

uint16_t QuillDevice::basalt_readTemperatureSensor(const tEventDescriptor& descriptor, uint32_t sensorIndex,
                                                   tStatus& status) {
  requests::ControllerRequests::checkSensorNumber(sensorIndex, status);
  VORLAN_SERVE(ControllerRequests, basalt_readTemperatureSensor);
  return served.passed() ? served.body().readTemperatureSensor(status) : 0;
}

uint32_t QuillDevice::voltarisPXICooling_getCoolingMode(const tEventDescriptor& descriptor, tStatus& status) {
  VORLAN_SERVE(ControllerRequests, voltarisPXICooling_getCoolingMode);
  return served.passed() ? served.body().getCoolingMode() : 0;
}

uint32_t QuillDevice::pxiCooling_getRequestedCoolingMode(const tEventDescriptor& descriptor, tStatus& status) {
  VORLAN_SERVE(ControllerRequests, pxiCooling_getRequestedCoolingMode);
  return served.passed() ? served.body().getRequestedCoolingMode() : 0;
}

void QuillDevice::voltarisPXICooling_overrideCoolingMode(const tEventDescriptor& descriptor, uint32_t coolingMode,
                                                         tStatus& status) {
  VORLAN_SERVE(ControllerRequests, voltarisPXICooling_overrideCoolingMode);
  if (served.passed()) served.body().setCoolingMode(coolingMode, CoolingModeController::kSourceOverride, status);
}

void QuillDevice::pxiCooling_setCoolingMode(const tEventDescriptor& descriptor, uint32_t coolingMode,
                                            tStatus& status) {
  VORLAN_SERVE(ControllerRequests, pxiCooling_setCoolingMode);
  if (served.passed()) served.body().setCoolingMode(coolingMode, CoolingModeController::kSourcePlainSet, status);
}

#undef VORLAN_SERVE

}  // namespace vorlan_driver
