// The non-isolated FPGA map over the simulated FPGA block with its access
// windows and power-monitor relay, with the board's traffic seen from the
// block.
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
#include "simboard/NisoFpgaLinkBlock.h"
#include "simboard/SimBoard.h"

namespace frontendtest {

using nKIVAPALS100::tStatus;
using simboard::NisoFpgaLinkBlock;
using vorlan_regmaps::tTheQuillNisoFpgaRegMap;

// One access as the FPGA block sees it.
struct BlockAccess {
  uint64_t offset;
  bool write;
  uint64_t value;
  bool operator==(const BlockAccess& other) const {
    return offset == other.offset && write == other.write && value == other.value;
  }
};

inline void PrintTo(const BlockAccess& a, std::ostream* out) {
  *out << (a.write ? "W" : "R") << "@0x" << std::hex << a.offset << "=0x" << a.value << std::dec;
}

inline BlockAccess W(uint64_t offset, uint64_t value) { return {offset, true, value}; }
inline BlockAccess R(uint64_t offset, uint64_t value) { return {offset, false, value}; }

// A checker that finds a fault when given a code.
class FakeChecker : public kdut::HardwareStateCheckerInterface {
 public:
  explicit FakeChecker(int64_t code = 0) : code_(code) {}
  void checkHardwareState(tStatus& status) override {
    ++calls;
    if (status.isNotFatal() && code_ != 0) vorlanSetCode(status, code_);
  }
  int calls = 0;

 private:
  int64_t code_;
};

class FrontEndBoard : public ::testing::Test {
 protected:
  using tAccessor = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;

  FrontEndBoard()
      : block(board.addBlock(NisoFpgaLinkBlock::kBar0Offset, std::make_unique<NisoFpgaLinkBlock>())),
        accessor(board.bar0Address() + NisoFpgaLinkBlock::kBar0Offset, NisoFpgaLinkBlock::kSize) {
    kalsim::reset();
    tStatus status;
    map = std::make_unique<tTheQuillNisoFpgaRegMap>(&accessor, status, 0, 0, 0xFFFFFFFFu);
    EXPECT_EQ(status.getCode(), 0);
    block.isolatedSide().setPowered(true);
    board.clearAccessLog();
  }

  // The block's traffic since the last call. Runs of one status read
  // repeated while a poll waits count once, so that a time-out's traffic
  // does not depend on how many reads fit into it.
  std::vector<BlockAccess> take() {
    std::vector<BlockAccess> out;
    for (const simboard::Access& a : board.accessLog()) {
      const BlockAccess seen{a.offset - NisoFpgaLinkBlock::kBar0Offset, a.direction == simboard::Direction::kWrite,
                             a.value};
      if (!out.empty() && out.back() == seen && !seen.write) continue;
      out.push_back(seen);
    }
    board.clearAccessLog();
    return out;
  }

  simboard::SimBoard board;
  NisoFpgaLinkBlock& block;
  tAccessor accessor;
  std::unique_ptr<tTheQuillNisoFpgaRegMap> map;
};

}  // namespace frontendtest
