// One DMA channel's engine registers inside the non-isolated FPGA's window
// of BAR 0, and the engine behind them.
//
// Registers: 0x48 link address (64-bit) and 0x50 link length, 0x54 control
// (bit 0 written resets the channel, bit 25 enables the count-threshold
// notification), 0x58 operation strobes (5 start, 2 stop, bit 25 arms the
// threshold at 0x90 once; reads back the last value written), 0x60 status
// (bit 14 running, bit 15 stopped, bit 26 stopped on a DMA fault), 0xA0 the
// transfer count, one 64-bit register also read as two 32-bit words.
//
// The engine moves data only when a test steps it (run), so loops stay
// bounded and every test is deterministic. Like a real engine beside its
// registers, it may be stepped on a thread of its own while the driver's
// threads access the registers: the block's lock serialises the register
// handlers and each step, so a stop or reset the driver wrote is seen by the
// next step, and a step never overlaps a register access. The sink, the
// source and the faults are for a test to look at once the engine's thread
// is done. It walks the chain named at
// start through the stand-in's fake IOMMU (kalsim::translate): an entry or
// link it cannot translate stops the channel with the fault bit and records
// the fault. Odd channels carry data to the device: what they read is kept
// in the channel's sink. Even channels carry data from the device: they
// write bytes from the channel's source. Fill entries move `count` bytes of
// their pattern (to the sink, or over the source without writing memory).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "simboard/SplitRegisterBlock.h"

namespace simboard {

class DmaChannelBlock : public SplitRegisterBlock {
 public:
  static constexpr uint64_t kSize = 0x100;
  static constexpr uint32_t kChannels = 48;
  static constexpr uint64_t kLinkAddressOffset = 0x48;
  static constexpr uint64_t kLinkLengthOffset = 0x50;
  static constexpr uint64_t kControlOffset = 0x54;
  static constexpr uint64_t kOperationOffset = 0x58;
  static constexpr uint64_t kStatusOffset = 0x60;
  static constexpr uint64_t kThresholdOffset = 0x90;
  static constexpr uint64_t kCountLowOffset = 0xA0;
  static constexpr uint64_t kCountHighOffset = 0xA4;
  static constexpr uint32_t kStatusRunning = 1u << 14;
  static constexpr uint32_t kStatusStopped = 1u << 15;
  static constexpr uint32_t kStatusFault = 1u << 26;
  static constexpr uint32_t kControlThresholdEnable = 1u << 25;
  // Bytes the sink keeps; beyond it, bytes are only counted.
  static constexpr uint64_t kSinkLimit = 64ull << 20;

  static constexpr uint64_t bar0Offset(uint32_t channel) { return 0x80000 + 0x68000 + 0x100ull * channel; }

  explicit DmaChannelBlock(uint32_t channel = 0);

  uint64_t read(uint64_t offset, uint32_t width) override;
  void write(uint64_t offset, uint32_t width, uint64_t value) override;

  // ---- the engine
  // Moves at most `maxBytes` and answers how many moved; 0 when the channel
  // is not running, has reached the end of its chain, or faults.
  uint64_t run(uint64_t maxBytes);
  bool isRunning() const {
    std::lock_guard<std::mutex> lock(lock_);
    return running_;
  }
  bool atEndOfChain() const {
    std::lock_guard<std::mutex> lock(lock_);
    return endOfChain_;
  }
  uint64_t transferCount() const { return count_.load(); }
  void setTransferCount(uint64_t count) { count_.store(count); }
  // What a to-device channel read, in order (up to kSinkLimit bytes).
  const std::vector<uint8_t>& sink() const { return sink_; }
  void clearSink() { sink_.clear(); }
  // The byte a from-device channel writes as its n-th byte (default n & 0xFF).
  void setSource(std::function<uint8_t(uint64_t n)> source) { source_ = std::move(source); }
  bool toDevice() const { return (channel_ & 1) != 0; }

  struct Fault {
    uint64_t busAddress;
    uint64_t length;
    std::string what;
  };
  // The faults the engine stopped on, oldest first.
  const std::vector<Fault>& faults() const { return faults_; }

  // Count-threshold notifications: counted, and passed to the hook (the
  // bridge's interrupt queue, when one is attached) with the channel.
  uint32_t thresholdNotifications() const {
    std::lock_guard<std::mutex> lock(lock_);
    return thresholdNotifications_;
  }
  void onNotification(std::function<void(uint32_t channel)> hook) { notify_ = std::move(hook); }
  // Links whose interrupt flag (bit 30) the engine passed; they notify too
  // when told to.
  uint32_t linkInterrupts() const {
    std::lock_guard<std::mutex> lock(lock_);
    return linkInterrupts_;
  }
  void setNotifyOnLinkInterrupt(bool notify) { notifyOnLinkInterrupt_ = notify; }

  // ---- switches that make a hardware step fail
  void setNeverReady(bool never) {
    std::lock_guard<std::mutex> lock(lock_);
    neverReady_ = never;
  }
  void setNeverStops(bool never) {
    std::lock_guard<std::mutex> lock(lock_);
    neverStops_ = never;
  }
  // A stop or reset asked of a running engine lets it go on walking its
  // chain, links included, for `steps` more steps, as an engine finishing
  // the fetches it has in flight; only then does it show the stopped status
  // and fetch nothing more. A step is a run, or a read of the status
  // register (the engine goes on while the driver polls), which moves up to
  // kDrainStepBytes. 0 (the default): it stops at once.
  static constexpr uint64_t kDrainStepBytes = 256;
  void setStopDrain(uint32_t steps) {
    std::lock_guard<std::mutex> lock(lock_);
    drainSteps_ = steps;
  }
  bool isDraining() const {
    std::lock_guard<std::mutex> lock(lock_);
    return draining_ != 0;
  }

 private:
  void start();
  void stop();
  void reset();
  // Ends the walk, at once or after the drain.
  void requestStop();
  void halt();
  uint64_t step(uint64_t maxBytes);
  uint64_t walk(uint64_t maxBytes);
  void fault(uint64_t busAddress, uint64_t length, const char* what);
  void setStatus(uint32_t status) { setReadSide(kStatusOffset, status); }
  void checkThreshold();
  // The next link's header: false at the end of the chain or on a fault.
  bool followLink();
  void countBytes(uint64_t bytes);
  uint64_t moveAddressEntry(uint64_t busAddress, uint32_t byteCount, uint64_t budget);
  void emit(const uint8_t* bytes, uint64_t length);

  // Taken by the register handlers and by each step of the engine.
  mutable std::mutex lock_;
  uint32_t channel_;
  std::atomic<uint64_t> count_{0};
  bool running_ = false;
  bool endOfChain_ = false;
  bool armed_ = false;
  uint64_t linkBus_ = 0;
  uint32_t linkLength_ = 0;
  uint32_t entryOffset_ = 0;  // from the start of the link
  uint64_t entryDone_ = 0;    // bytes of the current entry already moved
  uint32_t emptyLinks_ = 0;   // links in a row that moved nothing
  uint64_t sourceIndex_ = 0;
  std::vector<uint8_t> sink_;
  std::function<uint8_t(uint64_t)> source_;
  std::vector<Fault> faults_;
  uint32_t thresholdNotifications_ = 0;
  uint32_t linkInterrupts_ = 0;
  bool notifyOnLinkInterrupt_ = false;
  std::function<void(uint32_t)> notify_;
  bool neverReady_ = false;
  bool neverStops_ = false;
  uint32_t drainSteps_ = 0;
  uint32_t draining_ = 0;  // steps left before a requested stop shows
};

}  // namespace simboard
