// The DMA requests as user mode sees them on a started board: a session
// that holds a channel streams a buffer to its odd DMA channel and reads
// the count back; the channel steps answer before the reservation; closing
// the session stops what it started; a channel whose lists could not be
// built again is not started; an engine that never stops keeps what it may
// reach until the device goes.
#include <cstring>
#include <string>
#include <vector>

#include "kal/include/kalDma.h"
#include "simboard/DmaChannelBlock.h"
#include "tests/requests/RequestEnvelopeFixture.h"
#include "tests/support/layerObjects.h"

namespace requesttest {
namespace {

constexpr int32_t kBadDmaChannel = word(0xBFFA4300u);
constexpr int32_t kBadChannelMask = word(0xBFFA4303u);
constexpr int32_t kChannelRunning = word(0xBFFA806Eu);
constexpr int32_t kNotReserved = word(0xBFFA431Au);
constexpr int32_t kWrongDirection = word(0xBFFA806Fu);
constexpr int32_t kNoLinkMemory = -52017;
constexpr uint32_t kContinuousList = 1;

// How many of the driver's debug lines hold every one of `parts`.
size_t printed(const std::vector<std::string>& parts) {
  size_t count = 0;
  for (const std::string& line : kalsim::printedLines()) {
    bool all = true;
    for (const std::string& part : parts) all = all && line.find(part) != std::string::npos;
    if (all) ++count;
  }
  return count;
}

class DmaRequestsTest : public RequestEnvelopeTest {
 protected:
  void SetUp() override {
    RequestEnvelopeTest::SetUp();
    if (kTopLevel < 20) GTEST_SKIP() << "the DMA requests need a fully set-up device";
  }
  int32_t reserve(void* on, uint64_t mask) {
    const tRequestRow& reserve = row("kdut_reserveResources");
    Exchange exchange = recordsFor(reserve);
    exchange.put<uint64_t>(0, mask);
    send(on, reserve.code, exchange);
    return statusOf(reserve, exchange);
  }
  // A request with the DMA channel in its first word; `fill` puts the rest.
  template <typename Fill>
  Exchange dma(void* on, const char* name, uint32_t channel, Fill fill) {
    const tRequestRow& request = row(name);
    Exchange exchange = recordsFor(request);
    exchange.put<uint32_t>(0, channel);
    fill(exchange);
    send(on, request.code, exchange);
    EXPECT_EQ(exchange.result, 0) << name;
    return exchange;
  }
  int32_t simple(void* on, const char* name, uint32_t channel) {
    return statusOf(row(name), dma(on, name, channel, [](Exchange&) {}));
  }
  int32_t addFromDevice(void* on, uint32_t channel, const std::vector<uint8_t>& bytes, uint32_t listKind) {
    return statusOf(row("tarnTools_addTransferFromDevice"),
                    dma(on, "tarnTools_addTransferFromDevice", channel, [&](Exchange& e) {
                      e.put<uint32_t>(4, listKind);
                      e.put<uint64_t>(8, address(bytes.data()));
                      e.put<uint64_t>(16, bytes.size());
                    }));
  }
  int32_t addToDevice(void* on, uint32_t channel, const std::vector<uint8_t>& bytes, uint32_t repeat,
                      uint32_t listKind = 0) {
    return statusOf(row("tarnTools_addTransferToDevice"),
                    dma(on, "tarnTools_addTransferToDevice", channel, [&](Exchange& e) {
                      e.put<uint32_t>(4, listKind);
                      e.put<uint64_t>(8, address(bytes.data()));
                      e.put<uint64_t>(16, bytes.size());
                      e.put<uint32_t>(24, repeat);
                    }));
  }
};

TEST_F(DmaRequestsTest, ASessionStreamsABufferToItsChannelAndClosingStopsIt) {
  constexpr uint32_t kDmaChannel = 5;  // commands to instrument channel 2
  ASSERT_EQ(reserve(session, 1u << 2), 0);
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 5 + 1);
  ASSERT_EQ(addToDevice(session, kDmaChannel, bytes, 256), 0);
  ASSERT_EQ(statusOf(row("tarnTools_startDMA"), dma(session, "tarnTools_startDMA", kDmaChannel,
                                                    [](Exchange& e) { e.put<uint8_t>(4, 1); })),
            0);
  EXPECT_EQ(addToDevice(session, kDmaChannel, bytes, 1), kChannelRunning) << "the lists change only while stopped";

  simboard::DmaChannelBlock& engine = board.nisoFpga().dmaChannel(kDmaChannel);
  EXPECT_EQ(engine.run(1u << 20), 25600u);
  const Exchange count = dma(session, "tarnTools_getTransferCount", kDmaChannel, [](Exchange&) {});
  EXPECT_EQ(statusOf(row("tarnTools_getTransferCount"), count), 0);
  EXPECT_EQ(count.get<uint64_t>(0), 25600u);
  // Reached already: the wait answers at once, not timed out.
  const Exchange wait = dma(session, "tarnTools_waitUntilBytesTransferred", kDmaChannel, [](Exchange& e) {
    e.put<uint64_t>(8, 0);
    e.put<uint32_t>(16, 25600);
    e.put<uint32_t>(20, 0);
    e.put<uint8_t>(24, 1);
  });
  EXPECT_EQ(statusOf(row("tarnTools_waitUntilBytesTransferred"), wait), 0);
  EXPECT_EQ(wait.get<uint8_t>(0), 0);
  std::vector<uint8_t> expected;
  for (int i = 0; i < 256; ++i) expected.insert(expected.end(), bytes.begin(), bytes.end());
  EXPECT_EQ(engine.sink(), expected);

  // Closing the session stops the stream it left running.
  host.close(session);
  sessions.erase(sessions.begin());
  EXPECT_FALSE(engine.isRunning());
  EXPECT_EQ(board.nisoFpga().isolatedSide().channelEngines().commandStream(2).stops, 1u);
  EXPECT_EQ(board.nisoFpga().fifoResets(true, 2), 1u);
}

// A repeat count multiplies link memory in the kernel at no cost to the
// caller, and so does a run of adds: a channel's two lists hold at most 2^20
// address entries together. An add past that, alone or on top of what the
// channel holds, is refused before anything is appended, and the channel
// holds nothing of it; a clear gives the room back.
TEST_F(DmaRequestsTest, AnAddPastTheChannelsBoundOnAddressEntriesAppendsNothing) {
  constexpr uint32_t kDmaChannel = 5;
  constexpr uint32_t kBound = 1u << 20;
  ASSERT_EQ(reserve(session, 1u << 2), 0);
  const std::vector<uint8_t> page(64, 0x22);  // one segment
  const struct {
    const char* what;
    bool onAFullChannel;  // after one add of the page repeated up to the bound
    uint32_t listKind;
    uint32_t repeat;
  } refused[] = {
      {"one repetition past the bound", false, 0, kBound + 1},
      {"every repetition a count can name", false, 0, 0xFFFFFFFFu},
      {"one entry more", true, 0, 1},
      {"one entry more, in the other list", true, kContinuousList, 1},
      {"a quarter of the bound more", true, 0, kBound / 4},
  };
  bool full = false;
  for (const auto& r : refused) {
    SCOPED_TRACE(r.what);
    if (r.onAFullChannel && !full) {
      ASSERT_EQ(addToDevice(session, kDmaChannel, page, kBound), 0);
      full = true;
    }
    const testsupport::LayerObjects before = testsupport::layerObjects();
    EXPECT_EQ(addToDevice(session, kDmaChannel, page, r.repeat, r.listKind), -52005);
    EXPECT_EQ(testsupport::leftBehind(before, testsupport::layerObjects()), "")
        << "no link, pinned buffer or cleanup was kept";
  }
  ASSERT_TRUE(full);
  ASSERT_EQ(simple(session, "tarnTools_clearTransfers", kDmaChannel), 0);
  ASSERT_EQ(addToDevice(session, kDmaChannel, page, kBound - 3, kContinuousList), 0) << "the clear gave it all back";
  ASSERT_EQ(simple(session, "tarnTools_clearTransfers", kDmaChannel), 0);
  ASSERT_EQ(addToDevice(session, kDmaChannel, page, 3), 0);
  ASSERT_EQ(statusOf(row("tarnTools_startDMA"), dma(session, "tarnTools_startDMA", kDmaChannel, [](Exchange&) {})),
            0);
  EXPECT_EQ(board.nisoFpga().dmaChannel(kDmaChannel).run(1u << 20), 3 * page.size());
  EXPECT_EQ(simple(session, "tarnTools_stopDMA", kDmaChannel), 0);
}

TEST_F(DmaRequestsTest, ChannelStepsAnswerBeforeTheReservation) {
  void* other = open();
  ASSERT_EQ(reserve(other, 1u << 3), 0);  // DMA channels 6 and 7
  std::vector<uint8_t> bytes(64, 0x11);
  ASSERT_EQ(addToDevice(other, 7, bytes, 1), 0);
  ASSERT_EQ(statusOf(row("tarnTools_startDMA"), dma(other, "tarnTools_startDMA", 7, [](Exchange&) {})), 0);

  struct Case {
    const char* name;
    uint32_t channel;
    int32_t expected;
  };
  const Case cases[] = {
      {"tarnTools_startDMA", 48, kBadDmaChannel},
      {"tarnTools_clearTransfers", 7, kChannelRunning},  // even for a session that does not hold it
      {"tarnTools_getTransferCount", 7, kNotReserved},
      {"tarnTools_stopDMA", 6, kNotReserved},
      {"tarnTools_cancelWaitUntilBytesTransferred", 48, kBadChannelMask},  // instrument channel 24
  };
  for (const Case& c : cases) EXPECT_EQ(simple(session, c.name, c.channel), c.expected) << c.name;
  EXPECT_EQ(simple(other, "tarnTools_getTransferCount", 6), 0) << "DMA channel 6 is the same instrument channel";
  EXPECT_EQ(simple(other, "tarnTools_cancelWaitUntilBytesTransferred", 256 + 6), 0) << "derived channel 3, no waiter";
  const Exchange fromDevice = dma(other, "tarnTools_addTransferFromDevice", 7, [&](Exchange& e) {
    e.put<uint64_t>(8, address(bytes.data()));
    e.put<uint64_t>(16, bytes.size());
  });
  EXPECT_EQ(statusOf(row("tarnTools_addTransferFromDevice"), fromDevice), kChannelRunning);
  EXPECT_EQ(simple(other, "tarnTools_stopDMA", 7), 0);
  const Exchange wrongWay = dma(other, "tarnTools_addTransferFromDevice", 7, [&](Exchange& e) {
    e.put<uint64_t>(8, address(bytes.data()));
    e.put<uint64_t>(16, bytes.size());
  });
  EXPECT_EQ(statusOf(row("tarnTools_addTransferFromDevice"), wrongWay), kWrongDirection);
  EXPECT_EQ(simple(other, "tarnTools_clearTransfers", 7), 0);
  EXPECT_EQ(simple(other, "tarnTools_clearApplicationFIFO", 7), -52006) << "the stop took the stream's cleanup";
}

// A clear whose lists cannot be built again (each of the layer's steps of
// making link memory failing in turn) leaves the channel without a first
// link to hand the engine: the start is refused with the code an add gets,
// and writes nothing, until a clear builds the lists again.
TEST_F(DmaRequestsTest, AChannelWhoseListsAClearCouldNotBuildAgainIsNotStartedUntilAClearDoes) {
  constexpr uint32_t kDmaChannel = 4;  // measurements of instrument channel 2
  ASSERT_EQ(reserve(session, 1u << 2), 0);
  simboard::DmaChannelBlock& engine = board.nisoFpga().dmaChannel(kDmaChannel);
  const std::vector<uint8_t> bytes(3 * 4096);
  const struct {
    const char* step;
    void (*fail)();
  } rows[] = {
      {"page list", [] { kalsim::failPageListAllocation(1); }},
      {"kernel view", [] { kalsim::failKernelViewOfPageList(1); }},
      {"scatter-gather list", [] { kalsim::failSGLCreation(1); }},
      {"scatter-gather map", [] { kalsim::failSGLMap(1); }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.step);
    ASSERT_EQ(addFromDevice(session, kDmaChannel, bytes, kContinuousList), 0);
    r.fail();
    EXPECT_NE(simple(session, "tarnTools_clearTransfers", kDmaChannel), 0);
    board.log().clear();
    EXPECT_EQ(simple(session, "tarnTools_startDMA", kDmaChannel), kNoLinkMemory);
    EXPECT_FALSE(engine.isRunning());
    EXPECT_TRUE(board.log()
                    .between(simboard::Space::kBar0, simboard::DmaChannelBlock::bar0Offset(kDmaChannel),
                             simboard::DmaChannelBlock::bar0Offset(kDmaChannel + 1))
                    .empty())
        << "nothing written to the channel";
    EXPECT_EQ(addFromDevice(session, kDmaChannel, bytes, kContinuousList), kNoLinkMemory);

    ASSERT_EQ(simple(session, "tarnTools_clearTransfers", kDmaChannel), 0);
    ASSERT_EQ(addFromDevice(session, kDmaChannel, bytes, kContinuousList), 0);
    ASSERT_EQ(simple(session, "tarnTools_startDMA", kDmaChannel), 0);
    EXPECT_EQ(engine.run(2 * bytes.size()), 2 * bytes.size());
    EXPECT_TRUE(engine.faults().empty()) << engine.faults().front().what;
    EXPECT_EQ(simple(session, "tarnTools_stopDMA", kDmaChannel), 0);
    EXPECT_EQ(simple(session, "tarnTools_clearTransfers", kDmaChannel), 0);
  }
}

// A driver the test loads and unloads itself, so that what the layer holds
// at the end can be held against what it held before the load.
class DmaOverTheDriversLifeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kTopLevel < 20) GTEST_SKIP() << "the DMA requests need a fully set-up device";
    kalsim::reset();
    before = testsupport::layerObjects();
    ASSERT_EQ(host.load(), 0);
    ASSERT_EQ(host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size), 0);
  }
  void* open() {
    void* opened = nullptr;
    EXPECT_EQ(host.open(kMainInterface, &opened), 0);
    return opened;
  }
  // The request's status word, or the call's result when that failed.
  template <typename Fill>
  int32_t request(void* on, const char* name, Fill fill) {
    const tRequestRow& r = row(name);
    Exchange exchange;
    exchange.inbound.assign(r.inboundSize, 0);
    exchange.outbound.assign(r.outboundSize, kUntouchedByte);
    fill(exchange);
    exchange.result = host.request(on, r.code, exchange.inbound.data(), r.inboundSize, exchange.outbound.data(),
                                   r.outboundSize, &exchange.bytesReturned);
    return exchange.result != 0 ? exchange.result : exchange.get<int32_t>(r.outboundStatusOffset);
  }

  simboard::QuillBoard board;
  kalsim::tHostHarness host;
  testsupport::LayerObjects before;
};

// Neither a stop nor a reset of the channel is ever answered with the
// stopped status, and the device is reset: the engine may go on fetching
// links and filling the buffer, so nothing of either is unmapped, unpinned
// or freed while the device is there. The debug output says so; the device
// going releases them, and the layer is left as the load found it.
TEST_F(DmaOverTheDriversLifeTest, WhatAnEngineThatNeverStopsMayReachIsKeptUntilTheDeviceGoes) {
  constexpr uint32_t kDmaChannel = 4;  // measurements of instrument channel 2
  void* session = open();
  ASSERT_EQ(request(session, "kdut_reserveResources", [](Exchange& e) { e.put<uint64_t>(0, 1u << 2); }), 0);
  // The caller's memory, which the layer's count of the driver's blocks
  // leaves out.
  std::vector<uint8_t> buffer;
  {
    kalsim::HostAllocations caller;
    buffer.assign(3 * 4096, 0);
  }
  ASSERT_EQ(request(session, "tarnTools_addTransferFromDevice",
                    [&](Exchange& e) {
                      e.put<uint32_t>(0, kDmaChannel);
                      e.put<uint32_t>(4, kContinuousList);
                      e.put<uint64_t>(8, address(buffer.data()));
                      e.put<uint64_t>(16, buffer.size());
                    }),
            0);
  ASSERT_EQ(request(session, "tarnTools_startDMA", [](Exchange& e) { e.put<uint32_t>(0, kDmaChannel); }), 0);
  simboard::DmaChannelBlock& engine = board.nisoFpga().dmaChannel(kDmaChannel);
  ASSERT_EQ(engine.run(5000), 5000u);
  engine.setStopDrain(1u << 30);
  const uint64_t pinned = kalsim::livePinnedUserPages();
  ASSERT_GT(pinned, 0u);

  void* resetting = open();
  EXPECT_EQ(request(resetting, "kdut_reset", [](Exchange& e) { e.put<uint32_t>(0, 20); }), 0);
  EXPECT_TRUE(engine.isRunning());
  EXPECT_EQ(kalsim::livePinnedUserPages(), pinned) << "the engine may still fill the buffer";
  EXPECT_EQ(printed({"DMA channel 4 ", "kept"}), 1u);
  for (int step = 0; step < 16; ++step) EXPECT_EQ(engine.run(4096), 4096u) << step;
  EXPECT_TRUE(engine.faults().empty()) << engine.faults().front().what;

  host.close(session);
  host.close(resetting);
  host.removeDevice();
  EXPECT_EQ(kalsim::livePinnedUserPages(), pinned) << "kept until the device itself goes";
  host.deleteDevice();
  EXPECT_EQ(printed({"released"}), 1u);
  host.unload();
  EXPECT_EQ(testsupport::leftBehind(before, testsupport::layerObjects()), "");
  EXPECT_EQ(kalsim::pageListsDestroyedWhileMapped(), 0u);
}

}  // namespace
}  // namespace requesttest
