// The full simulated board has its DMA side behind the non-isolated FPGA:
// a chain committed and started through the controllers moves its bytes,
// and both views of the channel block read the count.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dma/memory/pinUserBuffer.h"
#include "dma/memory/tStandardDMAMap.h"
#include "dma/sgl/FiniteAndContinuousSGL.h"
#include "dma/stream/TarnDMAStreamController.h"
#include "simboard/QuillBoard.h"
#include "tests/dma/DmaMemoryFixture.h"

using nKIVAPALS100::tStatus;
using simboard::NisoFpgaDmaBlock;

namespace {

using tSpace = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;

struct QuillBoardDmaTest : ::testing::Test {
  simboard::QuillBoard board;
  std::unique_ptr<dmatest::DmaDevice> device;
  QuillBoardDmaTest() {
    kalsim::reset();
    device = std::make_unique<dmatest::DmaDevice>();
  }
  ~QuillBoardDmaTest() override { kalsim::reset(); }
  uint64_t fpga(uint64_t offset) const { return board.bar0Address() + NisoFpgaDmaBlock::kBar0Offset + offset; }
};

TEST_F(QuillBoardDmaTest, ChainOnChannelFiveMovesItsBytes) {
  constexpr uint32_t kChannel = 5;
  const tSpace companion(fpga(NisoFpgaDmaBlock::kDmaCompanionOffset), 0x8000);
  tSpace channelSpace(fpga(NisoFpgaDmaBlock::kDmaChannelOffset + 0x100 * kChannel), 0x100);
  tSpace circuitSpace(fpga(NisoFpgaDmaBlock::kStreamCircuitOffset + 0x2000 * kChannel), 0x938);
  tarntools::TarnDMAStreamController::tChannelMap channelMap(channelSpace);
  tarntools::tStreamCircuitRegMapWithOffset<0u> circuitMap(circuitSpace);
  tarntools::TarnDMAStreamController::tStreamCircuit circuit(circuitMap);
  tStatus status;
  tarntools::TarnDMAStreamController controller(companion, channelMap, circuit, kChannel, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(controller.getBlockAddress(), channelSpace.getAddress());

  std::vector<uint8_t> storage(3 * 4096);
  uint8_t* data = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(storage.data()) + 4095) & ~uintptr_t{4095});
  for (int i = 0; i < 5000; ++i) data[i] = static_cast<uint8_t>(i * 3);
  vorlan_driver::nKIVAPAL000::tPageList pages;
  vorlan_driver::nKIVAPAL000::pinUserBuffer(reinterpret_cast<uintptr_t>(data), 5000, pages, status);
  vorlan_driver::nKIVAPAL000::tStandardDMAMap map(device->configuration);
  map.map(pages, 0, 5000, 0, status);
  tarntools::FiniteAndContinuousSGL lists(true);
  lists.finite().initialize(device->configuration, 4096, status);
  lists.continuous().initialize(device->configuration, 4096, status);
  lists.finite().addSGL(map, status);
  lists.commit(status);
  controller.start(lists, true, status);
  ASSERT_EQ(status.getCode(), 0);

  simboard::DmaChannelBlock& engine = board.nisoFpga().dmaChannel(kChannel);
  EXPECT_EQ(engine.run(1u << 20), 5000u);
  EXPECT_EQ(engine.sink(), std::vector<uint8_t>(data, data + 5000));
  EXPECT_EQ(controller.getTransferCount(status), 5000u);
  EXPECT_EQ(channelMap.TransferCountLow.readRegister(status), 5000u);
  EXPECT_EQ(channelMap.TransferCountHigh.readRegister(status), 0u);
  EXPECT_EQ(board.nisoFpga().streamCircuit(kChannel).mode(), 1u);
  controller.stop(status);
  EXPECT_EQ(status.getCode(), 0);
  map.unmap();
  vorlan_driver::nKIVAPAL000::destroyPageList(pages);
}

}  // namespace
