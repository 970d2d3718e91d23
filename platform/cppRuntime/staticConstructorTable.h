#pragma once

#include <stdint.h>

#include "platform/cppRuntime/cppRunTime.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

// {null, constructors in link order, null}: one constructor per source file
// that owns static objects. Declared here for the runtime that runs it and
// defined at the top of the driver (device/), which may name every layer's
// statics.
const tStaticConstructor* staticConstructorTable();
uint32_t staticConstructorTableSize();

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
