#pragma once

#include <stdint.h>

#include "platform/cppRuntime/cppRunTime.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

// {null, constructors in link order, null}: one constructor per source file
// that owns static objects.
const tStaticConstructor* staticConstructorTable();
uint32_t staticConstructorTableSize();

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
