// The device's DMA side on the whole simulated board: the 48 channel sets
// over the non-isolated maps and the isolated channel maps, the interrupt
// path, the waits and the dispatcher, driven the way the DMA requests drive
// them, with a session's cleanup composite.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "device/DeviceDMA.h"
#include "device/NonIsolatedRegMaps.h"
#include "device/frontEndAccessors/QuillChannelBaseAddressCalculator.h"
#include "device/frontEndAccessors/WindowedFrontEndAccessor.h"
#include "dma/addressing/configureDMAAddressing.h"
#include "framework/armki/ARMDispatcher.h"
#include "framework/frontEndAccessors/ChannelBasedFrontEndAccessor.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "kal/include/kalDma.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/device/tEventDescriptor.h"
#include "regmaps/nonisolated/nTheQuillConstants.h"
#include "simboard/QuillBoard.h"
#include "tests/framework/frontEndTestSupport.h"
#include "tests/platform/pciTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::Direction;
using simboard::NisoFpgaDmaBlock;
using simboard::Space;
using tarntools::SGLController;
using vorlan_driver::DeviceDMA;
using vorlan_driver::NonIsolatedRegMaps;
using vorlan_driver::nKIVAPAL000::tDMAConfiguration;
using vorlan_driver::nKIVAPAL000::tPCIDevice;

constexpr uint32_t kLine = 17;
constexpr int64_t code(uint32_t word) { return static_cast<int32_t>(word); }
constexpr uint64_t kFpga = NisoFpgaDmaBlock::kBar0Offset;

// A page-aligned user buffer holding a counting pattern.
struct UserBuffer {
  explicit UserBuffer(uint64_t bytes, uint8_t seed = 0) : storage(bytes + 4096) {
    data = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(storage.data()) + 4095) & ~uintptr_t{4095});
    size = bytes;
    for (uint64_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(seed + i * 7);
  }
  uint64_t address() const { return reinterpret_cast<uintptr_t>(data); }
  std::vector<uint8_t> bytes() const { return std::vector<uint8_t>(data, data + size); }
  std::vector<uint8_t> storage;
  uint8_t* data;
  uint64_t size;
};

class DeviceDmaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    vorlan_driver::nKIVAPAL000::initializeRunTime();
    kalsim::PciFunctionSetup setup;
    setup.lineInterrupt = kLine;
    description_ = pcitest::describe(kalsim::addPciFunction(setup));
    board.bridgeCore().interrupts().onDeliver([] { kalsim::raiseInterrupt(kLine); });
    board.nisoFpga().isolatedSide().setPowered(true);
  }
  void TearDown() override {
    dma.reset();
    composite.reset();
    channels_.clear();
    channelAccessors_.clear();
    windows_.clear();
    niso.reset();
    device.reset();
    EXPECT_EQ(kalsim::livePageLists(), 0u) << "every pinned buffer and link block released";
    EXPECT_EQ(kalsim::liveSGLs(), 0u);
    vorlan_driver::nKIVAPAL000::finalizeRunTime();
    kalsim::reset();
  }

  // The device with its DMA addressing, the maps and the DMA side.
  void build() {
    tStatus status;
    device = std::make_unique<tPCIDevice>(description_, status);
    coreSpace_ = std::make_unique<tSpace>(board.bar0Address(), 0x518);
    core = std::make_unique<tarntools::tTarnWithOffset<0u>>(*coreSpace_);
    vorlan_driver::configureDMAAddressing(*core, *device, status);
    niso = std::make_unique<NonIsolatedRegMaps>(board.bar0Address(), dispatcher_, status);
    ASSERT_EQ(status.getCode(), 0);
    auto& fpga = niso->getFpgaMap();
    for (uint32_t p = 0; p < vorlan_regmaps::nTheQuillConstants::kChPortCount; ++p) {
      windows_.push_back(std::make_unique<vorlan_driver::tNisoWindowedFrontEndAccessor>(
          fpga.IsoRegAccessStatusRegType[p], fpga.IsoRegAccessAddrRegType[p], fpga.IsoRegAccessWriteDataRegType[p],
          fpga.IsoRegAccessReadDataRegType[p], &checker_, status));
    }
    for (uint32_t c = 0; c < 24; ++c) {
      channelAccessors_.push_back(
          std::make_unique<voltarissharedsource::ChannelBasedFrontEndAccessor>(c, windows_[c].get(), calculator_));
      channels_.push_back(std::make_unique<tChannelMap>(*channelAccessors_[c], 0u, 0u, 0xFFFFFFFFu));
      channelTable_[c] = channels_[c].get();
    }
    dma = std::make_unique<DeviceDMA>(*device, board.bar0Address(), *niso, channelTable_, status);
    ASSERT_EQ(status.getCode(), 0);
    composite = std::make_unique<kdut::CleanupOperationComposite>(kdut::CleanupOperationComposite::kSessionCapacity,
                                                                  status);
    ASSERT_EQ(status.getCode(), 0);
    board.log().clear();
  }

  meridandma::DMADispatcher& dispatcher() { return *dma->getDmaDispatcher(); }
  vorlan_driver::TarnDMAControllers& controllers() { return *dma->getDmaControllers(); }

  int64_t add(uint32_t channel, const UserBuffer& buffer, uint32_t repeat = 1, uint32_t listKind = 0) {
    tStatus status;
    dispatcher().addTransfer(descriptor_, channel, listKind, buffer.address(), buffer.size,
                             TarnDirection(channel), repeat, *composite, status);
    return status.getCode();
  }
  static uint32_t TarnDirection(uint32_t channel) { return vorlan_driver::TarnDMAControllers::direction(channel); }
  int64_t start(uint32_t channel) {
    tStatus status;
    dispatcher().startDMA(channel, true, *composite, status);
    return status.getCode();
  }
  int64_t stop(uint32_t channel) {
    tStatus status;
    dispatcher().stopDMA(channel, *composite, status);
    return status.getCode();
  }

  // BAR 0 writes of the FPGA's FIFO-reset registers, in order.
  std::vector<Access> fifoResetWrites() {
    std::vector<Access> out;
    for (const Access& a : board.log().between(Space::kBar0, kFpga + 0x50, kFpga + 0x58)) {
      if (a.direction == Direction::kWrite) out.push_back(a);
    }
    return out;
  }
  // Where in the board's log the first access matching `match` lies.
  template <typename Match>
  std::ptrdiff_t firstIndex(Match match) {
    const std::vector<Access>& entries = board.log().entries();
    auto found = std::find_if(entries.begin(), entries.end(), match);
    return found == entries.end() ? -1 : found - entries.begin();
  }

  using tSpace = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;
  using tChannelMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;

  simboard::QuillBoard board;
  std::unique_ptr<tPCIDevice> device;
  std::unique_ptr<tarntools::tTarnWithOffset<0u>> core;
  std::unique_ptr<NonIsolatedRegMaps> niso;
  std::unique_ptr<DeviceDMA> dma;
  std::unique_ptr<kdut::CleanupOperationComposite> composite;

  vorlan_driver::nKIVAPAL000::tPCIDescription description_{};

 private:
  vorlan_driver::nKIVAPAL000::tEventDescriptor descriptor_;
  std::unique_ptr<tSpace> coreSpace_;
  armki::ARMDispatcher dispatcher_;
  frontendtest::FakeChecker checker_;
  vorlan_driver::tQuillChannelBaseAddressCalculator calculator_;
  std::vector<std::unique_ptr<vorlan_driver::tNisoWindowedFrontEndAccessor>> windows_;
  std::vector<std::unique_ptr<voltarissharedsource::ChannelBasedFrontEndAccessor>> channelAccessors_;
  std::vector<std::unique_ptr<tChannelMap>> channels_;
  tChannelMap* channelTable_[24] = {};
};

TEST_F(DeviceDmaTest, OddChannelStreamsABufferAddedManyTimesAndAWaitSeesTheBytes) {
  build();
  constexpr uint32_t kChannel = 5;  // commands to instrument channel 2
  const UserBuffer buffer(100);
  ASSERT_EQ(add(kChannel, buffer, 256), 0);
  EXPECT_TRUE(composite->contains(controllers().getSGLController(kChannel)));
  ASSERT_EQ(start(kChannel), 0);
  const auto& stream = board.nisoFpga().isolatedSide().channelEngines().commandStream(2);
  EXPECT_TRUE(stream.running);
  EXPECT_EQ(stream.starts, 1u);

  // The wait sleeps until the engine, stepped here, reaches its target.
  kalsim::useRealClock();
  std::atomic<bool> waiting{false};
  tStatus waitStatus;
  uint8_t timedOut = 1;
  std::thread waiter([&] {
    waiting = true;
    dma->waitUntilBytesTransferred(kChannel, 0, 25600, 0xFFFFFFFFu, &timedOut, waitStatus);
  });
  simboard::DmaChannelBlock& engine = board.nisoFpga().dmaChannel(kChannel);
  // Asleep: its threshold is set and its interrupt enabled.
  while (!waiting || kalsim::interruptibleWaiters() == 0) std::this_thread::yield();
  EXPECT_EQ(engine.run(10000), 10000u);
  EXPECT_EQ(board.bridgeCore().interrupts().queued(), 0u) << "below the threshold";
  EXPECT_EQ(engine.run(1u << 20), 15600u);
  EXPECT_EQ(board.bridgeCore().interrupts().deliverInterrupts(), 1u);
  waiter.join();
  EXPECT_EQ(waitStatus.getCode(), 0);
  EXPECT_EQ(timedOut, 0);

  std::vector<uint8_t> expected;
  for (int i = 0; i < 256; ++i) expected.insert(expected.end(), buffer.data, buffer.data + buffer.size);
  EXPECT_EQ(engine.sink(), expected);
  tStatus status;
  EXPECT_EQ(dispatcher().getTransferCount(kChannel, status), 25600u);

  ASSERT_EQ(stop(kChannel), 0);
  EXPECT_FALSE(stream.running);
  EXPECT_EQ(stream.stops, 1u);
  EXPECT_FALSE(controllers().getDMAStreamController(kChannel)->isStarted());
  EXPECT_EQ(board.nisoFpga().fifoResets(true, 2), 1u);
  // Only the buffers are left to release.
  EXPECT_TRUE(composite->contains(controllers().getSGLController(kChannel)));
  composite->cleanup(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_FALSE(controllers().getSGLController(kChannel)->hasBuffers());
}

TEST_F(DeviceDmaTest, ClosingASessionStopsTheCommandStreamThenTheChannelThenResetsTheFifoThenReleases) {
  build();
  constexpr uint32_t kChannel = 7;  // instrument channel 3
  const UserBuffer buffer(3000);
  ASSERT_EQ(add(kChannel, buffer), 0);
  ASSERT_EQ(start(kChannel), 0);
  const uint64_t pinned = kalsim::livePageLists();
  board.log().clear();

  tStatus status;
  composite->cleanup(status);
  EXPECT_EQ(status.getCode(), 0);
  const std::ptrdiff_t streamStop = firstIndex([](const Access& a) {
    return a.space == Space::kIsolated && a.via == 3 && a.direction == Direction::kWrite && (a.value & (1u << 9)) != 0;
  });
  const std::ptrdiff_t channelStop = firstIndex([](const Access& a) {
    return a.space == Space::kBar0 && a.offset == simboard::DmaChannelBlock::bar0Offset(kChannel) + 0x58 &&
           a.direction == Direction::kWrite && a.value == 2;
  });
  const std::ptrdiff_t fifoReset = firstIndex([](const Access& a) {
    return a.space == Space::kBar0 && a.offset == kFpga + 0x54 && a.direction == Direction::kWrite;
  });
  ASSERT_GE(streamStop, 0);
  EXPECT_LT(streamStop, channelStop);
  EXPECT_LT(channelStop, fifoReset);
  EXPECT_FALSE(controllers().getSGLController(kChannel)->hasBuffers());
  EXPECT_LT(kalsim::livePageLists(), pinned) << "the buffer's pages are unpinned";
}

TEST_F(DeviceDmaTest, EachFifoResetStrobesItsInstrumentChannelInItsDirectionsRegister) {
  build();
  struct Case {
    uint32_t dmaChannel;
    uint64_t offset;
    uint32_t mask;
  };
  const Case cases[] = {{0, 0x50, 1u << 0}, {1, 0x54, 1u << 0}, {5, 0x54, 1u << 2},
                        {46, 0x50, 1u << 23}, {47, 0x54, 1u << 23}};
  for (const Case& c : cases) {
    board.log().clear();
    tStatus status;
    // Twice: the strobe drops out of the register's shadow, so each reset goes out.
    controllers().getFifoController(c.dmaChannel)->resetFifo(status);
    controllers().getFifoController(c.dmaChannel)->resetFifo(status);
    EXPECT_EQ(status.getCode(), 0);
    const std::vector<Access> writes = fifoResetWrites();
    ASSERT_EQ(writes.size(), 2u) << c.dmaChannel;
    for (const Access& a : writes) {
      EXPECT_EQ(a.offset, kFpga + c.offset) << c.dmaChannel;
      EXPECT_EQ(a.value, c.mask) << c.dmaChannel;
    }
    EXPECT_EQ(board.nisoFpga().peek(c.offset, 32), 0u) << "the strobes clear themselves";
  }
}

TEST_F(DeviceDmaTest, ClearingTheCommandFifoRestartsTheStreamNoSoonerThanTheHoldOff) {
  build();
  constexpr uint32_t kChannel = 9;  // instrument channel 4
  tStatus status;
  dispatcher().restartSequencerStream(kChannel, *composite, status);
  ASSERT_EQ(status.getCode(), 0);
  const uint64_t before = kalsim::virtualNanoseconds();
  dispatcher().clearApplicationFIFO(kChannel, *composite, status);
  const uint64_t stopped = kalsim::virtualNanoseconds();
  dispatcher().restartSequencerStream(kChannel, *composite, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_GE(kalsim::virtualNanoseconds() - stopped, 100000u) << "the start waited out the hold-off";
  EXPECT_GT(stopped, before);
  const auto& stream = board.nisoFpga().isolatedSide().channelEngines().commandStream(4);
  EXPECT_TRUE(stream.running);
  EXPECT_EQ(stream.starts, 2u);
  EXPECT_EQ(stream.stops, 1u);
  const std::vector<Access> writes = fifoResetWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].offset, kFpga + 0x54);
  EXPECT_EQ(writes[0].value, 1u << 4);
  // The restarted stream's stop is the session's again.
  EXPECT_TRUE(composite->contains(&controllers().getSequencerStreamController(kChannel, status)->getCleanupOperation()));
  composite->cleanup(status);
  EXPECT_FALSE(stream.running);
}

TEST_F(DeviceDmaTest, RefusalsOfTheDispatcherAndTheBufferOwner) {
  build();
  const UserBuffer buffer(64);
  struct Case {
    const char* what;
    uint32_t channel;
    uint32_t listKind;
    uint64_t bytes;
    uint32_t direction;
    uint32_t repeat;
    int64_t expected;
  };
  const Case cases[] = {
      {"channel 48", 48, 0, 64, 0, 1, -52005},
      {"no bytes", 1, 0, 0, 0, 1, -52019},
      {"list kind 2", 1, 2, 64, 0, 1, -52005},
      {"repeat count 0", 1, 0, 64, 0, 0, code(0xBFFA806Cu)},
      {"from the device on an odd channel", 1, 0, 64, 1, 1, code(0xBFFA806Fu)},
      {"to the device on an even channel", 2, 1, 64, 0, 1, code(0xBFFA806Fu)},
      {"a size whose page count overflows", 1, 0, ~0ull - 10, 0, 1, -52005},
  };
  for (const Case& c : cases) {
    tStatus status;
    dispatcher().addTransfer(vorlan_driver::nKIVAPAL000::tEventDescriptor(), c.channel, c.listKind,
                             buffer.address(), c.bytes, c.direction, c.repeat, *composite, status);
    EXPECT_EQ(status.getCode(), c.expected) << c.what;
  }
  EXPECT_FALSE(composite->contains(controllers().getSGLController(1)));
  EXPECT_FALSE(controllers().getSGLController(1)->hasBuffers());

  tStatus status;
  EXPECT_EQ(dispatcher().getTransferCount(48, status), 0u);
  EXPECT_EQ(status.getCode(), -52005);

  // Stopping what this session did not start: an odd channel stops its
  // command stream and then fails, leaving the DMA channel alone; an even
  // one stops the channel and fails on the withdrawal.
  board.log().clear();
  EXPECT_EQ(stop(3), -52006);
  EXPECT_EQ(board.log().between(Space::kBar0, simboard::DmaChannelBlock::bar0Offset(3),
                                simboard::DmaChannelBlock::bar0Offset(4)).size(), 0u);
  EXPECT_EQ(board.nisoFpga().isolatedSide().channelEngines().commandStream(1).stops, 1u);
  EXPECT_EQ(stop(2), -52006);
  EXPECT_TRUE(fifoResetWrites().empty());
  tStatus cleared;
  dispatcher().clearTransfers(2, *composite, cleared);
  EXPECT_EQ(cleared.getCode(), -52006) << "cleared, then told the session held no buffers";
}

TEST_F(DeviceDmaTest, ABufferThatCouldNotBePinnedOrMappedIsDroppedAndALaterAddStillRegistersTheRelease) {
  build();
  const UserBuffer buffer(5000);
  const uint64_t before = kalsim::livePageLists();
  kalsim::failUserPinning(1);
  EXPECT_EQ(add(1, buffer), -52001);
  kalsim::failSGLMap(1);
  EXPECT_NE(add(1, buffer), 0);
  EXPECT_FALSE(controllers().getSGLController(1)->hasBuffers());
  EXPECT_EQ(kalsim::livePageLists(), before) << "nothing stays pinned";
  EXPECT_FALSE(composite->contains(controllers().getSGLController(1)));

  ASSERT_EQ(add(1, buffer), 0);
  EXPECT_TRUE(composite->contains(controllers().getSGLController(1)));
  ASSERT_EQ(add(1, buffer, 3), 0);
  tStatus status;
  composite->cleanup(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(kalsim::livePageLists(), before);
}

TEST_F(DeviceDmaTest, ABufferKeptAfterAnAppendThatFailedPartWayIsReleasedByTheSession) {
  build();
  // 256 scattered pages make 256 entries: the last needs a second link,
  // whose link memory cannot be had.
  kalsim::fragmentUserBuffers(true);
  const UserBuffer buffer(256 * 4096);
  const uint64_t before = kalsim::livePageLists();
  kalsim::failPageListAllocation(1);
  EXPECT_EQ(add(1, buffer), -52000);
  ASSERT_TRUE(controllers().getSGLController(1)->hasBuffers()) << "the chain holds some of its segments";
  EXPECT_TRUE(composite->contains(controllers().getSGLController(1)));

  tStatus status;
  composite->cleanup(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_FALSE(controllers().getSGLController(1)->hasBuffers());
  EXPECT_EQ(kalsim::livePageLists(), before) << "no pages stay pinned for the next session";
}

TEST_F(DeviceDmaTest, BuffersOfAChannelThatWouldNotStopAreKeptUntilTheTeardownResetsIt) {
  build();
  constexpr uint32_t kChannel = 4;  // measurements of instrument channel 2
  const UserBuffer buffer(8192);
  ASSERT_EQ(add(kChannel, buffer), 0);
  ASSERT_EQ(start(kChannel), 0);
  board.nisoFpga().dmaChannel(kChannel).setNeverStops(true);
  // A reset, too, lets the engine finish what it has in flight.
  board.nisoFpga().dmaChannel(kChannel).setStopDrain(4);
  const uint64_t pinned = kalsim::livePageLists();

  tStatus status;
  composite->cleanup(status);
  EXPECT_EQ(status.getCode(), code(0xBFFA807Cu)) << "the stop timed out";
  EXPECT_TRUE(controllers().getSGLController(kChannel)->hasBuffers()) << "the engine may still write them";
  EXPECT_EQ(kalsim::livePageLists(), pinned);
  tStatus refused;
  controllers().getSGLController(kChannel)->cleanup(refused);
  EXPECT_EQ(refused.getCode(), code(0xBFFA806Eu));

  board.log().clear();
  dma.reset();
  EXPECT_FALSE(board.log().between(Space::kBar0, simboard::DmaChannelBlock::bar0Offset(kChannel) + 0x54,
                                   simboard::DmaChannelBlock::bar0Offset(kChannel) + 0x55).empty())
      << "the channel is reset before its buffers go";
  simboard::DmaChannelBlock& engine = board.nisoFpga().dmaChannel(kChannel);
  EXPECT_FALSE(engine.isRunning()) << "idle before its links and buffers were freed";
  for (int step = 0; step < 8; ++step) engine.run(4096);
  EXPECT_TRUE(engine.faults().empty()) << engine.faults().front().what;
  EXPECT_EQ(kalsim::pageListsDestroyedWhileMapped(), 0u);
}

// An engine asked to stop goes on walking its loop, links included, for a
// few steps (here while the driver polls its status) before it shows it is
// idle. Whatever ends the stream, no link or buffer may be rewritten or
// freed before that: afterwards the engine must not fault on a stale bus
// address, and must not be found still walking.
TEST_F(DeviceDmaTest, LinksAndBuffersOutliveAStoppingEnginesLastFetches) {
  constexpr uint32_t kChannel = 4;  // measurements of instrument channel 2
  enum class Ending { kSessionCloses, kStopThenClear, kTeardown };
  const struct {
    Ending ending;
    const char* name;
  } rows[] = {
      {Ending::kSessionCloses, "the session closes"},
      {Ending::kStopThenClear, "stop, then clear at once"},
      {Ending::kTeardown, "the controller set is torn down"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    build();
    simboard::DmaChannelBlock& engine = board.nisoFpga().dmaChannel(kChannel);
    const UserBuffer buffer(3 * 4096);
    ASSERT_EQ(add(kChannel, buffer, 1, 1), 0);
    ASSERT_EQ(start(kChannel), 0);
    engine.run(5000);
    engine.setStopDrain(4);

    tStatus status;
    switch (row.ending) {
      case Ending::kSessionCloses:
        composite->cleanup(status);
        break;
      case Ending::kStopThenClear:
        EXPECT_EQ(stop(kChannel), 0);
        dispatcher().clearTransfers(kChannel, *composite, status);
        break;
      case Ending::kTeardown:
        dma.reset();
        break;
    }
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_FALSE(engine.isRunning()) << "idle before anything was freed";
    for (int step = 0; step < 8; ++step) engine.run(4096);
    EXPECT_TRUE(engine.faults().empty()) << engine.faults().front().what;
    EXPECT_EQ(kalsim::pageListsDestroyedWhileMapped(), 0u);
  }
}

// The engines run on a thread of their own, as hardware runs beside the
// driver, while driver threads (one channel each, as one session holds a
// channel) add, start, wait on, stop and clear transfers. Under the thread
// sanitizer nothing the engines touch may race the driver.
TEST_F(DeviceDmaTest, EnginesOnTheirOwnThreadBesideDriverThreadsOnEveryStep) {
  build();
  kalsim::useRealClock();
  constexpr uint32_t kChannels[] = {1, 2, 5, 6};
  constexpr int kRounds = 8;
  std::atomic<bool> done{false};
  std::thread engines([&] {
    while (!done) {
      for (uint32_t channel : kChannels) {
        simboard::DmaChannelBlock& engine = board.nisoFpga().dmaChannel(channel);
        engine.run(1000);
        engine.clearSink();
      }
    }
  });
  std::vector<std::thread> drivers;
  std::atomic<uint32_t> failures{0};
  for (uint32_t channel : kChannels) {
    drivers.emplace_back([&, channel] {
      const UserBuffer buffer(3 * 4096 + 100, static_cast<uint8_t>(channel));
      for (int round = 0; round < kRounds; ++round) {
        // Odd rounds loop: the engine walks the chain until it is stopped.
        if (add(channel, buffer, 1, round & 1) != 0 || start(channel) != 0) ++failures;
        tStatus status;
        const uint64_t from = dispatcher().getTransferCount(channel, status);
        uint8_t timedOut = 1;
        for (int poll = 0; poll < 500 && timedOut != 0 && status.isNotFatal(); ++poll) {
          dma->waitUntilBytesTransferred(channel, from, 1, 0, &timedOut, status);
          std::this_thread::yield();
        }
        if (status.isFatal() || stop(channel) != 0) ++failures;
        tStatus cleared;
        dispatcher().clearTransfers(channel, *composite, cleared);
        if (cleared.isFatal()) ++failures;
      }
    });
  }
  for (std::thread& driver : drivers) driver.join();
  done = true;
  engines.join();
  EXPECT_EQ(failures.load(), 0u);
  for (uint32_t channel : kChannels) {
    EXPECT_TRUE(board.nisoFpga().dmaChannel(channel).faults().empty()) << channel;
    EXPECT_FALSE(controllers().getSGLController(channel)->hasBuffers()) << channel;
  }
}

TEST_F(DeviceDmaTest, ChannelChecksOfTheRequestsAndTheWaitsShortCuts) {
  build();
  const UserBuffer buffer(256);
  ASSERT_EQ(add(1, buffer), 0);
  ASSERT_EQ(start(1), 0);
  struct Case {
    uint32_t channel;
    bool mustBeIdle;
    int64_t expected;
  };
  const Case cases[] = {{48, false, code(0xBFFA4300u)}, {1, true, code(0xBFFA806Eu)}, {1, false, 0}, {0, true, 0}};
  for (const Case& c : cases) {
    nKIVAPALS100::tStatusExtended status;
    dma->checkDmaChannel(c.channel, c.mustBeIdle, status, "vorlan_driver", "caller.cpp", 42);
    EXPECT_EQ(status.getCode(), c.expected) << c.channel;
    EXPECT_EQ(status.getLine(), c.expected != 0 ? 42u : 0u) << "at the caller's line";
  }

  // Already reached: at once, not timed out. Not reached with time-out 0:
  // at once, timed out, no error. A cancel without a waiter leaves no trace.
  board.nisoFpga().dmaChannel(1).run(256);
  tStatus status;
  uint8_t timedOut = 1;
  dma->waitUntilBytesTransferred(1, 0, 256, 0, &timedOut, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(timedOut, 0);
  dma->cancelWaitUntilBytesTransferred(1);
  dma->cancelWaitUntilBytesTransferred(256);
  dma->waitUntilBytesTransferred(1, 256, 1, 0, &timedOut, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(timedOut, 1);
  EXPECT_EQ(stop(1), 0);
}

TEST_F(DeviceDmaTest, ABridgeWithoutSixtyFourBitAddressingGetsThirtyTwoBitDma) {
  struct Case {
    uint32_t capabilities;
    tDMAConfiguration::tDMAType type;
    uint32_t control;
  };
  const Case cases[] = {{0x120u, tDMAConfiguration::kDMAType64Bit, 0x8000C000u},
                        {0x100u, tDMAConfiguration::kDMAType32Bit, 0x80000000u}};
  for (const Case& c : cases) {
    board.bridgeCore().setCapabilities(c.capabilities);
    board.bridgeCore().poke(0xA4, 32, 0x0000C001u);
    tStatus status;
    tPCIDevice pci(description_, status);
    tSpace space(board.bar0Address(), 0x518);
    tarntools::tTarnWithOffset<0u> bridge(space);
    vorlan_driver::configureDMAAddressing(bridge, pci, status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(pci.getDMAConfiguration().getType(), c.type);
    EXPECT_EQ(board.bridgeCore().peek(0xA4, 32), c.control | 1u) << "bit 31 always, 14 and 15 as the bridge can";
  }
}

TEST_F(DeviceDmaTest, ThirtyTwoBitBoardStreamsThroughLowBusAddresses) {
  board.bridgeCore().setCapabilities(0x100u);
  build();
  EXPECT_EQ(device->getDMAConfiguration().getType(), tDMAConfiguration::kDMAType32Bit);
  const UserBuffer buffer(6000);
  ASSERT_EQ(add(3, buffer), 0);
  ASSERT_EQ(start(3), 0);
  simboard::DmaChannelBlock& engine = board.nisoFpga().dmaChannel(3);
  EXPECT_LT(engine.peek(simboard::DmaChannelBlock::kLinkAddressOffset, 64), 0x100000000ull);
  EXPECT_EQ(engine.run(1u << 20), 6000u);
  EXPECT_TRUE(engine.faults().empty());
  EXPECT_EQ(engine.sink(), buffer.bytes());
  EXPECT_EQ(stop(3), 0);
}

}  // namespace
