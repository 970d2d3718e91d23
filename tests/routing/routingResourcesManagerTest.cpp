#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "platform/io_notification/tNotificationMessage.h"
#include "routing/RoutingResourcesManager.h"
#include "routing/RoutingSession.h"

namespace {

using kivark::KernelRoutingSession;
using kivark::RoutingResourcesManager;
using nKIVAPALS100::tStatus;

// Resources that are only handed out and withdrawn.
class HandedOutResources : public kivark::RoutingResourcesInterface {
 public:
  kivark::AllocHelper getAllocHelper() override { return {nullptr, nullptr}; }
  const kivark::TopInfo* getTopInfo() override { return nullptr; }
  void resetTerminal(uint32_t, uint32_t, tStatus&) override {}
  uint32_t calculateResetTerminal(uint64_t, uint32_t, uint32_t, tStatus&) override { return 0; }
  void resetAllTerminalsToDefault(tStatus&) override {}
  bool calculateRoute(uint64_t, const kivark::RouteCalculationSeedBase*, uint32_t, const uint32_t*, uint32_t, uint32_t,
                      kivark::RoutePossibilityBase*&, uint32_t&, tStatus&) override {
    return false;
  }
  void destroyRoute(uint32_t) override {}
  void reserveRoute(uint32_t, kivark::RouteConflict*&, uint32_t&, tStatus&) override {}
  void unreserveRoute(uint32_t) override {}
  void programRoute(uint32_t, tStatus&) override {}
  void unprogramRoute(uint32_t) override {}
  void getRouteTerminalPath(uint32_t, uint32_t*&, uint32_t&, tStatus&) override {}
  uint32_t getRouteState(uint32_t) override { return 0; }
};

class RoutingResourcesManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override {
    kalsim::failAllocationOnThisThread(0);
    kalsim::failMutexCreation(0);
  }
};

// What a session's construction asks of the layer (its kernel mutex: the
// session allocates nothing itself) fails in turn. Listing takes no memory, so a session built with a clean status is always listed and
// holds the resources until they are withdrawn; one whose construction
// failed is not listed.
TEST_F(RoutingResourcesManagerTest, EverySessionBuiltCleanIsListedWhateverAllocationFails) {
  bool sawFailure = false;
  for (uint32_t nth = 1; nth <= 8; ++nth) {
    tStatus managerStatus;
    RoutingResourcesManager manager(managerStatus);
    ASSERT_EQ(managerStatus.getCode(), 0);
    HandedOutResources resources;
    manager.setRoutingResources(&resources);

    tStatus status;
    kalsim::failMutexCreation(nth);
    {
      KernelRoutingSession session(&manager, status);
      kalsim::failMutexCreation(0);
      if (status.isFatal()) {
        sawFailure = true;
        EXPECT_EQ(manager.getSessionCount(), 0u) << nth;
      } else {
        EXPECT_EQ(manager.getSessionCount(), 1u) << nth;
        EXPECT_EQ(session.getRoutingResources(), &resources) << nth;
        manager.withdrawRoutingResources();
        EXPECT_EQ(session.getRoutingResources(), nullptr) << nth;
      }
    }
    EXPECT_EQ(manager.getSessionCount(), 0u) << nth;
  }
  EXPECT_TRUE(sawFailure) << "no part of the construction failed";
}

// Sessions leave the list in any order; those still listed keep hearing of
// resources until a withdrawal, which unlists them all: resources handed out
// after it reach only sessions registered after it.
TEST_F(RoutingResourcesManagerTest, UnlistingOneSessionLeavesTheOthersListed) {
  tStatus status;
  RoutingResourcesManager manager(status);
  HandedOutResources resources;
  KernelRoutingSession first(&manager, status);
  KernelRoutingSession third(&manager, status);
  {
    KernelRoutingSession middle(&manager, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(manager.getSessionCount(), 3u);
    manager.setRoutingResources(&resources);
    EXPECT_EQ(middle.getRoutingResources(), &resources);
  }
  EXPECT_EQ(manager.getSessionCount(), 2u);
  manager.unregisterRoutingSession(&first);
  EXPECT_EQ(first.getRoutingResources(), nullptr) << "unlisting takes the resources back";
  manager.unregisterRoutingSession(&first);
  EXPECT_EQ(manager.getSessionCount(), 1u) << "a second unregistration changes nothing";
  EXPECT_EQ(third.getRoutingResources(), &resources);

  manager.withdrawRoutingResources();
  EXPECT_EQ(third.getRoutingResources(), nullptr);
  EXPECT_EQ(manager.getSessionCount(), 0u) << "a withdrawal unlists every session";
  manager.setRoutingResources(&resources);
  EXPECT_EQ(third.getRoutingResources(), nullptr) << "a withdrawn session stays detached";
  EXPECT_EQ(first.getRoutingResources(), nullptr);
  KernelRoutingSession later(&manager, status);
  EXPECT_EQ(later.getRoutingResources(), &resources);
  EXPECT_EQ(manager.getSessionCount(), 1u);
}

// A withdrawal sends each listening session's user one empty notification,
// the newest session first; a session nobody listens to, a withdrawal with
// nothing to withdraw, or a second withdrawal sends none.
TEST_F(RoutingResourcesManagerTest, WithdrawalDemotesEachListeningSessionOnceNewestFirst) {
  tStatus status;
  HandedOutResources resources;
  RoutingResourcesManager manager(status);
  KernelRoutingSession idle(&manager, status);
  const size_t before = kalsim::socketMessages().size();
  manager.withdrawRoutingResources();
  EXPECT_EQ(kalsim::socketMessages().size(), before) << "nothing was handed out";
  EXPECT_EQ(manager.getSessionCount(), 0u);

  KernelRoutingSession listening(&manager, status);
  KernelRoutingSession deaf(&manager, status);
  KernelRoutingSession newest(&manager, status);
  listening.getIONotifier().initialize({0x77, 4711}, status);
  newest.getIONotifier().initialize({0x78, 4712}, status);
  ASSERT_EQ(status.getCode(), 0);
  manager.setRoutingResources(&resources);
  manager.withdrawRoutingResources();
  manager.withdrawRoutingResources();
  const std::vector<kalsim::SocketMessage> messages = kalsim::socketMessages();
  ASSERT_EQ(messages.size(), before + 2);
  EXPECT_EQ(messages[before].port, 4712u) << "the newest session hears first";
  EXPECT_EQ(messages[before + 1].port, 4711u);
  for (size_t m = before; m < messages.size(); ++m) {
    EXPECT_EQ(messages[m].type, 1u);
    uint32_t length = 0xFFFFFFFF;
    std::memcpy(&length, messages[m].bytes.data() + 8, 4);
    EXPECT_EQ(length, 0u);
  }
  EXPECT_EQ(listening.getRoutingResources(), nullptr);
  EXPECT_EQ(manager.getSessionCount(), 0u);
}

// A manager that goes lets every session go first: one it still lists is
// detached, and neither that one nor one a withdrawal let go earlier calls
// it afterwards (the manager's memory is scribbled over to show that).
TEST_F(RoutingResourcesManagerTest, AManagerThatGoesLeavesNoSessionAWayBack) {
  tStatus status;
  HandedOutResources resources;
  alignas(RoutingResourcesManager) unsigned char storage[sizeof(RoutingResourcesManager)];
  RoutingResourcesManager* manager = new (storage) RoutingResourcesManager(status);
  std::unique_ptr<KernelRoutingSession> withdrawn(new KernelRoutingSession(manager, status));
  manager->setRoutingResources(&resources);
  manager->withdrawRoutingResources();
  std::unique_ptr<KernelRoutingSession> listed(new KernelRoutingSession(manager, status));
  manager->setRoutingResources(&resources);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_EQ(listed->getRoutingResources(), &resources);

  manager->~RoutingResourcesManager();
  std::memset(storage, 0xA5, sizeof storage);
  EXPECT_EQ(listed->getRoutingResources(), nullptr) << "still attached to resources nobody hands out";
  listed.reset();
  withdrawn.reset();
}

// Sessions close while another thread hands the resources out and withdraws
// them: a session's notifier closes while the withdrawal may be demoting it.
// Each listener hears its closing message once and nothing after it.
TEST_F(RoutingResourcesManagerTest, SessionsClosingDuringWithdrawalsCloseTheirNotifiersCleanly) {
  kalsim::useRealClock();
  tStatus status;
  HandedOutResources resources;
  RoutingResourcesManager manager(status);
  ASSERT_EQ(status.getCode(), 0);
  constexpr uint32_t kSessions = 2000;
  std::atomic<bool> closing{true};
  std::thread withdrawing([&] {
    while (closing.load()) {
      manager.setRoutingResources(&resources);
      manager.withdrawRoutingResources();
    }
  });
  auto openAndClose = [&](uint32_t first) {
    for (uint32_t i = first; i < kSessions; i += 2) {
      tStatus own;
      KernelRoutingSession* session = new KernelRoutingSession(&manager, own);
      {
        vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(session->getMutex());
        session->getIONotifier().initialize({i + 1, 100 + i}, own);
      }
      EXPECT_EQ(own.getCode(), 0);
      delete session;
    }
  };
  std::thread even(openAndClose, 0);
  std::thread odd(openAndClose, 1);
  even.join();
  odd.join();
  closing = false;
  withdrawing.join();

  std::vector<int> closed(kSessions, 0);
  for (const kalsim::SocketMessage& message : kalsim::socketMessages()) {
    ASSERT_GE(message.port, 100u) << "a message without its listener's port";
    const uint32_t i = message.port - 100;
    ASSERT_LT(i, kSessions);
    EXPECT_EQ(closed[i], 0) << "session " << i << " heard after its closing message";
    if (message.type == vorlan_driver::nKIVAPAL000::tNotificationMessage::kTypeClosing) ++closed[i];
  }
  EXPECT_EQ(std::count(closed.begin(), closed.end(), 1), static_cast<long>(kSessions));
  EXPECT_EQ(kalsim::liveSocketBuffers(), 0u);
}

}  // namespace
