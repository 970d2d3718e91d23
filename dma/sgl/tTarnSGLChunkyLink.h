// One link of a chain: its header and entries live in DMA link memory,
// written through the kernel view; the record itself is on the kernel heap.
#pragma once

#include <stdint.h>

#include "dma/sgl/tTarnLinkFormat.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tLinkPlace {
  uint64_t busAddress;
  uint32_t capacity;
};

class tTarnSGLChunkyLink {
 public:
  tTarnSGLChunkyLink(tTarnSGLChunkyLink* previous, tLinkPlace place, uint8_t* kernelAddress,
                     nKIVAPALS100::tStatus& status);
  tTarnSGLChunkyLink(const tTarnSGLChunkyLink&) = delete;
  tTarnSGLChunkyLink& operator=(const tTarnSGLChunkyLink&) = delete;

  // True when the entry went in; the fast path of every append.
  bool tryAddAddressEntry(uint64_t busAddress, uint32_t byteCount) {
    if (capacity_ - used_ < tarnLink::kAddressEntrySize) return false;
    const tTarnAddressEntry entry{byteCount, 0, busAddress};
    __builtin_memcpy(kernel_ + used_, &entry, sizeof(entry));
    used_ += tarnLink::kAddressEntrySize;
    return true;
  }
  void addAddressEntry(uint64_t busAddress, uint32_t byteCount, nKIVAPALS100::tStatus& status);
  void addFillEntry(uint32_t pattern, uint32_t control, nKIVAPALS100::tStatus& status);

  void writeHeader();
  void setNext(tTarnSGLChunkyLink* next);
  // Points at the next link (or none) without touching the flags.
  void linkTo(tTarnSGLChunkyLink* next);
  // Points into another chain, whose links keep their own neighbours.
  void runInto(tTarnSGLChunkyLink* next) { next_ = next; }
  void setInterrupt();
  void clearInterrupt();
  bool hasInterrupt() const { return (flags() & tarnLink::kFlagInterrupt) != 0; }
  void reset();

  uint32_t findEntryBoundary(uint32_t offset) const;
  uint32_t copyEntries(uint32_t sourceOffset, tTarnSGLChunkyLink& destination, uint32_t limit) const;
  void pullFromFollowing(uint32_t targetLength, const tTarnSGLChunkyLink* stop);
  void pullFromPreceding(uint32_t targetLength);

  uint32_t getUsedLength() const { return used_; }
  uint32_t getEntryBytes() const { return used_ - tarnLink::kHeaderSize; }
  bool isEmpty() const { return used_ == tarnLink::kHeaderSize; }
  uint32_t getCapacity() const { return capacity_; }
  uint64_t getBusAddress() const { return bus_; }
  uint8_t* getKernelAddress() const { return kernel_; }
  tTarnSGLChunkyLink* getPrevious() const { return previous_; }
  tTarnSGLChunkyLink* getNext() const { return next_; }
  uint32_t flags() const;

 private:
  uint8_t* entries() const { return kernel_ + tarnLink::kHeaderSize; }
  // Bytes of the entry that starts at an entry-area offset.
  uint32_t entrySizeAt(uint32_t offset) const;
  // Drops the first `bytes` entry bytes, moving the rest to the front.
  void removeFront(uint32_t bytes);
  void setFlags(uint32_t flags);

  uint32_t used_;
  tTarnSGLChunkyLink* previous_;
  tTarnSGLChunkyLink* next_;
  uint64_t bus_;
  uint32_t capacity_;
  uint8_t* kernel_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
