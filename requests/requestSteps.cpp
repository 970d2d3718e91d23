#include "requests/requestSteps.h"

namespace vorlan_driver {

namespace {
// Outside every channel, so that step R refuses it.
constexpr uint64_t kNoChannel = uint64_t{1} << 63;
}  // namespace

uint64_t getBitmaskFromPhysicalChannelNumber(uint32_t channel) {
  return channel < kChannelCount ? uint64_t{1} << channel : kNoChannel;
}

void checkChannelBitmaskInRange(uint64_t mask, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if ((mask & ~kAllChannelsMask) != 0) vorlanSetCode(status, kBadChannelMask);
}

void checkChannelBitmaskNotEmpty(uint64_t mask, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (mask == 0) vorlanSetCode(status, kBadChannelMask);
}

uint32_t getPhysicalChannelNumberFromBitmask(uint64_t mask, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return 0;
  if (mask == 0 || (mask & (mask - 1)) != 0 || (mask & ~kAllChannelsMask) != 0) {
    vorlanSetCode(status, kBadChannelMask);
    return 0;
  }
  uint32_t channel = 0;
  while ((mask >> channel) != 1) ++channel;
  return channel;
}

void checkSharedLoSenseADCNumber(uint32_t adc, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if ((adc & 0xFFFFu) >= kSharedLoSenseADCCount) vorlanSetCode(status, kBadSharedLoSenseADC);
}

uint32_t getPhysicalChannelNumberFromDmaChannel(uint32_t dmaChannel) { return (dmaChannel >> 1) & 0x7Fu; }

}  // namespace vorlan_driver
