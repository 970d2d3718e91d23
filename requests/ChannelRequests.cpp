#include "requests/ChannelRequests.h"

#include "requests/requestSteps.h"

namespace vorlan_driver {
namespace requests {

using nKIVAPALS100::tStatus;

void ChannelRequests::armMeasureUnit(uint32_t channelIndex, tStatus& status) {
  const uint32_t channel = heldChannelAt(channelIndex, status);
  IsolatedControllers* controllers = isolated(status);
  kdut::CleanupOperationComposite* cleanups = composite(status);
  if (cleanups == nullptr) return;
  MeasureUnitController& unit = *controllers->measureUnitTable[channel];
  unit.arm(status);
  if (status.isNotFatal()) cleanups->add(unit.getCleanupOperation(), status);
}

void ChannelRequests::resetMeasureUnit(uint32_t channelIndex, tStatus& status) {
  const uint32_t channel = heldChannelAt(channelIndex, status);
  IsolatedControllers* controllers = isolated(status);
  kdut::CleanupOperationComposite* cleanups = composite(status);
  if (cleanups == nullptr) return;
  MeasureUnitController& unit = *controllers->measureUnitTable[channel];
  unit.reset(status);
  if (status.isNotFatal()) cleanups->remove(unit.getCleanupOperation(), status);
}

void ChannelRequests::startSequenceEngine(uint64_t channelMask, uint32_t commandCount, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  kdut::CleanupOperationComposite* cleanups = composite(status);
  if (cleanups == nullptr) return;
  SequenceEngineController& engine = *controllers->sequenceEngineTable[channel];
  engine.start(commandCount, status);
  if (status.isNotFatal() && !cleanups->contains(engine.getCleanupOperation())) {
    cleanups->add(engine.getCleanupOperation(), status);
  }
}

void ChannelRequests::resetSequenceEngine(uint64_t channelMask, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  kdut::CleanupOperationComposite* cleanups = composite(status);
  if (cleanups == nullptr) return;
  SequenceEngineController& engine = *controllers->sequenceEngineTable[channel];
  engine.reset(status);
  if (status.isFatal()) return;
  controllers->alarmTable[channel]->resetAlarmResponse(status);
  cleanups->remove(engine.getCleanupOperation(), status);
}

bool ChannelRequests::isSequenceEngineRunning(uint64_t channelMask, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return false;
  const bool running = controllers->sequenceEngineTable[channel]->isRunning(status);
  return status.isNotFatal() && running;
}

void ChannelRequests::downloadSubroutines(uint64_t imagePointer, uint32_t imageWordCount, uint64_t idsPointer,
                                          uint64_t addressesPointer, uint32_t idCount, tStatus& status) {
  withSequencer(status, [&](SequencerPreparation& sequencer) {
    sequencer.downloadSubroutines(&descriptor_, imagePointer, imageWordCount, idsPointer, addressesPointer, idCount,
                                  status);
  });
}

void ChannelRequests::getSubroutines(uint64_t idsPointer, uint64_t addressesPointer, uint32_t capacity,
                                     tStatus& status) {
  withSequencer(status, [&](SequencerPreparation& sequencer) {
    sequencer.getSubroutines(&descriptor_, idsPointer, addressesPointer, capacity, status);
  });
}

void ChannelRequests::executeSubroutine(uint64_t channelMask, uint32_t subroutineId, uint32_t acknowledgeTimeout,
                                        tStatus& status) {
  // No channel step and no reservation: an empty mask runs nothing, and a
  // channel off the board is refused before anything is issued.
  withSequencer(status, [&](SequencerPreparation& sequencer) {
    sequencer.executeSubroutine(channelMask, subroutineId, acknowledgeTimeout,
                                IsoInterruptGeneratorController::kSubroutineType, status);
  });
}

void ChannelRequests::configureErrorResponseSubroutines(uint32_t firstId, uint32_t secondId, tStatus& status) {
  checkReserved(kAllChannelsMask, status);
  IsolatedControllers* controllers = isolated(status);
  kdut::CleanupOperationComposite* cleanups = composite(status);
  if (cleanups == nullptr) return;
  controllers->errorResponses.configureResponses(*cleanups, firstId, secondId, status);
}

void ChannelRequests::resetErrorResponseSubroutines(tStatus& status) {
  checkReserved(kAllChannelsMask, status);
  IsolatedControllers* controllers = isolated(status);
  kdut::CleanupOperationComposite* cleanups = composite(status);
  if (cleanups == nullptr) return;
  controllers->errorResponses.resetResponses(*cleanups, status);
}

void ChannelRequests::putInLocalRamCommandFifoAndExecute(uint64_t channelMask, uint64_t wordsPointer,
                                                         uint32_t wordCount, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  withSequencer(status, [&](SequencerPreparation& sequencer) {
    sequencer.putInLocalRamCommandFifoAndExecute(&descriptor_, static_cast<uint8_t>(channel), wordsPointer, wordCount,
                                                 status);
  });
}

bool ChannelRequests::isIsoInterruptActive(uint64_t channelMask, uint8_t bitNumber, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  if (isolated(status) == nullptr) return false;
  const bool active = facade().isIsoInterruptActive(channel, bitNumber & 31u, status);
  return status.isNotFatal() && active;
}

void ChannelRequests::resetChannel(uint64_t channelMask, uint8_t currentRange, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->isoChannelTable[channel]->resetChannel(currentRange, status);
}

void ChannelRequests::gangChannels(uint64_t channelMask, tStatus& status) {
  checkHeld(channelMask, status);
  if (isolated(status) != nullptr) facade().gangChannels(channelMask, status);
}

void ChannelRequests::ungangChannels(uint64_t channelMask, tStatus& status) {
  checkHeld(channelMask, status);
  if (isolated(status) != nullptr) facade().ungangChannels(channelMask, status);
}

void ChannelRequests::configureFlexLoopEnabled(uint64_t channelMask, uint8_t controlMode, int16_t openLoopDacValue,
                                               tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return;
  controllers->isoChannelTable[channel]->configureControlMode(controlMode != 0, static_cast<uint16_t>(openLoopDacValue),
                                                              status);
}

void ChannelRequests::configureDacLimits(uint64_t channelMask, int16_t minimum, int16_t maximum, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return;
  controllers->isoChannelTable[channel]->configureDacLimits(static_cast<uint16_t>(minimum),
                                                            static_cast<uint16_t>(maximum), status);
}

bool ChannelRequests::queryInCompliance(uint64_t channelMask, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  if (isolated(status) == nullptr) return false;
  const bool inCompliance = facade().queryInCompliance(channel, status);
  return status.isNotFatal() && inCompliance;
}

void ChannelRequests::getOcpCounterMax(uint64_t channelMask, uint16_t* high, uint16_t* low, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return;
  uint16_t first = 0;
  uint16_t second = 0;
  controllers->isoChannelTable[channel]->readOcpCounterMax(first, second, status);
  if (status.isFatal()) return;
  *high = first;
  *low = second;
}

void ChannelRequests::configureCommonModeCurrentCancellation(uint8_t digipotValue, const tStatus& setupStatus,
                                                             tStatus& status) {
  if (status.isFatal()) return;
  if (objects_.isoFpga == nullptr) {
    status.merge(setupStatus);
    if (status.isNotFatal()) vorlanSetCode(status, statusCodes::kNotSupported);
    return;
  }
  objects_.isoFpga->CmccDigiPotControl.writeDigiPot(digipotValue, status);
}

}  // namespace requests
}  // namespace vorlan_driver
