// The bridge chip's interrupt block: the mask register 0x5C (write-1-to-set /
// write-1-to-clear bit pairs: 31/30 global, 29/28, 27/26, 11/10 and 9/8, the
// DMA notification source), the status 0x60 (bit 31 while the queue holds an
// entry, interrupts are on and the DMA source is enabled) and the queue 0x68
// (each read pops one entry: bits 0-13 key, bit 28 notification, bit 30 more
// entries follow; an empty queue reads 0).
//
// Delivery is never made from inside a register access, because the
// interrupt routine and the deferred call themselves write these registers:
// the board keeps the line level (line mode) or counts the messages owed
// (message-signalled mode, one per new entry), and deliverInterrupts() hands
// them to whatever the test connected, usually the stand-in layer's
// raiseInterrupt. Entries may come from DMA engines stepped on a thread of
// their own while the driver reads the queue, so the queue has a lock of its
// own; it is never held while an interrupt is raised.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace simboard {

class BridgeInterruptQueue {
 public:
  static constexpr uint32_t kGlobalEnable = 1u << 31;
  static constexpr uint32_t kGlobalDisable = 1u << 30;
  static constexpr uint32_t kDmaSourceEnable = 1u << 9;
  static constexpr uint32_t kStatusPending = 1u << 31;
  static constexpr uint32_t kEntryMore = 1u << 30;
  static constexpr uint32_t kEntryNotification = 1u << 28;
  static constexpr uint32_t kKeyMask = 0x3FFFu;

  // ---- the registers
  void writeMask(uint32_t value);
  uint32_t readMask() const {
    std::lock_guard<std::mutex> lock(lock_);
    return enabled_;
  }
  uint32_t readStatus() const;
  uint32_t readQueue();

  // ---- sources
  // A notification with the given key (a DMA channel's threshold, say).
  void post(uint32_t key) { push(kEntryNotification | (key & kKeyMask)); }
  // Any raw entry, e.g. one without the notification bit.
  void push(uint32_t entry);

  // ---- delivery
  void setMessageSignalled(bool msi) {
    std::lock_guard<std::mutex> lock(lock_);
    msi_ = msi;
  }
  bool messageSignalled() const {
    std::lock_guard<std::mutex> lock(lock_);
    return msi_;
  }
  bool lineAsserted() const {
    std::lock_guard<std::mutex> lock(lock_);
    return lineAssertedLocked();
  }
  uint32_t messagesOwed() const {
    std::lock_guard<std::mutex> lock(lock_);
    return messagesOwed_;
  }
  void onDeliver(std::function<void()> raise) { raise_ = std::move(raise); }
  // Raises the interrupt while the line stays asserted, or once per owed
  // message; stops after `limit` raises. Returns the number raised.
  uint32_t deliverInterrupts(uint32_t limit = 1000);

  // ---- knobs
  // The device no longer answers: status and queue read all ones.
  void setAllOnes(bool gone) {
    std::lock_guard<std::mutex> lock(lock_);
    allOnes_ = gone;
  }

  // ---- what happened
  uint32_t queued() const {
    std::lock_guard<std::mutex> lock(lock_);
    return static_cast<uint32_t>(entries_.size());
  }
  uint32_t delivered() const {
    std::lock_guard<std::mutex> lock(lock_);
    return delivered_;
  }

 private:
  uint32_t readStatusLocked() const;
  bool lineAssertedLocked() const { return !msi_ && (readStatusLocked() & kStatusPending) != 0 && !allOnes_; }

  mutable std::mutex lock_;
  std::deque<uint32_t> entries_;
  uint32_t enabled_ = 0;
  uint32_t messagesOwed_ = 0;
  uint32_t delivered_ = 0;
  bool msi_ = false;
  bool allOnes_ = false;
  std::function<void()> raise_;
};

}  // namespace simboard
