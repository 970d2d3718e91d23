// The isolated FPGA's sequencer local RAM: 65,536 words of 64 bits behind
// four registers of the FPGA. A write of the write-address register (0x50)
// commits the halves in the command registers (0x52 high, 0x53 low) to the
// word at its low 16 bits; a write of the read-address register (0x51) loads
// the word's halves into the command registers for the reads that follow.
//
// The words themselves are state (tests read them back); the traffic is
// bulk, so the four registers log under a policy of their own: everything,
// counts only (commits, loads), or neither. The RAM also tells which image
// was last written from word 0 up: a commit to word 0 starts it, a commit
// to the word right after it extends it, below the command regions at
// 0x8000.
#pragma once

#include <cstdint>
#include <vector>

#include "simboard/AccessLog.h"

namespace simboard {

class SequencerLocalRam {
 public:
  static constexpr uint32_t kWords = 1u << 16;
  static constexpr uint32_t kWriteAddress = 0x050;
  static constexpr uint32_t kReadAddress = 0x051;
  static constexpr uint32_t kCommandHigh = 0x052;
  static constexpr uint32_t kCommandLow = 0x053;
  static constexpr uint32_t kCommandRegions = 0x8000;

  SequencerLocalRam() : words_(kWords, 0) {}

  static bool owns(uint32_t address) { return address >= kWriteAddress && address <= kCommandLow; }

  // A write of one of the four registers, after the register took it.
  // Answers the halves to put into the command registers after a load.
  void commit(uint32_t address, uint32_t high, uint32_t low);
  struct Halves {
    uint32_t high;
    uint32_t low;
  };
  Halves load(uint32_t address);

  uint64_t word(uint32_t address) const { return words_[address % kWords]; }
  void setWord(uint32_t address, uint64_t value) { words_[address % kWords] = value; }
  // The image last written from word 0 up, in words.
  uint32_t imageWords() const { return imageWords_; }

  // ---- log policy and counters of the four registers
  void setLogPolicy(LogPolicy policy) { policy_ = policy; }
  LogPolicy logPolicy() const { return policy_; }
  uint64_t commits() const { return commits_; }
  uint64_t loads() const { return loads_; }
  // Every access of the four registers the policy counts.
  uint64_t registerWrites() const { return registerWrites_; }
  uint64_t registerReads() const { return registerReads_; }
  void count(Direction direction) { ++(direction == Direction::kRead ? registerReads_ : registerWrites_); }

 private:
  std::vector<uint64_t> words_;
  uint32_t imageWords_ = 0;
  LogPolicy policy_ = LogPolicy::kFull;
  uint64_t commits_ = 0;
  uint64_t loads_ = 0;
  uint64_t registerWrites_ = 0;
  uint64_t registerReads_ = 0;
};

}  // namespace simboard
