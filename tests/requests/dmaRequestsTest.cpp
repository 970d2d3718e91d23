// The DMA requests as user mode sees them on a started board: a session
// that holds a channel streams a buffer to its odd DMA channel and reads
// the count back; the channel steps answer before the reservation; closing
// the session stops what it started.
#include <cstring>
#include <vector>

#include "simboard/DmaChannelBlock.h"
#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

constexpr int32_t kBadDmaChannel = word(0xBFFA4300u);
constexpr int32_t kBadChannelMask = word(0xBFFA4303u);
constexpr int32_t kChannelRunning = word(0xBFFA806Eu);
constexpr int32_t kNotReserved = word(0xBFFA431Au);
constexpr int32_t kWrongDirection = word(0xBFFA806Fu);

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
  int32_t addToDevice(void* on, uint32_t channel, const std::vector<uint8_t>& bytes, uint32_t repeat) {
    return statusOf(row("tarnTools_addTransferToDevice"),
                    dma(on, "tarnTools_addTransferToDevice", channel, [&](Exchange& e) {
                      e.put<uint32_t>(4, 0);
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

}  // namespace
}  // namespace requesttest
