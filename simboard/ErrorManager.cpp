#include "simboard/ErrorManager.h"

namespace simboard {

namespace {
// First word of each vector, counted from 0xB4.
constexpr uint32_t kSetAMain = (0xD8 - 0xB4) / 4;
constexpr uint32_t kSetAExtra = 0;
constexpr uint32_t kSetBMain = (0xF8 - 0xB4) / 4;
constexpr uint32_t kSetBExtra = (0xCC - 0xB4) / 4;
}  // namespace

uint32_t ErrorManager::wordOf(Set set, Vector vector, uint32_t bit) {
  const uint32_t first = vector == Vector::kMain ? (set == Set::kA ? kSetAMain : kSetBMain)
                                                 : (set == Set::kA ? kSetAExtra : kSetBExtra);
  return first + bit / 32;
}

void ErrorManager::injectFault(Set set, Vector vector, uint32_t bit, bool present) {
  vectors_.at(wordOf(set, vector, bit)) |= 1u << (bit % 32);
  if (vector == Vector::kMain && bit < kFirstBoardMainBit) {
    raiseChannelFlag(bit / kGroupWidth);
  } else {
    raiseBoardFlag();
  }
  if (present) flags_ |= kErrorPresent;
}

void ErrorManager::controlWritten(uint32_t value) {
  if ((value & kRearm) == 0) return;
  flags_ = 0;
  vectors_.fill(0);
}

void ErrorManager::clearChannels(uint32_t mask) {
  mask &= kChannelFlags;
  if (sticky_ || mask == 0) return;
  flags_ &= ~mask;
  for (uint32_t c = 0; c < 24; ++c) {
    if (((mask >> c) & 1u) == 0) continue;
    for (uint32_t k = 0; k < kGroupWidth; ++k) {
      const uint32_t bit = c * kGroupWidth + k;
      vectors_[wordOf(Set::kA, Vector::kMain, bit)] &= ~(1u << (bit % 32));
      vectors_[wordOf(Set::kB, Vector::kMain, bit)] &= ~(1u << (bit % 32));
    }
  }
}

}  // namespace simboard
