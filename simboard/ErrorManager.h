// The non-isolated FPGA's error manager and its measure-FIFO overflow
// flags, as the FPGA block at 0xB0-0x114 and 0x3FC shows them.
//
// Status (read view of 0xB0): bits 0-23 channel error flags, bit 24 board
// error, bit 29 error present, bit 31 busy. Writing bit 31 (re-arm) clears
// every flag and vector bit. The 25 vector words from 0xB4 hold two sets:
// set A main 0xD8-0xF4 and extra 0xB4-0xBC, set B main 0xF8-0x114 and extra
// 0xCC-0xD4 (0xC0-0xC8 belong to neither). In a main vector channel c owns
// bits 7c to 7c+6 and bits 168-255 are board faults; every extra bit is a
// board fault. The isolated FPGA's channel-error clear (0x167) clears the
// flags and main-vector groups of the channels it names.
#pragma once

#include <array>
#include <cstdint>

namespace simboard {

class ErrorManager {
 public:
  enum class Set : uint8_t { kA, kB };
  enum class Vector : uint8_t { kMain, kExtra };

  static constexpr uint64_t kStatusOffset = 0xB0;
  static constexpr uint64_t kFirstVectorOffset = 0xB4;
  static constexpr uint32_t kVectorWords = 25;
  static constexpr uint64_t kOverflowOffset = 0x3FC;
  static constexpr uint32_t kChannelFlags = 0xFFFFFFu;
  static constexpr uint32_t kBoardError = 1u << 24;
  static constexpr uint32_t kErrorPresent = 1u << 29;
  static constexpr uint32_t kBusy = 1u << 31;
  static constexpr uint32_t kRearm = 1u << 31;
  static constexpr uint32_t kGroupWidth = 7;
  static constexpr uint32_t kFirstBoardMainBit = 168;

  // The vector word (0-24, from 0xB4) that holds a bit of a set's vector.
  static uint32_t wordOf(Set set, Vector vector, uint32_t bit);

  // Sets a fault bit and the status flag it raises (its channel's or the
  // board's), and bit 29 when `present`.
  void injectFault(Set set, Vector vector, uint32_t bit, bool present = false);
  // A status flag with no vector bit behind it.
  void raiseChannelFlag(uint32_t channel) { flags_ |= (1u << channel) & kChannelFlags; }
  void raiseBoardFlag() { flags_ |= kBoardError; }

  uint32_t status() const { return flags_ | (busy_ ? kBusy : 0); }
  uint32_t vectorWord(uint32_t index) const { return vectors_.at(index); }
  void controlWritten(uint32_t value);
  void clearChannels(uint32_t mask);

  void setOverflow(uint32_t mask) { overflow_ = mask & kChannelFlags; }
  uint32_t overflow() const { return overflow_; }

  // ---- hardware failures
  // The manager never finishes its last clear: status bit 31 stays set.
  void setBusy(bool busy) { busy_ = busy; }
  // The channels' captured errors survive their clear.
  void setChannelErrorsSticky(bool sticky) { sticky_ = sticky; }

 private:
  uint32_t flags_ = 0;
  bool busy_ = false;
  bool sticky_ = false;
  uint32_t overflow_ = 0;
  std::array<uint32_t, kVectorWords> vectors_{};
};

}  // namespace simboard
