// The image a download sends: the caller's image from the reset record when
// one is given, the built-in image of the target otherwise. A caller's
// image is checked against its target before anything is allocated for it:
// an FPGA image must have exactly the built-in image's size, a CPLD image
// a whole number of 32-bit words and no more than kLargestCpldImage bytes.
#pragma once

#include <stdint.h>

#include "device/firmware/builtInFirmwareImages.h"
#include "framework/kdut/FirmwareInterface.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

namespace nKIVAPAL000 {
class tEventDescriptor;
}

class AutoFirmware {
 public:
  using tImage = kdut::FirmwareInterface<FirmwareDownloadTarget>;

  // The largest CPLD image taken from a caller. The relay CPLDs are far
  // smaller devices than either FPGA, whose images unpack to 3,825,788 and
  // 6,692,572 bytes; the built-in CPLD image unpacks to 1,351,876. No CPLD
  // image comes near 16 MiB, more than twice the larger FPGA's, and a size
  // beyond it is refused before the kernel is asked for a copy of that size.
  static constexpr uint64_t kLargestCpldImage = uint64_t{16} << 20;
  static_assert(kLargestCpldImage > 2 * inlay_TheQuillIsoFpga_bin_original_size,
                "the bound lies well above the largest image of the board");

  AutoFirmware(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t userPointer, uint64_t size,
               FirmwareDownloadTarget target, nKIVAPALS100::tStatus& status)
      : image_(create(descriptor, userPointer, size, target, status)) {}
  ~AutoFirmware();
  AutoFirmware(const AutoFirmware&) = delete;
  AutoFirmware& operator=(const AutoFirmware&) = delete;

  // Null when creation failed.
  tImage* get() const { return image_; }

  static tImage* create(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t userPointer, uint64_t size,
                        FirmwareDownloadTarget target, nKIVAPALS100::tStatus& status);
  static tImage* createEmbedded(FirmwareDownloadTarget target, nKIVAPALS100::tStatus& status);

 private:
  // A caller's image of a size its target can never take is refused here.
  static bool isAcceptableSize(FirmwareDownloadTarget target, uint64_t size, nKIVAPALS100::tStatus& status);

  tImage* image_;
};

}  // namespace vorlan_driver
