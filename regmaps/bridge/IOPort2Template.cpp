#include "regmaps/bridge/IOPort2Template.h"

namespace tarntools {

template class IOPort2Template<0u, 1u, 3u, nIOPort2RegMap::kIoPort2PllRange7, 0u, false, true>;

}  // namespace tarntools
