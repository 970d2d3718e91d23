#include "device/firmware/AutoFirmwareDownloader.h"

#include "device/IsolatedRegMaps.h"
#include "device/KeltRegMaps.h"
#include "device/firmware/CpldFirmwareDownloader.h"
#include "device/firmware/firmwareStatusCodes.h"
#include "platform/status/statusCodes.h"
#include "regmaps/bridge/IOPort2Template.h"
#include "regmaps/bridge/TarnFirmwareDownloader.h"
#include "regmaps/bridge/TarnPortAwareFirmwareDownloader.h"

namespace vorlan_driver {

namespace {

// The non-isolated FPGA sits behind IO port 2, routed with value 1; the
// bridge's loader reaches it on port select 2, the isolated FPGA on 3.
using tNisoDownloader =
    tarntools::TarnPortAwareFirmwareDownloaderTemplate<FirmwareDownloadTarget, 2u, 1u, kNonIsolatedFpga,
                                                       inlay_QuillNisoFpgaTop_bin_original_size, 2u>;
using tIsoDownloader = tarntools::TarnFirmwareDownloaderTemplate<FirmwareDownloadTarget, kIsolatedFpga,
                                                                  inlay_TheQuillIsoFpga_bin_original_size, 3u>;

}  // namespace

void AutoFirmwareDownloader::download(const kdut::FirmwareInterface<FirmwareDownloadTarget>& image,
                                      nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  switch (image.getTarget()) {
    case kNonIsolatedFpga: {
      tarntools::tBoardIOPort2 port(kelt_->getIOPort2Map());
      tNisoDownloader downloader(port, kelt_->getBusInterfaceMap(), kelt_->getCoreMap(), kelt_->getCoreSpace());
      downloader.download(image, status);
      return;
    }
    case kIsolatedFpga: {
      tIsoDownloader downloader(kelt_->getCoreMap(), kelt_->getCoreSpace());
      downloader.download(image, status);
      return;
    }
    case kSatelliteCpld: {
      CpldFirmwareDownloader downloader(isolated_->getIsoFpgaMap());
      downloader.download(image, status);
      return;
    }
  }
  vorlanSetCode(status, firmwareStatusCodes::kUnknownTarget);
}

}  // namespace vorlan_driver
