// The platform's assertion report, written as one line on the global trace
// stream, and its debug break.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

// kind is "default", "warning" or a kind of the caller's own; version is a
// packed version word. Written only while the global stream exists.
void reportAssertion(const char* kind, const char* component, uint32_t version, uint64_t number, const char* file,
                     const char* message);
// Stops through the debug print's halt hook unless kind is "warning".
void assertionDebugBreak(const char* kind);

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
