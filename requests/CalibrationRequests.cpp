#include "requests/CalibrationRequests.h"

#include "requests/requestSteps.h"

namespace vorlan_driver {
namespace requests {

using nKIVAPALS100::tStatus;

void CalibrationRequests::connectCalibrationBusReference(uint32_t referenceType, tStatus& status) {
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->calibrationBus.connectReference(referenceType, status);
}

void CalibrationRequests::disconnectCalibrationBusReference(tStatus& status) {
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->calibrationBus.disconnectAll(status);
}

void CalibrationRequests::connectExternalCalibrationPin(tStatus& status) {
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->calibrationBus.connectExternalCalibrationPin(status);
}

void CalibrationRequests::disconnectExternalCalibrationPin(tStatus& status) {
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->calibrationBus.disconnectExternalCalibrationPin(status);
}

void CalibrationRequests::connectChannelToCalibrationBus(uint64_t channelMask, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->isoChannelTable[channel]->connectToCalibrationBus(status);
}

void CalibrationRequests::disconnectChannelFromCalibrationBus(uint64_t channelMask, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  IsolatedControllers* controllers = isolated(status);
  if (controllers != nullptr) controllers->isoChannelTable[channel]->disconnectFromCalibrationBus(status);
}

bool CalibrationRequests::checkTableSize(uint32_t count, tStatus& status) {
  if (status.isFatal()) return false;
  if (count > kMaximumTableEntries) {
    vorlanSetCode(status, kValueOutOfRange);
    return false;
  }
  return true;
}

ChargeBalanceOffsetController* CalibrationRequests::chargeBalance(tStatus& status) {
  IsolatedControllers* controllers = isolated(status);
  return controllers != nullptr ? &controllers->chargeBalanceOffsets : nullptr;
}

void CalibrationRequests::configureChannelADCChargeBalanceOffsets(uint64_t channelMask,
                                                                  const uint64_t (&offsetsPointers)[4],
                                                                  uint32_t count, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  ChargeBalanceOffsetController* controller = chargeBalance(status);
  if (!checkTableSize(count, status)) return;
  uint32_t tables[4][kMaximumTableEntries] = {};
  for (uint32_t t = 0; t < 4; ++t) copyFromUser(offsetsPointers[t], tables[t], uint64_t{count} * 4, status);
  if (status.isFatal()) return;
  controller->configureChannelOffsets(static_cast<uint8_t>(channel), tables[0], tables[1], tables[2], tables[3], count,
                                      status);
}

void CalibrationRequests::startChargeBalanceOffsetAccumulation(uint64_t channelMask, tStatus& status) {
  const uint32_t channel = heldChannel(channelMask, status);
  ChargeBalanceOffsetController* controller = chargeBalance(status);
  if (controller != nullptr) controller->startAccumulation(channel, status);
}

void CalibrationRequests::fetchChargeBalanceOffsetAccumulation(uint32_t selector, uint64_t sumsPointer,
                                                               uint64_t countsPointer, uint32_t count,
                                                               tStatus& status) {
  ChargeBalanceOffsetController* controller = chargeBalance(status);
  if (!checkTableSize(count, status)) return;
  int32_t sums[kMaximumTableEntries] = {};
  uint32_t counts[kMaximumTableEntries] = {};
  controller->fetchAccumulation(selector, sums, counts, count, status);
  copyToUser(sumsPointer, sums, uint64_t{count} * 4, status);
  copyToUser(countsPointer, counts, uint64_t{count} * 4, status);
}

SharedLoSenseController* CalibrationRequests::heldLoSense(uint16_t adc, tStatus& status) {
  checkSharedLoSenseADCNumber(adc, status);
  checkHeld(loSenseChannelMask(adc), status);
  IsolatedControllers* controllers = isolated(status);
  return controllers != nullptr ? &controllers->sharedLoSense : nullptr;
}

void CalibrationRequests::configureSharedLoSenseADCChargeBalanceOffsets(uint16_t adc, uint64_t offsetsPointer,
                                                                        uint32_t count, tStatus& status) {
  heldLoSense(adc, status);
  ChargeBalanceOffsetController* controller = chargeBalance(status);
  if (!checkTableSize(count, status)) return;
  uint32_t table[kMaximumTableEntries] = {};
  copyFromUser(offsetsPointer, table, uint64_t{count} * 4, status);
  if (status.isNotFatal()) controller->configureSharedLoSenseOffsets(adc, table, count, status);
}

void CalibrationRequests::setSharedLoSenseEndpoint(uint16_t adc, uint32_t endpoint, tStatus& status) {
  SharedLoSenseController* controller = heldLoSense(adc, status);
  if (controller != nullptr) controller->setEndpoint(adc, endpoint, status);
}

void CalibrationRequests::configureLoSenseGainAndOffset(uint16_t adc, uint32_t gain, uint32_t offset,
                                                        tStatus& status) {
  SharedLoSenseController* controller = heldLoSense(adc, status);
  if (controller != nullptr) controller->configureGainAndOffset(adc, gain, offset, status);
}

}  // namespace requests
}  // namespace vorlan_driver
