#include "platform/time/tTimeWasterSpin.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

void tTimeWasterSpin::pass(uint64_t) {}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
