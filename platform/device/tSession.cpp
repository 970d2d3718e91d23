#include "platform/device/tSession.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tSession::tSession(tDeviceInterface* interface, nKIVAPALS100::tStatus& status)
    : interface_(interface), requestsInFlight_(0), drainedEvent_(true, status), closing_(false) {
  asyncIOList_.initialize();
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
