// The register files behind the bridge's port tunnel, one 32-bit register
// per [port][selector][address], as one word-addressed space
// (Space::kPortTunnel, offset port << 12 | selector << 8 | address). Every register is plain storage except IO
// port 2's control/status register (port 2, selector 0, address 0x0), which
// it shares with the isolation port: bit 0 holds the port in reset, and bit
// 7 reports the PLL locked once mode and PLL are programmed and the reset is
// released.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "simboard/AddressSpace.h"

namespace simboard {

class PortRegisterFile {
 public:
  static constexpr uint32_t kIOPort2 = 2;
  static constexpr uint32_t kIOPort2Selector = 0;
  static constexpr uint32_t kControlStatusAddress = 0x0;
  static constexpr uint32_t kPllAddress = 0x8;
  static constexpr uint32_t kModeAddress = 0xC;
  static constexpr uint32_t kReset = 0x01;
  static constexpr uint32_t kLocked = 0x80;
  static constexpr uint32_t kLockingMode = 2;

  PortRegisterFile();

  static constexpr uint64_t offsetOf(uint32_t port, uint32_t selector, uint32_t address) {
    return (port & 0x7u) << 12 | (selector & 0xFu) << 8 | (address & 0xFFu);
  }

  uint32_t read(uint32_t port, uint32_t selector, uint32_t address) {
    return static_cast<uint32_t>(space_.read(offsetOf(port, selector, address), 32));
  }
  void write(uint32_t port, uint32_t selector, uint32_t address, uint32_t value);

  // What a register holds, without the port's behaviour.
  uint32_t peek(uint32_t port, uint32_t selector, uint32_t address) const;
  uint32_t writesTo(uint32_t port, uint32_t selector, uint32_t address) const;
  // Every access in order, as "W p.s.0xA=0xV" or "R p.s.0xA=0xV" (hex), from
  // the board's log.
  std::vector<std::string> accessLog() const;
  void clearAccessLog() { space_.log().clear(Space::kPortTunnel); }
  void joinLog(AccessLog& log) { space_.joinLog(log); }
  AddressSpace& space() { return space_; }

  // ---- knobs
  // Reads of the control/status register that still show the PLL unlocked
  // once it could lock.
  void setLockDelayReads(uint32_t reads) { lockDelayReads_ = reads; }
  // The port ignores its reset bit: it never reads back as set.
  void setNeverInReset(bool never) { neverInReset_ = never; }
  void setNeverLocks(bool never) { neverLocks_ = never; }

 private:
  class Registers;

  uint32_t readControlStatus();
  void writeControlStatus(uint32_t value);
  bool canLock() const;

  AddressSpace space_;
  RegisterBlock* registers_;
  std::map<uint64_t, uint32_t> writeCounts_;
  uint32_t lockDelayReads_ = 2;
  uint32_t readsWhileLocking_ = 0;
  bool neverInReset_ = false;
  bool neverLocks_ = false;
};

}  // namespace simboard
