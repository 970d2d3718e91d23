// One sequencer command word of one layout (commandWordLayouts.h): a plain
// 64-bit value with its layout's reset value and typed access to the fields
// the layout has. Asking a layout for a field it does not have does not
// compile. Setters keep to their field: a value wider than the field is cut
// to its width, so it cannot spill into the neighbouring field or the opcode.
#pragma once

#include <stdint.h>

#include "controllers/sequencer/commandWordLayouts.h"

namespace vorlan_driver {

template <commandWord::Layout kLayout>
class SequencerCommandWord {
 public:
  static constexpr uint64_t kResetValue = commandWord::rowOf(kLayout).reset;

  constexpr SequencerCommandWord() : value_(kResetValue) {}

  constexpr void reset() { value_ = kResetValue; }
  constexpr uint64_t getValue() const { return value_; }

  static constexpr uint32_t getBits55To57(uint64_t word) { return get<commandWord::kBits55To57, 55, 3>(word); }
  static constexpr uint32_t getBits52To54(uint64_t word) { return get<commandWord::kBits52To54, 52, 3>(word); }
  static constexpr uint32_t getBits48To51(uint64_t word) { return get<commandWord::kBits48To51, 48, 4>(word); }
  static constexpr uint32_t getBits44To47(uint64_t word) { return get<commandWord::kBits44To47, 44, 4>(word); }
  static constexpr uint32_t getBits40To43(uint64_t word) { return get<commandWord::kBits40To43, 40, 4>(word); }
  static constexpr uint32_t getBits36To39(uint64_t word) { return get<commandWord::kBits36To39, 36, 4>(word); }
  static constexpr uint32_t getBits32To35(uint64_t word) { return get<commandWord::kBits32To35, 32, 4>(word); }
  static constexpr uint32_t getBits32To47(uint64_t word) { return get<commandWord::kBits32To47, 32, 16>(word); }
  static constexpr uint32_t getOperand(uint64_t word) { return get<commandWord::kOperand, 0, 32>(word); }

  constexpr SequencerCommandWord& setBits55To57(uint32_t v) { return set<commandWord::kBits55To57, 55, 3>(v); }
  constexpr SequencerCommandWord& setBits52To54(uint32_t v) { return set<commandWord::kBits52To54, 52, 3>(v); }
  constexpr SequencerCommandWord& setBits48To51(uint32_t v) { return set<commandWord::kBits48To51, 48, 4>(v); }
  constexpr SequencerCommandWord& setBits44To47(uint32_t v) { return set<commandWord::kBits44To47, 44, 4>(v); }
  constexpr SequencerCommandWord& setBits40To43(uint32_t v) { return set<commandWord::kBits40To43, 40, 4>(v); }
  constexpr SequencerCommandWord& setBits36To39(uint32_t v) { return set<commandWord::kBits36To39, 36, 4>(v); }
  constexpr SequencerCommandWord& setBits32To35(uint32_t v) { return set<commandWord::kBits32To35, 32, 4>(v); }
  constexpr SequencerCommandWord& setBits32To47(uint32_t v) { return set<commandWord::kBits32To47, 32, 16>(v); }
  constexpr SequencerCommandWord& setOperand(uint32_t v) { return set<commandWord::kOperand, 0, 32>(v); }

 private:
  static constexpr bool has(commandWord::Field field) { return (commandWord::rowOf(kLayout).fields & field) != 0; }

  template <commandWord::Field kField, uint32_t kShift, uint32_t kWidth>
  static constexpr uint32_t get(uint64_t word) {
    static_assert(has(kField), "this command-word layout has no such field");
    return static_cast<uint32_t>((word & commandWord::fieldMask(kShift, kWidth)) >> kShift);
  }
  template <commandWord::Field kField, uint32_t kShift, uint32_t kWidth>
  constexpr SequencerCommandWord& set(uint32_t v) {
    static_assert(has(kField), "this command-word layout has no such field");
    const uint64_t mask = commandWord::fieldMask(kShift, kWidth);
    value_ = (value_ & ~mask) | ((static_cast<uint64_t>(v) << kShift) & mask);
    return *this;
  }

  uint64_t value_;
};

// The 26 layouts by name, in the design's order. Layouts that share a reset
// value and fields (0A and 0B, 1A and 1B, 3A and 3, 6A and 6B) are still
// separate types.
using SequencerCommandWordOp7A = SequencerCommandWord<commandWord::Layout::kOp7A>;
using SequencerCommandWordOp12 = SequencerCommandWord<commandWord::Layout::kOp12>;
using SequencerCommandWordOp7B = SequencerCommandWord<commandWord::Layout::kOp7B>;
using SequencerCommandWordOp9A = SequencerCommandWord<commandWord::Layout::kOp9A>;
using SequencerCommandWordOp9B = SequencerCommandWord<commandWord::Layout::kOp9B>;
using SequencerCommandWordOp9C = SequencerCommandWord<commandWord::Layout::kOp9C>;
using SequencerCommandWordOp9D = SequencerCommandWord<commandWord::Layout::kOp9D>;
using SequencerCommandWordOp9E = SequencerCommandWord<commandWord::Layout::kOp9E>;
using SequencerCommandWordOp9F = SequencerCommandWord<commandWord::Layout::kOp9F>;
using SequencerCommandWordOp9G = SequencerCommandWord<commandWord::Layout::kOp9G>;
using SequencerCommandWordOp9H = SequencerCommandWord<commandWord::Layout::kOp9H>;
using SequencerCommandWordOp0A = SequencerCommandWord<commandWord::Layout::kOp0A>;
using SequencerCommandWordOp11 = SequencerCommandWord<commandWord::Layout::kOp11>;
using SequencerCommandWordOp3A = SequencerCommandWord<commandWord::Layout::kOp3A>;
using SequencerCommandWordOp1A = SequencerCommandWord<commandWord::Layout::kOp1A>;
using SequencerCommandWordOp2 = SequencerCommandWord<commandWord::Layout::kOp2>;
using SequencerCommandWordOp4 = SequencerCommandWord<commandWord::Layout::kOp4>;
using SequencerCommandWordOp1B = SequencerCommandWord<commandWord::Layout::kOp1B>;
using SequencerCommandWordOp3 = SequencerCommandWord<commandWord::Layout::kOp3>;
using SequencerCommandWordOp9I = SequencerCommandWord<commandWord::Layout::kOp9I>;
using SequencerCommandWordOp7C = SequencerCommandWord<commandWord::Layout::kOp7C>;
using SequencerCommandWordOp8 = SequencerCommandWord<commandWord::Layout::kOp8>;
using SequencerCommandWordOp7D = SequencerCommandWord<commandWord::Layout::kOp7D>;
using SequencerCommandWordOp0B = SequencerCommandWord<commandWord::Layout::kOp0B>;
using SequencerCommandWordOp6A = SequencerCommandWord<commandWord::Layout::kOp6A>;
using SequencerCommandWordOp6B = SequencerCommandWord<commandWord::Layout::kOp6B>;

}  // namespace vorlan_driver
