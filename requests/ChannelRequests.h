// The channel and sequencer requests past their gates: measure units and
// sequence engines (each a cleanup operation the session holds while the
// unit is armed or the engine started), subroutine packages and their
// execution, error responses, the local-RAM command FIFO and the channel
// front end.
#pragma once

#include <stdint.h>

#include "requests/InstrumentRequest.h"

namespace vorlan_driver {
namespace requests {

class ChannelRequests : public InstrumentRequest {
 public:
  using InstrumentRequest::InstrumentRequest;

  // An arm adds the unit's cleanup each time; a reset takes one back
  // (-52006 after the reset when the session holds none).
  void armMeasureUnit(uint32_t channelIndex, nKIVAPALS100::tStatus& status);
  void resetMeasureUnit(uint32_t channelIndex, nKIVAPALS100::tStatus& status);
  // A start adds the engine's cleanup once however often it runs; a reset
  // also resets the channel's alarm response, then takes the cleanup back.
  void startSequenceEngine(uint64_t channelMask, uint32_t commandCount, nKIVAPALS100::tStatus& status);
  void resetSequenceEngine(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  bool isSequenceEngineRunning(uint64_t channelMask, nKIVAPALS100::tStatus& status);

  // No channel or reservation step: any session may replace the package.
  // Installing it re-issues the default error responses and reloads the
  // alarm macro, which the board reaches by address.
  void downloadSubroutines(uint64_t imagePointer, uint32_t imageWordCount, uint64_t idsPointer,
                           uint64_t addressesPointer, uint32_t idCount, nKIVAPALS100::tStatus& status);
  // The registrar's tables are taken in one snapshot, so a download in
  // between cannot shrink what is copied out.
  void getSubroutines(uint64_t idsPointer, uint64_t addressesPointer, uint32_t capacity,
                      nKIVAPALS100::tStatus& status);
  // On each channel of the mask, lowest first, until one fails. A bit above
  // the channels is refused before anything is issued.
  void executeSubroutine(uint64_t channelMask, uint32_t subroutineId, uint32_t acknowledgeTimeout,
                         nKIVAPALS100::tStatus& status);
  // The session must hold every channel.
  void configureErrorResponseSubroutines(uint32_t firstId, uint32_t secondId, nKIVAPALS100::tStatus& status);
  void resetErrorResponseSubroutines(nKIVAPALS100::tStatus& status);
  // The words go directly below the channel region's trailer; the channel
  // then runs from the first of them.
  void putInLocalRamCommandFifoAndExecute(uint64_t channelMask, uint64_t wordsPointer, uint32_t wordCount,
                                          nKIVAPALS100::tStatus& status);

  bool isIsoInterruptActive(uint64_t channelMask, uint8_t bitNumber, nKIVAPALS100::tStatus& status);
  void resetChannel(uint64_t channelMask, uint8_t currentRange, nKIVAPALS100::tStatus& status);
  // A gang joins two or more neighbours in the mask's order; a single
  // channel has no gang to join and is refused.
  void gangChannels(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  void ungangChannels(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  void configureFlexLoopEnabled(uint64_t channelMask, uint8_t controlMode, int16_t openLoopDacValue,
                                nKIVAPALS100::tStatus& status);
  void configureDacLimits(uint64_t channelMask, int16_t minimum, int16_t maximum, nKIVAPALS100::tStatus& status);
  bool queryInCompliance(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  void getOcpCounterMax(uint64_t channelMask, uint16_t* high, uint16_t* low, nKIVAPALS100::tStatus& status);
  // Admitted one level before the isolated FPGA's map exists: there the
  // request reports what stopped start-up (`setupStatus`) and writes nothing.
  void configureCommonModeCurrentCancellation(uint8_t digipotValue, const nKIVAPALS100::tStatus& setupStatus,
                                              nKIVAPALS100::tStatus& status);
};

}  // namespace requests
}  // namespace vorlan_driver
