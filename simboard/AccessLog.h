// The one record of what the driver did to the board: every access to every
// address space of a board, in the order the board served them, tagged with
// its space and the block that served it. What goes in is each block's
// choice (LogPolicy): every access, only its counters, or nothing, so bulk
// data (image stores, CPLD words, flash bytes) is counted and checked on the
// fly instead of being stored one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace simboard {

class RegisterBlock;

enum class Space : uint8_t { kBar0, kPortTunnel, kIsolated, kCpld, kPowerMonitor, kSerialFlash };
enum class Direction : uint8_t { kRead, kWrite };
enum class LogPolicy : uint8_t { kFull, kCount, kOff };

struct Access {
  uint64_t offset;  // in its space (BAR 0: from the start of BAR 0)
  uint32_t width;   // 8, 16, 32 or 64
  Direction direction;
  uint64_t value;
  Space space = Space::kBar0;
  uint16_t via = 0;                       // the port window that carried it, where one did
  const RegisterBlock* block = nullptr;   // who served it; follows from space and offset
  bool operator==(const Access& other) const {
    return offset == other.offset && width == other.width && direction == other.direction &&
           value == other.value && space == other.space && via == other.via;
  }
};

class AccessLog {
 public:
  void add(const Access& access) { entries_.push_back(access); }
  const std::vector<Access>& entries() const { return entries_; }
  void clear() { entries_.clear(); }
  size_t size() const { return entries_.size(); }
  // Forgets every entry from the n-th on.
  void truncate(size_t n) {
    if (n < entries_.size()) entries_.resize(n);
  }
  // Forgets one space's entries and keeps the others'.
  void clear(Space space);

  // ---- queries
  std::vector<Access> in(Space space) const;
  std::vector<Access> in(Space space, const RegisterBlock& block) const;
  // Offsets in [from, to).
  std::vector<Access> between(Space space, uint64_t from, uint64_t to) const;

 private:
  std::vector<Access> entries_;
};

}  // namespace simboard
