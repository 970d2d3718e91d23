// The charge-balance offset tables of the measurement ADCs (four per
// channel ADC, one per shared LO-sense ADC) and the isolated FPGA's offset
// accumulation, by which calibration measures an ADC's raw offset: a sum
// and a sample count per table entry. The board-wide registers serve any
// session, so each operation holds the controller's mutex: one session's
// entry select never meets another's result read.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class ChargeBalanceOffsetController {
 public:
  static constexpr uint32_t kChannelCount = 24;
  // A table's entry index travels in four bits.
  static constexpr uint64_t kMaximumEntries = 16;
  static constexpr uint32_t kAccumulatorCount = 5;
  static constexpr uint32_t kScratchWrites = 4;
  static constexpr int64_t kValueOutOfRange = statusCodes::fromWord(0xBFFA4300u);

  // The maps are not owned and must outlive the controller.
  ChargeBalanceOffsetController(vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels,
                                vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, nKIVAPALS100::tStatus& status)
      : channels_(channels), channelCount_(kChannelCount), iso_(iso), mutex_(status) {}
  ChargeBalanceOffsetController(const ChargeBalanceOffsetController&) = delete;
  ChargeBalanceOffsetController& operator=(const ChargeBalanceOffsetController&) = delete;

  // Tables of more than 16 entries are refused (0xBFFA4300) with nothing
  // written. Order on the board: the first table into offset register 1,
  // the second into 0, then 2 and 3.
  void configureChannelOffsets(uint8_t channel, const uint32_t* first, const uint32_t* second, const uint32_t* third,
                               const uint32_t* fourth, uint64_t count, nKIVAPALS100::tStatus& status);
  void configureSharedLoSenseOffsets(uint16_t adc, const uint32_t* table, uint64_t count,
                                     nKIVAPALS100::tStatus& status);
  void startAccumulation(uint32_t channel, nKIVAPALS100::tStatus& status);
  // Reads count entries of one accumulator. A selector above 4 or more
  // than 16 entries is refused (0xBFFA4300) with nothing read or filled.
  // After an error the remaining entries come from the last value read.
  void fetchAccumulation(uint32_t selector, int32_t* sums, uint32_t* counts, uint64_t count,
                         nKIVAPALS100::tStatus& status);

  // One accumulation word: a 22-bit two's complement sum, a 10-bit count.
  static int32_t sumOf(uint32_t word) {
    return static_cast<int32_t>(word << 10) >> 10;
  }
  static uint32_t countOf(uint32_t word) { return word >> 22; }

 private:
  template <typename OffsetReg>
  static void loadTable(OffsetReg& reg, const uint32_t* table, uint64_t count, nKIVAPALS100::tStatus& status);

  vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels_;
  uint32_t channelCount_;
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
