// The non-isolated register-map aggregate: what it publishes by name, what
// it takes back, and what a refused allocation or lock leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "device/NonIsolatedRegMaps.h"
#include "framework/armki/ARMDispatcher.h"
#include "kal/include/kalStandIn.h"
#include "platform/containers/tString.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using vorlan_driver::NonIsolatedRegMaps;

// The FPGA map, its 97 children and the power monitor.
constexpr uint64_t kPublished = 1 + vorlan_regmaps::tTheQuillNisoFpgaRegMap::kChildCount + 1;

class NonIsolatedRegMapsTest : public simboard::BoardTest {
 protected:
  armki::tRegisterMapInterface* lookUp(const char* name) {
    armki::tRegisterMapInterface* object = nullptr;
    tStatus status;
    dispatcher.getRegistration(name, &object, status, nullptr);
    return status.isNotFatal() ? object : nullptr;
  }
  armki::ARMDispatcher dispatcher;
};

TEST_F(NonIsolatedRegMapsTest, PublishesTheFpgaFamilyAndThePowerMonitorAndTakesThemBack) {
  {
    tStatus status;
    NonIsolatedRegMaps maps(board.bar0Address(), dispatcher, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(dispatcher.getNumberOfRegistrations(), kPublished);
    vorlan_driver::nKIVAPAL000::tString list;
    dispatcher.getRegistrationList(list, status);
    const std::string names(list.text());
    EXPECT_EQ(names.substr(0, names.find('\t')), "TheQuillNisoFpgaRegMap");
    EXPECT_EQ(names.substr(names.rfind('\t') + 1), "Ina231RegMap");
    EXPECT_EQ(lookUp("Ina231RegMap_Ver2.1.0d19"), &maps.getIna231Map());
    for (uint32_t i = 0; i < NonIsolatedRegMaps::kDmaChannels; ++i) {
      EXPECT_NE(maps.getBridgeStreamMap(i), nullptr) << i;
      EXPECT_NE(maps.getBridgeDmaMap(i), nullptr) << i;
    }
    EXPECT_EQ(maps.getBridgeStreamMap(48), nullptr);
    EXPECT_EQ(maps.getBridgeDmaMap(48), nullptr);
    EXPECT_TRUE(log().empty()) << "building touches no hardware";
  }
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
  EXPECT_TRUE(log().empty()) << "teardown touches no hardware";
}

TEST_F(NonIsolatedRegMapsTest, ARefusedAllocationOrLockPublishesNothingAndLeavesNothing) {
  // One whole build first: the dispatcher keeps the room its table grew to.
  {
    tStatus status;
    NonIsolatedRegMaps maps(board.bar0Address(), dispatcher, status);
  }
  const uint64_t allocations = kalsim::liveAllocations();
  const uint64_t mutexes = kalsim::liveMutexes();
  {
    tStatus status;
    kalsim::failMutexCreation(1);
    NonIsolatedRegMaps maps(board.bar0Address(), dispatcher, status);
    kalsim::failMutexCreation(0);
    EXPECT_EQ(status.getCode(), -52000);
    EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
  }
  {
    tStatus status;
    vorlanSetCode(status, -52013);
    NonIsolatedRegMaps maps(board.bar0Address(), dispatcher, status);
    EXPECT_EQ(status.getCode(), -52013) << "an error on entry builds nothing more";
    EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
    EXPECT_EQ(maps.getBridgeStreamMap(0), nullptr);
  }
  EXPECT_EQ(kalsim::liveAllocations(), allocations) << "after a refused lock and an error on entry";
  bool whole = false;
  for (uint32_t nth = 1; nth < 2000 && !whole; nth += 7) {
    tStatus status;
    {
      kalsim::failAllocationOnThisThread(nth);
      NonIsolatedRegMaps maps(board.bar0Address(), dispatcher, status);
      kalsim::failAllocationOnThisThread(0);
      whole = status.isNotFatal();
      if (!whole) {
        EXPECT_EQ(status.getCode(), -52000) << nth;
      }
    }
    ASSERT_EQ(dispatcher.getNumberOfRegistrations(), 0u) << nth;
    ASSERT_EQ(kalsim::liveAllocations(), allocations) << nth;
    ASSERT_EQ(kalsim::liveMutexes(), mutexes) << nth;
  }
  EXPECT_TRUE(whole);
}

}  // namespace
