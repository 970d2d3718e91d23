// The capability table as the device reads it: the rows of this driver's
// four identifiers, a missing row, and the cooling-tier maps with their
// lookups, copies and allocation failures.
#include <gtest/gtest.h>

#include <string>

#include "device/caps/CapsDefinitions.h"
#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/driver/pciIdentity.h"

namespace {

using basalt_caps::CoolingTierCaps;
using basalt_caps::CoolingTierLimit;
using basalt_caps::PowerAllocationLimitInMircroWatts;

class CapsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    vorlan_driver::nKIVAPAL000::initializeRunTime();
  }
  void TearDown() override { vorlan_driver::nKIVAPAL000::finalizeRunTime(); }
};

TEST_F(CapsTest, EachOfTheDriversIdentifiersFindsItsOwnRow) {
  using vorlan_driver::nKIVAPAL000::kSupportedIdentities;
  struct Case {
    uint16_t subsystemId;
    const char* name;
    uint32_t variantFlag;
    uint8_t sharedLoSense;
    uint32_t lastValue;
  };
  const Case cases[] = {
      {kSupportedIdentities[0].subsystemID, "Quill Lark SMU", 1, 0, 3},
      {kSupportedIdentities[1].subsystemID, "Quill Lark SMU", 1, 0, 3},
      {kSupportedIdentities[2].subsystemID, "Quill Wren SMU", 0, 1, 4},
      {kSupportedIdentities[3].subsystemID, "Quill Wren SMU", 0, 1, 4},
  };
  const basalt_caps::CapsDefinitions& table = basalt_caps::getCapsDefinitions();
  ASSERT_EQ(table.end() - table.begin(), 11);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.subsystemId);
    const basalt_caps::Caps* row = table.find(c.subsystemId);
    ASSERT_NE(row, table.end());
    EXPECT_EQ(row, basalt_caps::findCaps(c.subsystemId));
    EXPECT_EQ(row->pciSubsystemId, c.subsystemId);
    EXPECT_EQ(std::string(row->modelName), c.name);
    EXPECT_EQ(row->channelCount, 24u);
    EXPECT_EQ(row->requestedCoolingMode, 32u);
    EXPECT_EQ(row->variantFlag, c.variantFlag);
    EXPECT_EQ(row->variantFlag == 0, vorlan_driver::nKIVAPAL000::isWrenSubsystemID(c.subsystemId))
        << "the same split as the identity table's";
    EXPECT_EQ(row->sharedLoSense, c.sharedLoSense);
    EXPECT_EQ(row->perModelValue7, c.lastValue);
    EXPECT_EQ(std::string(row->alarmName), "ComplianceAlarm");
    EXPECT_EQ(row->coolingTiers.getTierCount(), 0u);
    // Rows 5 to 8 are this driver's, in identity-table order.
    EXPECT_EQ(row - table.begin(), 5 + (&c - cases));
  }
}

TEST_F(CapsTest, AnIdentifierWithoutARowFindsEndAndNoCaps) {
  const basalt_caps::CapsDefinitions& table = basalt_caps::getCapsDefinitions();
  for (uint32_t id : {0x7A03u, 0u, 0xFFFFFFFFu}) {
    EXPECT_EQ(table.find(id), table.end()) << id;
    EXPECT_EQ(basalt_caps::findCaps(id), nullptr) << id;
  }
  vorlan_driver::nKIVAPAL000::finalizeRunTime();
  EXPECT_EQ(basalt_caps::findCaps(0x7A01), nullptr) << "no table outside a load";
  vorlan_driver::nKIVAPAL000::initializeRunTime();
}

TEST_F(CapsTest, TierLookupsTakeTheGreatestTierNotAbove) {
  const CoolingTierLimit pairs[] = {{48, {480, 481}}, {16, {160, 161}}, {48, {999, 999}}};
  const CoolingTierCaps tiers = basalt_caps::getCoolingTierCaps(pairs, 3);
  EXPECT_EQ(tiers.getTierCount(), 2u) << "the second 48 is dropped";
  const CoolingTierCaps empty;
  struct Case {
    const CoolingTierCaps* map;
    uint32_t tier;
    uint32_t first;
    uint32_t second;
  };
  for (const Case& c : {Case{&tiers, 0, 0, 0}, Case{&tiers, 8, 0, 0}, Case{&tiers, 16, 160, 161},
                        Case{&tiers, 40, 160, 161}, Case{&tiers, 47, 160, 161}, Case{&tiers, 48, 480, 481},
                        Case{&tiers, 0xFFFFFFFFu, 480, 481}, Case{&empty, 0, 0, 0}, Case{&empty, 48, 0, 0}}) {
    SCOPED_TRACE(c.tier);
    const PowerAllocationLimitInMircroWatts limits = c.map->getPowerAllocationLimit(c.tier);
    EXPECT_EQ(limits.first, c.first);
    EXPECT_EQ(limits.second, c.second);
    EXPECT_EQ(c.map->getFirstPowerAllocationLimit(c.tier), c.first);
    EXPECT_EQ(c.map->getSecondPowerAllocationLimit(c.tier), c.second);
  }
}

TEST_F(CapsTest, CopiesAreDeepAndAFailedCopyKeepsWhatWasThere) {
  const CoolingTierLimit pairs[] = {{16, {1, 2}}, {32, {3, 4}}};
  const CoolingTierCaps source = basalt_caps::getCoolingTierCaps(pairs, 2);
  CoolingTierCaps copy(source);
  EXPECT_EQ(copy.getTierCount(), 2u);
  EXPECT_EQ(copy.getPowerAllocationLimit(40).first, 3u);

  // The second node of a copy cannot be made: the copy is empty and says so.
  kalsim::failAllocationOnThisThread(2);
  CoolingTierCaps broken(source);
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(broken.getTierCount(), 0u);
  EXPECT_EQ(broken.getStatus().getCode(), -52000);
  CoolingTierCaps fromBroken(broken);
  EXPECT_EQ(fromBroken.getTierCount(), 0u);
  EXPECT_EQ(fromBroken.getStatus().getCode(), -52000) << "an error travels with the copy";

  // An assignment that cannot copy keeps the old map and takes the error.
  const CoolingTierLimit other[] = {{48, {5, 6}}};
  CoolingTierCaps target = basalt_caps::getCoolingTierCaps(other, 1);
  kalsim::failAllocationOnThisThread(1);
  target = source;
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(target.getTierCount(), 1u);
  EXPECT_EQ(target.getPowerAllocationLimit(48).first, 5u);
  EXPECT_EQ(target.getStatus().getCode(), -52000);

  CoolingTierCaps fresh;
  fresh = source;
  EXPECT_EQ(fresh.getTierCount(), 2u);
  EXPECT_EQ(fresh.getPowerAllocationLimit(16).second, 2u);
}

}  // namespace
