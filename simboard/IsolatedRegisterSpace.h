// The isolated side as the access windows reach it: one 14-bit space of
// 32-bit registers, addressed by word. The isolated FPGA's own registers
// start at 0 (its signature word there); channel c's block starts at
// 0x1000 | (c << 7). Plain registers apart from the signature, which ignores
// writes. Every access is logged with the window that carried it.
#pragma once

#include <cstdint>
#include <vector>

namespace simboard {

class IsolatedRegisterSpace {
 public:
  static constexpr uint32_t kWordCount = 1u << 14;
  static constexpr uint32_t kAddressMask = kWordCount - 1;
  static constexpr uint32_t kSignatureAddress = 0x000;
  static constexpr uint32_t kSignature = 0x2D61B7C4u;
  static constexpr uint32_t channelBase(uint32_t channel) { return 0x1000u | (channel << 7); }

  struct Access {
    uint32_t window;
    uint32_t address;
    bool write;
    uint32_t value;
    bool operator==(const Access& other) const {
      return window == other.window && address == other.address && write == other.write && value == other.value;
    }
  };

  IsolatedRegisterSpace();

  uint32_t read(uint32_t window, uint32_t address);
  void write(uint32_t window, uint32_t address, uint32_t value);

  // The registers themselves, unlogged.
  uint32_t peek(uint32_t address) const { return words_[address & kAddressMask]; }
  void poke(uint32_t address, uint32_t value) { words_[address & kAddressMask] = value; }

  const std::vector<Access>& log() const { return log_; }
  void clearLog() { log_.clear(); }

 private:
  std::vector<uint32_t> words_;
  std::vector<Access> log_;
};

}  // namespace simboard
