// The isolated register-map aggregate: the 29 names it publishes and takes
// back, where each map's traffic goes and which checker sees a window's
// error, and what a refused lock or allocation or a name already taken
// leaves behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controllers/ErrorCheckerInterface.h"
#include "controllers/HardwareErrorRegisterCheckers.h"
#include "device/IsolatedRegMaps.h"
#include "framework/armki/ARMDispatcher.h"
#include "kal/include/kalStandIn.h"
#include "platform/containers/tString.h"
#include "tests/framework/frontEndTestSupport.h"
#include "tests/support/allocationFailures.h"

namespace {

using nKIVAPALS100::tStatus;
using simboard::IsolatedRegisterSpace;
using vorlan_driver::IsolatedRegMaps;

// Records the channel mask of every error check.
class RecordingErrors : public vorlan_driver::ErrorCheckerInterface {
 public:
  bool hasError(uint64_t, tStatus&) override { return false; }
  void checkForErrors(uint64_t channelMask, tStatus& status) override {
    masks.push_back(channelMask);
    vorlanSetCode(status, -52013);
  }
  std::vector<uint64_t> masks;
};

class IsolatedRegMapsTest : public frontendtest::FrontEndBoard {
 protected:
  IsolatedRegMapsTest() : checkers(errors) {}

  armki::tRegisterMapInterface* lookUp(const std::string& name) {
    armki::tRegisterMapInterface* object = nullptr;
    tStatus status;
    dispatcher.getRegistration(name.c_str(), &object, status, nullptr);
    return status.isNotFatal() ? object : nullptr;
  }
  std::vector<std::string> names() {
    vorlan_driver::nKIVAPAL000::tString list;
    tStatus status;
    dispatcher.getRegistrationList(list, status);
    std::vector<std::string> out;
    std::string all(list.text());
    for (size_t start = 0; !all.empty() && start <= all.size();) {
      const size_t end = all.find('\t', start);
      out.push_back(all.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return out;
  }
  static std::vector<std::string> expectedNames() {
    std::vector<std::string> out{"TheQuillIsoFpgaRegMap"};
    for (int ch = 0; ch < 24; ++ch) out.push_back("TheQuillIsoChannelRegMap" + std::to_string(ch));
    for (int k = 0; k < 4; ++k) out.push_back("TheQuillCpldRegMap" + std::to_string(k));
    return out;
  }

  RecordingErrors errors;
  vorlan_driver::HardwareErrorRegisterCheckers checkers;
  armki::ARMDispatcher dispatcher;
};

TEST_F(IsolatedRegMapsTest, PublishesTheFpgaTheChannelsAndTheCpldsAndTakesThemBack) {
  {
    tStatus status;
    IsolatedRegMaps maps(*map, dispatcher, checkers, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(names(), expectedNames());
    EXPECT_EQ(lookUp("TheQuillIsoFpgaRegMap_Ver2.1.0d19"), &maps.getIsoFpgaMap());
    for (uint32_t ch = 0; ch < 24; ++ch) {
      ASSERT_NE(maps.getChannelMaps()[ch], nullptr);
      EXPECT_EQ(lookUp("TheQuillIsoChannelRegMap" + std::to_string(ch) + "_Ver2.1.0d19"), maps.getChannelMaps()[ch]);
    }
    for (uint32_t k = 0; k < 4; ++k) {
      ASSERT_NE(maps.getCpldMaps()[k], nullptr);
      EXPECT_EQ(lookUp("TheQuillCpldRegMap" + std::to_string(k) + "_Ver2.1.0d19"), maps.getCpldMaps()[k]);
    }
    EXPECT_TRUE(board.accessLog().empty()) << "building touches no hardware";
  }
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
  EXPECT_TRUE(board.accessLog().empty()) << "teardown touches no hardware";
}

TEST_F(IsolatedRegMapsTest, EachMapReachesItsPortAndEachWindowErrorItsChecker) {
  tStatus status;
  IsolatedRegMaps maps(*map, dispatcher, checkers, status);
  ASSERT_EQ(status.getCode(), 0);
  IsolatedRegisterSpace& side = block.isolatedSide();
  side.clearLog();
  for (uint32_t ch : {0u, 5u, 23u}) maps.getChannelMaps()[ch]->ControlModeReg.writeControlMode(3, status);
  maps.getIsoFpgaMap().SeqMasterMacroAddress.writeAddress(0x1234, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<IsolatedRegisterSpace::Access> expected{
      {0, 0x1000, true, 3}, {5, 0x1280, true, 3}, {23, 0x1B80, true, 3}, {24, 0x05C, true, 0x1234}};
  EXPECT_EQ(side.log(), expected);

  maps.getCpldMaps()[2]->CpldConfigReg.writeEnable(true, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(side.cpldLog(2, 0x04), std::vector<uint32_t>{1});
  EXPECT_TRUE(side.cpldLog(0, 0x04).empty());

  // A window in error hands the fault to its channel's checker; the
  // isolated FPGA's window to the board-only one.
  for (uint32_t window : {7u, 24u}) {
    block.setErrorBit(window, true);
    tStatus failed;
    if (window == 24) {
      maps.getIsoFpgaMap().SeqMasterMacroAddress.writeAddress(1, failed);
    } else {
      maps.getChannelMaps()[window]->ControlModeReg.writeControlMode(1, failed);
    }
    block.setErrorBit(window, false);
    EXPECT_EQ(failed.getCode(), -52013) << window;
  }
  EXPECT_EQ(errors.masks, (std::vector<uint64_t>{1u << 7, 0}));
}

TEST_F(IsolatedRegMapsTest, AFailedPublicationWithdrawsNoNameItDidNotPublish) {
  // Someone else's registration under one of the aggregate's names.
  tStatus status;
  dispatcher.add("TheQuillCpldRegMap3", *map, status);
  ASSERT_EQ(status.getCode(), 0);
  {
    // The first allocation is the first publication's.
    testsupport::AllocationFailure failure(1);
    IsolatedRegMaps maps(*map, dispatcher, checkers, status);
    failure.disarm();
    ASSERT_TRUE(failure.hit());
    EXPECT_EQ(status.getCode(), -52000);
  }
  EXPECT_EQ(names(), std::vector<std::string>{"TheQuillCpldRegMap3"});
  EXPECT_NE(dispatcher.findMutexOf(*map), nullptr) << "still the other object's";
}

TEST_F(IsolatedRegMapsTest, ARefusedLockOrAllocationPublishesNothingAndLeavesNothing) {
  // One whole build first: the dispatcher keeps the room its table grew to.
  { tStatus status; IsolatedRegMaps maps(*map, dispatcher, checkers, status); }
  const uint64_t allocations = kalsim::liveDriverAllocations();
  const uint64_t mutexes = kalsim::liveMutexes();
  // Locks in member order: window 24, windows 0-23, the CPLD path.
  struct Case {
    uint32_t nth;
    uint64_t made;
  };
  for (const Case c : {Case{1, 0}, Case{2, 1}, Case{25, 24}, Case{26, 25}}) {
    SCOPED_TRACE(c.nth);
    tStatus status;
    kalsim::failMutexCreation(c.nth);
    {
      IsolatedRegMaps maps(*map, dispatcher, checkers, status);
      kalsim::failMutexCreation(0);
      EXPECT_EQ(status.getCode(), -52000);
      EXPECT_EQ(kalsim::liveMutexes() - mutexes, c.made) << "no lock is made after a refused one";
      EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
      EXPECT_EQ(maps.getChannelMaps()[0], nullptr);
      EXPECT_EQ(maps.getCpldMaps()[0], nullptr);
    }
    EXPECT_EQ(kalsim::liveMutexes(), mutexes);
  }
  {
    tStatus status;
    vorlanSetCode(status, -52013);
    IsolatedRegMaps maps(*map, dispatcher, checkers, status);
    EXPECT_EQ(status.getCode(), -52013) << "an error on entry builds nothing more";
    EXPECT_EQ(kalsim::liveMutexes(), mutexes);
    EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
  }
  // Refused allocations can only come from the publications: each leaves
  // the ones before it, which destruction withdraws.
  const uint32_t failures = testsupport::forEveryAllocationFailure([&](testsupport::AllocationFailure& failure) {
    tStatus status;
    {
      IsolatedRegMaps maps(*map, dispatcher, checkers, status);
      failure.disarm();
      EXPECT_EQ(status.getCode(), failure.hit() ? -52000 : 0) << failure.nth();
      if (!failure.hit()) {
        EXPECT_EQ(names(), expectedNames());
      }
    }
    EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u) << failure.nth();
    EXPECT_EQ(kalsim::liveDriverAllocations(), allocations) << failure.nth();
    EXPECT_EQ(kalsim::liveMutexes(), mutexes) << failure.nth();
  });
  EXPECT_GE(failures, IsolatedRegMaps::kPublicationCount);
}

}  // namespace
