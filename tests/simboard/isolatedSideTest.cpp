// The simulated isolated side on its own: which window reaches which
// register, the two views of a register, one-shot strobes, the CPLD word log
// and the power switch the windows ask.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "simboard/IsolatedRegisterSpace.h"
#include "simboard/NisoFpgaLinkBlock.h"

namespace {

using simboard::IsolatedRegisterSpace;

struct ReachCase {
  std::string name;
  uint32_t window;
  uint32_t address;
  bool reached;
};

TEST(IsolatedSideRegisters, AWindowReachesItsOwnBlockOnly) {
  const std::vector<ReachCase> cases{
      {"isolated FPGA register", 24, 0x224, true},
      {"isolated FPGA window into a channel block", 24, 0x1000, false},
      {"channel 0's first word", 0, 0x1000, true},
      {"channel 23's last word", 23, 0x1BFF, true},
      {"channel 5 into channel 6's block", 5, 0x1300, false},
      {"channel window into the isolated FPGA", 3, 0x003, false},
      {"window without an isolated block", 25, 0x003, false},
  };
  for (const ReachCase& c : cases) {
    SCOPED_TRACE(c.name);
    IsolatedRegisterSpace side;
    side.write(c.window, c.address, 0x1234);
    EXPECT_EQ(side.writeView(c.address), c.reached ? 0x1234u : 0u);
    EXPECT_EQ(side.read(c.window, c.address), c.reached ? 0x1234u : IsolatedRegisterSpace::kNothing);
    EXPECT_EQ(side.log().size(), 2u);  // both accesses logged either way
  }
}

struct ViewCase {
  std::string name;
  uint32_t window;
  uint32_t address;
  uint32_t written;
  uint32_t writeView;
  uint32_t readBack;  // with the read view set to 0x5A5A5A5A first
};

TEST(IsolatedSideRegisters, RegistersKeepWhatTheirKindKeeps) {
  const uint32_t preset = 0x5A5A5A5Au;
  const std::vector<ViewCase> cases{
      {"plain word", 24, 0x003, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu},
      {"read-only word ignores the write", 24, 0x020, 0xFFFFFFFFu, 0, preset},
      {"strobes of the DC-bus word never read back", 24, 0x007, 0xFFFFFFFFu, 0xFFFFFFFFu, 0x7FFFFCFBu},
      {"local-RAM address fires entirely", 24, 0x050, 0x1234u, 0x1234u, 0},
      {"interrupt command answers its read view", 24, 0x170, 0x114u, 0x114u, preset},
      {"channel alarm answers its read view", 7, 0x13AE, 0xFFFFFFFFu, 0xFFFFFFFFu, preset},
      {"channel data port fires entirely", 7, 0x1390, 0x30000005u, 0x30000005u, 0},
      {"channel strobes never read back", 7, 0x1381, 0x3u, 0x3u, 0},
  };
  for (const ViewCase& c : cases) {
    SCOPED_TRACE(c.name);
    IsolatedRegisterSpace side;
    side.setReadView(c.address, preset);
    side.write(c.window, c.address, c.written);
    EXPECT_EQ(side.writeView(c.address), c.writeView);
    EXPECT_EQ(side.read(c.window, c.address), c.readBack);
  }
}

TEST(IsolatedSideRegisters, CpldAccessWordsAreKeptPerCpldAndRegister) {
  IsolatedRegisterSpace side;
  for (uint32_t w : {0x04000001u, 0x25800000u, 0x34000001u, 0x25000005u}) side.write(24, 0x008, w);
  side.write(5, 0x008, 0x14000001u);  // not the isolated FPGA's window: no CPLD access
  EXPECT_EQ(side.cpldWords(), (std::vector<uint32_t>{0x04000001u, 0x25800000u, 0x34000001u, 0x25000005u}));
  EXPECT_EQ(side.cpldLog(2, 5), (std::vector<uint32_t>{0x800000u, 0x000005u}));
  EXPECT_EQ(side.cpldLog(0, 4), (std::vector<uint32_t>{0x000001u}));
  EXPECT_TRUE(side.cpldLog(1, 4).empty());

  // The board's log has them in the CPLD space, by register and CPLD.
  simboard::AccessLog board;
  side.joinLog(board);
  side.write(24, 0x008, 0x15800001u);
  ASSERT_EQ(board.in(simboard::Space::kCpld).size(), 1u);
  EXPECT_EQ(board.in(simboard::Space::kCpld)[0],
            (simboard::Access{5, 24, simboard::Direction::kWrite, 0x800001u, simboard::Space::kCpld, 1}));
}

TEST(IsolatedSideRegisters, NoWindowIsReadyBeforeTheSideIsPowered) {
  simboard::NisoFpgaLinkBlock block;
  using L = simboard::NisoFpgaLinkBlock;
  for (uint32_t window : {0u, 24u, 26u}) {
    EXPECT_EQ(block.read(L::windowRegister(window, L::kStatusOffset), 32) & L::kReadyBit, 0u);
  }
  block.isolatedSide().setPowered(true);
  for (uint32_t window : {0u, 24u, 26u}) {
    EXPECT_NE(block.read(L::windowRegister(window, L::kStatusOffset), 32) & L::kReadyBit, 0u);
  }
}

}  // namespace
