// One channel's front end on the isolated side: switch patterns (reset,
// calibration bus, ganging), flex loop, calibration tables, gains, offsets
// and DAC limits, error-flag resets, and two status reads. Most actions
// stage their settings, then hand them to the channel at once with the
// commit strobe. No lock and no state of its own: requests hold the
// channel first, and every value lives in the map's shadows.
#pragma once

#include <stdint.h>

#include "controllers/channel/MiscControlStrobe.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"

namespace vorlan_driver {

class IsoChannelController {
 public:
  // The map and the strobe are not owned and must outlive the controller.
  IsoChannelController(vorlan_regmaps::tTheQuillIsoChannelRegMap& channelMap, MiscControlStrobe& misc)
      : map_(channelMap), misc_(misc) {}
  IsoChannelController(const IsoChannelController&) = delete;
  IsoChannelController& operator=(const IsoChannelController&) = delete;

  void resetChannel(uint8_t currentRangeCode, nKIVAPALS100::tStatus& status);
  void connectToCalibrationBus(nKIVAPALS100::tStatus& status);
  void disconnectFromCalibrationBus(nKIVAPALS100::tStatus& status);
  void configureGanging(bool lowerNeighbourLinked, bool upperNeighbourLinked, nKIVAPALS100::tStatus& status);
  // After a failed read, the last value read answers.
  bool isInCompliance(nKIVAPALS100::tStatus& status);
  // Neither result is written when the read fails.
  void readOcpCounterMax(uint16_t& first, uint16_t& second, nKIVAPALS100::tStatus& status);
  void strobeErrorResetBit26(nKIVAPALS100::tStatus& status);
  void strobeErrorResetBit27(nKIVAPALS100::tStatus& status);
  void configureControlMode(bool flexLoopEnabled, uint16_t openLoopDacValue, nKIVAPALS100::tStatus& status);
  // One entry (0-7) of the calibration table; no commit.
  void loadCalibrationTableEntry(uint32_t entry, uint32_t gainA, uint32_t gainB, uint32_t offset,
                                 nKIVAPALS100::tStatus& status);
  // Entry 0, loaded last, commits the whole table.
  void loadCalibrationTableEntryZero(uint32_t gainA, uint32_t gainB, uint32_t offset, nKIVAPALS100::tStatus& status);
  void configureCalibrationGainsAndOffsets(uint32_t gain1, uint32_t gain0, uint32_t offset1, uint32_t offset0,
                                           nKIVAPALS100::tStatus& status);
  void configureDacLimits(uint16_t minimum, uint16_t maximum, nKIVAPALS100::tStatus& status);

  // Hands the staged settings to the channel.
  void commit(nKIVAPALS100::tStatus& status);

 private:
  vorlan_regmaps::tTheQuillIsoChannelRegMap& map_;
  MiscControlStrobe& misc_;
};

}  // namespace vorlan_driver
