// The non-isolated FPGA block with its links: the 27 access windows to the
// isolated side (0x200 + 0x10 * p: status, address, write data, read data)
// and the relay to the chassis power monitor (command 0x90, read-back 0x94).
// Offsets are relative to the block, as in NisoFpgaBlock.
//
// A window answers at once unless a knob holds it: writing its address
// register starts the access (bit 16 set: read, clear: write, bits 0-13 the
// address); a read delivers its data to the read-data register and raises
// "new read response" (bit 16 of the status) until the next access starts.
// Status bit 17 is "ready for a new access", bit 31 the error bit, bits
// 0-13 the address of the last access.
//
// A write whose isolated access the side does not log in full (bulk: the
// CPLD image's words) leaves the window's status reads, its write data and
// its address out of the log too; they are still counted.
//
// The block also carries the isolated side's supply and link
// (IsolationSupply: the transformer powers the side), the analog monitor's
// temperature register (AnalogMonitor, fed by the side's sensor and window
// writes) and the error manager with the FIFO-overflow flags (ErrorManager,
// whose channel flags the side's channel-error clear resets).
#pragma once

#include <array>
#include <cstdint>

#include "simboard/AnalogMonitor.h"
#include "simboard/ErrorManager.h"
#include "simboard/IsolatedRegisterSpace.h"
#include "simboard/IsolationSupply.h"
#include "simboard/NisoFpgaBlock.h"
#include "simboard/PowerMonitorChip.h"

namespace simboard {

class NisoFpgaLinkBlock : public NisoFpgaBlock {
 public:
  static constexpr uint32_t kWindowCount = 27;
  static constexpr uint64_t kWindowOffset = 0x200;
  static constexpr uint64_t kWindowStride = 0x10;
  static constexpr uint64_t kStatusOffset = 0x0;
  static constexpr uint64_t kAddressOffset = 0x4;
  static constexpr uint64_t kWriteDataOffset = 0x8;
  static constexpr uint64_t kReadDataOffset = 0xC;
  static constexpr uint32_t kErrorBit = 0x80000000u;
  static constexpr uint32_t kReadyBit = 0x20000u;
  static constexpr uint32_t kResponseBit = 0x10000u;
  static constexpr uint32_t kReadAccessBit = 0x10000u;

  static constexpr uint64_t kPowerMonitorCommandOffset = 0x90;
  static constexpr uint64_t kPowerMonitorReadOffset = 0x94;
  static constexpr uint32_t kPowerMonitorWriteStrobe = 1u << 19;
  static constexpr uint32_t kPowerMonitorReadStrobe = 1u << 22;
  static constexpr uint32_t kPowerMonitorReadDone = 1u << 21;
  static constexpr uint32_t kPowerMonitorBusy = 1u << 29;
  static constexpr uint32_t kForever = 0xFFFFFFFFu;

  static constexpr uint64_t windowRegister(uint32_t window, uint64_t which) {
    return kWindowOffset + kWindowStride * window + which;
  }

  NisoFpgaLinkBlock();

  IsolatedRegisterSpace& isolatedSide() { return isolated_; }
  void joinLog(AccessLog& log) override {
    log_ = &log;
    isolated_.joinLog(log);
    powerMonitor_.joinLog(log);
  }
  PowerMonitorChip& powerMonitor() { return powerMonitor_; }
  IsolationSupply& supply() { return supply_; }
  AnalogMonitor& analogMonitor() { return analogMonitor_; }
  ErrorManager& errorManager() { return errorManager_; }
  // The non-isolated FPGA starts afresh (a new image): the transformer is
  // off, the isolated side unpowered and unconfigured.
  void resetIsolatedSide();

  // ---- isolated error capture: status 0x166 bit 1 stays busy.
  static constexpr uint32_t kIsoErrorStatusAddress = 0x166;
  static constexpr uint32_t kClearChannelErrorAddress = 0x167;
  static constexpr uint32_t kIsoErrorCaptureBusy = 1u << 1;
  void setErrorCaptureBusy(bool busy) { isolated_.setReadView(kIsoErrorStatusAddress, busy ? kIsoErrorCaptureBusy : 0); }

  // ---- window knobs
  void setNeverReady(uint32_t window, bool never) { windows_.at(window).neverReady = never; }
  void setNoResponse(uint32_t window, bool none) { windows_.at(window).noResponse = none; }
  void setErrorBit(uint32_t window, bool error) { windows_.at(window).error = error; }
  // After each access, this many status reads show neither ready nor a response.
  void setBusyStatusReads(uint32_t window, uint32_t reads) { windows_.at(window).busyReadsPerAccess = reads; }

  // ---- power-monitor knobs
  void setPowerMonitorStuckBusy(bool stuck) { monitorStuckBusy_ = stuck; }
  // After each command, this many reads of 0x94 show busy (kForever: never idle again).
  void setPowerMonitorBusyReads(uint32_t reads) { monitorBusyReadsPerCommand_ = reads; }
  // After a read command, this many reads of 0x94 go by before read done.
  void setPowerMonitorReadDoneDelayReads(uint32_t reads) { monitorReadDoneDelayReads_ = reads; }
  void setPowerMonitorNeverReadDone(bool never) { monitorNeverReadDone_ = never; }

 protected:
  void splitViewWritten(uint64_t offset, uint64_t value) override;

 private:
  struct Window {
    bool neverReady = false;
    bool noResponse = false;
    bool error = false;
    uint32_t busyReadsPerAccess = 0;
    uint32_t busyReads = 0;
    bool response = false;
    uint32_t lastAddress = 0;
    // The log entry the window's current access began with: its first
    // status read or its write data.
    bool open = false;
    size_t firstEntry = 0;
  };

  void openTransaction(Window& w) {
    if (w.open || log_ == nullptr) return;
    w.open = true;
    w.firstEntry = log_->size();
  }
  // Drops the window's entries of the access now ending, when nothing else
  // came between them.
  void foldTransaction(uint32_t window);

  uint32_t windowStatus(uint32_t window);
  void startWindowAccess(uint32_t window, uint32_t word);
  void powerMonitorCommand(uint32_t word);
  uint32_t powerMonitorReadBack();

  IsolatedRegisterSpace isolated_;
  PowerMonitorChip powerMonitor_;
  IsolationSupply supply_;
  AnalogMonitor analogMonitor_;
  ErrorManager errorManager_;
  std::array<Window, kWindowCount> windows_;
  AccessLog* log_ = nullptr;

  bool monitorStuckBusy_ = false;
  uint32_t monitorBusyReadsPerCommand_ = 0;
  uint32_t monitorReadDoneDelayReads_ = 0;
  bool monitorNeverReadDone_ = false;
  uint32_t monitorBusyReads_ = 0;
  bool monitorReadPending_ = false;
  uint32_t monitorReadDoneCountdown_ = 0;
  uint16_t monitorData_ = 0;
};

}  // namespace simboard
