// The per-channel controller list and the shared references it holds: the
// mask's channels lowest first between the board's two controllers, every
// controller alive while referenced and deleted with its last reference,
// also when an allocation fails part-way.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

#include "controllers/channel/ChannelControllerList.h"
#include "kal/include/kalStandIn.h"
#include "platform/containers/tSharedPointer.h"
#include "tests/support/allocationFailures.h"

namespace {

using nKIVAPALS100::tStatus;
using vorlan_driver::ChannelControllerList;
using vorlan_driver::nKIVAPAL000::tSharedPointer;

int live = 0;
// An empty reference in a list: its controller could not be made.
constexpr int32_t kNone = -2;

// Board-wide controllers carry channel -1.
struct Errors : basalt_shared::ErrorControllerInterface {
  explicit Errors(int32_t c) : channel(c) { ++live; }
  ~Errors() override { --live; }
  int32_t channel;
};
struct Interrupts : basalt_shared::ChannelInterruptControllerInterface {
  explicit Interrupts(int32_t c) : channel(c) { ++live; }
  ~Interrupts() override { --live; }
  int32_t channel;
};

// Makes a fresh controller for every request, as the list's only owner.
class Provider : public vorlan_driver::ChannelControllerProvider {
 public:
  tShared<basalt_shared::ErrorControllerInterface> getBoardErrorController() override { return errors(-1); }
  tShared<basalt_shared::ErrorControllerInterface> getErrorController(uint32_t c) override {
    return errors(static_cast<int32_t>(c));
  }
  tShared<basalt_shared::ChannelInterruptControllerInterface> getChannelInterruptController(uint32_t c) override {
    return interrupts(static_cast<int32_t>(c));
  }
  tShared<basalt_shared::ChannelInterruptControllerInterface> getBoardInterruptController() override {
    return interrupts(-1);
  }

 private:
  tShared<basalt_shared::ErrorControllerInterface> errors(int32_t c) {
    tStatus status;
    return tShared<basalt_shared::ErrorControllerInterface>(new (std::nothrow) Errors(c), status);
  }
  tShared<basalt_shared::ChannelInterruptControllerInterface> interrupts(int32_t c) {
    tStatus status;
    return tShared<basalt_shared::ChannelInterruptControllerInterface>(new (std::nothrow) Interrupts(c), status);
  }
};

// The channels of a list's entries, in order.
template <typename Controller, typename Vector>
std::vector<int32_t> channelsOf(const Vector& controllers) {
  std::vector<int32_t> out;
  for (uint64_t i = 0; i < controllers.count(); ++i) {
    const Controller* controller = static_cast<Controller*>(controllers.get(i));
    out.push_back(controller == nullptr ? kNone : controller->channel);
  }
  return out;
}
std::vector<int32_t> errorChannels(const ChannelControllerList& list) {
  return channelsOf<Errors>(list.errorControllers);
}
std::vector<int32_t> interruptChannels(const ChannelControllerList& list) {
  return channelsOf<Interrupts>(list.interruptControllers);
}

TEST(ChannelControllerList, TheMaskChannelsLowestFirstBetweenTheBoardControllers) {
  Provider provider;
  struct Case {
    uint64_t mask;
    std::vector<int32_t> channels;
  };
  for (const Case& c : {Case{0, {}}, Case{0x1, {0}}, Case{0xA1, {0, 5, 7}}, Case{0x8000000000800000ull, {23, 63}}}) {
    SCOPED_TRACE(c.mask);
    {
      tStatus status;
      const ChannelControllerList list = vorlan_driver::buildChannelControllerList(provider, c.mask, status);
      EXPECT_EQ(status.getCode(), 0);
      EXPECT_EQ(static_cast<Errors*>(list.boardErrorController.get())->channel, -1);
      EXPECT_EQ(static_cast<Interrupts*>(list.boardInterruptController.get())->channel, -1);
      EXPECT_EQ(errorChannels(list), c.channels);
      EXPECT_EQ(interruptChannels(list), c.channels);
      EXPECT_EQ(live, static_cast<int>(2 + 2 * c.channels.size())) << "the list is the only owner";
    }
    EXPECT_EQ(live, 0);
  }
  // An error on entry takes the board's two and no channel's.
  tStatus failed;
  vorlanSetCode(failed, -52013);
  const ChannelControllerList list(provider, 0xFF, failed);
  EXPECT_EQ(list.errorControllers.count(), 0u);
  EXPECT_FALSE(list.boardErrorController.isEmpty());
}

TEST(ChannelControllerList, ARefusedAllocationEndsTheListAndLosesNoController) {
  Provider provider;
  const uint64_t allocations = kalsim::liveDriverAllocations();
  testsupport::forEveryAllocationFailure([&](testsupport::AllocationFailure& failure) {
    tStatus status;
    {
      const ChannelControllerList list(provider, 0xFFFFFF, status);
      failure.disarm();
      // A channel whose interrupt controller could not be appended keeps its
      // error controller.
      EXPECT_LE(list.errorControllers.count() - list.interruptControllers.count(), 1u) << failure.nth();
      if (!failure.hit()) {
        EXPECT_EQ(status.getCode(), 0);
        EXPECT_EQ(list.errorControllers.count(), 24u);
      }
    }
    EXPECT_EQ(live, 0) << failure.nth();
    EXPECT_EQ(kalsim::liveDriverAllocations(), allocations) << failure.nth();
  });
}

TEST(SharedPointer, TheLastReferenceDeletesAndARefusedCountDeletesAtOnce) {
  tStatus status;
  {
    tSharedPointer<Errors> first(new Errors(1), status);
    tSharedPointer<Errors> second(first);
    tSharedPointer<Errors> third;
    third = second;
    EXPECT_EQ(first.useCount(), 3u);
    first.reset();
    second = tSharedPointer<Errors>();
    EXPECT_EQ(live, 1);
    EXPECT_EQ(third->channel, 1);
  }
  EXPECT_EQ(live, 0);
  {
    Errors* handedOver = new (std::nothrow) Errors(2);
    testsupport::AllocationFailure failure(1);
    tSharedPointer<Errors> refused(handedOver, status);
    failure.disarm();
    EXPECT_EQ(status.getCode(), -52000);
    EXPECT_TRUE(refused.isEmpty());
    EXPECT_EQ(live, 0) << "the object handed over is deleted";
  }
}

}  // namespace
