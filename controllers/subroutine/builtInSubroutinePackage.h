// The built-in subroutine package's data: one LZ4 block that decompresses to
// the image, and the table of ids and start addresses. The definitions are
// generated at build time (tools/subroutinepackagegen) around the ids the
// driver runs (subroutineIds.h).
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace builtInSubroutinePackage {

constexpr uint64_t kCompressedBytes = 6011;
constexpr uint64_t kImageBytes = 21624;
constexpr uint64_t kImageWords = kImageBytes / 8;
constexpr uint32_t kEntryCount = 172;
// The last subroutine's start; the addresses ascend strictly from 0 to it.
constexpr uint32_t kLastAddress = 2675;

extern const uint8_t kCompressedImage[kCompressedBytes];
extern const uint32_t kIds[kEntryCount];
extern const uint32_t kAddresses[kEntryCount];

}  // namespace builtInSubroutinePackage
}  // namespace vorlan_driver
