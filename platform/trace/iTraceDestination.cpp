#include "platform/trace/iTraceDestination.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

iTraceDestination::~iTraceDestination() {}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
