#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "kal/include/kalStandIn.h"
#include "platform/containers/tFixedArray.h"
#include "platform/containers/tSmallVector.h"
#include "platform/containers/tString.h"
#include "platform/containers/tVector.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tFixedArray;
using vorlan_driver::nKIVAPAL000::tSmallVector;
using vorlan_driver::nKIVAPAL000::tString;
using vorlan_driver::nKIVAPAL000::tVector;

namespace {

class ContainersTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
};

TEST_F(ContainersTest, VectorGrowthFailureKeepsTheElements) {
  tVector<uint32_t> values;
  tStatus status;
  for (uint32_t i = 0; i < 4; ++i) values.pushBack(i * 10, status);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_EQ(values.capacity(), 4u);

  kalsim::failAllocationOnThisThread(1);
  values.pushBack(40, status);
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(status.getCode(), -52000);
  ASSERT_EQ(values.count(), 4u);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(values[i], i * 10);

  values.pushBack(50, status);
  EXPECT_EQ(values.count(), 4u) << "nothing after an error";

  tStatus fresh;
  values.pushBack(40, fresh);
  values.resize(7, fresh);
  ASSERT_EQ(fresh.getCode(), 0);
  const uint32_t expected[] = {0, 10, 20, 30, 40, 0, 0};
  ASSERT_EQ(values.count(), 7u);
  for (uint32_t i = 0; i < 7; ++i) EXPECT_EQ(values[i], expected[i]) << i;
}

TEST_F(ContainersTest, VectorEraseKeepsTheOrder) {
  tVector<int> values;
  tStatus status;
  for (int i = 0; i < 6; ++i) values.pushBack(i, status);
  values.eraseAt(0);
  values.eraseAt(2);
  values.eraseAt(3);
  values.eraseAt(99);
  const int expected[] = {1, 2, 4};
  ASSERT_EQ(values.count(), 3u);
  for (uint64_t i = 0; i < 3; ++i) EXPECT_EQ(values[i], expected[i]);
}

TEST_F(ContainersTest, VectorRefusesCountsWhoseSizeWouldWrap) {
  tVector<uint64_t> values;
  tStatus status;
  const uint64_t calls = kalsim::allocationCallsOnThisThread();
  EXPECT_FALSE(values.reserve(UINT64_MAX / 4, status));
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_EQ(kalsim::allocationCallsOnThisThread(), calls);
}

TEST_F(ContainersTest, SmallVectorStaysInsideUntilItOutgrowsItsRoom) {
  tStatus status;
  const uint64_t calls = kalsim::allocationCallsOnThisThread();
  const uint64_t live = kalsim::liveAllocations();
  {
    tSmallVector<uint64_t, 3> values;
    for (uint64_t i = 0; i < 3; ++i) values.pushBack(i + 1, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(kalsim::allocationCallsOnThisThread(), calls) << "three elements fit inside";
    EXPECT_EQ(values.capacity(), 3u);

    // Growing out of the inline room fails like any growth: contents kept.
    kalsim::failAllocationOnThisThread(1);
    values.pushBack(4, status);
    kalsim::failAllocationOnThisThread(0);
    EXPECT_EQ(status.getCode(), -52000);
    ASSERT_EQ(values.count(), 3u);

    tStatus fresh;
    values.pushBack(4, fresh);
    values.pushBack(5, fresh);
    ASSERT_EQ(fresh.getCode(), 0);
    ASSERT_EQ(values.count(), 5u);
    for (uint64_t i = 0; i < 5; ++i) EXPECT_EQ(values[i], i + 1);
    EXPECT_EQ(kalsim::liveAllocations(), live + 1) << "moved to the heap once";
  }
  EXPECT_EQ(kalsim::liveAllocations(), live) << "the heap block is freed, the inline room is not";
}

TEST_F(ContainersTest, StringAppendsAndAFailedAppendKeepsTheText) {
  tString text;
  EXPECT_STREQ(text.text(), "");
  tStatus status;
  text.append("DO", status);
  text.appendCharacter('\t', status);
  text.append("Triggers", status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(std::string(text.text()), "DO\tTriggers");
  EXPECT_EQ(text.length(), 11u);

  kalsim::failAllocationOnThisThread(1);
  text.append(" and a name long enough to need a larger block", status);
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_EQ(std::string(text.text()), "DO\tTriggers");

  tStatus nullText;
  text.append(nullptr, nullText);
  EXPECT_EQ(nullText.getCode(), -52005);

  text.clear();
  EXPECT_EQ(text.length(), 0u);
  EXPECT_STREQ(text.text(), "");
}

TEST_F(ContainersTest, FixedArrayFillsToItsCapacityAndErasesInOrder) {
  tFixedArray<uint32_t, 4> array;
  const uint32_t three[] = {1, 2, 3};
  array.append(three, 3);
  array.pushBack(4);
  EXPECT_TRUE(array.isFull());
  array.eraseAt(1);
  array.eraseAt(7);
  ASSERT_EQ(array.count(), 3u);
  EXPECT_EQ(array[0], 1u);
  EXPECT_EQ(array[1], 3u);
  EXPECT_EQ(array[2], 4u);
  array.clear();
  EXPECT_TRUE(array.isEmpty());
}

// Growing past the capacity is the caller's fault: the assertion line, the
// condition on a prefixed line, then the halt with the condition.
TEST_F(ContainersTest, FixedArrayHaltsWhenGrownPastItsCapacity) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto overfill = [] {
    kalsim::setEcho(true);
    tFixedArray<uint32_t, 2> array;
    const uint32_t two[] = {1, 2};
    array.pushBack(0);
    array.append(two, 2);
  };
  EXPECT_DEATH(overfill(),
      "\\[vorlan_driver\\|platform/containers/tFixedArray.h\\|[0-9]+\\] !!ASSERT!!\n"
      "(.|\n)*ASSERT\\(_size\\+n <= kMaxSize\\)\n"
      "(.|\n)*halt: \\[vorlan_driver\\|platform/containers/tFixedArray.h\\|[0-9]+\\] ASSERT\\(_size\\+n <= kMaxSize\\)");
}

}  // namespace
