// The bridge chip's FPGA loader: selects the FPGA port, announces the size,
// starts the load, waits until the loader takes data, streams the image and
// waits for the load to finish. An image of another target or of any size
// but the one the FPGA takes is refused before any register is written.
// The data phase stores straight to the mapped BAR: 64-bit words, then the
// tail bytewise, with one status read after every 30th store and no wait.
#pragma once

#include <stdint.h>

#include "framework/kdut/FirmwareInterface.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/bridgeStatusCodes.h"
#include "regmaps/bridge/tTarnWithOffset.h"

namespace tarntools {

// What every target's loader shares; the target type stays a template
// argument above.
class TarnFpgaLoad {
 public:
  using tCoreMap = tTarnWithOffset<0u>;
  using tSpace = tCoreMap::tAccessor;
  static constexpr uint64_t kTimeoutMicroseconds = 500000;
  static constexpr uint32_t kStoresPerStatusRead = 30;

  // `coreSpace` is the space the core map lies in; the data phase stores
  // through it directly.
  TarnFpgaLoad(tCoreMap& core, const tSpace& coreSpace, uint8_t portSelect)
      : core_(core), coreSpace_(coreSpace), portSelect_(portSelect) {}

  void load(const uint8_t* image, uint64_t bytes, nKIVAPALS100::tStatus& status);

 private:
  void waitForStatus(uint32_t mask, nKIVAPALS100::tStatus& status);

  tCoreMap& core_;
  const tSpace& coreSpace_;
  uint8_t portSelect_;
};

template <typename Target>
class TarnFirmwareDownloader {
 public:
  TarnFirmwareDownloader(TarnFpgaLoad::tCoreMap& core, const TarnFpgaLoad::tSpace& coreSpace, Target expectedTarget,
                         uint64_t expectedSize, uint8_t portSelect)
      : load_(core, coreSpace, portSelect), expectedTarget_(expectedTarget), expectedSize_(expectedSize) {}
  virtual ~TarnFirmwareDownloader() {}

  virtual void download(const kdut::FirmwareInterface<Target>& image, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (image.getTarget() != expectedTarget_) {
      vorlanSetCode(status, bridgeStatusCodes::kFirmwareWrongTarget);
      return;
    }
    if (image.size() != expectedSize_) {
      vorlanSetCode(status, bridgeStatusCodes::kFirmwareWrongSize);
      return;
    }
    load_.load(image.data(), image.size(), status);
  }

 private:
  TarnFpgaLoad load_;
  Target expectedTarget_;
  uint64_t expectedSize_;
};

// A loader with its target, size and port select fixed at compile time.
template <typename Target, Target kTarget, uint64_t kSize, uint8_t kPortSelect>
class TarnFirmwareDownloaderTemplate : public TarnFirmwareDownloader<Target> {
 public:
  TarnFirmwareDownloaderTemplate(TarnFpgaLoad::tCoreMap& core, const TarnFpgaLoad::tSpace& coreSpace)
      : TarnFirmwareDownloader<Target>(core, coreSpace, kTarget, kSize, kPortSelect) {}
  ~TarnFirmwareDownloaderTemplate() override {}
};

}  // namespace tarntools
