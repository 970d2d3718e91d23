// DMA-channel parity and the two channel coordinators, by tables of cases.
#include <gtest/gtest.h>

#include "controllers/localRAMController/localRamLayout.h"
#include "device/utilities/OneToOneChannelCoordinator.h"
#include "device/utilities/OneToTwoChannelCoordinator.h"
#include "device/utilities/dmaChannelParity.h"

namespace {

using voltarissharedsource::ChannelCoordinatorInterface;
using voltarissharedsource::OneToOneChannelCoordinator;
using voltarissharedsource::OneToTwoChannelCoordinator;

TEST(ChannelUtilities, OddDmaChannelsCarryCommandsEvenOnesMeasurements) {
  struct Case {
    uint32_t dmaChannel;
    bool command;
  };
  for (const Case& c : {Case{0, false}, Case{1, true}, Case{2, false}, Case{5, true}, Case{46, false}, Case{47, true},
                        Case{0xFFFFFFFFu, true}}) {
    EXPECT_EQ(vorlan_driver::isCommandStreamDmaChannel(c.dmaChannel), c.command) << c.dmaChannel;
    EXPECT_EQ(vorlan_driver::isMeasurementStreamDmaChannel(c.dmaChannel), !c.command) << c.dmaChannel;
  }
}

TEST(ChannelUtilities, EachChannelOwns1365WordsFrom0x8000) {
  struct Case {
    uint32_t channel;
    uint32_t start;
  };
  for (const Case& c : {Case{0, 0x8000}, Case{1, 0x8000 + 1365}, Case{23, 0x8000 + 23 * 1365}}) {
    const vorlan_driver::LocalRamRegion region = vorlan_driver::getLocalRamChannelRegion(c.channel);
    EXPECT_EQ(region.start, c.start) << c.channel;
    EXPECT_EQ(region.length, 1365u) << c.channel;
  }
  EXPECT_EQ(vorlan_driver::getLocalRamChannelRegion(23).trailerAddress(), 65527u);
}

TEST(ChannelCoordinators, MasksAndChannelsByCoordinator) {
  const OneToOneChannelCoordinator oneToOne(24);
  const OneToTwoChannelCoordinator oneToTwo(24);
  struct Case {
    const ChannelCoordinatorInterface* coordinator;
    uint64_t logicalMask;
    uint64_t physicalMask;
    bool secondary;
  };
  for (const Case& c : {Case{&oneToOne, 0xFFFFFF, 0xFFFFFF, false}, Case{&oneToTwo, 0xFFF, 0xFFFFFF, true}}) {
    EXPECT_EQ(c.coordinator->getLogicalChannelMask(), c.logicalMask);
    EXPECT_EQ(c.coordinator->getPhysicalChannelMask(), c.physicalMask);
    EXPECT_EQ(c.coordinator->hasSecondaryPhysicalChannel(), c.secondary);
  }
  EXPECT_EQ(OneToOneChannelCoordinator(64).getPhysicalChannelMask(), ~0ull) << "a full mask, not a shift by 64";

  struct MapCase {
    const ChannelCoordinatorInterface* coordinator;
    uint64_t logical;
    uint64_t physical;
  };
  for (const MapCase& c : {MapCase{&oneToOne, 0, 0}, MapCase{&oneToOne, 0b101, 0b101},
                           MapCase{&oneToOne, 0xFFFFFF, 0xFFFFFF}, MapCase{&oneToTwo, 0, 0},
                           MapCase{&oneToTwo, 0b101, 0x11}, MapCase{&oneToTwo, 0xFFF, 0x555555},
                           MapCase{&oneToTwo, 1ull << 31, 1ull << 62},
                           MapCase{&oneToTwo, 1ull << 32, 0}}) {
    EXPECT_EQ(c.coordinator->logicalToPhysicalMask(c.logical), c.physical) << std::hex << c.logical;
  }

  struct ChannelCase {
    uint8_t logical;
    uint8_t oneToOnePrimary;
    uint8_t oneToTwoPrimary;
    uint32_t oneToTwoSecondary;
  };
  for (const ChannelCase& c : {ChannelCase{0, 0, 0, 1}, ChannelCase{5, 5, 10, 11}, ChannelCase{11, 11, 22, 23},
                               ChannelCase{200, 200, 144, 401}}) {
    EXPECT_EQ(oneToOne.getPrimaryPhysicalChannel(c.logical), c.oneToOnePrimary);
    EXPECT_EQ(oneToOne.getSecondaryPhysicalChannel(c.logical), ChannelCoordinatorInterface::kNoSecondaryChannel);
    EXPECT_EQ(oneToTwo.getPrimaryPhysicalChannel(c.logical), c.oneToTwoPrimary) << "taken as 8 bits";
    EXPECT_EQ(oneToTwo.getSecondaryPhysicalChannel(c.logical), c.oneToTwoSecondary);
  }
}

}  // namespace
