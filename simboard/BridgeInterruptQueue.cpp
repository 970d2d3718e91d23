#include "simboard/BridgeInterruptQueue.h"

namespace simboard {

namespace {
// Enable bits of the set/clear pairs; the clear bit is one below each.
constexpr uint32_t kPairEnables[] = {1u << 31, 1u << 29, 1u << 27, 1u << 11, 1u << 9};
}  // namespace

void BridgeInterruptQueue::writeMask(uint32_t value) {
  std::lock_guard<std::mutex> lock(lock_);
  for (uint32_t enable : kPairEnables) {
    if ((value & enable) != 0) enabled_ |= enable;
    if ((value & (enable >> 1)) != 0) enabled_ &= ~enable;
  }
}

uint32_t BridgeInterruptQueue::readStatus() const {
  std::lock_guard<std::mutex> lock(lock_);
  return readStatusLocked();
}

uint32_t BridgeInterruptQueue::readStatusLocked() const {
  if (allOnes_) return 0xFFFFFFFFu;
  const bool on = (enabled_ & kGlobalEnable) != 0 && (enabled_ & kDmaSourceEnable) != 0;
  return on && !entries_.empty() ? kStatusPending : 0;
}

uint32_t BridgeInterruptQueue::readQueue() {
  std::lock_guard<std::mutex> lock(lock_);
  if (allOnes_) return 0xFFFFFFFFu;
  if (entries_.empty()) return 0;
  uint32_t entry = entries_.front();
  entries_.pop_front();
  if (!entries_.empty()) entry |= kEntryMore;
  return entry;
}

void BridgeInterruptQueue::push(uint32_t entry) {
  std::lock_guard<std::mutex> lock(lock_);
  entries_.push_back(entry & ~kEntryMore);
  if (msi_) ++messagesOwed_;
}

uint32_t BridgeInterruptQueue::deliverInterrupts(uint32_t limit) {
  uint32_t raised = 0;
  while (raised < limit && raise_) {
    {
      std::lock_guard<std::mutex> lock(lock_);
      if (msi_) {
        if (messagesOwed_ == 0) break;
        --messagesOwed_;
      } else if (!lineAssertedLocked()) {
        break;
      }
      ++delivered_;
    }
    ++raised;
    raise_();
  }
  return raised;
}

}  // namespace simboard
