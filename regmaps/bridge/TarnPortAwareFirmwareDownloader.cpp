#include "regmaps/bridge/TarnPortAwareFirmwareDownloader.h"

namespace tarntools {

void TarnPortAwareFirmwareDownloaderImpl::route(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  busInterface_.PortSelectReg.setPort(portNumber_).setSelector(routing_);
  busInterface_.PortSelectReg.flush(status);
}

}  // namespace tarntools
