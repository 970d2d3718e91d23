// The bridge register maps published by name in the register-map
// dispatcher: names, version rules, and a request's path through a
// registration to the hardware.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/armki/ARMDispatcher.h"
#include "framework/kivregitools/registrationStatusCodes.h"
#include "kal/include/kalStandIn.h"
#include "platform/containers/tString.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/bridge/tIOPort2RegMapWithOffset.h"
#include "regmaps/bridge/tIsolationPortRegMapWithOffset.h"
#include "regmaps/bridge/tTarnConfigPortSPIWithOffset.h"
#include "regmaps/bridge/tTarnConfigPortWindowWithOffset.h"
#include "regmaps/bridge/tTarnWithOffset.h"
#include "tests/regmaps/PortTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;
namespace codes = kivregitools::codes;
using tInterface = armki::tRegisterMapInterface;

class ARMDispatcherTest : public porttest::PortTest {
 protected:
  void SetUp() override {
    vorlan_driver::nKIVAPAL000::initializeRunTime();
    dispatcher = std::make_unique<armki::ARMDispatcher>();
    for (const Published& p : published()) {
      tStatus status;
      dispatcher->add(p.name, *p.map, status);
      ASSERT_EQ(status.getCode(), 0) << p.name;
    }
  }
  void TearDown() override {
    dispatcher.reset();
    vorlan_driver::nKIVAPAL000::finalizeRunTime();
  }

  struct Published {
    const char* name;
    tInterface* map;
  };
  std::vector<Published> published() {
    return {{tarntools::tSwitchedTarnBimRegMapWithOffset<0u>::kName, &busInterface},
            {tarntools::tTarnWithOffset<0u>::kName, &core},
            {tarntools::tTarnConfigPortSPIWithOffset<0u>::kName, &spi},
            {tarntools::tTarnConfigPortWindowWithOffset<0u>::kName, &window},
            {tarntools::tIOPort2RegMapWithOffset<0u>::kName, &ioPort2},
            {tarntools::tIsolationPortRegMapWithOffset<0u>::kName, &isolationPort}};
  }

  tInterface* lookUp(const std::string& name, tStatus& status, tMutex** mutex = nullptr) {
    tInterface* object = reinterpret_cast<tInterface*>(0x1);
    dispatcher->getRegistration(name.c_str(), &object, status, mutex);
    return object;
  }

  tMemorySpace coreBar = space(0, 0x518);
  tMemorySpace spiBar = space(0x580, 0x10);
  tMemorySpace windowBar = space(0, 0xE4);
  tarntools::tTarnWithOffset<0u> core{coreBar};
  tarntools::tTarnConfigPortSPIWithOffset<0u> spi{spiBar};
  tarntools::tTarnConfigPortWindowWithOffset<0u> window{windowBar};
  tarntools::tIOPort2RegMapWithOffset<0u> ioPort2{accessor};
  tarntools::tIsolationPortRegMapWithOffset<0u> isolationPort{accessor};
  std::unique_ptr<armki::ARMDispatcher> dispatcher;
};

TEST_F(ARMDispatcherTest, EveryBridgeMapIsPublishedUnderItsName) {
  tStatus status;
  vorlan_driver::nKIVAPAL000::tString list;
  dispatcher->getRegistrationList(list, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_STREQ(list.text(),
               "SwitchedTarnBimRegMap\tTarn\tTarnConfigPortSPI\tTarnConfigPortWindow\tIOPort2RegMap\t"
               "IsolationPortRegMap");
  for (const Published& p : published()) {
    SCOPED_TRACE(p.name);
    tStatus lookup;
    tMutex* mutex = nullptr;
    EXPECT_EQ(lookUp(std::string(p.name) + "_Ver23.3.0f121", lookup, &mutex), p.map);
    EXPECT_EQ(lookup.getCode(), 0);
    EXPECT_NE(mutex, nullptr);
  }
}

// Every bridge map carries version and oldest compatible version 23.3.0f121.
TEST_F(ARMDispatcherTest, LookupsFollowTheVersionRules) {
  struct Case {
    const char* suffix;
    int64_t code;
    bool found;
  };
  const Case cases[] = {
      {"", codes::kVersionRequired, false},
      {"_Ver", codes::kVersionRequired, false},
      {"_Ver23.3.0f121", 0, true},
      {"_Ver23.3.0f122", codes::kNewerVersionWarning, true},
      {"_Ver23.3.0f120", codes::kIncompatibleVersion, false},
      {"_Ver23.3.0", codes::kMalformedVersionText, false},
  };
  for (const Published& p : published()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(p.name) + c.suffix);
      tStatus status;
      tMutex* mutex = nullptr;
      EXPECT_EQ(lookUp(std::string(p.name) + c.suffix, status, &mutex), c.found ? p.map : nullptr);
      EXPECT_EQ(status.getCode(), c.code);
      EXPECT_EQ(mutex != nullptr, c.found);
    }
  }
  tStatus status;
  EXPECT_EQ(lookUp("IOPort2RegMapX_Ver23.3.0f121", status), nullptr);
  EXPECT_EQ(status.getCode(), codes::kRegistrationNotFound);
}

// As a register request does it: look up, hold the registration's mutex for
// one operation, release.
TEST_F(ARMDispatcherTest, RequestByNameReachesThePortRegisters) {
  tStatus status;
  tMutex* mutex = nullptr;
  tInterface* map = lookUp("IOPort2RegMap_Ver23.3.0f121", status, &mutex);
  ASSERT_NE(map, nullptr);
  {
    tAutoLock<tMutex> lock(*mutex);
    map->write(0x8000000C, 2, false, status, 0);
  }
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takePorts(), (std::vector<std::string>{"W 2.0.0xC=0x2"}));

  map = lookUp("IsolationPortRegMap_Ver23.3.0f121", status, &mutex);
  ASSERT_NE(map, nullptr);
  uint64_t value = 0;
  {
    tAutoLock<tMutex> lock(*mutex);
    map->get(0x80000004, value, status, 0);
  }
  EXPECT_EQ(value, 0x0F000203u);
}

// A registration takes its map's own lock rather than making one, so a
// request by name and everyone else who reaches the map hold the same lock;
// withdrawing the registrations leaves the maps their locks.
TEST_F(ARMDispatcherTest, ARegistrationLendsItsMapsLockAndDestroyingTheDispatcherWithdrawsIt) {
  EXPECT_EQ(dispatcher->getNumberOfRegistrations(), 6u);
  for (const Published& p : published()) {
    EXPECT_NE(p.map->getLock(), nullptr) << p.name;
    EXPECT_EQ(dispatcher->findMutexOf(*p.map), p.map->getLock()) << p.name;
  }
  const uint64_t withRegistrations = kalsim::liveMutexes();
  dispatcher.reset();
  EXPECT_EQ(kalsim::liveMutexes(), withRegistrations);
  for (const Published& p : published()) EXPECT_TRUE(p.map->getLock()->isCreated()) << p.name;
}

}  // namespace
