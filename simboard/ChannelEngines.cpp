#include "simboard/ChannelEngines.h"

namespace simboard {

void ChannelEngines::commandStreamWritten(uint32_t channel, uint32_t value) {
  CommandStream& stream = streams_[channel % kChannelCount];
  if ((value & kStreamStart) != 0) {
    stream.running = true;
    stream.stopping = false;
    ++stream.starts;
  }
  if ((value & kStreamStopFirst) != 0) {
    stream.stopping = true;
  } else if ((value & kStreamStopSecond) != 0 && stream.stopping) {
    stream.stopping = false;
    stream.running = false;
    ++stream.stops;
  }
}

void ChannelEngines::written(uint32_t channel, uint32_t offset, uint32_t value, uint32_t* block) {
  const Switches& s = switches_[channel % kChannelCount];
  if (offset == kSequencerControl) commandStreamWritten(channel, value);
  if (offset == kSequencerControl && (value & 1u) != 0) {
    block[kChannelStatus] &= ~kEngineIdle;
  } else if (offset == kGenerate && (value & 7u) == kEngineResetType && !s.engineResetHangs) {
    block[kChannelStatus] |= kEngineIdle;
    block[kSequencerStatus] &= ~kResetBusy;
  } else if (offset == kMiscControl) {
    if ((value & kArmed) != 0 && !s.armNeverCompletes) block[kChannelStatus] |= kArmed;
    const uint32_t resets = (1u << 1) | (1u << 3) | (1u << 25);
    if ((value & resets) != 0 && !s.resetNeverCompletes) block[kChannelStatus] &= ~(kArmed | kMeasureBusy);
  }
}

void ChannelEngines::overrideWritten(uint32_t mask, uint32_t* blocks) const {
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    if (((mask >> c) & 1u) != 0 && !switches_[c].overrideNotTaken) blocks[c * 0x80 + kChannelStatus] |= kOverridden;
  }
}

}  // namespace simboard
