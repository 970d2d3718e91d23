#include <gtest/gtest.h>

#include <cstring>

#include "kal/include/kalStandIn.h"
#include "platform/memory/tUserBuffer.h"
#include "platform/status/tStatus.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tUserBuffer;

namespace {

class UserBufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    for (int i = 0; i < 16; ++i) user[i] = static_cast<char>('a' + i);
  }
  uint64_t pointer() { return reinterpret_cast<uint64_t>(user); }

  // The buffer the caller named is the first 8 bytes; the rest lies past it.
  char user[16];
};

TEST_F(UserBufferTest, CopiesInsideTheNamedBufferReachUserMemory) {
  const tUserBuffer buffer(nullptr, pointer(), 8);
  char kernel[4] = {};
  tStatus status;
  buffer.copyFromUser(4, kernel, 4, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(std::memcmp(kernel, "efgh", 4), 0);

  buffer.copyToUser(0, "WXYZ", 4, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(std::memcmp(user, "WXYZefgh", 8), 0);
}

TEST_F(UserBufferTest, CopiesReachingPastTheNamedBufferAreRefusedBeforeUserMemoryIsTouched) {
  struct Case {
    uint64_t offset;
    uint32_t length;
  };
  const Case cases[] = {{0, 9}, {4, 5}, {8, 1}, {9, 0}, {UINT64_MAX, 2}, {UINT64_MAX - 3, 8}};
  const tUserBuffer buffer(nullptr, pointer(), 8);
  for (const Case& c : cases) {
    char kernel[16] = {};
    const uint64_t copiesBefore = kalsim::userCopies();
    tStatus inbound;
    buffer.copyFromUser(c.offset, kernel, c.length, inbound);
    EXPECT_EQ(inbound.getCode(), -52005) << c.offset << "+" << c.length;
    tStatus outbound;
    buffer.copyToUser(c.offset, kernel, c.length, outbound);
    EXPECT_EQ(outbound.getCode(), -52005) << c.offset << "+" << c.length;
    EXPECT_EQ(kalsim::userCopies(), copiesBefore) << c.offset << "+" << c.length;
  }
  EXPECT_EQ(std::memcmp(user, "abcdefghijklmnop", 16), 0);
}

TEST_F(UserBufferTest, AnEarlierErrorStopsTheCopy) {
  const tUserBuffer buffer(nullptr, pointer(), 8);
  tStatus status;
  vorlanSetCode(status, -52003);
  buffer.copyToUser(0, "WXYZ", 4, status);
  EXPECT_EQ(status.getCode(), -52003);
  EXPECT_EQ(kalsim::userCopies(), 0u);
  EXPECT_EQ(user[0], 'a');
}

}  // namespace
