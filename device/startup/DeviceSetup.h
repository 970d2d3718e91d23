// The last step of start-up: brings the isolated side from its power-on
// state to a usable default. It programs the default values of the isolated
// FPGA and of the 24 channel blocks, loads the calibration of the best
// calibration set in the flash (or the built-in defaults), programs the
// over-current and over-voltage protection and gives every channel its alarm
// response. Built on the start-up sequence's stack; the constructor does
// all the work and the caller learns the outcome from the status.
#pragma once

#include <stdint.h>

#include "controllers/channel/IsolatedControllers.h"
#include "device/startup/CalibrationLoader.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "storage/StorageMaps/QuillStorageMaps.h"

namespace vorlan_driver {

class DeviceSetup {
 public:
  static constexpr uint32_t kChannelCount = 24;
  static constexpr uint32_t kPredictiveWordCount = 31;

  // One word of a channel's predictive range-change table: two current-range
  // selectors and a 24-bit two's-complement value, which the Lark variant's
  // odd channels replace in a few words.
  struct PredictiveWord {
    uint8_t upperSelector;  // bits 29-31
    uint8_t lowerSelector;  // bits 26-28
    uint32_t value;         // bits 0-23
    uint32_t larkOddChannelValue;
  };
  static const PredictiveWord kPredictiveWords[kPredictiveWordCount];

  // Nothing is owned: the isolated FPGA map, the 24 channel maps (in channel
  // order), the isolated controllers and the storage maps belong to the
  // hardware owner. With a clean status the constructor runs setup().
  DeviceSetup(bool hasSharedLoSenseADCs, vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
              vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels, IsolatedControllers& controllers,
              vorlan_storagemaps::QuillStorageMaps& storageMaps, uint8_t boardRevision, uint32_t pciSubsystemId,
              nKIVAPALS100::tStatus& status);
  virtual ~DeviceSetup() {}
  DeviceSetup(const DeviceSetup&) = delete;
  DeviceSetup& operator=(const DeviceSetup&) = delete;

  // Register defaults, calibration, protection defaults and alarm
  // responses, in that order; each step does nothing once the status holds
  // an error, and nothing written before an error is undone.
  void setup(nKIVAPALS100::tStatus& status);
  void writeRegisterDefaults(nKIVAPALS100::tStatus& status);
  void loadCalibration(nKIVAPALS100::tStatus& status);
  void writeProtectionDefaults(nKIVAPALS100::tStatus& status);
  void configureAlarmResponses(nKIVAPALS100::tStatus& status);

  // Word n (0-30) of a channel's predictive range-change table.
  static uint32_t predictiveWord(uint32_t n, uint32_t channel, uint32_t pciSubsystemId);

 private:
  void writeChannelDefaults(vorlan_regmaps::tTheQuillIsoChannelRegMap& channel, uint32_t c,
                            nKIVAPALS100::tStatus& status);
  void writeChannelProtection(vorlan_regmaps::tTheQuillIsoChannelRegMap& channel, nKIVAPALS100::tStatus& status);

  bool hasSharedLoSenseADCs_;
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
  vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels_;
  IsolatedControllers& controllers_;
  vorlan_storagemaps::QuillStorageMaps& storageMaps_;
  // Read from the Manufacturing record at start-up; no step needs it.
  [[maybe_unused]] uint8_t boardRevision_;
  uint32_t pciSubsystemId_;
  CalibrationLoader calibration_;
};

}  // namespace vorlan_driver
