// Pushes the relay CPLDs' image into the isolated FPGA's CPLD JTAG
// interface, one little-endian 32-bit word per write, as fast as its FIFO
// reports room. When the interface reports an error it is reset once and the
// whole image is pushed again. Built on the stack for one download; owns
// nothing and keeps nothing between calls.
#pragma once

#include <stdint.h>

#include "device/firmware/builtInFirmwareImages.h"
#include "framework/kdut/FirmwareInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class CpldFirmwareDownloader {
 public:
  using tImage = kdut::FirmwareInterface<FirmwareDownloadTarget>;
  using tJtagStatus = vorlan_regmaps::tTheQuillIsoFpgaRegMap::tCpldJtagInterfaceStatus;

  static constexpr int64_t kPushFailedTwice = statusCodes::fromWord(0xBFFA4686u);
  // Bits 16-18 of the interface status: the interface refused the image.
  static constexpr uint32_t kErrorMask = tJtagStatus::kBit16Mask | tJtagStatus::kBit17Mask | tJtagStatus::kBit18Mask;
  // A FIFO that shows no room for this long counts as an interface error,
  // so a stuck interface ends in the reset and the retry instead of
  // spinning forever. Its reads are paced 1 us doubling to 100 us.
  static constexpr uint64_t kNoRoomTimeoutMicroseconds = 1000000;
  static constexpr uint64_t kNoRoomInitialMicroseconds = 1;
  static constexpr uint64_t kNoRoomMaximumMicroseconds = 100;

  // The map is not owned and must outlive the downloader.
  explicit CpldFirmwareDownloader(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso) : iso_(&iso) {}
  virtual ~CpldFirmwareDownloader() {}
  CpldFirmwareDownloader(const CpldFirmwareDownloader&) = delete;
  CpldFirmwareDownloader& operator=(const CpldFirmwareDownloader&) = delete;

  virtual void download(const tImage& image, nKIVAPALS100::tStatus& status);

  // 0xBFFA430D for an image that is not whole 32-bit words.
  static void checkImageSize(const tImage& image, nKIVAPALS100::tStatus& status);
  // True when every word went in; false when the interface reported an
  // error (no code raised) or an access failed (its code in the status).
  bool pushWords(const tImage& image, nKIVAPALS100::tStatus& status);

 private:
  // The room the FIFO reports, waiting while it reports none; false on an
  // interface error, a failed read or a FIFO that stays full.
  bool waitForRoom(uint32_t& room, nKIVAPALS100::tStatus& status);
  void resetInterface(nKIVAPALS100::tStatus& status);

  vorlan_regmaps::tTheQuillIsoFpgaRegMap* iso_;
};

}  // namespace vorlan_driver
