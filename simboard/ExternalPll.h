// The isolated side's external PLL as the isolated FPGA presents it: each
// write of the shift register (0x022) sends one 24-bit word and keeps the
// serial interface busy for a while; the PLL locks once the four words of
// its programming sequence arrived in order. Its status shows in bits 8
// (busy) and 9 (locked) of the FPGA's status register (0x020).
#pragma once

#include <cstdint>

namespace simboard {

class ExternalPll {
 public:
  static constexpr uint32_t kShiftAddress = 0x022;
  static constexpr uint32_t kStatusAddress = 0x020;
  static constexpr uint32_t kBusyBit = 1u << 8;
  static constexpr uint32_t kLockedBit = 1u << 9;
  static constexpr uint32_t kWordMask = 0xFFFFFFu;
  static constexpr uint32_t kSequence[4] = {0x1F8093u, 0x100028u, 0x001E01u, 0x1F8092u};

  void wordWritten(uint32_t value);
  // Bits 8 and 9 as a read of the status register finds them; a read uses
  // up one busy read.
  uint32_t statusRead();
  // Back to power-on: unlocked, idle.
  void reset();

  bool isLocked() const { return locked_; }
  uint32_t wordsReceived() const { return words_; }

  // ---- hardware failures and timing
  // Reads that find the interface busy after each word (0: idle at once).
  void setBusyReadsPerWord(uint32_t reads) { busyReadsPerWord_ = reads; }
  // The serial interface never finishes a word.
  void setBusyStuck(bool stuck) { busyStuck_ = stuck; }
  // The PLL never locks, whatever it is sent.
  void setNeverLocks(bool never) { neverLocks_ = never; }

 private:
  uint32_t next_ = 0;
  uint32_t words_ = 0;
  uint32_t busyReads_ = 0;
  uint32_t busyReadsPerWord_ = 0;
  bool locked_ = false;
  bool busyStuck_ = false;
  bool neverLocks_ = false;
};

}  // namespace simboard
