// One selectable connection from a source terminal to a target terminal,
// with its cost and the program that selects it. Constant table record.
#pragma once

#include <stdint.h>

namespace kivark {

class Edge {
 public:
  static constexpr uint32_t kInversionMask = 0xFFu;
  static constexpr uint32_t kDefaultMask = 0xFF00u;
  static constexpr uint32_t kDefaultMarker = 0x100u;

  bool isInverting() const { return (flags & kInversionMask) != 0; }
  uint32_t inversion() const { return flags & kInversionMask; }
  bool isDefault() const { return (flags & kDefaultMask) != 0; }

  uint32_t cost;
  uint32_t target;  // table index of the target terminal
  const void* zeroRecord;
  uint32_t reserved;
  uint32_t firstPair;
  uint32_t pairCount;
  uint32_t flags;
};

static_assert(sizeof(Edge) == 32, "edge record is 32 bytes");
static_assert(__builtin_offsetof(Edge, zeroRecord) == 8, "edge record layout");
static_assert(__builtin_offsetof(Edge, firstPair) == 20, "edge record layout");
static_assert(__builtin_offsetof(Edge, flags) == 28, "edge record layout");

}  // namespace kivark
