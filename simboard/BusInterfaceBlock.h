// The bridge chip's switched bus-interface block (BAR 0 offsets 0x600-0x703)
// with the port tunnel: a command in 0x688 moves one 32-bit register between
// the data register 0x68C and the port register files. Other offsets are
// plain registers.
#pragma once

#include <cstdint>

#include "simboard/PortRegisterFile.h"
#include "simboard/RegisterBlock.h"

namespace simboard {

class BusInterfaceBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kBar0Offset = 0x600;
  static constexpr uint64_t kSize = 0x104;
  // Offsets inside the block.
  static constexpr uint64_t kCommandOffset = 0x88;
  static constexpr uint64_t kDataOffset = 0x8C;

  static constexpr uint32_t kWriteStrobe = 0x1;
  static constexpr uint32_t kReadStrobe = 0x2;
  static constexpr uint32_t kReadDataReady = 0x4;

  BusInterfaceBlock();

  PortRegisterFile& ports() { return ports_; }
  void joinLog(AccessLog& log) override { ports_.joinLog(log); }
  uint32_t commands() const { return commands_; }

  // ---- knobs
  // Reads of 0x688 after a read command that still show the data not ready.
  void setReadReadyDelayReads(uint32_t reads) { readyDelayReads_ = reads; }
  void setNeverReadReady(bool never) { neverReady_ = never; }

 private:
  void command(uint32_t word);
  uint32_t status();

  PortRegisterFile ports_;
  uint32_t commands_ = 0;
  bool readPending_ = false;
  bool ready_ = false;
  uint32_t readsSinceCommand_ = 0;
  uint32_t readyDelayReads_ = 0;
  bool neverReady_ = false;
};

}  // namespace simboard
