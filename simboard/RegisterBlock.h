// One register block of the simulated board: a run of offsets in an address
// space backed by plain little-endian storage, where individual offsets can
// carry handlers that give the block its behaviour, or a derived block
// answers every access itself by overriding read and write. Offsets are
// relative to the block. Each block counts the reads and writes it served and
// says how much of its traffic the board's log keeps (LogPolicy).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "simboard/AccessLog.h"

namespace simboard {

class RegisterBlock {
 public:
  using ReadHandler = std::function<uint64_t(uint32_t width)>;
  using WriteHandler = std::function<void(uint32_t width, uint64_t value)>;

  // `size` offsets; in a word-addressed space one offset is 2^offsetShift
  // bytes of storage (2: 32-bit words).
  explicit RegisterBlock(uint64_t size, uint32_t offsetShift = 0);
  virtual ~RegisterBlock() = default;
  RegisterBlock(const RegisterBlock&) = delete;
  RegisterBlock& operator=(const RegisterBlock&) = delete;

  uint64_t size() const { return storage_.size() >> offsetShift_; }

  // An access that starts at an offset with a handler goes to the handler;
  // any other reads and writes the storage.
  virtual uint64_t read(uint64_t offset, uint32_t width);
  virtual void write(uint64_t offset, uint32_t width, uint64_t value);

  // The storage itself, bypassing handlers: what handlers and tests use to
  // keep or look at register contents.
  uint64_t peek(uint64_t offset, uint32_t width) const;
  void poke(uint64_t offset, uint32_t width, uint64_t value);

  // ---- log policy and counters
  void setLogPolicy(LogPolicy policy) { policy_ = policy; }
  LogPolicy logPolicy() const { return policy_; }
  uint64_t reads() const { return reads_; }
  uint64_t writes() const { return writes_; }
  void resetCounters() { reads_ = writes_ = 0; }
  // Counts an access this block served and logs it as its policy says.
  void noteAccess(AccessLog& log, const Access& access) {
    const bool unlogged = unlogged_;
    unlogged_ = false;
    if (policy_ == LogPolicy::kOff) return;
    ++(access.direction == Direction::kRead ? reads_ : writes_);
    if (policy_ == LogPolicy::kFull && !unlogged) log.add(access);
  }
  // Blocks with address spaces inside log into `log` from now on.
  virtual void joinLog(AccessLog& log) { (void)log; }

 protected:
  // The access being served is counted but stays out of the log, whatever
  // the policy: for a block that decides mid-access that it carries bulk.
  void keepAccessOutOfLog() { unlogged_ = true; }
  void onRead(uint64_t offset, ReadHandler handler);
  void onWrite(uint64_t offset, WriteHandler handler);

 private:
  // The number of bytes of a `width`-bit access at `offset`; aborts when the
  // access does not lie inside the block.
  uint32_t bytesAt(uint64_t offset, uint32_t width) const;
  bool hasHandler(const std::vector<uint64_t>& marks, uint64_t offset) const {
    return !marks.empty() && (marks[offset >> 6] >> (offset & 63) & 1) != 0;
  }
  template <class Handler>
  static Handler* find(std::vector<std::pair<uint64_t, Handler>>& handlers, uint64_t offset);
  template <class Handler>
  void add(std::vector<uint64_t>& marks, std::vector<std::pair<uint64_t, Handler>>& handlers, uint64_t offset,
           Handler handler);

  std::vector<uint8_t> storage_;
  uint32_t offsetShift_;
  // One bit per offset that has a handler, so a plain access never searches.
  std::vector<uint64_t> readMarks_;
  std::vector<uint64_t> writeMarks_;
  std::vector<std::pair<uint64_t, ReadHandler>> readHandlers_;    // sorted by offset
  std::vector<std::pair<uint64_t, WriteHandler>> writeHandlers_;  // sorted by offset
  LogPolicy policy_ = LogPolicy::kFull;
  bool unlogged_ = false;
  uint64_t reads_ = 0;
  uint64_t writes_ = 0;
};

}  // namespace simboard
