// The sequencer's command-word layouts: every word the channel sequencer runs
// is 64 bits, its opcode in bits 58-63, small fields below it and a 32-bit
// operand in bits 0-31. Each layout has a reset value that fixes every bit
// no field of it covers. The table is read like the FPGA design's list, in
// its order; SequencerCommandWord serves it, and the built-in package's
// generator draws its words from it.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace commandWord {

// The fields a layout may have: bit positions and widths.
enum Field : uint32_t {
  kBits55To57 = 1u << 0,
  kBits52To54 = 1u << 1,
  kBits48To51 = 1u << 2,
  kBits44To47 = 1u << 3,
  kBits40To43 = 1u << 4,
  kBits36To39 = 1u << 5,
  kBits32To35 = 1u << 6,
  kBits32To47 = 1u << 7,
  kOperand = 1u << 8,
};
constexpr uint32_t kFieldCount = 9;
struct FieldPlace {
  Field field;
  uint32_t shift;
  uint32_t width;
};
constexpr FieldPlace kFieldPlaces[kFieldCount] = {
    {kBits55To57, 55, 3}, {kBits52To54, 52, 3}, {kBits48To51, 48, 4}, {kBits44To47, 44, 4}, {kBits40To43, 40, 4},
    {kBits36To39, 36, 4}, {kBits32To35, 32, 4}, {kBits32To47, 32, 16}, {kOperand, 0, 32},
};
constexpr uint64_t fieldMask(uint32_t shift, uint32_t width) { return ((uint64_t{1} << width) - 1) << shift; }
constexpr uint32_t kOpcodeShift = 58;

enum class Layout : uint32_t {
  kOp7A, kOp12, kOp7B, kOp9A, kOp9B, kOp9C, kOp9D, kOp9E, kOp9F, kOp9G, kOp9H, kOp0A, kOp11,
  kOp3A, kOp1A, kOp2, kOp4, kOp1B, kOp3, kOp9I, kOp7C, kOp8, kOp7D, kOp0B, kOp6A, kOp6B,
};
constexpr uint32_t kLayoutCount = 26;

struct LayoutRow {
  uint64_t reset;
  uint32_t fields;
};

constexpr uint32_t kSmall = kBits55To57 | kBits52To54;
constexpr uint32_t kNibbles = kBits48To51 | kBits44To47 | kBits40To43;
constexpr LayoutRow kLayouts[kLayoutCount] = {
    {0x1D0DFF0200000000ull, kBits52To54 | kOperand},                               // Op7A
    {0x3000000000000000ull, kSmall},                                               // Op12
    {0x1C00000000000000ull, kSmall | kNibbles | kBits36To39 | kOperand | kBits32To35},  // Op7B
    {0x2400000000000000ull, kSmall | kNibbles | kOperand},                         // Op9A
    {0x2400000400000000ull, kSmall | kNibbles | kOperand},                         // Op9B
    {0x2400000000000000ull, kSmall | kNibbles | kOperand | kBits32To35},           // Op9C
    {0x2400F00600000000ull, kSmall | kBits48To51 | kBits40To43 | kOperand},        // Op9D
    {0x2400000200000000ull, kSmall | kNibbles | kOperand},                         // Op9E
    {0x2400000500000000ull, kSmall | kNibbles | kOperand},                         // Op9F
    {0x2400000100000000ull, kSmall | kNibbles | kOperand},                         // Op9G
    {0x2400000300000000ull, kSmall | kNibbles | kOperand},                         // Op9H
    {0x0000000000000000ull, kSmall},                                               // Op0A
    {0x2C0BF00600000000ull, kSmall | kBits40To43 | kOperand},                      // Op11
    {0x0C00000000000000ull, kSmall | kBits48To51 | kOperand | kBits32To47},        // Op3A
    {0x0400000000000000ull, kSmall | kBits48To51 | kOperand | kBits32To47},        // Op1A
    {0x0800000000000000ull, kSmall | kBits32To47},                                 // Op2
    {0x1000000000000000ull, kSmall | kBits32To47},                                 // Op4
    {0x0400000000000000ull, kSmall | kBits48To51 | kOperand | kBits32To47},        // Op1B
    {0x0C00000000000000ull, kSmall | kBits48To51 | kOperand | kBits32To47},        // Op3
    {0x2400FB0600000000ull, kSmall | kBits48To51 | kOperand},                      // Op9I
    {0x1D8FFF0300000000ull, kBits52To54 | kOperand},                               // Op7C
    {0x2000000000000000ull, kSmall | kBits48To51 | kOperand | kBits32To47},        // Op8
    {0x1C00FF0000000000ull, kSmall | kBits48To51 | kOperand | kBits32To35},        // Op7D
    {0x0000000000000000ull, kSmall},                                               // Op0B
    {0x1800000000000000ull, kSmall | kBits48To51 | kOperand | kBits32To47},        // Op6A
    {0x1800000000000000ull, kSmall | kBits48To51 | kOperand | kBits32To47},        // Op6B
};

constexpr const LayoutRow& rowOf(Layout layout) { return kLayouts[static_cast<uint32_t>(layout)]; }

// The bits a layout's fields cover; every other bit is the reset value's.
constexpr uint64_t coveredBits(uint32_t fields) {
  uint64_t covered = 0;
  for (const FieldPlace& place : kFieldPlaces) {
    if ((fields & place.field) != 0) covered |= fieldMask(place.shift, place.width);
  }
  return covered;
}

constexpr bool fits(uint64_t word, Layout layout) {
  const uint64_t fixed = ~coveredBits(rowOf(layout).fields);
  return (word & fixed) == (rowOf(layout).reset & fixed);
}

// Whether a word is a command word of any layout.
constexpr bool fitsSomeLayout(uint64_t word) {
  for (uint32_t i = 0; i < kLayoutCount; ++i) {
    if (fits(word, static_cast<Layout>(i))) return true;
  }
  return false;
}

constexpr uint32_t opcodeOf(uint64_t word) { return static_cast<uint32_t>(word >> kOpcodeShift); }

// Each layout's fields lie inside the bits below its opcode and no two overlap.
constexpr bool layoutsAreSound() {
  for (const LayoutRow& row : kLayouts) {
    uint64_t seen = 0;
    for (const FieldPlace& place : kFieldPlaces) {
      if ((row.fields & place.field) == 0) continue;
      if ((seen & fieldMask(place.shift, place.width)) != 0) return false;
      seen |= fieldMask(place.shift, place.width);
    }
    if ((seen >> kOpcodeShift) != 0 || (row.reset & seen) != 0) return false;
  }
  return true;
}
static_assert(layoutsAreSound(), "a command-word layout's fields overlap or reach the opcode or its reset value");

}  // namespace commandWord
}  // namespace vorlan_driver
