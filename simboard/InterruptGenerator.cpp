#include "simboard/InterruptGenerator.h"

#include <algorithm>
#include <chrono>

#include "kal/include/kalStandIn.h"
#include "simboard/SequencerLocalRam.h"

namespace simboard {

namespace {

// Virtual time, or the machine's for tests that run on the real clock.
uint64_t nowNanoseconds() {
  if (kalsim::isVirtualClock()) return kalsim::virtualNanoseconds();
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

}  // namespace

void InterruptGenerator::setNeverAcknowledges(uint32_t channel, bool never) {
  neverAcknowledges_.at(channel) = never;
  if (never) return;
  for (uint64_t& end : busyUntil_[channel]) {
    if (end == kForever) end = 0;
  }
}

void InterruptGenerator::setHangsAt(uint32_t address, bool hangs) {
  std::vector<uint32_t>& set = hangingAddresses_;
  set.erase(std::remove(set.begin(), set.end(), address), set.end());
  if (hangs) set.push_back(address);
}

void InterruptGenerator::configWritten(uint32_t value, uint32_t address) {
  if ((value & kGoBit) == 0) return;
  Vector& v = vectors_[value & (kTypeCount - 1)];
  v.programmed = true;
  v.address = address;
  v.flags = (value >> 4) & 7u;
}

void InterruptGenerator::generateWritten(uint32_t channel, uint32_t value) {
  const uint32_t type = value & (kTypeCount - 1);
  const Vector& v = vectors_[type];
  if (!v.programmed || channel >= kChannelCount) return;
  const uint64_t now = nowNanoseconds();
  const bool hangs =
      std::find(hangingAddresses_.begin(), hangingAddresses_.end(), v.address) != hangingAddresses_.end();
  busyUntil_[channel][type] = neverAcknowledges_[channel] || hangs ? kForever : now + runNanoseconds_;
  runs_.push_back(Run{channel, type, v.address, ram_.word(v.address), v.address < ram_.imageWords(), now});
}

uint32_t InterruptGenerator::activeBits(uint32_t channel) const {
  if (channel >= kChannelCount) return 0;
  const uint64_t now = nowNanoseconds();
  uint32_t bits = 0;
  for (uint32_t t = 0; t < kTypeCount; ++t) {
    if (now < busyUntil_[channel][t]) bits |= 1u << t;
  }
  return bits;
}

}  // namespace simboard
