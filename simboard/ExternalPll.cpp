#include "simboard/ExternalPll.h"

namespace simboard {

constexpr uint32_t ExternalPll::kSequence[4];

void ExternalPll::wordWritten(uint32_t value) {
  const uint32_t word = value & kWordMask;
  ++words_;
  busyReads_ = busyReadsPerWord_;
  // Any word restarts the programming; the sequence's own first word begins
  // it anew.
  locked_ = false;
  if (word == kSequence[next_]) {
    ++next_;
  } else {
    next_ = word == kSequence[0] ? 1 : 0;
  }
  if (next_ == 4) {
    next_ = 0;
    locked_ = !neverLocks_;
  }
}

uint32_t ExternalPll::statusRead() {
  uint32_t bits = locked_ ? kLockedBit : 0;
  if (busyStuck_) return bits | kBusyBit;
  if (busyReads_ > 0) {
    --busyReads_;
    bits |= kBusyBit;
  }
  return bits;
}

void ExternalPll::reset() {
  next_ = 0;
  busyReads_ = 0;
  locked_ = false;
}

}  // namespace simboard
