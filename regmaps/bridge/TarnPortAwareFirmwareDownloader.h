// An FPGA download through one of the bridge's IO ports: the port is held in
// reset for the load, configured and locked afterwards, and only then is the
// bridge's bus interface routed to it.
#pragma once

#include <stdint.h>

#include "framework/kdut/FirmwareInterface.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/IOPort2.h"
#include "regmaps/bridge/TarnFirmwareDownloader.h"
#include "regmaps/bridge/tSwitchedTarnBimRegMapWithOffset.h"

namespace tarntools {

class TarnPortAwareFirmwareDownloaderImpl {
 public:
  using tBusInterfaceMap = tSwitchedTarnBimRegMapWithOffset<0u>;

  TarnPortAwareFirmwareDownloaderImpl(IOPort2& port, tBusInterfaceMap& busInterface, uint8_t portNumber,
                                      uint8_t routing)
      : port_(port), busInterface_(busInterface), portNumber_(portNumber), routing_(routing) {}
  virtual ~TarnPortAwareFirmwareDownloaderImpl() {}

  // `load` runs the inner loader between the port's reset and configure.
  template <typename Target>
  void download(TarnFirmwareDownloader<Target>& load, const kdut::FirmwareInterface<Target>& image,
                nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    port_.reset(status);
    load.download(image, status);
    port_.configure(status);
    route(status);
  }

 private:
  void route(nKIVAPALS100::tStatus& status);

  IOPort2& port_;
  tBusInterfaceMap& busInterface_;
  uint8_t portNumber_;
  uint8_t routing_;
};

// The port, its routing value and the inner loader's target, size and port
// select fixed at compile time.
template <typename Target, uint8_t kPort, uint8_t kRouting, Target kTarget, uint64_t kSize, uint8_t kPortSelect>
class TarnPortAwareFirmwareDownloaderTemplate {
 public:
  TarnPortAwareFirmwareDownloaderTemplate(IOPort2& port, TarnPortAwareFirmwareDownloaderImpl::tBusInterfaceMap& bim,
                                          TarnFpgaLoad::tCoreMap& core, const TarnFpgaLoad::tSpace& coreSpace)
      : load_(core, coreSpace), impl_(port, bim, kPort, kRouting) {}
  virtual ~TarnPortAwareFirmwareDownloaderTemplate() {}

  virtual void download(const kdut::FirmwareInterface<Target>& image, nKIVAPALS100::tStatus& status) {
    impl_.download(load_, image, status);
  }

 private:
  TarnFirmwareDownloaderTemplate<Target, kTarget, kSize, kPortSelect> load_;
  TarnPortAwareFirmwareDownloaderImpl impl_;
};

}  // namespace tarntools
