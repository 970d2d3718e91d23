#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "platform/io_notification/tIONotifier.h"
#include "platform/status/tStatus.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tIONotifier;
using vorlan_driver::nKIVAPAL000::tIONotifierParams;

namespace {

constexpr uint64_t kIdentifier = 0x1122334455667788ull;
constexpr uint32_t kPort = 4711;

uint64_t identifierOf(const kalsim::SocketMessage& message) {
  uint64_t identifier;
  std::memcpy(&identifier, message.bytes.data(), 8);
  return identifier;
}

uint32_t lengthOf(const kalsim::SocketMessage& message) {
  uint32_t length;
  std::memcpy(&length, message.bytes.data() + 8, 4);
  return length;
}

class IONotifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    tStatus status;
    notifier_.initialize(tIONotifierParams{kIdentifier, kPort}, status);
    ASSERT_EQ(status.getCode(), 0);
    ASSERT_TRUE(notifier_.isOpen());
  }

  tIONotifier notifier_;
};

TEST_F(IONotifierTest, NotificationCarriesIdentifierLengthAndZeroFilledPayload) {
  struct Case {
    uint64_t length;
    bool sent;
    int64_t code;
  };
  const Case cases[] = {
      {0, true, 0},
      {3, true, 0},
      {32, true, 0},
      {33, false, -52005},
      // Only the low 32 bits of the length count.
      {0x100000004ull, true, 0},
  };
  uint8_t payload[40];
  for (uint32_t i = 0; i < sizeof(payload); ++i) payload[i] = static_cast<uint8_t>(0xA0 + i);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const size_t before = kalsim::socketMessages().size();
    tStatus status;
    notifier_.notify(payload, c.length, status);
    EXPECT_EQ(status.getCode(), c.code);
    const std::vector<kalsim::SocketMessage> messages = kalsim::socketMessages();
    ASSERT_EQ(messages.size(), before + (c.sent ? 1 : 0));
    EXPECT_EQ(kalsim::liveSocketBuffers(), 1u);  // only the notifier's own
    if (!c.sent) continue;
    const kalsim::SocketMessage& message = messages.back();
    const uint32_t length = static_cast<uint32_t>(c.length);
    EXPECT_EQ(message.port, kPort);
    EXPECT_EQ(message.type, 1u);
    EXPECT_EQ(identifierOf(message), kIdentifier);
    EXPECT_EQ(lengthOf(message), length);
    for (uint32_t b = 0; b < 36; ++b) {
      EXPECT_EQ(message.bytes[12 + b], b < length ? payload[b] : 0) << "byte " << 12 + b;
    }
  }
}

TEST_F(IONotifierTest, CloseSendsOneClosingMessage) {
  notifier_.close();
  notifier_.close();
  EXPECT_FALSE(notifier_.isOpen());
  EXPECT_EQ(notifier_.getPort(), 0u);
  const std::vector<kalsim::SocketMessage> messages = kalsim::socketMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].type, 2u);
  EXPECT_EQ(messages[0].port, kPort);
  EXPECT_EQ(identifierOf(messages[0]), kIdentifier);
  for (uint32_t b = 8; b < 48; ++b) EXPECT_EQ(messages[0].bytes[b], 0) << b;
  EXPECT_EQ(kalsim::liveSocketBuffers(), 0u);
}

TEST_F(IONotifierTest, SecondCreateClosesTheFirst) {
  tStatus status;
  notifier_.initialize(tIONotifierParams{7, kPort + 1}, status);
  EXPECT_EQ(status.getCode(), 0);
  std::vector<kalsim::SocketMessage> messages = kalsim::socketMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].type, 2u);
  EXPECT_EQ(identifierOf(messages[0]), kIdentifier);
  EXPECT_EQ(messages[0].port, kPort);
  EXPECT_EQ(kalsim::liveSocketBuffers(), 1u);

  notifier_.close();
  messages = kalsim::socketMessages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(identifierOf(messages[1]), 7u);
  EXPECT_EQ(messages[1].port, kPort + 1);
  EXPECT_EQ(kalsim::liveSocketBuffers(), 0u);
}

TEST_F(IONotifierTest, SecondCreateWithoutBufferKeepsTheFirstOpen) {
  kalsim::failSocketBufferCreation(1);
  tStatus status;
  notifier_.initialize(tIONotifierParams{7, kPort + 1}, status);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_TRUE(notifier_.isOpen());
  EXPECT_EQ(notifier_.getIdentifier(), kIdentifier);
  EXPECT_TRUE(kalsim::socketMessages().empty());
}

TEST_F(IONotifierTest, FailedSendsReleaseTheirBuffers) {
  kalsim::failSocketSend(1, -51202);
  tStatus status;
  notifier_.notify("x", 1, status);
  EXPECT_EQ(status.getCode(), -52008);
  EXPECT_EQ(kalsim::liveSocketBuffers(), 1u);

  kalsim::failSocketBufferCreation(1);
  tStatus noBuffer;
  notifier_.notify("x", 1, noBuffer);
  EXPECT_EQ(noBuffer.getCode(), -52000);

  // The closing message is not reported when lost, but its buffer is freed.
  kalsim::failSocketSend(1, -51202);
  notifier_.close();
  EXPECT_FALSE(notifier_.isOpen());
  EXPECT_TRUE(kalsim::socketMessages().empty());
  EXPECT_EQ(kalsim::liveSocketBuffers(), 0u);
}

TEST(IONotifierLifetime, ErrorStatusOpensNothingAndDestructionCloses) {
  kalsim::reset();
  {
    tIONotifier notifier;
    tStatus failed;
    vorlanSetCode(failed, -52003);
    notifier.initialize(tIONotifierParams{1, 2}, failed);
    EXPECT_FALSE(notifier.isOpen());
    EXPECT_EQ(kalsim::liveSocketBuffers(), 0u);

    kalsim::failSocketBufferCreation(1);
    tStatus status;
    notifier.initialize(tIONotifierParams{1, 2}, status);
    EXPECT_EQ(status.getCode(), -52000);
    EXPECT_FALSE(notifier.isOpen());

    tStatus second;
    notifier.initialize(tIONotifierParams{1, 2}, second);
    ASSERT_TRUE(notifier.isOpen());
  }
  const std::vector<kalsim::SocketMessage> messages = kalsim::socketMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].type, 2u);
  EXPECT_EQ(kalsim::liveSocketBuffers(), 0u);
}

}  // namespace
