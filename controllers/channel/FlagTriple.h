// Three flags kept as 32-bit words, each 1 when set.
#pragma once

#include <stdint.h>

namespace vorlan_driver {

class FlagTriple {
 public:
  static constexpr int32_t kKeep = -1;

  void clear() { set(0, 0, 0); }
  void fromBits(uint32_t bits) {
    set(static_cast<int32_t>(bits & 1), static_cast<int32_t>((bits >> 1) & 1), static_cast<int32_t>((bits >> 2) & 1));
  }
  void set(int32_t first, int32_t second, int32_t third) {
    first_ = first;
    second_ = second;
    third_ = third;
  }
  // Each of a, b, c replaces its field unless it is kKeep, in which case
  // the field comes from packed (low half, high half) or from third.
  void merge(uint64_t packed, int32_t third, int32_t a, int32_t b, int32_t c) {
    first_ = a != kKeep ? a : static_cast<int32_t>(static_cast<uint32_t>(packed));
    second_ = b != kKeep ? b : static_cast<int32_t>(static_cast<uint32_t>(packed >> 32));
    third_ = c != kKeep ? c : third;
  }
  bool isFirstSet() const { return first_ == 1; }
  bool isSecondSet() const { return second_ == 1; }
  bool isThirdSet() const { return third_ == 1; }
  uint32_t toBits() const {
    return (isFirstSet() ? 1u : 0u) | (isSecondSet() ? 2u : 0u) | (isThirdSet() ? 4u : 0u);
  }
  bool equals(const FlagTriple& other) const {
    return first_ == other.first_ && second_ == other.second_ && third_ == other.third_;
  }
  bool notEquals(const FlagTriple& other) const { return !equals(other); }

 private:
  int32_t first_ = 0;
  int32_t second_ = 0;
  int32_t third_ = 0;
};
static_assert(sizeof(FlagTriple) == 12, "three 32-bit flags");

}  // namespace vorlan_driver
