// The bridge's FPGA loader as a state machine: idle until a start, then
// ready for data, counting and checking the bytes as they arrive (nothing is
// stored, nothing allocated), done only when exactly the announced size
// arrived and the stream is the stand-in image of the FPGA behind the port
// select (2: non-isolated, 3: isolated). Boards learn of a finished load
// through the listener.
#pragma once

#include <cstdint>
#include <functional>

#include "simboard/FirmwareImageFormat.h"

namespace simboard {

class FpgaLoader {
 public:
  enum class State : uint8_t { kIdle, kReady, kDone };
  static constexpr uint32_t kReadyForData = 0x4;
  static constexpr uint32_t kDone = 0x20;
  static constexpr uint32_t kNisoPortSelect = 2;
  static constexpr uint32_t kIsoPortSelect = 3;

  // A start: the announced size and the port select at that moment.
  void start(uint64_t bytes, uint32_t portSelect);
  void take(uint64_t value, uint32_t bytes) {
    if (state_ != State::kReady) return;
    check_.take(value, bytes);
    if (check_.bytes() >= expected_) finish();
  }
  uint32_t status() const;

  // ---- knobs: for every load, or only for loads behind one port select
  void setNeverReady(bool never) { neverReady_ = never ? kEveryPort : 0; }
  void setNeverDone(bool never) { neverDone_ = never ? kEveryPort : 0; }
  void setNeverReadyOn(uint32_t portSelect, bool never) { setPortBit(neverReady_, portSelect, never); }
  void setNeverDoneOn(uint32_t portSelect, bool never) { setPortBit(neverDone_, portSelect, never); }
  // Called with the port select of every load that completed with a good image.
  void setListener(std::function<void(uint32_t portSelect)> listener) { listener_ = std::move(listener); }

  // ---- what the loads delivered
  State state() const { return state_; }
  uint32_t starts() const { return starts_; }
  uint64_t bytesReceived() const { return check_.bytes(); }
  bool lastLoadVerified() const { return verified_; }
  uint32_t portSelect() const { return portSelect_; }

 private:
  void finish();

  firmwareImage::ImageCheck check_;
  State state_ = State::kIdle;
  uint64_t expected_ = 0;
  uint32_t portSelect_ = 0;
  uint32_t starts_ = 0;
  bool verified_ = false;
  static constexpr uint32_t kEveryPort = 0xFFu;
  static void setPortBit(uint32_t& ports, uint32_t portSelect, bool on) {
    const uint32_t bit = 1u << (portSelect & 7);
    ports = on ? ports | bit : ports & ~bit;
  }
  // One bit per port select (0-7) whose loads never show the state.
  uint32_t neverReady_ = 0;
  uint32_t neverDone_ = 0;
  std::function<void(uint32_t)> listener_;
};

}  // namespace simboard
