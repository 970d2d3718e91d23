#include "platform/device/tAsyncIO.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tAsyncIO::tAsyncIO(tDeviceCore* device, tSession* session)
    : status_(), device_(device), session_(session), state_(kStatePending), cancelled_(false), completed_(false) {
  deviceLink_.link.initialize();
  deviceLink_.owner = this;
  sessionLink_.link.initialize();
  sessionLink_.owner = this;
}

void tAsyncIO::unlinkBoth() {
  if (deviceLink_.link.isLinked()) deviceLink_.link.unlink();
  if (sessionLink_.link.isLinked()) sessionLink_.link.unlink();
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
