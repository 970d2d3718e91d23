// What a channel block does on its own when the driver strobes it: the
// sequence engine starts and resets, the measure unit arms and resets.
// Each reaction shows in the channel's status words, where the driver
// polls for it; a switch per channel keeps a reaction from happening, so
// the driver's wait times out.
//
// - sequencer control (0x02) bit 0, start: the engine runs (status 0x07
//   bit 16, idle, clears);
// - generate (0x3B) command type 2, the engine's reset subroutine: the
//   engine stops (0x07 bit 16 sets) and the reset-busy bit (0x03 bit 19)
//   clears;
// - misc control (0x32) bit 0, arm: the measure unit shows armed (0x07
//   bit 0);
// - misc control bits 1, 3 or 25, reset: armed and busy (0x07 bits 0 and
//   7) clear;
// - the isolated FPGA's trigger override (0x210): each channel of the mask
//   shows its trigger overridden (0x07 bit 8);
// - sequencer control bit 8 starts the channel's command stream; bit 9 and
//   then bit 2 stop it (bit 2 alone does nothing). Starts and stops are
//   counted per channel for tests.
#pragma once

#include <array>
#include <cstdint>

namespace simboard {

class ChannelEngines {
 public:
  static constexpr uint32_t kChannelCount = 24;
  static constexpr uint32_t kSequencerControl = 0x02;
  static constexpr uint32_t kSequencerStatus = 0x03;
  static constexpr uint32_t kChannelStatus = 0x07;
  static constexpr uint32_t kCommandFifoFullness = 0x0F;
  static constexpr uint32_t kMiscControl = 0x32;
  static constexpr uint32_t kGenerate = 0x3B;
  static constexpr uint32_t kEngineIdle = 1u << 16;
  static constexpr uint32_t kResetBusy = 1u << 19;
  static constexpr uint32_t kArmed = 1u << 0;
  static constexpr uint32_t kMeasureBusy = 1u << 7;
  static constexpr uint32_t kEngineResetType = 2;
  static constexpr uint32_t kTriggerOverride = 0x210;
  static constexpr uint32_t kOverridden = 1u << 8;

  struct Switches {
    bool engineResetHangs = false;
    bool armNeverCompletes = false;
    bool resetNeverCompletes = false;
    bool overrideNotTaken = false;
  };

  static constexpr uint32_t kStreamStart = 1u << 8;
  static constexpr uint32_t kStreamStopFirst = 1u << 9;
  static constexpr uint32_t kStreamStopSecond = 1u << 2;

  struct CommandStream {
    bool running = false;
    // Bit 9 came; bit 2 completes the stop.
    bool stopping = false;
    uint32_t starts = 0;
    uint32_t stops = 0;
  };

  Switches& switches(uint32_t channel) { return switches_[channel % kChannelCount]; }
  const CommandStream& commandStream(uint32_t channel) const { return streams_[channel % kChannelCount]; }

  // A write the channel's block took at offset (0-0x7F); block is the
  // channel's 128 read views.
  void written(uint32_t channel, uint32_t offset, uint32_t value, uint32_t* block);
  // The trigger override written with mask; blocks are the 24 channels'
  // read views, each 128 words from the first.
  void overrideWritten(uint32_t mask, uint32_t* blocks) const;

 private:
  void commandStreamWritten(uint32_t channel, uint32_t value);

  std::array<Switches, kChannelCount> switches_{};
  std::array<CommandStream, kChannelCount> streams_{};
};

}  // namespace simboard
