// The link format the DMA engine walks in host memory (little-endian): a
// 16-byte header naming the next link, then packed entries. An entry whose
// second 32-bit word is 0 is a 16-byte address entry; anything else there
// marks an 8-byte fill entry.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tTarnLinkHeader {
  uint32_t nextLength;  // bytes of the next link, header included; 0 without one
  uint32_t flags;
  uint64_t nextAddress;  // bus address; 0 without one
};
static_assert(sizeof(tTarnLinkHeader) == 16, "link header is 16 bytes");
static_assert(offsetof(tTarnLinkHeader, flags) == 4, "link header: flags");
static_assert(offsetof(tTarnLinkHeader, nextAddress) == 8, "link header: next address");

struct tTarnAddressEntry {
  uint32_t byteCount;  // never 0
  uint32_t zero;
  uint64_t busAddress;
};
static_assert(sizeof(tTarnAddressEntry) == 16, "address entry is 16 bytes");
static_assert(offsetof(tTarnAddressEntry, zero) == 4, "address entry: marker word");
static_assert(offsetof(tTarnAddressEntry, busAddress) == 8, "address entry: bus address");

struct tTarnFillEntry {
  uint32_t pattern;
  uint32_t control;  // count in bits 0-26, width code in 27-28, bit 31 set
};
static_assert(sizeof(tTarnFillEntry) == 8, "fill entry is 8 bytes");
static_assert(offsetof(tTarnFillEntry, control) == 4, "fill entry: control word");

namespace tarnLink {
constexpr uint32_t kHeaderSize = sizeof(tTarnLinkHeader);
constexpr uint32_t kAddressEntrySize = sizeof(tTarnAddressEntry);
constexpr uint32_t kFillEntrySize = sizeof(tTarnFillEntry);
constexpr uint32_t kFlagLast = 1u << 31;
constexpr uint32_t kFlagInterrupt = 1u << 30;
constexpr uint32_t kFillMarker = 1u << 31;
constexpr uint32_t kFillCountMask = 0x07FFFFFFu;
constexpr uint32_t kFillWidthShift = 27;
// Links are carved on this boundary of their memory block.
constexpr uint64_t kCarveAlignment = 512;
// The largest piece an address entry can name, in whole pages.
constexpr uint64_t kMaxEntryBytes = 0xFFFFF000ull;

// Bits 27-28 of a fill entry's control word by width selector 0-4.
constexpr uint32_t fillWidthCode(uint32_t selector) {
  return selector == 1 ? 0u : selector == 2 ? 1u : selector == 4 ? 2u : 3u;
}
// The pattern as stored: narrow widths replicate their low byte or half-word.
constexpr uint32_t fillPattern(uint32_t pattern, uint32_t selector) {
  return selector == 1 ? (pattern & 0xFFu) * 0x01010101u
                       : selector == 2 ? (pattern & 0xFFFFu) * 0x00010001u : pattern;
}
}  // namespace tarnLink

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
