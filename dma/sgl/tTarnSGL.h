// A chain of links in DMA link memory: entries are appended to its current
// (last) link, links are carved from page-sized blocks, and commits write
// the headers and hand the memory to the device.
#pragma once

#include <stdint.h>

#include "dma/memory/tDMAMapCore.h"
#include "dma/sgl/tTarnSGLChunkyLink.h"
#include "platform/device/tDMAConfiguration.h"
#include "platform/device/tKeptDMAMemory.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tStandardDMAMap;

class tTarnSGL {
 public:
  class tLinkMemory;
  template <typename Map>
  class tDMALinkMemory;

  struct tFirstLink {
    uint64_t busAddress;
    uint32_t usedLength;
  };

  // Allocation flags and alignment of link memory.
  static constexpr uint32_t kLinkMemoryFlags = 5;
  static constexpr uint64_t kLinkMemoryAlignment = 512;
  // The smallest link that holds a header and one address entry.
  static constexpr uint32_t kMinimumLinkSize = 32;

  tTarnSGL();
  virtual ~tTarnSGL();
  tTarnSGL(const tTarnSGL&) = delete;
  tTarnSGL& operator=(const tTarnSGL&) = delete;

  virtual tLinkMemory* allocateLinkMemory(nKIVAPALS100::tStatus& status);

  void initialize(const tDMAConfiguration& configuration, uint32_t linkSize, nKIVAPALS100::tStatus& status);
  tTarnSGLChunkyLink* allocateLink(nKIVAPALS100::tStatus& status);
  tTarnSGLChunkyLink* addAddress(uint64_t busAddress, uint64_t byteCount, nKIVAPALS100::tStatus& status,
                                 bool startNewLink);
  void addSGL(tStandardDMAMap& map, nKIVAPALS100::tStatus& status);
  // A fill entry of `count` units of `pattern` at width selector 0-4.
  void addFill(uint32_t pattern, uint32_t count, uint32_t widthSelector, nKIVAPALS100::tStatus& status);

  void commitHeaders(nKIVAPALS100::tStatus& status);
  void terminate(nKIVAPALS100::tStatus& status);
  uint32_t compact();
  void balance();
  void commitLoop(bool interruptRequest, nKIVAPALS100::tStatus& status);
  void reset();
  void destroyAll();
  // For a chain the device may still be walking: frees the link records,
  // which only the driver reads, and hands over the link memory the device
  // reads (newest block first), neither rewritten, unmapped nor freed. The
  // chain is left without links, as one whose first link could not be made.
  tLinkMemory* takeLinkMemory();

  tFirstLink getFirstLink() const;
  bool isEmpty() const { return first_ == nullptr || first_->isEmpty(); }
  uint32_t getLinkSize() const { return linkSize_; }
  tTarnSGLChunkyLink* getFirst() const { return first_; }
  tTarnSGLChunkyLink* getCurrent() const { return current_; }
  const tDMAConfiguration* getConfiguration() const { return configuration_; }
  tLinkMemory* getLinkMemory() const { return blocks_; }
  // Links from the first up to the current one.
  uint32_t countLinks() const;

 protected:
  // False (with -52017) for a chain whose first link could not be made.
  bool hasLinks(nKIVAPALS100::tStatus& status) const;
  void setCurrent(tTarnSGLChunkyLink* link) { current_ = link; }

 private:
  // Slow path of an append: the current link is full.
  void appendInNewLink(uint64_t busAddress, uint32_t byteCount, nKIVAPALS100::tStatus& status);
  // Frees every link after `last` up to and including the current link.
  void freeLinksAfter(tTarnSGLChunkyLink* last);
  void replicateSingleLink(nKIVAPALS100::tStatus& status);

  uint32_t linkSize_;
  tTarnSGLChunkyLink* first_;
  tTarnSGLChunkyLink* current_;
  const tDMAConfiguration* configuration_;
  tLinkMemory* blocks_;  // newest first
};

// A block of link memory links are carved from, on 512-byte boundaries.
class tTarnSGL::tLinkMemory : public tKeptDMAMemory {
 public:
  tLinkMemory() : usedOffset_(0), busAddress_(0), size_(0), kernelAddress_(nullptr), next_(nullptr) {}
  ~tLinkMemory() override {}
  tLinkMemory(const tLinkMemory&) = delete;
  tLinkMemory& operator=(const tLinkMemory&) = delete;

  // Makes every write to the block visible to the device.
  virtual void commit() = 0;
  uint64_t getKeptBytes() const override { return size_; }

  void consume(uint32_t linkSize) {
    const uint64_t end = usedOffset_ + linkSize;
    usedOffset_ = (end + kLinkMemoryAlignment - 1) & ~(kLinkMemoryAlignment - 1);
  }
  void reset() {
    usedOffset_ = 0;
    next_ = nullptr;
  }
  bool hasRoomFor(uint32_t linkSize) const { return size_ >= usedOffset_ && size_ - usedOffset_ >= linkSize; }

  uint64_t getUsedOffset() const { return usedOffset_; }
  uint64_t getBusAddress() const { return busAddress_; }
  uint64_t getSize() const { return size_; }
  uint8_t* getKernelAddress() const { return kernelAddress_; }
  tLinkMemory* getNext() const { return next_; }
  void setNext(tLinkMemory* next) { next_ = next; }

 protected:
  uint64_t usedOffset_;
  uint64_t busAddress_;
  uint64_t size_;
  uint8_t* kernelAddress_;
  tLinkMemory* next_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
