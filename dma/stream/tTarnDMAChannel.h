// One DMA channel's engine registers in the non-isolated FPGA, located
// through the DMA companion: companion 0x1C gives channel 0's block, bits
// 16-19 of companion 0xC the log2 of the block stride.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "regmaps/model/tPCIMemorySpaceAccessorDebug.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tTarnDMAChannel {
 public:
  using tSpace = tPCIMemorySpaceAccessorDebug<false>;

  // Registers of the block.
  static constexpr uint32_t kLinkAddress = 0x48;  // 64-bit
  static constexpr uint32_t kLinkLength = 0x50;
  static constexpr uint32_t kControl = 0x54;
  static constexpr uint32_t kOperation = 0x58;
  static constexpr uint32_t kStatus = 0x60;
  static constexpr uint32_t kThreshold = 0x90;      // 64-bit
  static constexpr uint32_t kTransferCount = 0xA0;  // 64-bit
  static constexpr uint32_t kCompanionCOREDR = 0xC;
  static constexpr uint32_t kCompanionFirstChannel = 0x1C;

  static constexpr uint32_t kOperationStart = 5;
  static constexpr uint32_t kOperationStop = 2;
  static constexpr uint32_t kOperationArmThreshold = 1u << 25;
  static constexpr uint32_t kControlThresholdInterrupt = 1u << 25;
  static constexpr uint32_t kControlKeepMask = 0xF0FF4FFFu;
  static constexpr uint32_t kStatusReady = 1u << 14;
  static constexpr uint32_t kStatusStopped = 0x0C008000u;

  tTarnDMAChannel(const tSpace& companion, uint64_t channel, nKIVAPALS100::tStatus& status);
  virtual ~tTarnDMAChannel() {}
  tTarnDMAChannel(const tTarnDMAChannel&) = delete;
  tTarnDMAChannel& operator=(const tTarnDMAChannel&) = delete;

  virtual void deactivate() { block_.write32(kOperation, kOperationStop); }
  // The channel reset; the started flag stays until a wait sees it stop.
  virtual void reactivate();
  virtual void onInterrupt(uint32_t statusValue);

  uint64_t getBlockAddress() const { return block_.getAddress(); }
  uint64_t getBlockSize() const { return block_.getSize(); }
  uint32_t getChannel() const { return channel_; }
  // Read by any thread without the channel's lock (a request's early check,
  // the interrupt path), so every access is atomic; only what acts on the
  // flag must hold the lock and look again there.
  bool isStarted() const { return __atomic_load_n(&started_, __ATOMIC_ACQUIRE) != 0; }

 protected:
  void setStarted(bool started) {
    __atomic_store_n(&started_, static_cast<uint8_t>(started ? 1 : 0), __ATOMIC_RELEASE);
  }

  tSpace block_;
  uint32_t channel_;
  uint32_t thresholdEnable_;

 private:
  uint8_t started_;
  static tSpace blockOf(const tSpace& companion, uint32_t channel);
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
