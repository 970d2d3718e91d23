// One byte of a memory window's copy of the device, with what the window
// knows about it: never loaded (invalid), changed but not stored (dirty), or
// equal to the device (clean).
#pragma once

#include <stdint.h>

namespace devicewindow {

class SoftCopyByte {
 public:
  enum State : uint8_t { kInvalid = 0, kDirty = 1, kClean = 2 };
  static constexpr uint8_t kPlaceholder = 0xFF;

  SoftCopyByte() : state_(kInvalid), value_(kPlaceholder) {}

  bool isValid() const { return state_ != kInvalid; }
  bool isDirty() const { return state_ == kDirty; }
  uint8_t getState() const { return state_; }
  uint8_t getValue() const { return value_; }
  void markClean() { state_ = kClean; }
  void invalidate() {
    state_ = kInvalid;
    value_ = kPlaceholder;
  }
  // Writing the value a loaded byte already holds changes nothing, so a
  // clean byte stays clean and is not stored again.
  void setValue(uint8_t value) {
    if (isValid() && value_ == value) return;
    state_ = kDirty;
    value_ = value;
  }

 private:
  uint8_t state_;
  uint8_t value_;
};

static_assert(sizeof(SoftCopyByte) == 2, "a soft-copy byte is {state, value}");

// Predicates for run searches.
inline bool isValidByte(SoftCopyByte byte) { return byte.isValid(); }
inline bool isInvalidByte(SoftCopyByte byte) { return !byte.isValid(); }
inline bool isDirtyByte(SoftCopyByte byte) { return byte.isDirty(); }
inline bool isNotDirtyByte(SoftCopyByte byte) { return !byte.isDirty(); }

// The first byte in [first, last) for which the predicate holds, or last.
template <typename Predicate>
SoftCopyByte* findIf(SoftCopyByte* first, SoftCopyByte* last, Predicate predicate) {
  while (first != last && !predicate(*first)) ++first;
  return first;
}

}  // namespace devicewindow
