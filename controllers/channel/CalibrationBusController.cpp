#include "controllers/channel/CalibrationBusController.h"

#include "controllers/ControllerGuard.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

namespace {

using tSettleTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebaseEfficient>;

}  // namespace

void CalibrationBusController::strobe(uint32_t bits, nKIVAPALS100::tStatus& status) {
  control_.updateRegister(0, bits, status);
}

void CalibrationBusController::strobeAndSettle(uint32_t bits, nKIVAPALS100::tStatus& status) {
  strobe(bits, status);
  if (status.isFatal()) return;
  tSettleTimeout settle;
  settle.setTimeout(kSettleMicroseconds);
  settle.start();
  settle.waitForTimeout();
}

void CalibrationBusController::connectExternalCalibrationPin(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (guard.holds()) strobe(kConnectExternalPin, status);
}

void CalibrationBusController::disconnectExternalCalibrationPin(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (guard.holds()) strobe(kDisconnectExternalPin, status);
}

void CalibrationBusController::connectReference(uint32_t connectionType, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  strobeAndSettle(kDisconnectReferences, status);
  if (status.isFatal()) return;
  if (connectionType >= kReferenceTypeCount) {
    vorlanSetCode(status, kValueOutOfRange);
    return;
  }
  strobeAndSettle(connectStrobe(connectionType), status);
}

void CalibrationBusController::disconnectAll(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (guard.holds()) strobeAndSettle(kDisconnectReferences, status);
}

}  // namespace vorlan_driver
