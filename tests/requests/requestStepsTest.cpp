// The argument steps of the request frame: channel indexes, masks and
// LO-sense ADC numbers.
#include <gtest/gtest.h>

#include "requests/requestSteps.h"

namespace {

using nKIVAPALS100::tStatus;
using vorlan_driver::checkChannelBitmaskInRange;
using vorlan_driver::checkChannelBitmaskNotEmpty;
using vorlan_driver::checkSharedLoSenseADCNumber;
using vorlan_driver::getBitmaskFromPhysicalChannelNumber;
using vorlan_driver::getPhysicalChannelNumberFromBitmask;
using vorlan_driver::getPhysicalChannelNumberFromDmaChannel;
using vorlan_driver::kBadChannelMask;
using vorlan_driver::kBadSharedLoSenseADC;

// Steps I, R and E as a channel-index request runs them.
int64_t indexSteps(uint32_t index, uint64_t* mask) {
  tStatus status;
  *mask = getBitmaskFromPhysicalChannelNumber(index);
  checkChannelBitmaskInRange(*mask, status);
  checkChannelBitmaskNotEmpty(*mask, status);
  return status.getCode();
}

TEST(RequestStepsTest, EveryChannelIndexPastTheChannelsIsRefusedUncut) {
  struct Case {
    uint32_t index;
    uint64_t mask;  // when accepted
  };
  for (const Case& c : {Case{0, 1}, Case{23, 0x800000}}) {
    uint64_t mask = 0;
    EXPECT_EQ(indexSteps(c.index, &mask), 0) << c.index;
    EXPECT_EQ(mask, c.mask);
  }
  // 256 and 512 would be channel 0 if the index were cut to 8 bits.
  for (uint32_t index : {24u, 63u, 64u, 255u, 256u, 512u, 0xFFFFFFFFu}) {
    uint64_t mask = 0;
    EXPECT_EQ(indexSteps(index, &mask), kBadChannelMask) << index;
  }
}

TEST(RequestStepsTest, MasksNameChannelsZeroToTwentyThree) {
  struct Case {
    uint64_t mask;
    int64_t range;   // step R
    int64_t empty;   // step E
    int64_t single;  // step 1
    uint32_t channel;
  };
  const Case cases[] = {
      {0x0, 0, kBadChannelMask, kBadChannelMask, 0},
      {0x1, 0, 0, 0, 0},
      {0x800000, 0, 0, 0, 23},
      {0x3, 0, 0, kBadChannelMask, 0},
      {0x1000000, kBadChannelMask, 0, kBadChannelMask, 0},
      {0x8000000000000000u, kBadChannelMask, 0, kBadChannelMask, 0},
      {0xFFFFFF, 0, 0, kBadChannelMask, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    tStatus range, empty, single;
    checkChannelBitmaskInRange(c.mask, range);
    checkChannelBitmaskNotEmpty(c.mask, empty);
    EXPECT_EQ(getPhysicalChannelNumberFromBitmask(c.mask, single), c.channel);
    EXPECT_EQ(range.getCode(), c.range);
    EXPECT_EQ(empty.getCode(), c.empty);
    EXPECT_EQ(single.getCode(), c.single);
  }
}

TEST(RequestStepsTest, StepsAfterAFailureDoNothing) {
  tStatus status;
  status.setCode(-7, "test", "", 0);
  checkChannelBitmaskInRange(0x1000000, status);
  checkChannelBitmaskNotEmpty(0, status);
  checkSharedLoSenseADCNumber(9, status);
  EXPECT_EQ(status.getCode(), -7);
}

TEST(RequestStepsTest, SharedLoSenseADCsAndDmaChannels) {
  for (uint32_t adc : {0u, 3u, 0x10003u}) {
    tStatus status;
    checkSharedLoSenseADCNumber(adc, status);
    EXPECT_EQ(status.getCode(), 0) << adc;
  }
  for (uint32_t adc : {4u, 0xFFFFu}) {
    tStatus status;
    checkSharedLoSenseADCNumber(adc, status);
    EXPECT_EQ(status.getCode(), kBadSharedLoSenseADC) << adc;
  }
  EXPECT_EQ(getPhysicalChannelNumberFromDmaChannel(0), 0u);
  EXPECT_EQ(getPhysicalChannelNumberFromDmaChannel(47), 23u);
  EXPECT_EQ(getPhysicalChannelNumberFromDmaChannel(256), 0u);
}

}  // namespace
