#include "dma/stream/tTarnDMAChannel.h"

#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {
uint32_t fitChannel(uint64_t channel, nKIVAPALS100::tStatus& status) {
  if (channel <= 0xFFFFFFFFull) return static_cast<uint32_t>(channel);
  vorlanSetCode(status, statusCodes::kValueOutOfRange);
  return 0;
}
}  // namespace

tTarnDMAChannel::tSpace tTarnDMAChannel::blockOf(const tSpace& companion, uint32_t channel) {
  const uint32_t strideLog2 = (companion.read32(kCompanionCOREDR) >> 16) & 0xFu;
  const uint64_t first = companion.read32(kCompanionFirstChannel);
  return tSpace(companion.getAddress() + first + (static_cast<uint64_t>(channel) << strideLog2), 1ull << strideLog2);
}

tTarnDMAChannel::tTarnDMAChannel(const tSpace& companion, uint64_t channel, nKIVAPALS100::tStatus& status)
    : block_(0, 0), channel_(fitChannel(channel, status)), thresholdEnable_(0), started_(0) {
  block_ = blockOf(companion, channel_);
  if (status.isNotFatal()) reactivate();
}

// The started flag stays: a reset does not end the fetches already in
// flight, so only a look at the status that shows the engine stopped may
// clear it.
void tTarnDMAChannel::reactivate() {
  thresholdEnable_ = 0;
  block_.write32(kControl, 1);
  block_.write32(kOperation, kOperationStop);
  block_.write32(kControl, 2);
}

void tTarnDMAChannel::onInterrupt(uint32_t statusValue) {
  if ((statusValue & kStatusStopped) != 0) setStarted(false);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
