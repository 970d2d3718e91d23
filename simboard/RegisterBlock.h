// One register block of the simulated board: a run of BAR offsets backed by
// plain little-endian storage, where individual offsets can carry handlers
// that give the block its behaviour. Offsets are relative to the block.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace simboard {

class RegisterBlock {
 public:
  using ReadHandler = std::function<uint64_t(uint32_t width)>;
  using WriteHandler = std::function<void(uint32_t width, uint64_t value)>;

  explicit RegisterBlock(uint64_t size);
  virtual ~RegisterBlock() = default;
  RegisterBlock(const RegisterBlock&) = delete;
  RegisterBlock& operator=(const RegisterBlock&) = delete;

  uint64_t size() const { return storage_.size(); }

  // An access that starts at an offset with a handler goes to the handler;
  // any other reads and writes the storage.
  uint64_t read(uint64_t offset, uint32_t width);
  void write(uint64_t offset, uint32_t width, uint64_t value);

  // The storage itself, bypassing handlers: what handlers and tests use to
  // keep or look at register contents.
  uint64_t peek(uint64_t offset, uint32_t width) const;
  void poke(uint64_t offset, uint32_t width, uint64_t value);

 protected:
  void onRead(uint64_t offset, ReadHandler handler) { readHandlers_[offset] = std::move(handler); }
  void onWrite(uint64_t offset, WriteHandler handler) { writeHandlers_[offset] = std::move(handler); }

 private:
  // The number of bytes of a `width`-bit access at `offset`; aborts when the
  // access does not lie inside the block.
  uint32_t bytesAt(uint64_t offset, uint32_t width) const;

  std::vector<uint8_t> storage_;
  std::map<uint64_t, ReadHandler> readHandlers_;
  std::map<uint64_t, WriteHandler> writeHandlers_;
};

}  // namespace simboard
