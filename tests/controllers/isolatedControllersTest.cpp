// The isolated controller aggregate: members in order, tables by channel,
// nothing left after destruction, also when a mutex fails part-way; and the
// channel-mask helpers and the flag triple.
#include <gtest/gtest.h>

#include <array>

#include <cstdint>
#include <memory>
#include <vector>

#include "controllers/channel/FlagTriple.h"
#include "controllers/channel/IsolatedControllers.h"
#include "controllers/channel/channelMasks.h"
#include "controllers/subroutine/SubroutinePackageInterface.h"
#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "tests/controllers/sequencerBoard.h"
#include "tests/support/allocationFailures.h"

namespace sequencertest {
namespace {

using vorlan_driver::IsolatedControllers;
namespace codes = vorlan_driver::statusCodes;

class AggregateBoard : public SequencerBoard {
 protected:
  AggregateBoard() : checkers(errors) {}
  std::unique_ptr<IsolatedControllers> build(tStatus& status) {
    return std::make_unique<IsolatedControllers>(*iso, channelPointers.data(), cplds.data(), *map, overflow, errors,
                                                 checkers,
                                                 *registrar, kWrenSubsystem, status);
  }
  // The CPLD interface controller only keeps them.
  std::array<vorlan_driver::CpldInterfaceController::tCpldMap*, IsolatedControllers::kCpldCount> cplds{};
  NeverOverflowed overflow;
  NoErrors errors;
  vorlan_driver::HardwareErrorRegisterCheckers checkers;
};

TEST_F(AggregateBoard, EachTableEntryLeadsToItsChannel) {
  tStatus status;
  std::unique_ptr<IsolatedControllers> all = build(status);
  ASSERT_EQ(status.getCode(), 0);
  takeWrites();
  for (uint32_t c = 0; c < kChannels; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(all->measureUnitTable[c], &all->measureUnits[c]);
    EXPECT_EQ(all->abstractedEventTable[c], &all->abstractedEvents[c]);
    EXPECT_EQ(all->eventLatchTable[c], &all->eventLatches[c]);
    EXPECT_EQ(all->sequenceEngineTable[c], &all->sequenceEngines[c]);
    EXPECT_EQ(all->alarmTable[c], &all->alarms[c]);
    EXPECT_EQ(all->sequenceEngineTable[c]->getChannel(), c);
    all->isoChannelTable[c]->commit(status);
    all->abstractedEventTable[c]->mapBusEventToAbstractedEvent(0x77, 3, status);
    all->measureUnitTable[c]->setMeasureCompleteDelay(c + 1, status);
    const uint32_t base = 0x1000u | c << 7;
    EXPECT_EQ(takeWrites(), (std::vector<Write>{{c, base | 0x01, 1}, {c, base | 0x43, 0x77}, {c, base | 0x55, c + 1}}));
  }
  EXPECT_EQ(status.getCode(), 0);
}

// Mutexes are made in member order: the generator's, 24 measure units', 24
// sequence engines', then the channel-error, bus-event, override,
// charge-balance, calibration-bus, LO-sense and local-RAM controllers'
// (the channel strobes take their channel map's lock). A failure leaves the
// ones before it made, makes no later one, and destruction gives every one
// back.
TEST_F(AggregateBoard, AFailedMutexStopsTheLaterOnesAndDestructionLeavesNothing) {
  const uint64_t before = kalsim::liveMutexes();
  struct Case {
    uint32_t nth;
    const char* firstRefusing;
  };
  const Case cases[] = {{1, "generator"},       {2, "measure unit 0"},  {25, "measure unit 23"},
                        {26, "engine 0"},        {49, "engine 23"},      {50, "channel errors"},
                        {51, "bus events"},      {52, "override"},       {53, "charge balance"},
                        {54, "calibration bus"}, {55, "LO sense"},       {56, "local RAM"},
                        {57, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nth);
    kalsim::failMutexCreation(c.nth);
    tStatus status;
    {
      std::unique_ptr<IsolatedControllers> all = build(status);
      kalsim::failMutexCreation(0);
      EXPECT_EQ(status.getCode(), c.firstRefusing == nullptr ? 0 : codes::kOutOfMemory);
      EXPECT_EQ(kalsim::liveMutexes() - before, c.firstRefusing == nullptr ? 56u : c.nth - 1);
      // The member just before the failed one works; the failed one refuses.
      tStatus previous;
      tStatus failed;
      if (c.nth == 1) {
        all->isoChannels[23].strobeErrorResetBit26(previous);
        all->interruptGenerator.issueAddress(0, 0x8000, failed);
      } else if (c.nth == 2) {
        all->interruptGenerator.issueAddress(0, 0x8000, previous);
        all->measureUnits[0].arm(failed);
      } else if (c.nth == 26) {
        all->measureUnits[23].reset(previous);
        all->sequenceEngines[0].reset(failed);
      } else if (c.nth == 50) {
        all->sequenceEngines[23].isRunning(previous);
        all->channelErrors.enableErrorCapture(failed);
      } else if (c.nth == 51) {
        all->channelErrors.enableErrorCapture(previous);
        all->busEvents.generateBusEvent(5, failed);
      } else if (c.nth == 52) {
        all->busEvents.generateBusEvent(5, previous);
        all->triggerOverride.overrideTrigger(1, failed);
      } else if (c.nth == 53) {
        all->triggerOverride.overrideTrigger(0, previous);
        all->chargeBalanceOffsets.startAccumulation(0, failed);
      } else if (c.nth == 55) {
        all->calibrationBus.connectExternalCalibrationPin(previous);
        all->sharedLoSense.setEndpoint(0, 0, failed);
      } else if (c.firstRefusing != nullptr) {
        vorlanSetCode(failed, codes::kOutOfMemory);
      }
      EXPECT_EQ(previous.getCode(), 0);
      EXPECT_EQ(failed.getCode(), c.firstRefusing == nullptr ? 0 : codes::kOutOfMemory);
    }
    EXPECT_EQ(kalsim::liveMutexes(), before);
  }
}

// The owner allocates the aggregate; nothing inside it allocates, so the
// only refusal is the owner's, and no run leaves a lock or a block behind.
TEST_F(AggregateBoard, ARefusedAllocationLeavesNothing) {
  const uint64_t allocations = kalsim::liveDriverAllocations();
  const uint64_t mutexes = kalsim::liveMutexes();
  const uint32_t failures = testsupport::forEveryAllocationFailure([&](testsupport::AllocationFailure& failure) {
    tStatus status;
    IsolatedControllers* all = kivNew(status) IsolatedControllers(*iso, channelPointers.data(), cplds.data(), *map,
                                                                  overflow, errors, checkers, *registrar,
                                                                  kWrenSubsystem, status);
    failure.disarm();
    EXPECT_EQ(status.getCode(), failure.hit() ? codes::kOutOfMemory : 0) << failure.nth();
    EXPECT_EQ(all == nullptr, failure.hit()) << failure.nth();
    delete all;
    EXPECT_EQ(kalsim::liveDriverAllocations(), allocations) << failure.nth();
    EXPECT_EQ(kalsim::liveMutexes(), mutexes) << failure.nth();
  });
  EXPECT_EQ(failures, 1u);
}

// A package of one subroutine and no image: all the registrar takes.
class OneSubroutine : public vorlan_driver::SubroutinePackageInterface {
 public:
  OneSubroutine(uint32_t id, uint32_t address) : id_(id), address_(address) {}
  void getImage(vorlan_driver::nKIVAPAL000::tVector<uint64_t>&, tStatus&) override {}
  void getSubroutineIds(vorlan_driver::nKIVAPAL000::tVector<uint32_t>& ids, tStatus& status) override {
    ids.clear();
    ids.pushBack(id_, status);
  }
  void getAddresses(vorlan_driver::nKIVAPAL000::tVector<uint32_t>& addresses, tStatus& status) override {
    addresses.clear();
    addresses.pushBack(address_, status);
  }

 private:
  uint32_t id_;
  uint32_t address_;
};

// After a new package the alarm response may sit elsewhere: the macro
// register is loaded again even where its shadow agrees, and a package
// without the response leaves it as it was.
TEST_F(AggregateBoard, TheAlarmMacroIsReloadedForEachNewPackage) {
  installBuiltInPackage();
  tStatus status;
  std::unique_ptr<IsolatedControllers> all = build(status);
  const uint32_t alarmId = all->alarms[0].getResponseId();
  const uint32_t builtIn = registrar->getSubroutineAddress(alarmId, status);
  for (uint32_t c = 0; c < kChannels; ++c) all->alarms[c].configureAlarmResponse(*iso, status);
  ASSERT_EQ(status.getCode(), 0);
  std::vector<Write> macroWrites;
  for (const Write& w : takeWrites()) {
    if (w.window == kIsoWindow) macroWrites.push_back(w);
  }
  EXPECT_EQ(macroWrites, (std::vector<Write>{{kIsoWindow, 0x5C, builtIn}}));

  struct Case {
    uint32_t id;
    uint32_t address;
    int64_t code;
    std::vector<Write> writes;
  };
  const Case cases[] = {{alarmId, builtIn, 0, {{kIsoWindow, 0x5C, builtIn}}},
                        {alarmId, 0x1234, 0, {{kIsoWindow, 0x5C, 0x1234}}},
                        {alarmId + 1, 0x40, code(0xBFFA4309u), {}},
                        {alarmId, 0, 0, {{kIsoWindow, 0x5C, 0}}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    OneSubroutine package(c.id, c.address);
    tStatus installed;
    registrar->registerPackage(package, installed);
    ASSERT_EQ(installed.getCode(), 0);
    tStatus reloaded;
    all->reloadAlarmMacro(reloaded);
    EXPECT_EQ(reloaded.getCode(), c.code);
    EXPECT_EQ(takeWrites(), c.writes);
  }
}

TEST(ChannelMasks, NumbersAndMasks) {
  using namespace vorlan_driver;
  struct Case {
    uint64_t mask;
    uint32_t highest;
    uint64_t withoutHighest;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{1, 0, 0}, Case{0x6, 2, 0x2}, Case{0x8000000000000001ull, 63, 1},
                        Case{0xFFFFFF, 23, 0x7FFFFF}}) {
    EXPECT_EQ(getHighestChannelNumber(c.mask), c.highest);
    EXPECT_EQ(clearHighestChannel(c.mask), c.withoutHighest);
  }
  for (uint8_t i = 0; i < 24; ++i) {
    EXPECT_EQ(getPhysicalChannelNumberFromDmaChannel(2 * i), i);
    EXPECT_EQ(getPhysicalChannelNumberFromDmaChannel(2 * i + 1), i);
  }
  EXPECT_EQ(getPhysicalChannelNumberFromDmaChannel(0xFF), 0x7F);
  EXPECT_EQ(getBitmaskFromPhysicalChannelNumber(5), 0x20u);
  EXPECT_EQ(getBitmaskFromPhysicalChannelNumber(64 + 5), 0x20u);
}

TEST(FlagTriple, BitsSetAndMerge) {
  vorlan_driver::FlagTriple flags;
  flags.fromBits(0x5);
  EXPECT_TRUE(flags.isFirstSet());
  EXPECT_FALSE(flags.isSecondSet());
  EXPECT_TRUE(flags.isThirdSet());
  EXPECT_EQ(flags.toBits(), 0x5u);
  vorlan_driver::FlagTriple other;
  other.set(1, 0, 1);
  EXPECT_TRUE(flags.equals(other));
  // Kept fields come from the packed word and the given third.
  other.merge(0x0000000100000000ull, 1, -1, -1, -1);
  EXPECT_EQ(other.toBits(), 0x6u);
  other.merge(0, 0, 1, -1, 0);
  EXPECT_EQ(other.toBits(), 0x1u);
  EXPECT_TRUE(other.notEquals(flags));
  other.set(2, 1, 1);
  EXPECT_EQ(other.toBits(), 0x6u);  // 2 is not "set"
  other.clear();
  EXPECT_EQ(other.toBits(), 0u);
}

}  // namespace
}  // namespace sequencertest
