// The DMA channel and stream controllers over the simulated channel blocks,
// stream circuits and DMA engine; chains reach the engine through the fake
// IOMMU.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "dma/memory/pinUserBuffer.h"
#include "dma/memory/tStandardDMAMap.h"
#include "dma/sgl/FiniteAndContinuousSGL.h"
#include "dma/stream/TarnDMAStreamController.h"
#include "simboard/DmaChannelBlock.h"
#include "simboard/DmaCompanionBlock.h"
#include "simboard/StreamCircuitBlock.h"
#include "tests/dma/DmaMemoryFixture.h"
#include "tests/simboard/BoardTestSupport.h"

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::DmaChannelBlock;
using simboard::R;
using simboard::StreamCircuitBlock;
using simboard::W;
using tarntools::FiniteAndContinuousSGL;
using tarntools::TarnDMAStreamController;
using vorlan_driver::nKIVAPAL000::tPageList;
using vorlan_driver::nKIVAPAL000::tStandardDMAMap;

namespace {

using tSpace = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;
using tCircuitMap = tarntools::tStreamCircuitRegMapWithOffset<0u>;

constexpr int64_t kAlreadyStarted = static_cast<int32_t>(0xBFFA806Eu);
constexpr int64_t kCircuitStarted = static_cast<int32_t>(0xBFFA806Du);
constexpr int64_t kNotReady = static_cast<int32_t>(0xBFFA8079u);
constexpr int64_t kStopTimedOut = static_cast<int32_t>(0xBFFA807Cu);

// A pinned, mapped user buffer of `size` bytes starting `offset` bytes into
// a page, filled with a pattern of its own.
struct UserBuffer {
  std::vector<uint8_t> storage;
  uint8_t* data;
  uint64_t size;
  tPageList pages{0, 0, nullptr};
  std::unique_ptr<tStandardDMAMap> map;

  UserBuffer(const vorlan_driver::nKIVAPAL000::tDMAConfiguration& configuration, uint64_t size, uint64_t offset,
             uint32_t fromDevice, uint8_t seed)
      : storage(size + offset + 8192), size(size) {
    data = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(storage.data()) + 4095) & ~uintptr_t{4095}) + offset;
    for (uint64_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(seed + i * 7);
    tStatus status;
    vorlan_driver::nKIVAPAL000::pinUserBuffer(reinterpret_cast<uintptr_t>(data), size, pages, status);
    map = std::make_unique<tStandardDMAMap>(configuration);
    map->map(pages, 0, size, fromDevice, status);
    EXPECT_EQ(status.getCode(), 0);
  }
  ~UserBuffer() { release(); }
  void release() {
    if (map) map->unmap();
    map.reset();
    vorlan_driver::nKIVAPAL000::destroyPageList(pages);
  }
  std::vector<uint8_t> bytes() const { return std::vector<uint8_t>(data, data + size); }
};

struct DmaStreamTest : simboard::BoardTest, dmatest::DmaDevice {
  static constexpr uint32_t kChannels = 6;
  tSpace companion;
  DmaChannelBlock* blocks[kChannels];
  StreamCircuitBlock* circuits[kChannels];
  std::vector<std::unique_ptr<tSpace>> spaces;
  std::unique_ptr<TarnDMAStreamController::tChannelMap> channelMaps[kChannels];
  std::unique_ptr<tCircuitMap> circuitMaps[kChannels];
  std::unique_ptr<TarnDMAStreamController::tStreamCircuit> circuitControllers[kChannels];
  std::unique_ptr<TarnDMAStreamController> controllers[kChannels];
  std::unique_ptr<FiniteAndContinuousSGL> lists[kChannels];

  DmaStreamTest() : companion(board.bar0Address() + simboard::DmaCompanionBlock::kBar0Offset, 0x8000) {
    board.addBlock(simboard::DmaCompanionBlock::kBar0Offset, std::make_unique<simboard::DmaCompanionBlock>());
    for (uint32_t c = 0; c < kChannels; ++c) {
      blocks[c] = &board.addBlock(DmaChannelBlock::bar0Offset(c), std::make_unique<DmaChannelBlock>(c));
      circuits[c] = &board.addBlock(StreamCircuitBlock::bar0Offset(c), std::make_unique<StreamCircuitBlock>());
      spaces.push_back(std::make_unique<tSpace>(board.bar0Address() + DmaChannelBlock::bar0Offset(c), 0x100));
      channelMaps[c] = std::make_unique<TarnDMAStreamController::tChannelMap>(*spaces.back());
      spaces.push_back(std::make_unique<tSpace>(board.bar0Address() + StreamCircuitBlock::bar0Offset(c), 0x938));
      circuitMaps[c] = std::make_unique<tCircuitMap>(*spaces.back());
      circuitControllers[c] = std::make_unique<TarnDMAStreamController::tStreamCircuit>(*circuitMaps[c]);
      tStatus status;
      controllers[c] = std::make_unique<TarnDMAStreamController>(companion, *channelMaps[c], *circuitControllers[c],
                                                                 c, status);
      EXPECT_EQ(status.getCode(), 0);
      lists[c] = std::make_unique<FiniteAndContinuousSGL>(true);
      lists[c]->finite().initialize(configuration, 4096, status);
      lists[c]->continuous().initialize(configuration, 4096, status);
    }
    board.clearAccessLog();
  }
  ~DmaStreamTest() override {
    for (auto& list : lists) list.reset();
    kalsim::reset();
  }

  static uint64_t channelAt(uint32_t c, uint64_t offset) { return DmaChannelBlock::bar0Offset(c) + offset; }
  static uint64_t circuitAt(uint32_t c, uint64_t offset) { return StreamCircuitBlock::bar0Offset(c) + offset; }

  void commitAndStart(uint32_t c, tStatus& status, bool flag = true) {
    lists[c]->commit(status);
    controllers[c]->start(*lists[c], flag, status);
  }
};

TEST_F(DmaStreamTest, ConstructionResetsTheChannelAtTheBlockTheCompanionNames) {
  tStatus status;
  const std::vector<Access> seen = logOf([&](tStatus& s) {
    TarnDMAStreamController controller(companion, *channelMaps[1], *circuitControllers[1], 1, s);
    EXPECT_EQ(controller.getBlockAddress(), board.bar0Address() + DmaChannelBlock::bar0Offset(1));
    EXPECT_EQ(controller.getBlockSize(), 0x100u);
  });
  const uint64_t companionAt = simboard::DmaCompanionBlock::kBar0Offset;
  EXPECT_EQ(seen, (std::vector<Access>{R(companionAt + 0xC, 32, 0x8C000), R(companionAt + 0x1C, 32, 0x4000),
                                       W(channelAt(1, 0x54), 32, 1), W(channelAt(1, 0x58), 32, 2),
                                       W(channelAt(1, 0x54), 32, 2)}));
  EXPECT_EQ(blocks[1]->readSide(DmaChannelBlock::kStatusOffset), DmaChannelBlock::kStatusStopped);
}

TEST_F(DmaStreamTest, StartAndStopRegisterTraces) {
  UserBuffer buffer(configuration, 3000, 0, 0, 1);
  tStatus status;
  lists[1]->finite().addSGL(*buffer.map, status);
  lists[1]->commit(status);
  const auto first = lists[1]->finite().getFirstLink();
  EXPECT_EQ(logOf([&](tStatus& s) { controllers[1]->start(*lists[1], false, s); }),
            (std::vector<Access>{W(channelAt(1, 0x48), 64, first.busAddress), W(channelAt(1, 0x50), 32, 32),
                                 W(channelAt(1, 0x58), 32, 5), R(channelAt(1, 0x60), 32, 0x4000),
                                 W(circuitAt(1, 0x800), 32, 4), W(circuitAt(1, 0x800), 32, 2),
                                 W(circuitAt(1, 0x800), 32, 0x100), R(circuitAt(1, 0x800), 32, 0x100)}));
  EXPECT_TRUE(controllers[1]->isStarted());
  EXPECT_EQ(circuits[1]->mode(), 2u);
  EXPECT_EQ(logOf([&](tStatus& s) { controllers[1]->stop(s); }),
            (std::vector<Access>{R(circuitAt(1, 0x800), 32, 0x100), W(circuitAt(1, 0x800), 32, 0x200),
                                 R(circuitAt(1, 0x800), 32, 0x400), W(channelAt(1, 0x58), 32, 2),
                                 R(channelAt(1, 0x60), 32, 0x8000)}));
  EXPECT_FALSE(controllers[1]->isStarted());
  EXPECT_FALSE(circuitControllers[1]->isStarted());
  // A channel that is not started: the circuit is left alone while its data
  // path is off, and the DMA registers are not touched.
  EXPECT_EQ(logOf([&](tStatus& s) { controllers[1]->stop(s); }),
            (std::vector<Access>{R(circuitAt(1, 0x800), 32, 0x400)}));
}

TEST_F(DmaStreamTest, AStopBitInAnInterruptStatusEndsTheStartedState) {
  tStatus status;
  lists[0]->continuous().addAddress(0x1000, 64, status, false);
  commitAndStart(0, status);
  controllers[0]->onInterrupt(0x4000);
  EXPECT_TRUE(controllers[0]->isStarted());
  controllers[0]->onInterrupt(0x08000000);
  EXPECT_FALSE(controllers[0]->isStarted());
  EXPECT_EQ(logOf([&](tStatus&) { controllers[0]->deactivate(); }),
            (std::vector<Access>{W(channelAt(0, 0x58), 32, 2)}));
}

TEST_F(DmaStreamTest, SecondStartWritesNothing) {
  tStatus status;
  lists[0]->continuous().addAddress(0x1000, 64, status, false);
  commitAndStart(0, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_TRUE(logOf([&](tStatus& s) { controllers[0]->start(*lists[0], true, s); }, kAlreadyStarted).empty());
}

TEST_F(DmaStreamTest, EveryHardwareSwitchGivesItsCode) {
  struct Case {
    const char* name;
    void (*arm)(DmaChannelBlock&, StreamCircuitBlock&);
    int64_t startCode;
    int64_t stopCode;
    bool startedAfterStop;
  };
  const Case cases[] = {
      {"engine never ready", [](DmaChannelBlock& b, StreamCircuitBlock&) { b.setNeverReady(true); }, kNotReady, 0,
       false},
      {"engine never stops", [](DmaChannelBlock& b, StreamCircuitBlock&) { b.setNeverStops(true); }, 0, kStopTimedOut,
       true},
      {"data path never enabled",
       [](DmaChannelBlock&, StreamCircuitBlock& s) { s.setDataTransferEnableNeverRises(true); }, kStopTimedOut, 0,
       false},
      {"circuit reset never completes",
       [](DmaChannelBlock&, StreamCircuitBlock& s) { s.setResetCompleteNeverRises(true); }, 0, kStopTimedOut, false},
  };
  // One channel per case, so no switch outlives its case.
  uint32_t channel = 2;
  for (const Case& c : cases) {
    c.arm(*blocks[channel], *circuits[channel]);
    tStatus start;
    lists[channel]->continuous().addAddress(0x1000, 64, start, false);
    commitAndStart(channel, start);
    EXPECT_EQ(start.getCode(), c.startCode) << c.name;
    tStatus stop;
    controllers[channel]->stop(stop);
    EXPECT_EQ(stop.getCode(), c.stopCode) << c.name;
    EXPECT_EQ(controllers[channel]->isStarted(), c.startedAfterStop) << c.name;
    if (c.startedAfterStop) {
      tStatus again;
      EXPECT_TRUE(logOf([&](tStatus& s) { controllers[channel]->start(*lists[channel], true, s); }, kAlreadyStarted)
                      .empty())
          << c.name;
    }
    ++channel;
  }
}

// A channel reset the engine does not answer with the stopped status (it
// goes on with the fetches it has in flight) leaves the channel started:
// its chains may still be walked, so it cannot be started again, nor its
// chains freed, until a wait sees the engine stop.
TEST_F(DmaStreamTest, AResetTheEngineDoesNotAnswerLeavesTheChannelStarted) {
  UserBuffer buffer(configuration, 3 * 4096, 0, 1, 0);
  tStatus status;
  lists[0]->continuous().addSGL(*buffer.map, status);
  commitAndStart(0, status);
  ASSERT_EQ(status.getCode(), 0);
  // Many more steps than one wait reads the status.
  blocks[0]->setStopDrain(1000);
  tStatus reset;
  controllers[0]->resetAndWait(reset);
  EXPECT_EQ(reset.getCode(), kStopTimedOut);
  EXPECT_TRUE(blocks[0]->isRunning());
  EXPECT_TRUE(controllers[0]->isStarted()) << "the wait saw nothing";
  EXPECT_TRUE(logOf([&](tStatus& s) { controllers[0]->start(*lists[0], true, s); }, kAlreadyStarted).empty());

  while (blocks[0]->isDraining()) blocks[0]->run(4096);
  tStatus again;
  controllers[0]->resetAndWait(again);
  EXPECT_EQ(again.getCode(), 0);
  EXPECT_FALSE(controllers[0]->isStarted());
  EXPECT_TRUE(blocks[0]->faults().empty());
}

TEST_F(DmaStreamTest, ACircuitThatDroppedItsDataPathCanBeStartedAgain) {
  tStatus status;
  lists[0]->continuous().addAddress(0x1000, 64, status, false);
  commitAndStart(0, status);
  circuits[0]->dropDataTransferEnable();
  controllers[0]->stop(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_FALSE(circuitControllers[0]->isStarted());
  controllers[0]->start(*lists[0], true, status);
  EXPECT_EQ(status.getCode(), 0) << "not " << kCircuitStarted;
  tStatus twice;
  circuitControllers[0]->start(true, twice);
  EXPECT_EQ(twice.getCode(), kCircuitStarted);
}

TEST_F(DmaStreamTest, ThresholdCreditAndCount) {
  UserBuffer buffer(configuration, 4 * 4096, 0, 1, 3);
  tStatus status;
  lists[0]->continuous().addSGL(*buffer.map, status);
  commitAndStart(0, status);
  EXPECT_EQ(logOf([&](tStatus& s) { controllers[0]->setThreshold(10000, s); }),
            (std::vector<Access>{W(channelAt(0, 0x90), 64, 10000), W(channelAt(0, 0x58), 32, 0x2000000)}));
  EXPECT_EQ(logOf([&](tStatus&) { controllers[0]->enableThresholdInterrupt(); }),
            (std::vector<Access>{R(channelAt(0, 0x54), 32, 2), W(channelAt(0, 0x54), 32, 0x2000002)}));
  EXPECT_TRUE(logOf([&](tStatus&) { controllers[0]->enableThresholdInterrupt(); }).empty());
  std::vector<uint32_t> notified;
  blocks[0]->onNotification([&](uint32_t channel) { notified.push_back(channel); });
  EXPECT_EQ(blocks[0]->run(9999), 9999u);
  EXPECT_TRUE(notified.empty());
  EXPECT_EQ(blocks[0]->run(5000), 5000u);
  EXPECT_EQ(notified, (std::vector<uint32_t>{0}));
  EXPECT_EQ(blocks[0]->run(50000), 50000u);
  EXPECT_EQ(blocks[0]->thresholdNotifications(), 1u) << "armed once, notified once";
  EXPECT_EQ(logOf([&](tStatus& s) { EXPECT_EQ(controllers[0]->getTransferCount(s), 64999u); }),
            (std::vector<Access>{R(channelAt(0, 0xA0), 64, 64999)}));
  EXPECT_EQ(logOf([&](tStatus& s) { controllers[0]->addCredit(0x1234, s); }),
            (std::vector<Access>{W(circuitAt(0, 0x810), 32, 0x1234)}));
  controllers[0]->addCredit(0xFFFFFFFF, status);
  EXPECT_EQ(circuits[0]->creditTotal(), 0x1234ull + 0xFFFFFFFF);
  EXPECT_EQ(logOf([&](tStatus&) { controllers[0]->disableThresholdInterrupt(); }),
            (std::vector<Access>{R(channelAt(0, 0x54), 32, 0x2000002), W(channelAt(0, 0x54), 32, 2)}));
}

TEST_F(DmaStreamTest, CommittedChainMovesExactlyItsBytesToTheDevice) {
  // 4096-byte links, and 512-byte links of which a page-sized block holds eight.
  kalsim::fragmentUserBuffers(true);
  for (const uint32_t channel : {1u, 3u}) {
    const uint32_t linkSize = channel == 1 ? 4096 : 512;
    tStatus status;
    lists[channel]->finite().initialize(configuration, linkSize, status);
    UserBuffer first(configuration, 10000, 300, 0, 11);
    UserBuffer second(configuration, 200000, 0, 0, 99);
    lists[channel]->finite().addSGL(*first.map, status);
    lists[channel]->finite().addSGL(*second.map, status);
    commitAndStart(channel, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(lists[channel]->finite().countLinks(), channel == 1 ? 1u : 2u);
    EXPECT_EQ(blocks[channel]->run(12345), 12345u);
    EXPECT_EQ(blocks[channel]->run(1u << 30), 210000u - 12345);
    EXPECT_EQ(blocks[channel]->run(1u << 30), 0u);
    EXPECT_TRUE(blocks[channel]->atEndOfChain()) << "the open end of a finite chain idles the engine";
    std::vector<uint8_t> expected = first.bytes();
    const std::vector<uint8_t> more = second.bytes();
    expected.insert(expected.end(), more.begin(), more.end());
    EXPECT_EQ(blocks[channel]->sink(), expected);
    EXPECT_EQ(controllers[channel]->getTransferCount(status), 210000u);
    EXPECT_TRUE(blocks[channel]->faults().empty());
    controllers[channel]->stop(status);
    EXPECT_EQ(status.getCode(), 0);
  }
}

TEST_F(DmaStreamTest, LoopFillsTheBufferFromTheDeviceAgainAndAgain) {
  UserBuffer buffer(configuration, 3 * 4096 + 100, 0, 1, 0);
  tStatus status;
  lists[0]->continuous().addSGL(*buffer.map, status);
  commitAndStart(0, status);
  uint64_t n = 0;
  blocks[0]->setSource([](uint64_t index) { return static_cast<uint8_t>(index * 13 + 5); });
  EXPECT_EQ(blocks[0]->run(200 * buffer.size), 200 * buffer.size) << "a loop never ends";
  EXPECT_EQ(blocks[0]->transferCount(), 200 * buffer.size);
  // The loop holds the buffer many times over; the last pass wrote it whole.
  n = 199 * buffer.size;
  for (uint64_t i = 0; i < buffer.size; ++i) ASSERT_EQ(buffer.data[i], static_cast<uint8_t>((n + i) * 13 + 5)) << i;
  EXPECT_EQ(blocks[0]->linkInterrupts(), 0u) << "the second link, which carries the interrupt flag, was never finished";
}

TEST_F(DmaStreamTest, MemoryTheDeviceCannotReachIsADmaFault) {
  // Unmapped before the engine read it.
  UserBuffer buffer(configuration, 8192, 0, 0, 5);
  tStatus status;
  lists[1]->finite().addSGL(*buffer.map, status);
  commitAndStart(1, status);
  buffer.map->unmap();
  EXPECT_EQ(blocks[1]->run(8192), 0u);
  ASSERT_EQ(blocks[1]->faults().size(), 1u);
  EXPECT_EQ(blocks[1]->readSide(DmaChannelBlock::kStatusOffset), DmaChannelBlock::kStatusFault);
  EXPECT_EQ(blocks[1]->transferCount(), 0u);
  controllers[1]->stop(status);
  EXPECT_EQ(status.getCode(), 0) << "a fault stop ends the stop wait";
  EXPECT_FALSE(controllers[1]->isStarted());

  // An address beyond a 32-bit device mask.
  UserBuffer high(configuration, 4096, 0, 1, 5);
  lists[0]->finite().addSGL(*high.map, status);
  commitAndStart(0, status);
  nKIVKAL220_pciSetDMAMask(function->handle(), 0xFFFFFFFFull);
  EXPECT_EQ(blocks[0]->run(4096), 0u);
  EXPECT_EQ(blocks[0]->faults().size(), 1u);
}

TEST_F(DmaStreamTest, CleanupStopsTheChannelAndKeepsTheFirstError) {
  tStatus status;
  lists[0]->continuous().addAddress(0x1000, 64, status, false);
  commitAndStart(0, status);
  blocks[0]->setNeverStops(true);
  tStatus cleanup;
  vorlanSetCode(cleanup, -52013);
  controllers[0]->getCleanupOperation().cleanup(cleanup);
  EXPECT_EQ(cleanup.getCode(), -52013);
  EXPECT_TRUE(blocks[0]->isRunning() || controllers[0]->isStarted());
  blocks[0]->setNeverStops(false);
  tStatus clean;
  controllers[0]->getCleanupOperation().cleanup(clean);
  EXPECT_EQ(clean.getCode(), 0);
  EXPECT_FALSE(controllers[0]->isStarted());
}

TEST_F(DmaStreamTest, ConstructionFailures) {
  kalsim::failMutexCreation(1);
  tStatus noMutex;
  TarnDMAStreamController withoutMutex(companion, *channelMaps[0], *circuitControllers[0], 0, noMutex);
  EXPECT_EQ(noMutex.getCode(), -52000);
  tStatus later;
  withoutMutex.stop(later);
  EXPECT_EQ(later.getCode(), -52000);
  EXPECT_EQ(withoutMutex.getTransferCount(later), 0u);
  tStatus wide;
  board.clearAccessLog();
  TarnDMAStreamController tooWide(companion, *channelMaps[0], *circuitControllers[0], 1ull << 32, wide);
  EXPECT_EQ(wide.getCode(), -52003);
  EXPECT_EQ(tooWide.getChannel(), 0u);
}

}  // namespace
