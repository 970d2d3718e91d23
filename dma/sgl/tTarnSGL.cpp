#include "dma/sgl/tTarnSGL.h"

#include "dma/memory/tStandardDMAMap.h"
#include "dma/sgl/tDMALinkMemory.h"
#include "kal/include/nKIVKAL.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tTarnSGL::tTarnSGL() : linkSize_(0), first_(nullptr), current_(nullptr), configuration_(nullptr), blocks_(nullptr) {}

tTarnSGL::~tTarnSGL() { destroyAll(); }

tTarnSGL::tLinkMemory* tTarnSGL::allocateLinkMemory(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  const uint64_t pageSize = nKIVKAL100_getPageSize();
  const uint64_t bytes = (linkSize_ + pageSize - 1) / pageSize * pageSize;
  tDMALinkMemory<tStandardDMAMap>* block = kivNew(status) tDMALinkMemory<tStandardDMAMap>(*configuration_);
  if (block == nullptr) return nullptr;
  block->create(bytes, status);
  if (status.isFatal()) {
    delete block;
    return nullptr;
  }
  return block;
}

bool tTarnSGL::hasLinks(nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return false;
  if (first_ != nullptr) return true;
  vorlanSetCode(status, statusCodes::kNoLinkMemory);
  return false;
}

void tTarnSGL::initialize(const tDMAConfiguration& configuration, uint32_t linkSize, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  destroyAll();
  if (linkSize < kMinimumLinkSize) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  configuration_ = &configuration;
  linkSize_ = linkSize;
  allocateLink(status);
}

tTarnSGLChunkyLink* tTarnSGL::allocateLink(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (configuration_ == nullptr) {
    vorlanSetCode(status, statusCodes::kNoLinkMemory);
    return nullptr;
  }
  tLinkMemory* block = blocks_;
  if (block == nullptr || !block->hasRoomFor(linkSize_)) {
    block = allocateLinkMemory(status);
    if (block == nullptr) return nullptr;
    block->setNext(blocks_);
    blocks_ = block;
  }
  const uint64_t offset = block->getUsedOffset();
  tTarnSGLChunkyLink* link = kivNew(status)
      tTarnSGLChunkyLink(current_, {block->getBusAddress() + offset, linkSize_}, block->getKernelAddress() + offset, status);
  if (link == nullptr) return nullptr;
  block->consume(linkSize_);
  if (first_ == nullptr) first_ = link;
  current_ = link;
  return link;
}

void tTarnSGL::appendInNewLink(uint64_t busAddress, uint32_t byteCount, nKIVAPALS100::tStatus& status) {
  if (allocateLink(status) == nullptr) return;
  current_->addAddressEntry(busAddress, byteCount, status);
}

tTarnSGLChunkyLink* tTarnSGL::addAddress(uint64_t busAddress, uint64_t byteCount, nKIVAPALS100::tStatus& status,
                                         bool startNewLink) {
  if (!hasLinks(status)) return current_;
  if (byteCount == 0) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return current_;
  }
  if (startNewLink && !current_->isEmpty() && allocateLink(status) == nullptr) return current_;
  // An entry counts at most 32 bits of bytes: longer pieces go in as
  // several entries, all after the first starting on a page boundary.
  while (byteCount != 0 && status.isNotFatal()) {
    uint64_t piece = byteCount;
    if (piece > 0xFFFFFFFFull) piece = tarnLink::kMaxEntryBytes - (busAddress & 0xFFFu);
    if (!current_->tryAddAddressEntry(busAddress, static_cast<uint32_t>(piece))) {
      appendInNewLink(busAddress, static_cast<uint32_t>(piece), status);
    }
    busAddress += piece;
    byteCount -= piece;
  }
  return current_;
}

void tTarnSGL::addSGL(tStandardDMAMap& map, nKIVAPALS100::tStatus& status) {
  if (!hasLinks(status)) return;
  while (map.moreSGLSegments()) {
    const tDMASegment segment = map.nextSGLSegment();
    if (segment.length - 1 < 0xFFFFFFFFull &&
        current_->tryAddAddressEntry(segment.busAddress, static_cast<uint32_t>(segment.length))) {
      continue;
    }
    addAddress(segment.busAddress, segment.length, status, false);
    if (status.isFatal()) return;
  }
}

void tTarnSGL::addFill(uint32_t pattern, uint32_t count, uint32_t widthSelector, nKIVAPALS100::tStatus& status) {
  if (!hasLinks(status)) return;
  if (count == 0 || count > tarnLink::kFillCountMask || widthSelector > 4) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  const uint32_t control =
      tarnLink::kFillMarker | (tarnLink::fillWidthCode(widthSelector) << tarnLink::kFillWidthShift) | count;
  const uint32_t stored = tarnLink::fillPattern(pattern, widthSelector);
  nKIVAPALS100::tStatus scratch;
  current_->addFillEntry(stored, control, scratch);
  if (scratch.isNotFatal()) return;
  if (allocateLink(status) == nullptr) return;
  current_->addFillEntry(stored, control, status);
}

uint32_t tTarnSGL::countLinks() const {
  uint32_t count = 0;
  for (const tTarnSGLChunkyLink* link = first_; link != nullptr; link = link->getNext()) {
    ++count;
    if (link == current_) break;
  }
  return count;
}

void tTarnSGL::commitHeaders(nKIVAPALS100::tStatus& status) {
  if (!hasLinks(status)) return;
  for (tTarnSGLChunkyLink* link = first_; link != nullptr; link = link->getNext()) {
    link->writeHeader();
    if (link == current_) break;
  }
  for (tLinkMemory* block = blocks_; block != nullptr; block = block->getNext()) block->commit();
}

void tTarnSGL::terminate(nKIVAPALS100::tStatus& status) {
  if (!hasLinks(status)) return;
  current_->setNext(nullptr);
  commitHeaders(status);
}

// The links after `last` are this chain's own up to the current link; what
// the current link points at (the loop start, or a continuous chain a
// finite one runs into) is not.
void tTarnSGL::freeLinksAfter(tTarnSGLChunkyLink* last) {
  if (last == current_) return;
  for (tTarnSGLChunkyLink* link = last->getNext();;) {
    tTarnSGLChunkyLink* next = link->getNext();
    const bool wasCurrent = link == current_;
    delete link;
    if (wasCurrent) return;
    link = next;
  }
}

uint32_t tTarnSGL::compact() {
  if (first_ == nullptr) return 0;
  tTarnSGLChunkyLink* const stop = current_->getNext();
  uint32_t count = 0;
  tTarnSGLChunkyLink* empty = nullptr;
  for (tTarnSGLChunkyLink* link = first_;;) {
    link->pullFromFollowing(linkSize_, stop);
    if (link->isEmpty()) {
      empty = link;
      break;
    }
    ++count;
    tTarnSGLChunkyLink* next = link->getNext();
    if (link == current_ || next == nullptr || next == stop || next == first_) break;
    link = next;
  }
  if (empty == nullptr) return count;
  // Everything from the empty link on is empty: the link before it ends the
  // chain now, pointing wherever the old end pointed.
  tTarnSGLChunkyLink* const last = empty == first_ ? first_ : empty->getPrevious();
  freeLinksAfter(last);
  last->linkTo(stop);
  current_ = last;
  return count;
}

void tTarnSGL::balance() {
  if (first_ == nullptr || first_ == current_) return;
  if (first_->getNext() == current_ && current_->hasInterrupt()) return;
  const uint32_t links = compact();
  if (links == 0) return;
  const uint32_t used = current_->getUsedLength();
  if (used > linkSize_ / 2) return;
  const uint32_t share = ((linkSize_ - used) / tarnLink::kAddressEntrySize) / links;
  const uint32_t reserve = share != 0 ? share * tarnLink::kAddressEntrySize : tarnLink::kAddressEntrySize;
  const uint32_t target = linkSize_ - reserve;
  if (used >= target || current_ == first_) return;
  tTarnSGLChunkyLink* link = current_;
  do {
    link->pullFromPreceding(target);
    link = link->getPrevious();
  } while (link != nullptr && link->getUsedLength() < target && link != first_);
}

void tTarnSGL::replicateSingleLink(nKIVAPALS100::tStatus& status) {
  const uint32_t pattern = first_->getEntryBytes();
  if (pattern == 0) return;
  tTarnSGLChunkyLink* second = allocateLink(status);
  if (second == nullptr) return;
  const uint32_t wholeCopies = (linkSize_ - tarnLink::kHeaderSize) / pattern;
  for (uint32_t copy = 1; copy < wholeCopies; ++copy) first_->copyEntries(0, *first_, pattern);
  const uint32_t partial = first_->copyEntries(0, *first_, pattern);
  first_->copyEntries(partial, *second, pattern - partial);
  while (second->getCapacity() - second->getUsedLength() >= pattern) first_->copyEntries(0, *second, pattern);
}

void tTarnSGL::commitLoop(bool interruptRequest, nKIVAPALS100::tStatus& status) {
  if (!hasLinks(status)) return;
  balance();
  if (first_ == current_) {
    replicateSingleLink(status);
    if (status.isFatal()) return;
  }
  // A loop closed before may have grown or shrunk since, or now runs behind
  // a finite chain: the flag goes only where this close asks for it.
  for (tTarnSGLChunkyLink* link = first_;; link = link->getNext()) {
    link->clearInterrupt();
    if (link == current_) break;
  }
  current_->setNext(first_);
  if (interruptRequest && countLinks() == 2) current_->setInterrupt();
  commitHeaders(status);
}

void tTarnSGL::reset() {
  if (first_ != nullptr) {
    freeLinksAfter(first_);
    first_->reset();
    current_ = first_;
  }
  if (blocks_ == nullptr) return;
  while (blocks_->getNext() != nullptr) {
    tLinkMemory* older = blocks_->getNext();
    delete blocks_;
    blocks_ = older;
  }
  blocks_->reset();
  if (first_ != nullptr) blocks_->consume(linkSize_);
}

void tTarnSGL::destroyAll() {
  reset();
  delete first_;
  first_ = nullptr;
  current_ = nullptr;
  delete blocks_;
  blocks_ = nullptr;
}

tTarnSGL::tLinkMemory* tTarnSGL::takeLinkMemory() {
  if (first_ != nullptr) {
    freeLinksAfter(first_);
    delete first_;
  }
  first_ = nullptr;
  current_ = nullptr;
  tLinkMemory* blocks = blocks_;
  blocks_ = nullptr;
  return blocks;
}

tTarnSGL::tFirstLink tTarnSGL::getFirstLink() const {
  if (first_ == nullptr) return {0, 0};
  return {first_->getBusAddress(), first_->getUsedLength()};
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
