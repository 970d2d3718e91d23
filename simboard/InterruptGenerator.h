// The isolated FPGA's interrupt generator as the sequencer runs it.
//
// Board side: a write of the interrupt configuration (0x170) with its go bit
// (8) stores vector[type bits 0-2] := {address in 0x171, flags bits 4-6}.
// Vectors 0 and 1 are the board's error responses, which the board runs on
// an error by itself; here they are only kept.
//
// Channel side: a write of type t to a channel's generate register (0x103B)
// runs vector t on that channel: bit t of the channel's interrupt status
// (0x1039) is set and clears once the run is done, a set time of virtual
// time later. A type whose vector was never programmed runs nothing. Each
// run is kept with its address, the RAM word there and whether the address
// lies inside the image installed from word 0.
//
// Switches: the run time, a channel that never acknowledges (its bits
// stay set) and a subroutine address whose runs never end.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace simboard {

class SequencerLocalRam;

class InterruptGenerator {
 public:
  static constexpr uint32_t kChannelCount = 24;
  static constexpr uint32_t kTypeCount = 8;
  static constexpr uint32_t kConfigAddress = 0x170;
  static constexpr uint32_t kAddressAddress = 0x171;
  static constexpr uint32_t kGoBit = 1u << 8;
  // Channel block offsets (of 0x80 words).
  static constexpr uint32_t kStatusOffset = 0x39;
  static constexpr uint32_t kGenerateOffset = 0x3B;
  static constexpr uint64_t kDefaultRunNanoseconds = 50000;

  struct Vector {
    bool programmed = false;
    uint32_t address = 0;
    uint32_t flags = 0;
  };
  struct Run {
    uint32_t channel;
    uint32_t type;
    uint32_t address;
    uint64_t word;       // the RAM word at the address when the run started
    bool inImage;        // the address lies inside the installed image
    uint64_t nanoseconds;  // virtual time of the start
  };

  explicit InterruptGenerator(const SequencerLocalRam& ram) : ram_(ram) {}

  void configWritten(uint32_t value, uint32_t address);
  void generateWritten(uint32_t channel, uint32_t value);
  // The running types of a channel, as status bits, at the present virtual time.
  uint32_t activeBits(uint32_t channel) const;

  const Vector& vector(uint32_t type) const { return vectors_[type % kTypeCount]; }
  const std::vector<Run>& runs() const { return runs_; }
  void clearRuns() { runs_.clear(); }

  // ---- switches
  void setRunNanoseconds(uint64_t nanoseconds) { runNanoseconds_ = nanoseconds; }
  // Turning it off ends the runs it held.
  void setNeverAcknowledges(uint32_t channel, bool never);
  // A subroutine that never ends: runs from this word address, on any
  // channel, keep their bits set (the runs already going keep theirs).
  void setHangsAt(uint32_t address, bool hangs);

 private:
  static constexpr uint64_t kForever = ~0ull;

  const SequencerLocalRam& ram_;
  std::array<Vector, kTypeCount> vectors_{};
  // Per channel and type: the virtual time at which the run ends.
  std::array<std::array<uint64_t, kTypeCount>, kChannelCount> busyUntil_{};
  std::array<bool, kChannelCount> neverAcknowledges_{};
  std::vector<uint32_t> hangingAddresses_;
  std::vector<Run> runs_;
  uint64_t runNanoseconds_ = kDefaultRunNanoseconds;
};

}  // namespace simboard
