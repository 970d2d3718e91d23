#include "simboard/RegisterBlock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace simboard {

RegisterBlock::RegisterBlock(uint64_t size, uint32_t offsetShift)
    : storage_(size << offsetShift, 0), offsetShift_(offsetShift) {}

template <class Handler>
Handler* RegisterBlock::find(std::vector<std::pair<uint64_t, Handler>>& handlers, uint64_t offset) {
  auto it = std::lower_bound(handlers.begin(), handlers.end(), offset,
                             [](const std::pair<uint64_t, Handler>& h, uint64_t at) { return h.first < at; });
  return it != handlers.end() && it->first == offset ? &it->second : nullptr;
}

template <class Handler>
void RegisterBlock::add(std::vector<uint64_t>& marks, std::vector<std::pair<uint64_t, Handler>>& handlers,
                        uint64_t offset, Handler handler) {
  if (marks.empty()) marks.assign((size() + 63) / 64, 0);
  marks[offset >> 6] |= 1ull << (offset & 63);
  if (Handler* existing = find(handlers, offset)) {
    *existing = std::move(handler);
    return;
  }
  auto it = std::lower_bound(handlers.begin(), handlers.end(), offset,
                             [](const std::pair<uint64_t, Handler>& h, uint64_t at) { return h.first < at; });
  handlers.insert(it, {offset, std::move(handler)});
}

void RegisterBlock::onRead(uint64_t offset, ReadHandler handler) {
  add(readMarks_, readHandlers_, offset, std::move(handler));
}

void RegisterBlock::onWrite(uint64_t offset, WriteHandler handler) {
  add(writeMarks_, writeHandlers_, offset, std::move(handler));
}

uint64_t RegisterBlock::read(uint64_t offset, uint32_t width) {
  if (offset < size() && hasHandler(readMarks_, offset)) return (*find(readHandlers_, offset))(width);
  return peek(offset, width);
}

void RegisterBlock::write(uint64_t offset, uint32_t width, uint64_t value) {
  if (offset < size() && hasHandler(writeMarks_, offset)) {
    (*find(writeHandlers_, offset))(width, value);
    return;
  }
  poke(offset, width, value);
}

// A block never grows: an access past its end is a fault of the test or of
// the board's layout, so it stops the run.
uint32_t RegisterBlock::bytesAt(uint64_t offset, uint32_t width) const {
  const uint32_t bytes = width / 8;
  if (offset >= size() || (offset << offsetShift_) + bytes > storage_.size()) {
    std::fprintf(stderr, "simboard: %u-bit access at block offset %#llx beyond the block\n", width,
                 static_cast<unsigned long long>(offset));
    std::abort();
  }
  return bytes;
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the storage is the bus's little-endian bytes");

uint64_t RegisterBlock::peek(uint64_t offset, uint32_t width) const {
  const uint32_t bytes = bytesAt(offset, width);
  uint64_t value = 0;
  std::memcpy(&value, storage_.data() + (offset << offsetShift_), bytes);
  return value;
}

void RegisterBlock::poke(uint64_t offset, uint32_t width, uint64_t value) {
  const uint32_t bytes = bytesAt(offset, width);
  std::memcpy(storage_.data() + (offset << offsetShift_), &value, bytes);
}

}  // namespace simboard
