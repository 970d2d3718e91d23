// The hardware owner's first levels over the simulated board: what each
// board fault stops, what start-up publishes by name and takes back, the
// serial number the device publishes and the checkers it leaves behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "simboard/GoldenFlashImage.h"
#include "tests/framework/QuillDeviceFixture.h"

namespace quilltest {
namespace {

using vorlan_driver::statusCodes::fromWord;

const std::vector<std::string> kRegisterMaps = {"SwitchedTarnBimRegMap", "Tarn", "IOPort2RegMap",
                                                "IsolationPortRegMap", "TarnConfigPortSPI", "TarnConfigPortWindow",
                                                "Triggers", "DO"};
const std::vector<std::string> kStorageMaps = {"Posc", "ManufacturingICT", "Manufacturing", "Header",
                                               "DefaultCalibration", "FactoryCalibration", "ExternalCalibration",
                                               "SelfCalibration"};

template <typename Dispatcher>
std::vector<std::string> namesOf(Dispatcher& dispatcher) {
  const uint64_t count = dispatcher.getNumberOfRegistrations();
  std::vector<char> slots(count * 64, '\0');
  tStatus status;
  if (count > 0) dispatcher.getRegistrationNames(slots.data(), status);
  EXPECT_EQ(status.getCode(), 0);
  std::vector<std::string> names;
  for (uint64_t i = 0; i < count; ++i) names.emplace_back(slots.data() + i * 64, strnlen(slots.data() + i * 64, 64));
  return names;
}

class QuillStartupTest : public QuillDeviceTest {
 protected:
  QuillHelper& owner() { return *device->getHardwareOwner(); }
  int64_t setupCode() const { return device->getSetupTracker().getSetupStatus().getCode(); }

  std::string property(const char* name) {
    for (auto** p = device->getDeviceProperties(); *p != nullptr; ++p) {
      if (std::strcmp((*p)->getName(), name) == 0) return reinterpret_cast<const char*>((*p)->getValue());
    }
    ADD_FAILURE() << "no property " << name;
    return "";
  }
};

TEST_F(QuillStartupTest, EachBoardFaultStopsStartUpAtItsLevelWithItsCode) {
  kalsim::PciFunctionSetup foreign;
  foreign.subsystemID = 0x7A03;
  struct Case {
    const char* what;
    std::function<void(simboard::QuillBoard&)> knob;
    kalsim::PciFunctionSetup setup;
    uint32_t level;
    int64_t code;
    bool storageMaps;
  } cases[] = {
      {"healthy board", [](simboard::QuillBoard&) {}, {}, kTopLevel, kFullStartCode, true},
      {"subsystem not served", [](simboard::QuillBoard&) {}, foreign, 1, fromWord(0xBFFA4304u), false},
      {"not our bridge", [](simboard::QuillBoard& b) { b.bridgeCore().setSignature(0xC0107AD1u); }, {}, 1,
       fromWord(0xBFFA8078u), false},
      {"Manufacturing record fails its checksum", [](simboard::QuillBoard& b) { b.corruptManufacturingRecord(); },
       {}, 2, fromWord(0xBFFA4088u), true},
      {"board revision 7", [](simboard::QuillBoard& b) { b.setOldestCompatibleBoardRevision(7); }, {}, 2,
       fromWord(0xBFFA902Cu), true},
      {"board revision 9", [](simboard::QuillBoard& b) { b.setOldestCompatibleBoardRevision(9); }, {}, 2,
       fromWord(0xBFFA902Du), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kalsim::reset();
    board.bridgeCore().setSignature(simboard::BridgeCoreBlock::kSignature);
    board.flash().loadImage(simboard::buildGoldenFlashImage());
    c.knob(board);
    startDevice(c.setup);
    EXPECT_EQ(level(), c.level);
    EXPECT_EQ(setupCode(), c.code);
    ASSERT_NE(device->getHardwareOwner(), nullptr) << "a stopped start-up keeps its owner";
    EXPECT_EQ(owner().getStorageMaps() != nullptr, c.storageMaps);
    EXPECT_EQ(namesOf(owner().getStorageMapDispatcher()).size(), c.storageMaps ? kStorageMaps.size() : 0u);
    removeDevice();
    delete device;
    device = nullptr;
    EXPECT_EQ(kalsim::liveKernelMappings(), 0u) << "BAR 0 unmapped at teardown";
  }
}

TEST_F(QuillStartupTest, AHealthyBoardStopsAtTheFirstUnbuiltLevelAndNamesWhatIsMissing) {
  startDevice();
  ASSERT_LT(kTopLevel, vorlan_shared::SetupLevel::kFull);
  EXPECT_EQ(level(), kTopLevel);
  EXPECT_EQ(setupCode(), QuillHelper::kSubsystemNotBuilt);
  const char* missing = QuillHelper::missingSubsystemOf(kTopLevel + 1);
  ASSERT_NE(missing, nullptr);
  const std::string line =
      "start-up stops before level " + std::to_string(kTopLevel + 1) + ": " + missing + " is not built";
  std::vector<std::string> stops;
  for (const std::string& printed : kalsim::printedLines()) {
    if (printed.find("start-up stops") != std::string::npos) stops.push_back(printed);
  }
  ASSERT_EQ(stops.size(), 1u) << "one line, at the one level that stopped";
  EXPECT_NE(stops[0].find(line), std::string::npos) << stops[0];
  for (uint32_t level = 2; level <= kTopLevel; ++level) EXPECT_EQ(QuillHelper::missingSubsystemOf(level), nullptr);
}

TEST_F(QuillStartupTest, EachTargetBelowTheTopStopsThereAndTeardownLeavesNoRegistration) {
  startDevice();
  const uint64_t mutexes = kalsim::liveMutexes();
  for (uint32_t target = 0; target <= kTopLevel; ++target) {
    SCOPED_TRACE(target);
    KernelSession* session = open();
    EXPECT_EQ(reset(session, target), kSetupStopped);
    EXPECT_EQ(level(), target);
    ASSERT_EQ(device->getHardwareOwner() != nullptr, target > 0) << "target 0 leaves no owner";
    if (target > 0) {
      const bool built = target >= QuillHelper::kCoreObjectsLevel;
      EXPECT_EQ(namesOf(owner().getRegisterDispatcher()).size(), built ? kRegisterMaps.size() : 0u);
      EXPECT_EQ(namesOf(owner().getDeviceWindowDispatcher()).size(), built ? 1u : 0u);
      EXPECT_EQ(namesOf(owner().getStorageMapDispatcher()).size(), built ? kStorageMaps.size() : 0u);
    }
    close(session);
  }
  // The last reset's owner goes with the device: every lock and mapping of
  // the owners built on the way went with them.
  removeDevice();
  EXPECT_EQ(device->getHardwareOwner(), nullptr);
  EXPECT_LE(kalsim::liveMutexes(), mutexes);
  EXPECT_EQ(kalsim::liveKernelMappings(), 0u);
}

TEST_F(QuillStartupTest, StartUpPublishesTheMapsTheWindowAndTheRecordsAndTakesThemBack) {
  const uint64_t mutexesBefore = kalsim::liveMutexes();
  startDevice();
  ASSERT_EQ(level(), kTopLevel);
  EXPECT_EQ(namesOf(owner().getRegisterDispatcher()), kRegisterMaps);
  EXPECT_EQ(namesOf(owner().getDeviceWindowDispatcher()), std::vector<std::string>{"flashWindow"});
  EXPECT_EQ(namesOf(owner().getStorageMapDispatcher()), kStorageMaps);

  // A reset to level 1 tears the owner down and builds one that publishes
  // nothing; stopping the device then leaves no registration's lock behind.
  KernelSession* session = open();
  EXPECT_EQ(reset(session, 1), kSetupStopped);
  EXPECT_EQ(level(), 1u);
  EXPECT_TRUE(namesOf(owner().getRegisterDispatcher()).empty());
  EXPECT_TRUE(namesOf(owner().getDeviceWindowDispatcher()).empty());
  EXPECT_TRUE(namesOf(owner().getStorageMapDispatcher()).empty());
  EXPECT_EQ(kalsim::liveKernelMappings(), 0u);
  close(session);
  removeDevice();
  EXPECT_EQ(device->getHardwareOwner(), nullptr);
  delete device;
  device = nullptr;
  EXPECT_EQ(kalsim::liveMutexes(), mutexesBefore);
}

TEST_F(QuillStartupTest, TheModelNameIsTheCapabilityRowsAndNeverNull) {
  struct Case {
    uint16_t subsystemId;
    const char* name;
  };
  for (const Case& c : {Case{0x7A01, "Quill Lark SMU"}, Case{0x7A12, "Quill Wren SMU"}, Case{0x7A03, ""}}) {
    SCOPED_TRACE(c.subsystemId);
    kalsim::PciFunctionSetup setup;
    setup.subsystemID = c.subsystemId;
    startDevice(setup);
    EXPECT_EQ(property("modelName"), c.name);
    removeDevice();
    delete device;
    device = nullptr;
  }
}

TEST_F(QuillStartupTest, TheSerialNumberPropertyIsTheManufacturingRecordsInHex) {
  startDevice();
  char expected[16];
  std::snprintf(expected, sizeof expected, "%X", simboard::goldenflash::kSerialNumber);
  EXPECT_EQ(property("serialNumber"), expected);
  tStatus status;
  EXPECT_EQ(owner().readSerialNumber(status), simboard::goldenflash::kSerialNumber);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(QuillStartupTest, ASerialNumberFromAnUntrustworthyRecordOrBelowTheRecordsIsZero) {
  // Start-up stops at level 1: there are no records to read.
  board.bridgeCore().setSignature(0);
  startDevice();
  EXPECT_EQ(property("serialNumber"), "0");
  removeDevice();
  delete device;
  device = nullptr;

  board.bridgeCore().setSignature(simboard::BridgeCoreBlock::kSignature);
  board.corruptManufacturingRecord();
  startDevice();
  EXPECT_EQ(property("serialNumber"), "0");
  tStatus status;
  EXPECT_EQ(owner().readSerialNumber(status), 0u);
  EXPECT_EQ(status.getCode(), fromWord(0xBFFA4088u));
}

TEST_F(QuillStartupTest, AResetToLevelTwoStopsWithTheStorageMapsBuiltAndTheRevisionUnchecked) {
  // A revision the driver refuses at level 3 is not even read at level 2.
  board.setOldestCompatibleBoardRevision(9);
  startDevice();
  ASSERT_EQ(level(), 2u);
  KernelSession* session = open();
  EXPECT_EQ(reset(session, 2), kSetupStopped);
  EXPECT_EQ(level(), 2u);
  ASSERT_NE(owner().getStorageMaps(), nullptr);
  EXPECT_EQ(namesOf(owner().getStorageMapDispatcher()), kStorageMaps);
  tStatus status;
  EXPECT_EQ(owner().getStorageMaps()->getManufacturing().getOldestCompatibleBoardRevision(status), 9u);
  close(session);
}

TEST_F(QuillStartupTest, TheCheckerCompositeCatchesABridgeThatChangedAfterStartUp) {
  startDevice();
  ASSERT_EQ(level(), kTopLevel);
  tStatus healthy;
  owner().getCheckerComposite().checkHardwareState(healthy);
  EXPECT_EQ(healthy.getCode(), 0);

  board.bridgeCore().setSignature(0xFFFFFFFFu);
  tStatus changed;
  owner().getCheckerComposite().checkHardwareState(changed);
  EXPECT_EQ(changed.getCode(), fromWord(0xBFFA8078u));
}

TEST_F(QuillStartupTest, ALockThatCannotBeMadeStopsStartUpAndTeardownLeavesNothing) {
  startDevice();
  ASSERT_EQ(level(), kTopLevel);
  // A healthy owner first, so that the board's own logs have grown before
  // anything is counted.
  {
    kdut::SetupTracker<vorlan_shared::SetupLevel> tracker;
    delete new QuillHelper(*device, nullptr, tracker);
  }
  // The stand-in keeps the debug lines it is given, on the same heap.
  kalsim::clearPrintedLines();
  const uint64_t allocations = kalsim::liveAllocations();
  const uint64_t mutexes = kalsim::liveMutexes();
  const uint64_t mappings = kalsim::liveKernelMappings();
  bool reachedTheEnd = false;
  for (uint32_t nth = 1; nth < 100 && !reachedTheEnd; ++nth) {
    kdut::SetupTracker<vorlan_shared::SetupLevel> tracker;
    kalsim::failMutexCreation(nth);
    QuillHelper* built = new QuillHelper(*device, nullptr, tracker);
    kalsim::failMutexCreation(0);
    const int64_t code = tracker.getSetupStatus().getCode();
    reachedTheEnd = code == kFullStartCode;
    if (!reachedTheEnd) {
      EXPECT_EQ(code, vorlan_driver::statusCodes::kOutOfMemory) << "lock " << nth;
      EXPECT_LT(tracker.getCurrentLevel(), QuillHelper::kBoardRevisionLevel) << "lock " << nth;
    }
    delete built;
    kalsim::clearPrintedLines();
    ASSERT_EQ(kalsim::liveMutexes(), mutexes) << "lock " << nth;
    ASSERT_EQ(kalsim::liveKernelMappings(), mappings) << "lock " << nth;
    ASSERT_EQ(kalsim::liveAllocations(), allocations) << "lock " << nth;
  }
  EXPECT_TRUE(reachedTheEnd);
}

}  // namespace
}  // namespace quilltest
