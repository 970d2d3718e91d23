#include "simboard/DmaChannelBlock.h"

#include <cstring>

#include "kal/include/kalDma.h"

namespace simboard {

namespace {
constexpr uint32_t kLinkHeaderBytes = 16;
constexpr uint32_t kLinkLast = 1u << 31;
constexpr uint32_t kLinkInterrupt = 1u << 30;
constexpr uint32_t kFillCountMask = 0x07FFFFFFu;
constexpr uint32_t kOperationArm = 1u << 25;
// Links in a row that move nothing before the engine calls the chain broken.
constexpr uint32_t kEmptyLinkLimit = 1024;

uint64_t widthMask(uint32_t width) { return width >= 64 ? ~0ull : (1ull << width) - 1; }

template <typename T>
T load(const void* at, uint32_t offset) {
  T value;
  std::memcpy(&value, static_cast<const uint8_t*>(at) + offset, sizeof(value));
  return value;
}
}  // namespace

DmaChannelBlock::DmaChannelBlock(uint32_t channel) : SplitRegisterBlock(0, kSize), channel_(channel) {
  addReadSide(kStatusOffset);
  onRead(kCountLowOffset, [this](uint32_t width) { return count_.load() & widthMask(width); });
  onRead(kCountHighOffset, [this](uint32_t width) { return (count_.load() >> 32) & widthMask(width); });
  onLatchedWrite(kControlOffset, [this](uint32_t, uint64_t value) {
    if ((value & 1) != 0) reset();
    checkThreshold();
  });
  onLatchedWrite(kOperationOffset, [this](uint32_t, uint64_t value) {
    if ((value & kOperationArm) != 0) armed_ = true;
    if ((value & 7) == 5) start();
    if ((value & 7) == 2) stop();
    checkThreshold();
  });
}

uint64_t DmaChannelBlock::read(uint64_t offset, uint32_t width) {
  std::lock_guard<std::mutex> lock(lock_);
  if (offset == kStatusOffset && draining_ != 0) step(kDrainStepBytes);
  return SplitRegisterBlock::read(offset, width);
}

void DmaChannelBlock::write(uint64_t offset, uint32_t width, uint64_t value) {
  std::lock_guard<std::mutex> lock(lock_);
  SplitRegisterBlock::write(offset, width, value);
}

void DmaChannelBlock::reset() {
  armed_ = false;
  count_.store(0);
  requestStop();
  if (!running_) endOfChain_ = false;
}

void DmaChannelBlock::requestStop() {
  if (running_ && drainSteps_ != 0) {
    if (draining_ == 0) draining_ = drainSteps_;
    return;
  }
  halt();
}

void DmaChannelBlock::halt() {
  running_ = false;
  draining_ = 0;
  setStatus(kStatusStopped);
}

void DmaChannelBlock::start() {
  if (neverReady_) return;
  linkBus_ = peek(kLinkAddressOffset, 64);
  linkLength_ = static_cast<uint32_t>(peek(kLinkLengthOffset, 32));
  entryOffset_ = kLinkHeaderBytes;
  entryDone_ = 0;
  emptyLinks_ = 0;
  running_ = true;
  endOfChain_ = false;
  draining_ = 0;
  setStatus(kStatusRunning);
}

void DmaChannelBlock::stop() {
  if (neverStops_) return;
  requestStop();
}

void DmaChannelBlock::fault(uint64_t busAddress, uint64_t length, const char* what) {
  faults_.push_back({busAddress, length, what});
  running_ = false;
  draining_ = 0;
  setStatus(kStatusFault);
}

void DmaChannelBlock::checkThreshold() {
  if (!armed_ || (peek(kControlOffset, 32) & kControlThresholdEnable) == 0) return;
  if (count_.load() < peek(kThresholdOffset, 64)) return;
  armed_ = false;
  ++thresholdNotifications_;
  if (notify_) notify_(channel_);
}

void DmaChannelBlock::countBytes(uint64_t bytes) {
  count_.fetch_add(bytes);
  emptyLinks_ = 0;
  checkThreshold();
}

void DmaChannelBlock::emit(const uint8_t* bytes, uint64_t length) {
  const uint64_t room = sink_.size() < kSinkLimit ? kSinkLimit - sink_.size() : 0;
  sink_.insert(sink_.end(), bytes, bytes + (length < room ? length : room));
}

bool DmaChannelBlock::followLink() {
  const void* header = kalsim::translate(linkBus_, kLinkHeaderBytes);
  if (header == nullptr) {
    fault(linkBus_, kLinkHeaderBytes, "link header not mapped");
    return false;
  }
  const uint32_t nextLength = load<uint32_t>(header, 0);
  const uint32_t flags = load<uint32_t>(header, 4);
  const uint64_t nextAddress = load<uint64_t>(header, 8);
  if ((flags & kLinkInterrupt) != 0) {
    ++linkInterrupts_;
    if (notifyOnLinkInterrupt_ && notify_) notify_(channel_);
  }
  if ((flags & kLinkLast) != 0 || (nextLength == 0 && nextAddress == 0)) {
    endOfChain_ = true;
    return false;
  }
  if (++emptyLinks_ > kEmptyLinkLimit) {
    fault(linkBus_, kLinkHeaderBytes, "the chain loops without moving data");
    return false;
  }
  linkBus_ = nextAddress;
  linkLength_ = nextLength;
  entryOffset_ = kLinkHeaderBytes;
  entryDone_ = 0;
  return true;
}

uint64_t DmaChannelBlock::moveAddressEntry(uint64_t busAddress, uint32_t byteCount, uint64_t budget) {
  const uint64_t remaining = byteCount - entryDone_;
  const uint64_t chunk = remaining < budget ? remaining : budget;
  const uint64_t bus = busAddress + entryDone_;
  uint8_t* host = static_cast<uint8_t*>(kalsim::translate(bus, chunk));
  if (host == nullptr) {
    fault(bus, chunk, "address entry not mapped");
    return 0;
  }
  if (toDevice()) {
    emit(host, chunk);
  } else {
    for (uint64_t i = 0; i < chunk; ++i, ++sourceIndex_) {
      host[i] = source_ ? source_(sourceIndex_) : static_cast<uint8_t>(sourceIndex_);
    }
  }
  entryDone_ += chunk;
  countBytes(chunk);
  return chunk;
}

uint64_t DmaChannelBlock::run(uint64_t maxBytes) {
  std::lock_guard<std::mutex> lock(lock_);
  return step(maxBytes);
}

uint64_t DmaChannelBlock::step(uint64_t maxBytes) {
  const uint64_t moved = walk(maxBytes);
  if (draining_ != 0 && --draining_ == 0 && running_) halt();
  return moved;
}

uint64_t DmaChannelBlock::walk(uint64_t maxBytes) {
  uint64_t moved = 0;
  while (running_ && !endOfChain_ && moved < maxBytes) {
    if (linkLength_ < kLinkHeaderBytes || (linkLength_ - kLinkHeaderBytes) % 8 != 0) {
      fault(linkBus_, linkLength_, "link length");
      break;
    }
    if (entryOffset_ >= linkLength_) {
      followLink();
      continue;
    }
    const uint64_t entryBus = linkBus_ + entryOffset_;
    const void* entry = kalsim::translate(entryBus, 8);
    if (entry == nullptr) {
      fault(entryBus, 8, "link entry not mapped");
      break;
    }
    const uint32_t first = load<uint32_t>(entry, 0);
    const uint32_t second = load<uint32_t>(entry, 4);
    if (second == 0) {
      const void* whole = entryOffset_ + 16 <= linkLength_ ? kalsim::translate(entryBus, 16) : nullptr;
      if (whole == nullptr || first == 0) {
        fault(entryBus, 16, "address entry");
        break;
      }
      moved += moveAddressEntry(load<uint64_t>(whole, 8), first, maxBytes - moved);
      if (entryDone_ == first) {
        entryOffset_ += 16;
        entryDone_ = 0;
      }
      continue;
    }
    const uint64_t count = second & kFillCountMask;
    const uint64_t left = count - entryDone_;
    const uint64_t chunk = left < maxBytes - moved ? left : maxBytes - moved;
    if (toDevice()) {
      uint8_t pattern[4];
      std::memcpy(pattern, &first, 4);
      for (uint64_t i = 0; i < chunk; ++i) emit(&pattern[(entryDone_ + i) & 3], 1);
    } else {
      sourceIndex_ += chunk;
    }
    entryDone_ += chunk;
    moved += chunk;
    countBytes(chunk);
    if (entryDone_ == count) {
      entryOffset_ += 8;
      entryDone_ = 0;
    }
  }
  return moved;
}

}  // namespace simboard
