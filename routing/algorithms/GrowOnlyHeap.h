// The arena one routing operation allocates from: blocks are carved from
// chunks and never freed one by one; the arena's end frees every chunk.
#pragma once

#include <stdint.h>

namespace kivark {

class GrowOnlyHeap;

// Allocate (old null), replace (old abandoned, nothing copied) or release
// (size 0) a block of the arena given as context.
typedef void* (*ResizeFn)(void* oldBlock, uint64_t size, void* context);
void* growOnlyHeapResizeFn(void* oldBlock, uint64_t size, void* arena);

class GrowOnlyHeap {
 public:
  static constexpr uint32_t kMarker = 0xFEEB1E;
  static constexpr uint64_t kChunkHeaderSize = 32;

  GrowOnlyHeap(uint64_t chunkSize, uint32_t alignment);
  ~GrowOnlyHeap();
  GrowOnlyHeap(const GrowOnlyHeap&) = delete;
  GrowOnlyHeap& operator=(const GrowOnlyHeap&) = delete;

  void* resize(void* oldBlock, uint64_t size);
  void freeAll();

  uint32_t getLiveBlocks() const { return liveBlocks_; }
  uint32_t getChunksAllocated() const { return chunksAllocated_; }
  uint32_t getBlocksHandedOut() const { return blocksHandedOut_; }
  uint64_t getBytesHandedOut() const { return bytesHandedOut_; }

 private:
  struct Chunk {
    Chunk* next;
    Chunk* previous;
    uint64_t totalSize;
    GrowOnlyHeap* arena;
  };
  static_assert(sizeof(Chunk) == kChunkHeaderSize, "chunk header is 32 bytes");

  void* take(uint64_t size);
  void align();

  Chunk* head_;
  Chunk* tail_;
  uint8_t* cursor_;
  uint64_t remaining_;
  uint64_t chunkSize_;
  uint32_t alignment_;
  uint32_t liveBlocks_;
  // Read in memory dumps only: it tells an arena from other memory.
  [[maybe_unused]] uint32_t marker_;
  uint64_t bytesHandedOut_;
  uint32_t chunksAllocated_;
  uint32_t blocksHandedOut_;
};

}  // namespace kivark
