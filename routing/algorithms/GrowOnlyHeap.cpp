#include "routing/algorithms/GrowOnlyHeap.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/status/tStatus.h"

namespace kivark {

void* growOnlyHeapResizeFn(void* oldBlock, uint64_t size, void* arena) {
  if (arena == nullptr) return nullptr;
  return static_cast<GrowOnlyHeap*>(arena)->resize(oldBlock, size);
}

GrowOnlyHeap::GrowOnlyHeap(uint64_t chunkSize, uint32_t alignment)
    : head_(nullptr),
      tail_(nullptr),
      cursor_(nullptr),
      remaining_(0),
      chunkSize_(chunkSize),
      alignment_(alignment == 0 ? 1 : alignment),
      liveBlocks_(0),
      marker_(kMarker),
      bytesHandedOut_(0),
      chunksAllocated_(0),
      blocksHandedOut_(0) {}

GrowOnlyHeap::~GrowOnlyHeap() { freeAll(); }

void GrowOnlyHeap::freeAll() {
  while (head_ != nullptr) {
    Chunk* chunk = head_;
    head_ = chunk->next;
    vorlan_driver::nKIVAPAL000::release(chunk);
  }
  tail_ = nullptr;
  cursor_ = nullptr;
  remaining_ = 0;
}

void* GrowOnlyHeap::resize(void* oldBlock, uint64_t size) {
  if (oldBlock != nullptr) --liveBlocks_;
  if (size == 0) return nullptr;
  if (remaining_ >= size) return take(size);
  uint64_t wanted = chunkSize_;
  if (size > chunkSize_ - kChunkHeaderSize) wanted = size + alignment_ + kChunkHeaderSize;
  // The caller reports its own code for a block it could not have.
  nKIVAPALS100::tStatus scratch;
  Chunk* chunk = static_cast<Chunk*>(vorlan_driver::nKIVAPAL000::allocate(wanted, scratch, 0));
  if (chunk == nullptr) return nullptr;
  ++chunksAllocated_;
  chunk->next = nullptr;
  chunk->previous = tail_;
  chunk->totalSize = wanted;
  chunk->arena = this;
  if (tail_ != nullptr) tail_->next = chunk;
  else head_ = chunk;
  tail_ = chunk;
  cursor_ = reinterpret_cast<uint8_t*>(chunk) + kChunkHeaderSize;
  remaining_ = wanted - kChunkHeaderSize;
  align();
  if (size > remaining_) return nullptr;
  return take(size);
}

void* GrowOnlyHeap::take(uint64_t size) {
  void* block = cursor_;
  cursor_ += size;
  remaining_ -= size;
  align();
  ++liveBlocks_;
  ++blocksHandedOut_;
  bytesHandedOut_ += size;
  return block;
}

void GrowOnlyHeap::align() {
  uint64_t misalignment = reinterpret_cast<uintptr_t>(cursor_) % alignment_;
  if (misalignment == 0) return;
  uint64_t step = alignment_ - misalignment;
  cursor_ += step;
  remaining_ = remaining_ > step ? remaining_ - step : 0;
}

}  // namespace kivark
