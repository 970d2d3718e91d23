#include "dma/sgl/tTarnSGLChunkyLink.h"

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {
uint32_t wordAt(const uint8_t* where) {
  uint32_t word;
  __builtin_memcpy(&word, where, sizeof(word));
  return word;
}
uint32_t minimum(uint32_t a, uint32_t b) { return a < b ? a : b; }
}  // namespace

// The whole header starts as zeros: until a commit writes it, a link must
// not name a next link the engine could follow.
tTarnSGLChunkyLink::tTarnSGLChunkyLink(tTarnSGLChunkyLink* previous, tLinkPlace place, uint8_t* kernelAddress,
                                       nKIVAPALS100::tStatus&)
    : used_(tarnLink::kHeaderSize),
      previous_(previous),
      next_(nullptr),
      bus_(place.busAddress),
      capacity_(place.capacity),
      kernel_(kernelAddress) {
  const tTarnLinkHeader header{0, 0, 0};
  __builtin_memcpy(kernel_, &header, sizeof(header));
  if (previous_ != nullptr) previous_->next_ = this;
}

void tTarnSGLChunkyLink::addAddressEntry(uint64_t busAddress, uint32_t byteCount, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (!tryAddAddressEntry(busAddress, byteCount)) vorlanSetCode(status, statusCodes::kOutOfMemory);
}

void tTarnSGLChunkyLink::addFillEntry(uint32_t pattern, uint32_t control, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (capacity_ - used_ < tarnLink::kFillEntrySize) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  const tTarnFillEntry entry{pattern, control};
  __builtin_memcpy(kernel_ + used_, &entry, sizeof(entry));
  used_ += tarnLink::kFillEntrySize;
}

uint32_t tTarnSGLChunkyLink::flags() const { return wordAt(kernel_ + 4); }

void tTarnSGLChunkyLink::setFlags(uint32_t flags) { __builtin_memcpy(kernel_ + 4, &flags, sizeof(flags)); }

void tTarnSGLChunkyLink::writeHeader() {
  const uint32_t length = next_ == nullptr ? 0 : next_->used_;
  const uint64_t address = next_ == nullptr ? 0 : next_->bus_;
  __builtin_memcpy(kernel_, &length, sizeof(length));
  __builtin_memcpy(kernel_ + 8, &address, sizeof(address));
}

void tTarnSGLChunkyLink::setNext(tTarnSGLChunkyLink* next) {
  linkTo(next);
  if (next == nullptr) setFlags(flags() | tarnLink::kFlagLast);
}

void tTarnSGLChunkyLink::linkTo(tTarnSGLChunkyLink* next) {
  next_ = next;
  if (next != nullptr) next->previous_ = this;
}

void tTarnSGLChunkyLink::setInterrupt() { setFlags(flags() | tarnLink::kFlagInterrupt); }

void tTarnSGLChunkyLink::clearInterrupt() { setFlags(flags() & ~tarnLink::kFlagInterrupt); }

void tTarnSGLChunkyLink::reset() {
  const tTarnLinkHeader header{0, 0, 0};
  __builtin_memcpy(kernel_, &header, sizeof(header));
  used_ = tarnLink::kHeaderSize;
  previous_ = nullptr;
  next_ = nullptr;
}

uint32_t tTarnSGLChunkyLink::entrySizeAt(uint32_t offset) const {
  return wordAt(entries() + offset + 4) == 0 ? tarnLink::kAddressEntrySize : tarnLink::kFillEntrySize;
}

uint32_t tTarnSGLChunkyLink::findEntryBoundary(uint32_t offset) const {
  const uint32_t rounded = offset & ~7u;
  if (offset <= 7) return rounded;
  // A nonzero second word just below ends a fill entry or an address entry
  // above 4 GiB: either way an entry ends there.
  if (wordAt(entries() + rounded - 8 + 4) != 0) return rounded;
  uint32_t at = 0;
  while (at < rounded - 8) at += entrySizeAt(at);
  return at == rounded - 8 ? rounded - 8 : rounded;
}

uint32_t tTarnSGLChunkyLink::copyEntries(uint32_t sourceOffset, tTarnSGLChunkyLink& destination,
                                         uint32_t limit) const {
  const uint32_t have = getEntryBytes();
  const uint32_t available = sourceOffset >= have ? 0 : have - sourceOffset;
  const uint32_t room = minimum(limit, destination.capacity_ - destination.used_);
  const uint32_t amount = available > room ? findEntryBoundary(sourceOffset + room) - sourceOffset : available;
  if (amount == 0) return 0;
  // A link copying onto its own end reads only bytes below its old end.
  nKIVKAL180_memMove(destination.kernel_ + destination.used_, entries() + sourceOffset, amount);
  destination.used_ += amount;
  return amount;
}

void tTarnSGLChunkyLink::removeFront(uint32_t bytes) {
  const uint32_t rest = getEntryBytes() - bytes;
  if (rest != 0) nKIVKAL180_memMove(entries(), entries() + bytes, rest);
  used_ -= bytes;
}

void tTarnSGLChunkyLink::pullFromFollowing(uint32_t targetLength, const tTarnSGLChunkyLink* stop) {
  tTarnSGLChunkyLink* source = next_;
  while (used_ < targetLength && source != nullptr && source != stop && source != this) {
    const uint32_t copied = source->copyEntries(0, *this, targetLength - used_);
    source->removeFront(copied);
    if (!source->isEmpty()) return;
    source = source->next_;
  }
}

void tTarnSGLChunkyLink::pullFromPreceding(uint32_t targetLength) {
  if (used_ >= targetLength || previous_ == nullptr) return;
  const uint32_t need = targetLength - used_;
  const uint32_t have = previous_->getEntryBytes();
  uint32_t cut = 0;
  if (need < have) {
    cut = previous_->findEntryBoundary(have - need);
    if (cut != have - need) cut += previous_->entrySizeAt(cut);
  }
  const uint32_t moved = have - cut;
  if (moved == 0) return;
  nKIVKAL180_memMove(entries() + moved, entries(), getEntryBytes());
  nKIVKAL180_memCpy(entries(), previous_->entries() + cut, moved);
  previous_->used_ -= moved;
  used_ += moved;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
