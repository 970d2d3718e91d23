#include "device/firmware/AutoFirmware.h"

#include "device/firmware/firmwareStatusCodes.h"
#include "framework/kdut/CustomFirmware.h"
#include "framework/kdut/LZ4CompressedFirmware.h"
#include "platform/cppRuntime/cppNewDelete.h"

namespace vorlan_driver {

namespace {

using tNisoImage = kdut::InlayFirmware<FirmwareDownloadTarget, kNonIsolatedFpga, inlay_QuillNisoFpgaTop_bin,
                                       inlay_QuillNisoFpgaTop_bin_size, inlay_QuillNisoFpgaTop_bin_original_size>;
using tIsoImage = kdut::InlayFirmware<FirmwareDownloadTarget, kIsolatedFpga, inlay_TheQuillIsoFpga_bin,
                                      inlay_TheQuillIsoFpga_bin_size, inlay_TheQuillIsoFpga_bin_original_size>;
using tCpldImage =
    kdut::InlayFirmware<FirmwareDownloadTarget, kSatelliteCpld, inlay_TheQuillSatelliteCpld_bin,
                        inlay_TheQuillSatelliteCpld_bin_size, inlay_TheQuillSatelliteCpld_bin_original_size>;

}  // namespace

AutoFirmware::~AutoFirmware() { delete image_; }

bool AutoFirmware::isAcceptableSize(FirmwareDownloadTarget target, uint64_t size, nKIVAPALS100::tStatus& status) {
  switch (target) {
    case kNonIsolatedFpga:
      if (size == inlay_QuillNisoFpgaTop_bin_original_size) return true;
      vorlanSetCode(status, kdut::codes::kFirmwareWrongSize);
      return false;
    case kIsolatedFpga:
      if (size == inlay_TheQuillIsoFpga_bin_original_size) return true;
      vorlanSetCode(status, kdut::codes::kFirmwareWrongSize);
      return false;
    case kSatelliteCpld:
      if (size % 4 != 0) {
        vorlanSetCode(status, firmwareStatusCodes::kCpldImageNotWords);
        return false;
      }
      if (size > kLargestCpldImage) {
        vorlanSetCode(status, kdut::codes::kFirmwareWrongSize);
        return false;
      }
      return true;
  }
  vorlanSetCode(status, firmwareStatusCodes::kUnknownTarget);
  return false;
}

AutoFirmware::tImage* AutoFirmware::create(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t userPointer,
                                           uint64_t size, FirmwareDownloadTarget target,
                                           nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (userPointer == 0 || size == 0) return createEmbedded(target, status);
  if (!isAcceptableSize(target, size, status)) return nullptr;
  return kivNew(status) kdut::CustomFirmware<FirmwareDownloadTarget>(target, descriptor, userPointer, size, status);
}

AutoFirmware::tImage* AutoFirmware::createEmbedded(FirmwareDownloadTarget target, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  switch (target) {
    case kNonIsolatedFpga:
      return kivNew(status) tNisoImage(status);
    case kIsolatedFpga:
      return kivNew(status) tIsoImage(status);
    case kSatelliteCpld:
      return kivNew(status) tCpldImage(status);
  }
  vorlanSetCode(status, firmwareStatusCodes::kUnknownTarget);
  return nullptr;
}

}  // namespace vorlan_driver
