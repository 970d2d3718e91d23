// The calibration requests past their gates: the board's calibration bus, a
// channel's connection to it, the charge-balance offset tables and their
// accumulation, and the shared LO-sense ADCs. Offset tables travel from user
// memory into the kernel before any register is written; a table holds at
// most 16 entries, so longer ones are refused before anything is copied.
#pragma once

#include <stdint.h>

#include "requests/InstrumentRequest.h"

namespace vorlan_driver {
namespace requests {

class CalibrationRequests : public InstrumentRequest {
 public:
  static constexpr uint64_t kMaximumTableEntries = ChargeBalanceOffsetController::kMaximumEntries;
  // Each shared LO-sense ADC serves this many neighbouring channels.
  static constexpr uint32_t kChannelsPerLoSenseADC = 6;

  using InstrumentRequest::InstrumentRequest;

  // Board-wide: no channel or reservation step.
  void connectCalibrationBusReference(uint32_t referenceType, nKIVAPALS100::tStatus& status);
  void disconnectCalibrationBusReference(nKIVAPALS100::tStatus& status);
  void connectExternalCalibrationPin(nKIVAPALS100::tStatus& status);
  void disconnectExternalCalibrationPin(nKIVAPALS100::tStatus& status);

  void connectChannelToCalibrationBus(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  void disconnectChannelFromCalibrationBus(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  void configureChannelADCChargeBalanceOffsets(uint64_t channelMask, const uint64_t (&offsetsPointers)[4],
                                               uint32_t count, nKIVAPALS100::tStatus& status);
  void startChargeBalanceOffsetAccumulation(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  // An accumulator is not a channel: any session may fetch.
  void fetchChargeBalanceOffsetAccumulation(uint32_t selector, uint64_t sumsPointer, uint64_t countsPointer,
                                            uint32_t count, nKIVAPALS100::tStatus& status);

  // An ADC is asked for only by a session that holds all of its channels.
  void configureSharedLoSenseADCChargeBalanceOffsets(uint16_t adc, uint64_t offsetsPointer, uint32_t count,
                                                     nKIVAPALS100::tStatus& status);
  void setSharedLoSenseEndpoint(uint16_t adc, uint32_t endpoint, nKIVAPALS100::tStatus& status);
  void configureLoSenseGainAndOffset(uint16_t adc, uint32_t gain, uint32_t offset, nKIVAPALS100::tStatus& status);

  // The channels ADC n serves.
  static constexpr uint64_t loSenseChannelMask(uint32_t adc) {
    return ((uint64_t{1} << kChannelsPerLoSenseADC) - 1) << (kChannelsPerLoSenseADC * (adc & 3u));
  }

 private:
  // Steps L, then R E H over the ADC's channels; the controller after them.
  ChargeBalanceOffsetController* chargeBalance(nKIVAPALS100::tStatus& status);
  SharedLoSenseController* heldLoSense(uint16_t adc, nKIVAPALS100::tStatus& status);
  bool checkTableSize(uint32_t count, nKIVAPALS100::tStatus& status);
};

}  // namespace requests
}  // namespace vorlan_driver
