#include "device/firmware/CpldFirmwareDownloader.h"

#include "device/firmware/firmwareStatusCodes.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

namespace {
using tPreciseSleep = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebasePrecise>;

uint32_t littleEndianWord(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}
}  // namespace

void CpldFirmwareDownloader::download(const tImage& image, nKIVAPALS100::tStatus& status) {
  checkImageSize(image, status);
  if (status.isFatal()) return;
  if (pushWords(image, status)) return;
  if (status.isFatal()) return;
  // The interface refused the image: reset it and push once more from the
  // first word.
  resetInterface(status);
  if (status.isNotFatal() && pushWords(image, status)) return;
  vorlanSetCode(status, kPushFailedTwice);
}

void CpldFirmwareDownloader::checkImageSize(const tImage& image, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (image.size() % 4 != 0) vorlanSetCode(status, firmwareStatusCodes::kCpldImageNotWords);
}

bool CpldFirmwareDownloader::pushWords(const tImage& image, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  const uint8_t* data = image.data();
  const uint64_t words = image.size() / 4;
  uint64_t next = 0;
  // A warning is no reason to stop: only an error ends the push early.
  while (next < words) {
    uint32_t room = 0;
    if (!waitForRoom(room, status)) return false;
    const uint64_t end = words - next < room ? words : next + room;
    for (; next < end; ++next) {
      // Every word is written, even one equal to the last: the interface
      // counts writes.
      iso_->CpldJtagData.writeRegister(littleEndianWord(data + 4 * next), status, true);
      if (status.isFatal()) return false;
    }
  }
  return true;
}

bool CpldFirmwareDownloader::waitForRoom(uint32_t& room, nKIVAPALS100::tStatus& status) {
  tPreciseSleep deadline;
  deadline.setTimeout(kNoRoomTimeoutMicroseconds);
  bool waiting = false;
  uint64_t interval = kNoRoomInitialMicroseconds;
  for (;;) {
    const uint32_t value = iso_->CpldJtagInterfaceStatus.readRegister(status);
    if (status.isFatal() || (value & kErrorMask) != 0) return false;
    room = value & tJtagStatus::kFreeWordsMask;
    if (room != 0) return true;
    if (!waiting) {
      deadline.start();
      waiting = true;
    } else if (deadline.expired()) {
      return false;
    }
    tPreciseSleep pause;
    pause.setTimeout(interval);
    pause.start();
    pause.waitForTimeout();
    interval = interval * 2 < kNoRoomMaximumMicroseconds ? interval * 2 : kNoRoomMaximumMicroseconds;
  }
}

void CpldFirmwareDownloader::resetInterface(nKIVAPALS100::tStatus& status) {
  iso_->IsoDcBusConfigReg.writeCpldInterfaceResetStb(true, status);
}

}  // namespace vorlan_driver
