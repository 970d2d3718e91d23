// A freshly reset stand-in layer with a simulated board, and short ways to
// state the accesses a test expects the board to have seen.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <vector>

#include "kal/include/kalMmio.h"
#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "regmaps/model/tPCIMemorySpaceAccessorDebug.h"
#include "simboard/SimBoard.h"

namespace simboard {

inline void PrintTo(const Access& access, std::ostream* out) {
  *out << (access.direction == Direction::kRead ? "R" : "W") << access.width << "@0x" << std::hex << access.offset
       << "=0x" << access.value << std::dec;
}

inline Access W(uint64_t offset, uint32_t width, uint64_t value) {
  return Access{offset, width, Direction::kWrite, value};
}
inline Access R(uint64_t offset, uint32_t width, uint64_t value) {
  return Access{offset, width, Direction::kRead, value};
}

// Blank memory the layer routes register accesses to: a BAR on which the
// bridge shows nothing. Plain registers, unlogged.
class BlankBar : private kalsim::MmioTarget {
 public:
  explicit BlankBar(uint64_t size) : bytes_(size, 0) { kalsim::registerMmioRange(bytes_.data(), size, *this); }
  ~BlankBar() { kalsim::unregisterMmioRange(bytes_.data()); }
  BlankBar(const BlankBar&) = delete;
  BlankBar& operator=(const BlankBar&) = delete;
  void* address() { return bytes_.data(); }

 private:
  uint64_t mmioRead(uint64_t offset, uint32_t width) override {
    uint64_t value = 0;
    std::memcpy(&value, bytes_.data() + offset, width / 8);
    return value;
  }
  void mmioWrite(uint64_t offset, uint32_t width, uint64_t value) override {
    std::memcpy(bytes_.data() + offset, &value, width / 8);
  }

  std::vector<uint8_t> bytes_;
};

class BoardTest : public ::testing::Test {
 public:
  using tMemorySpace = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;

 protected:
  BoardTest() { kalsim::reset(); }

  // BAR 0 from `offset` on, as the bridge maps are built on it; what no
  // block of the bare board owns there is plain registers.
  tMemorySpace space(uint64_t offset, uint64_t size) {
    board.plainRegisters(offset, size);
    return tMemorySpace(board.bar0Address() + offset, size);
  }

  std::vector<Access> log() const { return board.accessLog(); }
  std::vector<Access> take() {
    std::vector<Access> seen = board.accessLog();
    board.clearAccessLog();
    return seen;
  }
  // What `action` makes the board see, run with a fresh status that is to end
  // with `code`.
  std::vector<Access> logOf(const std::function<void(nKIVAPALS100::tStatus&)>& action, int64_t code = 0) {
    board.clearAccessLog();
    nKIVAPALS100::tStatus status;
    action(status);
    EXPECT_EQ(status.getCode(), code);
    return board.accessLog();
  }

  SimBoard board;
};

}  // namespace simboard
