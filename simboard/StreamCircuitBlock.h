// One stream circuit inside the non-isolated FPGA's window of BAR 0 (map
// offsets 0x0-0x937, registers from 0x800). The control/status word takes
// commands, one bit per write, and answers with the circuit's state: writing
// bit 8 enables data transfer, writing bit 9 or 11 stops it and reports the
// reset complete (bit 10), writing bit 2 clears that report; bits 0 and 1
// choose the circuit's mode. Writes to 0x810 add credit to the transfer
// count that its read side reports. 0x814 and the counters from 0x880 are
// read-only; the rest reads back what was written.
#pragma once

#include <cstdint>

#include "simboard/SplitRegisterBlock.h"

namespace simboard {

class StreamCircuitBlock : public SplitRegisterBlock {
 public:
  static constexpr uint64_t kSize = 0x938;
  static constexpr uint32_t kCircuits = 48;
  static constexpr uint64_t kControlStatusOffset = 0x800;
  static constexpr uint64_t kTransferCountOffset = 0x810;
  static constexpr uint32_t kDataTransferEnable = 1u << 8;
  static constexpr uint32_t kResetComplete = 1u << 10;

  static constexpr uint64_t bar0Offset(uint32_t circuit) { return 0x80000 + 0x4000 + 0x2000ull * circuit; }

  StreamCircuitBlock();

  bool dataTransferEnabled() const { return (readSide(kControlStatusOffset) & kDataTransferEnable) != 0; }
  // The last mode written (1 or 2; 0 before any).
  uint32_t mode() const { return mode_; }
  // Every credit written, added up without wrapping.
  uint64_t creditTotal() const { return creditTotal_; }

  // ---- switches that make a hardware step fail
  void setDataTransferEnableNeverRises(bool never) { enableNeverRises_ = never; }
  void setResetCompleteNeverRises(bool never) { resetNeverCompletes_ = never; }
  // The circuit drops its data path by itself, as on a stream error.
  void dropDataTransferEnable();

 private:
  uint32_t mode_ = 0;
  uint64_t creditTotal_ = 0;
  bool enableNeverRises_ = false;
  bool resetNeverCompletes_ = false;
};

}  // namespace simboard
