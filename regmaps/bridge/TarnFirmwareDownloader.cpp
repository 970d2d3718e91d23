#include "regmaps/bridge/TarnFirmwareDownloader.h"

#include "framework/atut/Poller.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimeout.h"

namespace tarntools {

namespace {

using tLoadTimeout = vorlan_driver::nKIVAPAL000::tTimeout<vorlan_driver::nKIVAPAL000::tTimeWasterSleep,
                                                          vorlan_driver::nKIVAPAL000::tTimebaseEfficient>;
using tLoadPoller = atut::Poller<tLoadTimeout, unsigned int>;

constexpr uint32_t kReadyForData = 0x4;
constexpr uint32_t kLoadDone = 0x20;

}  // namespace

void TarnFpgaLoad::waitForStatus(uint32_t mask, nKIVAPALS100::tStatus& status) {
  const tLoadPoller poller(1, 1, static_cast<int32_t>(bridgeStatusCodes::kFpgaLoadTimeout));
  poller.poll(core_.FPGALoadStatusRegister, &tCoreMap::tFPGALoadStatusRegister::readRegister, mask, mask,
              kTimeoutMicroseconds, true, tLoadPoller::kAnyMaskBitSet, status);
}

void TarnFpgaLoad::load(const uint8_t* image, uint64_t bytes, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  core_.FPGALoadPortRegister.writePort(portSelect_, status);
  core_.FPGALoadSizeRegister.writeImageBytes(static_cast<uint32_t>(bytes), status);
  // Always written: a load starts on every write of the bit.
  core_.FPGALoadControlRegister.writeStart(true, status, true);
  waitForStatus(kReadyForData, status);
  if (status.isFatal()) return;

  // The data register keeps nothing in its shadow, so stores bypass the map.
  const uint32_t data = tCoreMap::tFPGALoadData64Register::kRegisterOffset;
  const uint64_t words = bytes / 8;
  uint64_t count = 0;
  for (uint64_t i = 0; i < words; ++i) {
    uint64_t word = 0;
    for (uint32_t b = 0; b < 8; ++b) word |= static_cast<uint64_t>(image[8 * i + b]) << (8 * b);
    coreSpace_.write64(data, word);
    if (++count % kStoresPerStatusRead == 0) core_.FPGALoadStatusRegister.readRegister(status);
  }
  for (uint64_t i = words * 8; i < bytes; ++i) {
    coreSpace_.write8(data, image[i]);
    if (++count % kStoresPerStatusRead == 0) core_.FPGALoadStatusRegister.readRegister(status);
  }
  waitForStatus(kLoadDone, status);
}

}  // namespace tarntools
