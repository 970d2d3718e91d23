// The isolated side's calibration bus: connects one of three reference
// sources or the external calibration pin. A channel joins the bus through
// its own switch pattern, not here. Every reference change disconnects all
// references first and lets the bus settle for 1 ms after each step.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class CalibrationBusController {
 public:
  using tCalBusControlReg = vorlan_regmaps::tTheQuillIsoFpgaRegMap::tCalBusControlReg;
  static constexpr int64_t kValueOutOfRange = statusCodes::fromWord(0xBFFA4300u);
  static constexpr uint64_t kSettleMicroseconds = 1000;
  static constexpr uint32_t kDisconnectReferences = 0x2A;
  static constexpr uint32_t kConnectExternalPin = 0x40;
  static constexpr uint32_t kDisconnectExternalPin = 0x80;
  static constexpr uint32_t kReferenceTypeCount = 3;
  // The connect strobe of reference types 0, 1 and 2.
  static constexpr uint32_t connectStrobe(uint32_t type) { return type == 0 ? 0x01 : type == 1 ? 0x10 : 0x04; }

  // The register is not owned and must outlive the controller.
  CalibrationBusController(tCalBusControlReg& control, nKIVAPALS100::tStatus& status)
      : control_(control), mutex_(status) {}
  ~CalibrationBusController() {}
  CalibrationBusController(const CalibrationBusController&) = delete;
  CalibrationBusController& operator=(const CalibrationBusController&) = delete;

  void connectExternalCalibrationPin(nKIVAPALS100::tStatus& status);
  void disconnectExternalCalibrationPin(nKIVAPALS100::tStatus& status);
  // Disconnects every reference, then connects the chosen one. A type the
  // bus does not have leaves the bus disconnected and is refused
  // (0xBFFA4300).
  void connectReference(uint32_t connectionType, nKIVAPALS100::tStatus& status);
  void disconnectAll(nKIVAPALS100::tStatus& status);

 private:
  void strobe(uint32_t bits, nKIVAPALS100::tStatus& status);
  void strobeAndSettle(uint32_t bits, nKIVAPALS100::tStatus& status);

  tCalBusControlReg& control_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
