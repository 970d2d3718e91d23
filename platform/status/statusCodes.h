// The platform's status codes and the helper that widens the 32-bit driver
// and tool codes (0xBFFAxxxx) to the status's 64-bit code.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace statusCodes {

constexpr int64_t fromWord(uint32_t word) { return static_cast<int64_t>(static_cast<int32_t>(word)); }

constexpr int64_t kOutOfMemory = -52000;
constexpr int64_t kUserMemoryNotDescribable = -52001;
constexpr int64_t kNotSupported = -52002;
constexpr int64_t kValueOutOfRange = -52003;
constexpr int64_t kInvalidArgument = -52005;
constexpr int64_t kNotFound = -52006;
constexpr int64_t kTimeout = -52007;
constexpr int64_t kKernelLayerFailure = -52008;
constexpr int64_t kSessionClosing = -52009;
constexpr int64_t kSetupStopped = -52010;
constexpr int64_t kUnspecified13 = -52013;
constexpr int64_t kNoLinkMemory = -52017;
constexpr int64_t kInvalidCapabilityPointer = -52018;
constexpr int64_t kBufferTooSmall = -52019;
constexpr int64_t kResourceNotAvailable = -52020;
constexpr int64_t kIONotAccepted = -52022;
constexpr int64_t kUnspecified23 = -52023;
constexpr int64_t kUnspecified24 = -52024;
constexpr int64_t kWaitInterrupted = -52025;
constexpr int64_t kUnspecified31 = -52031;

}  // namespace statusCodes
}  // namespace vorlan_driver
