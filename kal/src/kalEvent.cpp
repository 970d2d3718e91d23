#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace detail {
void resetSync() {}
}  // namespace detail
}  // namespace kalsim
