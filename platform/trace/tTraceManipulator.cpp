#include "platform/trace/tTraceManipulator.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tTraceManipulator::~tTraceManipulator() {}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
