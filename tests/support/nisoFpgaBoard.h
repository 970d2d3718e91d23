// The board fixture of the map and accessor tests: a bare board carrying the
// non-isolated FPGA block (the plain block, or the one with its access
// windows and power-monitor relay), the accessor the driver reaches it
// through, and the board's BAR 0 traffic seen from the block.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "regmaps/model/tPCIMemorySpaceAccessorDebug.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"
#include "simboard/NisoFpgaBlock.h"
#include "simboard/NisoFpgaLinkBlock.h"
#include "simboard/SimBoard.h"

namespace boardtest {

// One access as the FPGA block sees it: offset from the block's start.
struct BlockAccess {
  uint64_t offset;
  uint32_t width;
  bool write;
  uint64_t value;
  bool operator==(const BlockAccess& other) const {
    return offset == other.offset && width == other.width && write == other.write && value == other.value;
  }
};

inline std::ostream& operator<<(std::ostream& out, const BlockAccess& a) {
  return out << (a.write ? "W" : "R") << a.width << "@0x" << std::hex << a.offset << "=0x" << a.value << std::dec;
}
inline void PrintTo(const BlockAccess& a, std::ostream* out) { *out << a; }

inline BlockAccess W32(uint64_t offset, uint64_t value) { return {offset, 32, true, value}; }
inline BlockAccess W64(uint64_t offset, uint64_t value) { return {offset, 64, true, value}; }
inline BlockAccess R32(uint64_t offset, uint64_t value) { return {offset, 32, false, value}; }

// A checker that finds a fault when given a code.
class FakeChecker : public kdut::HardwareStateCheckerInterface {
 public:
  explicit FakeChecker(int64_t code = 0) : code_(code) {}
  void checkHardwareState(nKIVAPALS100::tStatus& status) override {
    ++calls;
    if (status.isNotFatal() && code_ != 0) vorlanSetCode(status, code_);
  }
  int calls = 0;

 private:
  int64_t code_;
};

template <class Block>
class NisoFpgaBoard : public ::testing::Test {
 protected:
  using tAccessor = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;
  using tTheQuillNisoFpgaRegMap = vorlan_regmaps::tTheQuillNisoFpgaRegMap;

  NisoFpgaBoard()
      : block(board.addBlock(Block::kBar0Offset, std::make_unique<Block>())),
        accessor(board.bar0Address() + Block::kBar0Offset, Block::kSize) {
    kalsim::reset();
  }

  // The map as device bring-up builds it: every register inside its window.
  std::unique_ptr<tTheQuillNisoFpgaRegMap> build(uint32_t base = 0, uint32_t windowStart = 0,
                                                 uint32_t windowSize = 0xFFFFFFFFu) {
    nKIVAPALS100::tStatus status;
    auto built = std::make_unique<tTheQuillNisoFpgaRegMap>(&accessor, status, base, windowStart, windowSize);
    EXPECT_EQ(status.getCode(), 0);
    board.clearAccessLog();
    return built;
  }

  // The block's BAR 0 traffic, every access as it came.
  std::vector<BlockAccess> log() const {
    std::vector<BlockAccess> out;
    for (const simboard::Access& a : board.accessLog()) out.push_back(seen(a));
    return out;
  }
  void clearLog() { board.clearAccessLog(); }

  // The block's traffic since the last call. Runs of one status read
  // repeated while a poll waits count once, so that a time-out's traffic
  // does not depend on how many reads fit into it.
  std::vector<BlockAccess> take() {
    std::vector<BlockAccess> out;
    for (const simboard::Access& a : board.accessLog()) {
      const BlockAccess access = seen(a);
      if (!out.empty() && out.back() == access && !access.write) continue;
      out.push_back(access);
    }
    board.clearAccessLog();
    return out;
  }

  simboard::SimBoard board;
  Block& block;
  tAccessor accessor;

 private:
  static BlockAccess seen(const simboard::Access& a) {
    return BlockAccess{a.offset - Block::kBar0Offset, a.width, a.direction == simboard::Direction::kWrite, a.value};
  }
};

// The plain FPGA block: the map family's own registers.
using NisoBoard = NisoFpgaBoard<simboard::NisoFpgaBlock>;

// The FPGA block with its windows and relay, the isolated side powered and
// the map built.
class FrontEndBoard : public NisoFpgaBoard<simboard::NisoFpgaLinkBlock> {
 protected:
  FrontEndBoard() : map(build()) {
    block.isolatedSide().setPowered(true);
    board.clearAccessLog();
  }

  std::unique_ptr<tTheQuillNisoFpgaRegMap> map;
};

}  // namespace boardtest
