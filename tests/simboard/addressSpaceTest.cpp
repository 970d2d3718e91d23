// Address spaces, the board's one log and the per-block log policies, as a
// test bench relies on them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "kal/include/nKIVKAL.h"
#include "simboard/AddressSpace.h"
#include "simboard/IsolatedRegisterSpace.h"
#include "simboard/NisoFpgaLinkBlock.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using simboard::Access;
using simboard::AddressSpace;
using simboard::Direction;
using simboard::IsolatedRegisterSpace;
using simboard::LogPolicy;
using simboard::RegisterBlock;
using simboard::Space;

TEST(AddressSpace, BlocksServeTheirRangesAndTheLogNamesSpaceBlockAndOffset) {
  AddressSpace space(Space::kIsolated, 0x100, 0);
  RegisterBlock& low = space.add(0x00, std::make_unique<RegisterBlock>(0x10, 2));
  RegisterBlock& high = space.add(0x40, std::make_unique<RegisterBlock>(0x10, 2));
  space.write(0x41, 32, 0xAABBCCDD, 7);
  space.write(0x0F, 32, 0x11);
  EXPECT_EQ(space.read(0x41, 32), 0xAABBCCDDu);
  EXPECT_EQ(high.peek(1, 32), 0xAABBCCDDu) << "word-addressed: offset 1 is the second word";
  EXPECT_EQ(low.peek(0xF, 32), 0x11u);

  const std::vector<Access> all = space.log().entries();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0], (Access{0x41, 32, Direction::kWrite, 0xAABBCCDD, Space::kIsolated, 7}));
  EXPECT_EQ(all[0].block, &high);
  EXPECT_EQ(space.log().in(Space::kIsolated, low).size(), 1u);
  EXPECT_EQ(space.log().between(Space::kIsolated, 0x40, 0x50).size(), 2u);
  EXPECT_TRUE(space.log().in(Space::kBar0).empty());
}

TEST(AddressSpace, PoliciesDecideWhatIsLoggedAndCounted) {
  struct Case {
    LogPolicy policy;
    size_t logged;
    uint64_t reads;
    uint64_t writes;
  };
  for (const Case& c : {Case{LogPolicy::kFull, 3, 1, 2}, Case{LogPolicy::kCount, 0, 1, 2}, Case{LogPolicy::kOff, 0, 0, 0}}) {
    AddressSpace space(Space::kCpld, 0x10, 0);
    RegisterBlock& block = space.add(0, std::make_unique<RegisterBlock>(0x10, 2));
    block.setLogPolicy(c.policy);
    space.write(1, 32, 5);
    space.write(2, 32, 6);
    EXPECT_EQ(space.read(1, 32), 5u) << "the policy never changes what the block does";
    EXPECT_EQ(space.log().entries().size(), c.logged);
    EXPECT_EQ(block.reads(), c.reads);
    EXPECT_EQ(block.writes(), c.writes);
  }
}

TEST(AddressSpaceDeathTest, AnOffsetNoBlockOwnsOrPastABlockStopsTheRun) {
  AddressSpace space(Space::kIsolated, 0x100, 0);
  space.add(0x10, std::make_unique<RegisterBlock>(0x4, 2));
  EXPECT_DEATH((void)space.read(0x0F, 32), "0xf of the isolated side space, which no block");
  EXPECT_DEATH((void)space.read(0x14, 32), "no block");
  EXPECT_DEATH((void)space.read(0x100, 32), "no block");
  EXPECT_DEATH(space.add(0x12, std::make_unique<RegisterBlock>(0x4, 2)), "overlaps");
}

// The isolated side logs through the board with the window that carried
// each access.
using IsolatedSide = simboard::BoardTest;

TEST_F(IsolatedSide, LogsIntoTheBoardsLogWithItsWindow) {
  auto& link = board.addBlock(simboard::NisoFpgaLinkBlock::kBar0Offset, std::make_unique<simboard::NisoFpgaLinkBlock>());
  IsolatedRegisterSpace& iso = link.isolatedSide();
  iso.write(5, IsolatedRegisterSpace::channelBase(5) + 0x20, 0xCAFE);
  EXPECT_EQ(iso.read(24, IsolatedRegisterSpace::kSignatureAddress), IsolatedRegisterSpace::kSignature);

  const std::vector<Access> seen = board.log().entries();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (Access{0x12A0, 32, Direction::kWrite, 0xCAFE, Space::kIsolated, 5}));
  EXPECT_EQ(seen[1], (Access{0, 32, Direction::kRead, IsolatedRegisterSpace::kSignature, Space::kIsolated, 24}));
  EXPECT_TRUE(board.accessLog().empty()) << "the BAR 0 view leaves the isolated side out";
  EXPECT_EQ(iso.log().size(), 2u);

  iso.setLogPolicy(LogPolicy::kCount);
  iso.write(5, IsolatedRegisterSpace::channelBase(5) + 0x21, 1);
  EXPECT_EQ(board.log().entries().size(), 2u);
  EXPECT_EQ(iso.writes(), 2u);
  EXPECT_EQ(iso.reads(), 1u);
}

}  // namespace
