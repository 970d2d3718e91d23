// The isolated FPGA's way into the relay CPLDs: the JTAG interface that
// takes their image word by word, and the CPLD interface that comes up
// once the image is in.
//
// - 0x023 takes one image word per write into a FIFO of kCapacity words
//   that empties between two status reads; 0x024 shows its free room in
//   bits 0-10 and an error in bit 17. The words are checked on the fly
//   against the stand-in CPLD image (simboard/FirmwareImageFormat.h):
//   header, fold and check value; a word that contradicts it, or one too
//   many, raises the error. Nothing is stored.
// - 0x007 bit 31 resets the interface (error, FIFO and check start over),
//   bit 8 asks the CPLD interface to come up, which it does (0x021 bit 31)
//   only when a whole good image went in, bit 9 ends the enable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "simboard/AccessLog.h"
#include "simboard/FirmwareImageFormat.h"

namespace simboard {

class CpldJtagPort {
 public:
  static constexpr uint32_t kConfigAddress = 0x007;
  static constexpr uint32_t kInterfaceStatusAddress = 0x021;
  static constexpr uint32_t kDataAddress = 0x023;
  static constexpr uint32_t kFifoStatusAddress = 0x024;
  static constexpr uint32_t kResetStrobe = 1u << 31;
  static constexpr uint32_t kEnableStrobe = 1u << 8;
  static constexpr uint32_t kEnableDoneStrobe = 1u << 9;
  static constexpr uint32_t kInterfaceReady = 1u << 31;
  static constexpr uint32_t kErrorBit = 1u << 17;
  static constexpr uint32_t kCapacity = 2047;
  static constexpr uint32_t kTarget = 2;
  static constexpr uint64_t kImageBytes = 1351876;

  CpldJtagPort() { restart(); }

  void configWritten(uint32_t value);
  void dataWritten(uint32_t word);
  uint32_t fifoStatusRead();
  uint32_t interfaceStatus() const { return ready_ ? kInterfaceReady : 0; }
  // Back to power-on.
  void reset();

  // ---- what arrived
  uint64_t wordsReceived() const { return words_; }
  uint32_t interfaceResets() const { return resets_; }
  bool imageAccepted() const { return accepted_; }
  bool cpldsEnabled() const { return enabled_; }

  // ---- log policy of the image words (0x023): the words are bulk
  void setLogPolicy(LogPolicy policy) { policy_ = policy; }
  LogPolicy logPolicy() const { return policy_; }

  // ---- hardware failures and timing
  // The next `pushes` pushes are refused: the error shows once their first
  // word arrived.
  void refusePushes(uint32_t pushes) { refusals_ = pushes; }
  // The FIFO never shows room again.
  void setStuckFull(bool stuck) { stuckFull_ = stuck; }
  // The CPLD interface never comes up.
  void setInterfaceNeverReady(bool never) { interfaceNeverReady_ = never; }
  // The free room the next status reads show, one value per read, before
  // the FIFO's own room again (0 is a FIFO with no room).
  void scriptFreeWords(std::vector<uint32_t> script) {
    script_ = std::move(script);
    scriptNext_ = 0;
  }

 private:
  void restart();

  firmwareImage::ImageCheck check_;
  uint64_t words_ = 0;
  uint64_t pushWords_ = 0;
  uint32_t resets_ = 0;
  uint32_t refusals_ = 0;
  bool error_ = false;
  bool accepted_ = false;
  bool ready_ = false;
  bool enabled_ = false;
  bool stuckFull_ = false;
  bool interfaceNeverReady_ = false;
  std::vector<uint32_t> script_;
  size_t scriptNext_ = 0;
  LogPolicy policy_ = LogPolicy::kFull;
};

}  // namespace simboard
