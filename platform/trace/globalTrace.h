// The driver-wide trace stream and its console destination: static objects
// built before every other static object at load and destroyed after every
// other at unload.
#pragma once

#include "platform/trace/tTrace.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

// Valid only while the driver is loaded.
tTrace& getTrace();
// False before load and after unload, when getTrace must not be called.
bool isTraceConstructed();

// Builds the console destination, then the stream; listed last in the
// static-constructor table so it runs first.
void constructTraceStatics();

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
