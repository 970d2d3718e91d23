// Sends an image to its target: the non-isolated FPGA through IO port 2,
// the isolated FPGA straight through the bridge's loader, the relay CPLDs
// through the CPLD downloader. Built on the stack for one download; owns
// nothing it points to.
#pragma once

#include <stdint.h>

#include "device/IsolatedRegMaps.h"
#include "device/firmware/builtInFirmwareImages.h"
#include "framework/kdut/FirmwareInterface.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

class KeltRegMaps;

class AutoFirmwareDownloader {
 public:
  AutoFirmwareDownloader(KeltRegMaps* kelt, IsolatedRegMaps* isolated) : kelt_(kelt), isolated_(isolated) {}
  virtual ~AutoFirmwareDownloader() {}

  virtual void download(const kdut::FirmwareInterface<FirmwareDownloadTarget>& image, nKIVAPALS100::tStatus& status);

 private:
  KeltRegMaps* kelt_;
  IsolatedRegMaps* isolated_;
};

}  // namespace vorlan_driver
