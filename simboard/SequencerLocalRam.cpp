#include "simboard/SequencerLocalRam.h"

namespace simboard {

void SequencerLocalRam::commit(uint32_t address, uint32_t high, uint32_t low) {
  address %= kWords;
  words_[address] = static_cast<uint64_t>(high) << 32 | low;
  ++commits_;
  if (address == 0) {
    imageWords_ = 1;
  } else if (address == imageWords_ && address < kCommandRegions) {
    ++imageWords_;
  }
}

SequencerLocalRam::Halves SequencerLocalRam::load(uint32_t address) {
  ++loads_;
  const uint64_t w = words_[address % kWords];
  return Halves{static_cast<uint32_t>(w >> 32), static_cast<uint32_t>(w)};
}

}  // namespace simboard
