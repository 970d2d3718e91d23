#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "device/KeltRegMaps.h"
#include "framework/armki/ARMDispatcher.h"
#include "kal/include/kalStandIn.h"
#include "platform/containers/tString.h"
#include "platform/synchronization/tMutex.h"
#include "simboard/BusInterfaceBlock.h"
#include "simboard/TimingDigitalOutputBlock.h"
#include "simboard/TimingOutputTimerBlock.h"
#include "simboard/TriggerBlock.h"
#include "tests/simboard/BoardTestSupport.h"

using nKIVAPALS100::tStatus;
using simboard::W;
using vorlan_driver::KeltRegMaps;

namespace {

const std::string kAllNames =
    "SwitchedTarnBimRegMap\tTarn\tIOPort2RegMap\tIsolationPortRegMap\tTarnConfigPortSPI\tTarnConfigPortWindow\t"
    "Triggers\tDO";

class KeltRegMapsTest : public simboard::BoardTest {
 protected:
  std::string registrationList() {
    vorlan_driver::nKIVAPAL000::tString list;
    tStatus status;
    dispatcher.getRegistrationList(list, status);
    EXPECT_EQ(status.getCode(), 0);
    return std::string(list.text());
  }

  armki::tRegisterMapInterface* lookUp(const char* name, int64_t expectedCode = 0) {
    armki::tRegisterMapInterface* object = nullptr;
    tStatus status;
    dispatcher.getRegistration(name, &object, status, nullptr);
    EXPECT_EQ(status.getCode(), expectedCode) << name;
    return object;
  }

  armki::ARMDispatcher dispatcher;
};

TEST_F(KeltRegMapsTest, PublishesEveryMapInOrderWithoutTouchingTheHardware) {
  {
    tStatus status;
    KeltRegMaps maps(board.bar0Address(), simboard::SimBoard::kBar0Size, dispatcher, status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(maps.getPublishedCount(), 8u);
    EXPECT_EQ(registrationList(), kAllNames);
    EXPECT_TRUE(log().empty());

    struct Lookup {
      const char* name;
      armki::tRegisterMapInterface* expected;
    };
    const Lookup lookups[] = {
        {"SwitchedTarnBimRegMap_Ver23.3.0f121", &maps.getBusInterfaceMap()},
        {"Tarn_Ver23.3.0f121", &maps.getCoreMap()},
        {"IOPort2RegMap_Ver23.3.0f121", &maps.getIOPort2Map()},
        {"IsolationPortRegMap_Ver23.3.0f121", &maps.getIsolationPortMap()},
        {"TarnConfigPortSPI_Ver23.3.0f121", &maps.getConfigPortSPIMap()},
        {"TarnConfigPortWindow_Ver23.3.0f121", &maps.getConfigPortWindowMap()},
        {"Triggers_Ver200a13081315", &maps.getTriggersMap()},
        {"DO_Ver200a13081315", &maps.getDOMap()},
    };
    for (const Lookup& l : lookups) EXPECT_EQ(lookUp(l.name), l.expected) << l.name;
    // The output timer is reached only through "DO".
    lookUp("OutTimer", -240024);
  }
  EXPECT_EQ(registrationList(), "");
  EXPECT_TRUE(log().empty()) << "teardown touches no hardware";
}

TEST_F(KeltRegMapsTest, TimingMapsReachTheirBlocksThroughTheirRegistrations) {
  board.addBlock(simboard::TriggerBlock::kBar0Offset, std::make_unique<simboard::TriggerBlock>());
  auto& outputs = board.addBlock(simboard::TimingDigitalOutputBlock::kBar0Offset,
                                 std::make_unique<simboard::TimingDigitalOutputBlock>());
  board.addBlock(simboard::TimingOutputTimerBlock::kBar0Offset, std::make_unique<simboard::TimingOutputTimerBlock>());
  tStatus status;
  KeltRegMaps maps(board.bar0Address(), simboard::SimBoard::kBar0Size, dispatcher, status);
  armki::tRegisterMapInterface* triggers = lookUp("Triggers_Ver200a13081315");
  armki::tRegisterMapInterface* digitalOutputs = lookUp("DO_Ver200a13081315");
  ASSERT_NE(triggers, nullptr);
  ASSERT_NE(digitalOutputs, nullptr);
  triggers->write(0x38000088, 1, false, status, 0);
  digitalOutputs->write(0x38000008, 1, false, status, 0);
  maps.getDOMap().DO_04_Register.writeLine7Level(true, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{W(0x50088, 8, 0x80), W(0x50008, 32, 0x80), W(0x50004, 32, 0x80)}));
  EXPECT_TRUE(outputs.writeProtectLineIsOutput());
  EXPECT_TRUE(outputs.writeProtectLineLevel());
  digitalOutputs->flushRegMap(true, status);
  EXPECT_EQ(take().size(), 21u);
}

// Every allocation and every kernel mutex the aggregate needs, failed in
// turn: what was published before stays published until the aggregate is
// destroyed, which leaves the dispatcher empty and nothing allocated.
TEST_F(KeltRegMapsTest, AFailedRegistrationStopsPublicationAndLeavesNothingBehind) {
  enum class Fault { kAllocation, kMutex };
  {
    // The dispatcher keeps the room its list once needed.
    tStatus status;
    KeltRegMaps warmUp(board.bar0Address(), simboard::SimBoard::kBar0Size, dispatcher, status);
  }
  const uint64_t mutexesBefore = kalsim::liveMutexes();
  for (Fault fault : {Fault::kAllocation, Fault::kMutex}) {
    bool reachedTheEnd = false;
    for (uint32_t nth = 1; nth < 64 && !reachedTheEnd; ++nth) {
      SCOPED_TRACE(::testing::Message() << (fault == Fault::kAllocation ? "allocation " : "mutex ") << nth);
      // Counted after the trace: the host's own allocations go through the
      // stand-in layer too.
      const uint64_t before = kalsim::liveAllocations();
      if (fault == Fault::kAllocation) {
        kalsim::failAllocationOnThisThread(nth);
      } else {
        kalsim::failMutexCreation(nth);
      }
      {
        tStatus status;
        KeltRegMaps maps(board.bar0Address(), simboard::SimBoard::kBar0Size, dispatcher, status);
        kalsim::failAllocationOnThisThread(0);
        kalsim::failMutexCreation(0);
        reachedTheEnd = status.isNotFatal();
        if (!reachedTheEnd) {
          EXPECT_LT(maps.getPublishedCount(), 8u);
          if (fault == Fault::kAllocation) {
            EXPECT_EQ(status.getCode(), -52000);
          }
        }
        std::string expected;
        for (uint32_t i = 0; i < maps.getPublishedCount(); ++i) {
          if (i != 0) expected += '\t';
          expected += KeltRegMaps::registrationName(i);
        }
        EXPECT_EQ(registrationList(), expected);
      }
      EXPECT_EQ(registrationList(), "");
      EXPECT_EQ(kalsim::liveAllocations(), before);
      EXPECT_EQ(kalsim::liveMutexes(), mutexesBefore);
    }
    EXPECT_TRUE(reachedTheEnd) << "some failure was never reached";
  }
  EXPECT_TRUE(log().empty());
}

// A user holding the bus-interface map's registration (as every map
// operation by name does) keeps tunnelled port accesses out until it lets go.
TEST_F(KeltRegMapsTest, APortAccessWaitsWhileTheBusInterfaceMapIsHeldByName) {
  board.addBlock(simboard::BusInterfaceBlock::kBar0Offset, std::make_unique<simboard::BusInterfaceBlock>());
  tStatus status;
  KeltRegMaps maps(board.bar0Address(), simboard::SimBoard::kBar0Size, dispatcher, status);
  ASSERT_EQ(status.getCode(), 0);
  armki::tRegisterMapInterface* published = nullptr;
  vorlan_driver::nKIVAPAL000::tMutex* registration = nullptr;
  dispatcher.getRegistration("SwitchedTarnBimRegMap_Ver23.3.0f121", &published, status, &registration);
  ASSERT_NE(registration, nullptr);

  std::atomic<bool> done{false};
  registration->acquire();
  std::thread port([&] {
    tStatus access;
    maps.getPortAccessor().write32(0x8, 0x1234, access);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done) << "the tunnelled write ran while the map was held";
  registration->release();
  port.join();
  EXPECT_TRUE(done);
}

// Tunnelled reads through the isolation-port map and a user who drives the
// tunnel by name through the bus-interface map (command, poll, data) run at
// once; each must read only its own port register.
TEST_F(KeltRegMapsTest, TunnelledReadsAndTheBusInterfaceMapByNameDoNotInterleave) {
  auto& tunnel = board.addBlock(simboard::BusInterfaceBlock::kBar0Offset, std::make_unique<simboard::BusInterfaceBlock>());
  tunnel.setReadReadyDelayReads(3);
  tunnel.ports().write(2, 0, 0x10, 0xAAAA5555u);
  tunnel.ports().write(2, 0, 0x20, 0x5555AAAAu);
  tStatus status;
  KeltRegMaps maps(board.bar0Address(), simboard::SimBoard::kBar0Size, dispatcher, status);
  ASSERT_EQ(status.getCode(), 0);

  std::atomic<bool> wrong{false};
  std::thread reader([&] {
    for (int i = 0; i < 300 && !wrong; ++i) {
      tStatus access;
      if (maps.getPortAccessor().read32(0x10, access) != 0xAAAA5555u || access.getCode() != 0) wrong = true;
    }
  });
  std::thread user([&] {
    for (int i = 0; i < 300 && !wrong; ++i) {
      tStatus access;
      armki::tRegisterMapInterface* published = nullptr;
      vorlan_driver::nKIVAPAL000::tMutex* registration = nullptr;
      dispatcher.getRegistration("SwitchedTarnBimRegMap_Ver23.3.0f121", &published, access, &registration);
      if (access.getCode() != 0 || published != &maps.getBusInterfaceMap()) {
        wrong = true;
        break;
      }
      vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(*registration);
      auto& map = maps.getBusInterfaceMap();
      map.ConfigControlReg.writeRegister((0x20u << 24) | (2u << 8) | 0x2u, access, true);
      for (int poll = 0; poll < 1000 && access.getCode() == 0; ++poll) {
        if ((map.ConfigControlReg.readRegister(access) & 0x4u) != 0) break;
      }
      if (map.ConfigDataReg.readRegister(access) != 0x5555AAAAu || access.getCode() != 0) wrong = true;
    }
  });
  reader.join();
  user.join();
  EXPECT_FALSE(wrong);
}

}  // namespace
