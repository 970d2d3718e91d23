// The non-isolated FPGA map family over the simulated board's FPGA block,
// with the board's access log seen from the block.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "regmaps/model/tPCIMemorySpaceAccessorDebug.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"
#include "simboard/NisoFpgaBlock.h"
#include "simboard/SimBoard.h"

namespace nisotest {

using nKIVAPALS100::tStatus;
using vorlan_regmaps::tKivDmaCompanionRegMap;
using vorlan_regmaps::tKivDmaRegMap;
using vorlan_regmaps::tStreamCircuitRegMap;
using vorlan_regmaps::tTheQuillNisoFpgaRegMap;
using tAccessor = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;

constexpr int64_t kOutOfMemory = -52000;
constexpr int64_t kNotSupported = -52002;
constexpr int64_t kInvalidArgument = -52005;
constexpr int64_t kNotAccessible = -52006;
constexpr int64_t kBufferTooSmall = -52019;

constexpr uint32_t kWhole = 0x80000000u;
constexpr uint32_t kReadSide = 0x40000000u;

// One access as the block sees it: offset from the block's start.
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

inline BlockAccess W32(uint64_t offset, uint64_t value) { return {offset, 32, true, value}; }
inline BlockAccess W64(uint64_t offset, uint64_t value) { return {offset, 64, true, value}; }
inline BlockAccess R32(uint64_t offset, uint64_t value) { return {offset, 32, false, value}; }

class NisoBoard : public ::testing::Test {
 protected:
  NisoBoard()
      : block_(board_.addBlock(simboard::NisoFpgaBlock::kBar0Offset, std::make_unique<simboard::NisoFpgaBlock>())),
        accessor_(board_.bar0Address() + simboard::NisoFpgaBlock::kBar0Offset, simboard::NisoFpgaBlock::kSize) {
    kalsim::reset();
  }

  // The map as device bring-up builds it: every register inside its window.
  std::unique_ptr<tTheQuillNisoFpgaRegMap> build(uint32_t base = 0, uint32_t windowStart = 0,
                                                 uint32_t windowSize = 0xFFFFFFFFu) {
    tStatus status;
    auto map = std::make_unique<tTheQuillNisoFpgaRegMap>(&accessor_, status, base, windowStart, windowSize);
    EXPECT_EQ(status.getCode(), 0);
    board_.clearAccessLog();
    return map;
  }

  std::vector<BlockAccess> log() const {
    std::vector<BlockAccess> out;
    for (const simboard::Access& a : board_.accessLog()) {
      out.push_back(BlockAccess{a.offset - simboard::NisoFpgaBlock::kBar0Offset, a.width,
                                a.direction == simboard::Direction::kWrite, a.value});
    }
    return out;
  }
  void clearLog() { board_.clearAccessLog(); }

  simboard::SimBoard board_;
  simboard::NisoFpgaBlock& block_;
  tAccessor accessor_;
};

}  // namespace nisotest
