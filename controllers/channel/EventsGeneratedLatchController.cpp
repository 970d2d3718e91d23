#include "controllers/channel/EventsGeneratedLatchController.h"

namespace vorlan_driver {

namespace {

using tLatchReg = vorlan_regmaps::tTheQuillIsoChannelRegMap::tEventsGeneratedLatchReg;

}  // namespace

bool EventsGeneratedLatchController::isEventLatched(uint32_t kind, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  const uint16_t k = static_cast<uint16_t>(kind);
  if (!isBitKind(k) && k != kMeasureCompleteKind) {
    vorlanSetCode(status, statusCodes::kNotSupported);
    return false;
  }
  tLatchReg& latch = map_.EventsGeneratedLatchReg;
  nKIVAPALS100::tStatus readStatus;
  latch.refresh(readStatus);
  status.merge(readStatus);
  const uint32_t mask = k == kMeasureCompleteKind ? tLatchReg::kLatchedKind14Mask : 1u << k;
  return (latch.getRegister() & mask) != 0;
}

void EventsGeneratedLatchController::clearEventLatch(uint32_t kind, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  const uint16_t k = static_cast<uint16_t>(kind);
  if (isBitKind(k)) {
    map_.ClearEventsGeneratedLatchReg.writeClear(1u << k, status);
  } else if (k == kMeasureCompleteKind) {
    map_.ClearEventsGeneratedLatchReg.writeClearKind14(true, status);
  } else {
    vorlanSetCode(status, statusCodes::kNotSupported);
  }
}

void EventsGeneratedLatchController::clearAllEventLatches(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  map_.ClearEventsGeneratedLatchReg.writeClear(kAllLatches, status);
  map_.ClearEventsGeneratedLatchReg.writeClearKind14(true, status);
}

}  // namespace vorlan_driver
