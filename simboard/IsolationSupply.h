// The isolated side's supply and link as the non-isolated FPGA drives them:
// the isolation transformer (frequency 0x60 with its run bit 31, duty cycle
// 0x64), the link configuration 0x20 (bits 0-1 link mode, bit 8 the DC-bus
// start strobe, bit 16 the configuration strobe) and the link status 0x24
// (bits 0-1 the mode the link runs in, bit 8 the DC bus up). Offsets are
// the FPGA block's.
//
// The transformer powers the isolated side once it runs (run bit set and a
// duty cycle above 0); each transformer write is kept with the virtual time
// it came at, so tests can see the soft start's pacing.
//
// A link mode is a one-shot command (0 changes nothing): the link takes
// mode 1 (the isolated FPGA's download mode) only while the side is
// powered, and mode 2 (run) only once the isolated FPGA took a good image
// in mode 1. The DC bus comes up on its strobe while the link runs.
#pragma once

#include <cstdint>
#include <vector>

namespace simboard {

class IsolationSupply {
 public:
  static constexpr uint64_t kLinkConfigOffset = 0x20;
  static constexpr uint64_t kLinkStatusOffset = 0x24;
  static constexpr uint64_t kFrequencyOffset = 0x60;
  static constexpr uint64_t kDutyCycleOffset = 0x64;
  static constexpr uint32_t kLinkModeMask = 0x3u;
  static constexpr uint32_t kDcBusStartStrobe = 1u << 8;
  static constexpr uint32_t kDcBusUp = 1u << 8;
  static constexpr uint32_t kRunBit = 1u << 31;
  static constexpr uint32_t kDutyMask = 0xFFFFu;

  struct TransformerWrite {
    uint64_t offset;
    uint32_t value;
    uint64_t nanoseconds;  // virtual time of the write
  };

  static constexpr uint32_t kDownloadMode = 1;
  static constexpr uint32_t kRunMode = 2;

  // `powered`: whether the isolated side has power at the write.
  void linkConfigWritten(uint32_t value, bool powered);
  // The bridge's loader took a good image for the isolated FPGA: it runs
  // it when the link was in its download mode.
  void isolatedImageLoaded();
  bool isolatedFpgaConfigured() const { return isolatedConfigured_; }
  // Back to power-on: the link down, the isolated FPGA unconfigured, the
  // transformer off.
  void reset();
  uint32_t linkStatus() const { return linkStatus_; }
  void transformerWritten(uint64_t offset, uint32_t value);
  bool isRunning() const;

  const std::vector<TransformerWrite>& transformerWrites() const { return transformerWrites_; }
  void clearTransformerWrites() { transformerWrites_.clear(); }

  // ---- hardware failures
  // The link never takes a new mode: its status keeps the old one.
  void setLinkModeStuck(bool stuck) { linkModeStuck_ = stuck; }
  // The DC bus never comes up after its start strobe.
  void setDcBusNeverUp(bool never) { dcBusNeverUp_ = never; }
  // The transformer never powers the isolated side.
  void setTransformerDead(bool dead) { transformerDead_ = dead; }

 private:
  uint32_t linkStatus_ = 0;
  bool isolatedConfigured_ = false;
  uint32_t frequency_ = 0;
  uint32_t dutyCycle_ = 0;
  bool linkModeStuck_ = false;
  bool dcBusNeverUp_ = false;
  bool transformerDead_ = false;
  std::vector<TransformerWrite> transformerWrites_;
};

}  // namespace simboard
