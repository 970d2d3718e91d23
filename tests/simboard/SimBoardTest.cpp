// The simulated board as the driver meets it: through the stand-in layer's
// register accesses and the bridge core map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "kal/include/kalMmio.h"
#include "kal/include/nKIVKAL.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/tTarnWithOffset.h"
#include "simboard/FirmwareImageFormat.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::BoardTest;
using simboard::BridgeCoreBlock;
using simboard::R;
using simboard::W;

class SimBoardCore : public BoardTest {
 protected:
  tMemorySpace bar = space(0, 0x518);
  tarntools::tTarnWithOffset<0u> map{bar};
};

TEST_F(SimBoardCore, SignatureReadsAsTheBoardSays) {
  tStatus status;
  uint64_t value = 1;
  map.get(0xC0000000, value, status, 0);
  EXPECT_EQ(value, 0u) << "nothing read yet";
  map.read(0xC0000000, value, status, 0);
  EXPECT_EQ(value, 0xC0107AD0u);
  map.get(0x40000000, value, status, 0);
  EXPECT_EQ(value, 0xC0107AD0u) << "and it stays in the shadow";

  board.bridgeCore().setSignature(0xC0107AD1);
  EXPECT_EQ(map.Signature.readRegister(status), 0xC0107AD1u);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(map.CapabilityReg.readAddresses64Bit(status));
  EXPECT_EQ(take(), (std::vector<Access>{R(0x0, 32, 0xC0107AD0), R(0x0, 32, 0xC0107AD1), R(0xC, 32, 0x120)}));
}

struct LoadCase {
  const char* what;
  bool neverReady;
  bool neverDone;
  uint32_t portSelect;
  uint32_t imageTarget;
  uint32_t imageBytes;
  uint32_t sentBytes;     // of the image, from its start
  int32_t flipByte;       // -1: none
  bool readyAfterStart;
  bool doneAfterData;
};

// The download as bring-up drives it through the map: port select, size,
// start, wait for ready, 8 bytes at a time through the 64-bit view, the
// rest bytewise. The loader says done only for exactly the announced size
// of the stand-in image of the FPGA behind the port select.
TEST_F(SimBoardCore, FpgaLoader) {
  const LoadCase cases[] = {
      {"words and a tail", false, false, 2, 0, 44, 44, -1, true, true},
      {"whole words only", false, false, 3, 1, 48, 48, -1, true, true},
      {"never ready", true, false, 2, 0, 44, 44, -1, false, true},
      {"never done", false, true, 2, 0, 44, 44, -1, true, false},
      {"one byte short", false, false, 2, 0, 44, 43, -1, true, false},
      {"a header byte changed", false, false, 2, 0, 44, 44, 5, true, false},
      {"a pattern byte changed", false, false, 2, 0, 44, 44, 20, true, false},
      {"the check value changed", false, false, 2, 0, 44, 44, 43, true, false},
      {"the other FPGA's image", false, false, 3, 0, 44, 44, -1, true, false},
      {"no FPGA behind the port select", false, false, 1, 0, 44, 44, -1, true, false},
  };
  simboard::RegisterBlock* data = board.bar0Space().blockAt(BridgeCoreBlock::kLoadDataOffset);
  ASSERT_NE(data, nullptr);
  data->setLogPolicy(simboard::LogPolicy::kCount);
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.what);
    BridgeCoreBlock& core = board.bridgeCore();
    core.setNeverReady(c.neverReady);
    core.setNeverDone(c.neverDone);
    std::vector<uint8_t> image(c.imageBytes);
    simboard::firmwareImage::fill(image.data(), c.imageTarget, c.imageBytes);
    if (c.flipByte >= 0) image[static_cast<size_t>(c.flipByte)] ^= 0x10;
    data->resetCounters();

    tStatus status;
    map.FPGALoadPortRegister.writePort(static_cast<uint8_t>(c.portSelect), status);
    map.FPGALoadSizeRegister.writeImageBytes(c.imageBytes, status);
    map.FPGALoadControlRegister.writeStart(true, status, true);
    const uint32_t afterStart = map.FPGALoadStatusRegister.readRegister(status);
    EXPECT_EQ((afterStart & BridgeCoreBlock::kLoadReadyForData) != 0, c.readyAfterStart);
    EXPECT_EQ(afterStart & BridgeCoreBlock::kLoadDone, 0u) << "nothing delivered yet";

    uint32_t at = 0;
    for (; at + 8 <= c.sentBytes; at += 8) {
      uint64_t word = 0;
      for (uint32_t b = 0; b < 8; ++b) word |= static_cast<uint64_t>(image[at + b]) << (8 * b);
      map.FPGALoadData64Register.writeRegister(word, status);
    }
    for (; at < c.sentBytes; ++at) map.FPGALoadDataRegister.writeData(image[at], status);
    const uint32_t afterData = map.FPGALoadStatusRegister.readRegister(status);
    EXPECT_EQ((afterData & BridgeCoreBlock::kLoadDone) != 0, c.doneAfterData);
    EXPECT_EQ(core.loader().bytesReceived(), c.sentBytes);
    EXPECT_EQ(status.getCode(), 0);

    // Image data is counted, not logged.
    const std::vector<Access> seen = take();
    EXPECT_EQ(data->writes(), c.sentBytes / 8 + c.sentBytes % 8);
    EXPECT_EQ(std::count_if(seen.begin(), seen.end(), [](const Access& a) { return a.offset == 0x460; }), 0);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), W(0x440, 32, 0x1)), 1);
    take();
  }
}

TEST_F(BoardTest, DirectAccessToBar0FaultsWhileTheLayerReachesTheBoard) {
  volatile uint32_t* bar0 = static_cast<volatile uint32_t*>(board.bar0());
  EXPECT_DEATH_IF_SUPPORTED((void)*bar0, "");

  board.plainRegisters(0x2000, 0x2000);
  nKIVKAL100_memoryWrite16(static_cast<volatile uint8_t*>(board.bar0()) + 0x2002, 0xBEEF);
  EXPECT_EQ(nKIVKAL100_memoryRead8(static_cast<volatile uint8_t*>(board.bar0()) + 0x2003), 0xBE);
  kalHook_memoryWrite64(static_cast<volatile uint8_t*>(board.bar0()) + 0x3000, 0x1122334455667788ull);
  EXPECT_EQ(nKIVKAL100_memoryRead32(static_cast<volatile uint8_t*>(board.bar0()) + 0x3004), 0x11223344u);
  EXPECT_EQ(log(), (std::vector<Access>{W(0x2002, 16, 0xBEEF), R(0x2003, 8, 0xBE),
                                        W(0x3000, 64, 0x1122334455667788ull), R(0x3004, 32, 0x11223344)}));
}

// An access nobody models stops the run: in no board's range at all, or in
// a board's BAR where no block sits.
TEST_F(BoardTest, AnAccessNoBlockOwnsStopsTheRun) {
  alignas(8) static uint8_t memory[16] = {};
  EXPECT_DEATH(nKIVKAL100_memoryWrite32(memory, 0xA1B2C3D4), "no simulated board owns");
  EXPECT_DEATH((void)kalHook_memoryRead64(memory + 8), "no simulated board owns");
  volatile uint8_t* bar0 = static_cast<volatile uint8_t*>(board.bar0());
  EXPECT_DEATH((void)nKIVKAL100_memoryRead32(bar0 + 0x2000), "0x2000 of the BAR 0 space, which no block");
  EXPECT_DEATH(nKIVKAL100_memoryWrite8(bar0 + simboard::SimBoard::kBar0Size - 1, 1), "no block");
  EXPECT_TRUE(log().empty());
}

// Others add blocks of their own; handlers give them behaviour.
class CountingBlock : public simboard::RegisterBlock {
 public:
  CountingBlock() : RegisterBlock(0x10) {
    onRead(0x4, [this](uint32_t) { return ++reads; });
  }
  uint64_t reads = 0;
};

TEST_F(BoardTest, AddedBlocksServeTheirOffsets) {
  CountingBlock& block = board.addBlock(0x8000, std::make_unique<CountingBlock>());
  volatile uint8_t* bar0 = static_cast<volatile uint8_t*>(board.bar0());
  nKIVKAL100_memoryWrite32(bar0 + 0x8000, 7);
  EXPECT_EQ(nKIVKAL100_memoryRead32(bar0 + 0x8004), 1u);
  EXPECT_EQ(nKIVKAL100_memoryRead32(bar0 + 0x8004), 2u);
  EXPECT_EQ(block.peek(0x0, 32), 7u);
  EXPECT_EQ(log().back(), R(0x8004, 32, 2));
}

}  // namespace
