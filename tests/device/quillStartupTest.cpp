// The hardware owner's first levels over the simulated board: what each
// board fault stops, what start-up publishes by name and takes back, the
// serial number the device publishes and the checkers it leaves behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "controllers/subroutine/DefaultSubroutinePackage.h"
#include "controllers/subroutine/subroutineIds.h"
#include "controllers/wispddk/WispIsoPort.h"
#include "framework/frontEndAccessors/frontEndAccessorCodes.h"
#include "device/firmware/builtInFirmwareImages.h"
#include "simboard/FirmwareImageFormat.h"
#include "simboard/GoldenFlashImage.h"
#include "simboard/SerialFlash.h"
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

// The non-isolated side publishes its FPGA map, the map's 97 children and
// the power monitor.
constexpr size_t kNonIsolatedMaps = 1 + vorlan_regmaps::tTheQuillNisoFpgaRegMap::kChildCount + 1;
// The isolated side: its FPGA, the 24 channels and the 4 CPLDs.
constexpr size_t kIsolatedMaps = vorlan_driver::IsolatedRegMaps::kPublicationCount;

// What the register dispatcher holds once the owner built up to `level`.
size_t registerMapsAt(uint32_t level) {
  if (level < QuillHelper::kCoreObjectsLevel) return 0;
  return kRegisterMaps.size() + (level >= QuillHelper::kNonIsolatedSideLevel ? kNonIsolatedMaps : 0) +
         (level >= QuillHelper::kIsolatedSideLevel ? kIsolatedMaps : 0);
}

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

// One start-up per case on a fresh board: a board switch or a caller's
// image, the level start-up reaches and the code it stops with.
struct StartupCase {
  const char* name;
  std::function<void(simboard::QuillBoard&)> knob;
  uint16_t subsystemId;  // 0: the stand-in's default
  // A caller's non-isolated image of this size (0: none), filled as the
  // stand-in image of `imageTarget`, sent by a reset to the top.
  uint64_t nisoImageSize;
  uint32_t imageTarget;
  uint32_t level;  // kHealthy: wherever a healthy board gets
  int64_t code;
};
void PrintTo(const StartupCase& c, std::ostream* os) { *os << c.name; }
constexpr uint32_t kHealthy = 0xFFFFFFFFu;
constexpr uint64_t kNisoImage = inlay_QuillNisoFpgaTop_bin_original_size;

void noKnob(simboard::QuillBoard&) {}

// Where the built-in package puts a subroutine, as the board sees it run.
uint32_t builtInAddressOf(uint32_t id) {
  vorlan_driver::DefaultSubroutinePackage package;
  vorlan_driver::nKIVAPAL000::tVector<uint32_t> ids;
  vorlan_driver::nKIVAPAL000::tVector<uint32_t> addresses;
  tStatus status;
  package.getSubroutineIds(ids, status);
  package.getAddresses(addresses, status);
  for (uint64_t i = 0; i < ids.count(); ++i) {
    if (ids[i] == id) return addresses[i];
  }
  ADD_FAILURE() << "no subroutine " << id;
  return 0;
}

const StartupCase kStartupCases[] = {
    {"HealthyBoard", noKnob, 0, 0, 0, kHealthy, 0},
    {"SubsystemNotServed", noKnob, 0x7A03, 0, 0, 1, fromWord(0xBFFA4304u)},
    {"NotOurBridge", [](simboard::QuillBoard& b) { b.bridgeCore().setSignature(0xC0107AD1u); }, 0, 0, 0, 1,
     fromWord(0xBFFA8078u)},
    // The revision byte is read whatever the record's checksum and layout
    // version say: those are the storage-map checkers' to report.
    {"ManufacturingRecordFailsItsChecksum", [](simboard::QuillBoard& b) { b.corruptManufacturingRecord(); }, 0, 0, 0,
     kHealthy, 0},
    {"ManufacturingRecordOfANewerLayout",
     [](simboard::QuillBoard& b) { b.setManufacturingMapVersions(0x02000000u, 0x02000000u); }, 0, 0, 0, kHealthy, 0},
    // An erased byte reads 0xFF, a revision far too new.
    {"ErasedFlash", [](simboard::QuillBoard& b) { b.eraseFlash(); }, 0, 0, 0, 2, fromWord(0xBFFA902Du)},
    {"BoardRevision7", [](simboard::QuillBoard& b) { b.setOldestCompatibleBoardRevision(7); }, 0, 0, 0, 2,
     fromWord(0xBFFA902Cu)},
    {"BoardRevision9", [](simboard::QuillBoard& b) { b.setOldestCompatibleBoardRevision(9); }, 0, 0, 0, 2,
     fromWord(0xBFFA902Du)},
    {"NoIsolatedPortSwitch", [](simboard::QuillBoard& b) { b.isolatedPortSwitch().setSignature(0); }, 0, 0, 0, 2,
     wispddk::WispIsoPort::kSignatureMismatch},
    {"NisoLoaderNeverReady", [](simboard::QuillBoard& b) { b.bridgeCore().setNeverReady(true); }, 0, 0, 0, 3,
     fromWord(0xBFFA807Fu)},
    {"NisoLoaderNeverDone", [](simboard::QuillBoard& b) { b.bridgeCore().setNeverDone(true); }, 0, 0, 0, 3,
     fromWord(0xBFFA807Fu)},
    {"Port2PllNeverLocks", [](simboard::QuillBoard& b) { b.busInterface().ports().setNeverLocks(true); }, 0, 0, 0, 3,
     fromWord(0xBFFA807Au)},
    {"NisoFpgaSignatureWrong", [](simboard::QuillBoard& b) { b.nisoFpga().setSignature(0x5A3C0E90u); }, 0, 0, 0, 4,
     fromWord(0xBFFA467Cu)},
    {"PowerMonitorStuckBusy", [](simboard::QuillBoard& b) { b.nisoFpga().setPowerMonitorStuckBusy(true); }, 0, 0, 0,
     5, voltarissharedsource::frontEndCodes::kPowerMonitorBusy},
    // The isolated side's bring-up.
    {"TransformerDead", [](simboard::QuillBoard& b) { b.nisoFpga().supply().setTransformerDead(true); }, 0, 0, 0, 5,
     fromWord(0xBFFA4678u)},
    {"LinkModeStuck", [](simboard::QuillBoard& b) { b.nisoFpga().supply().setLinkModeStuck(true); }, 0, 0, 0, 5,
     fromWord(0xBFFA4678u)},
    // The load's time-out is forgiven; without its image the isolated FPGA
    // never runs.
    {"IsoLoaderNeverReady",
     [](simboard::QuillBoard& b) { b.bridgeCore().loader().setNeverReadyOn(simboard::FpgaLoader::kIsoPortSelect, true); },
     0, 0, 0, 5, fromWord(0xBFFA4678u)},
    {"IsoLoaderNeverDone",
     [](simboard::QuillBoard& b) { b.bridgeCore().loader().setNeverDoneOn(simboard::FpgaLoader::kIsoPortSelect, true); },
     0, 0, 0, kHealthy, 0},
    {"DcBusNeverUp", [](simboard::QuillBoard& b) { b.nisoFpga().supply().setDcBusNeverUp(true); }, 0, 0, 0, 7,
     fromWord(0xBFFA4683u)},
    {"PllBusyStuck", [](simboard::QuillBoard& b) { b.nisoFpga().isolatedSide().externalPll().setBusyStuck(true); }, 0,
     0, 0, 8, fromWord(0xBFFA467Au)},
    {"PllNeverLocks", [](simboard::QuillBoard& b) { b.nisoFpga().isolatedSide().externalPll().setNeverLocks(true); },
     0, 0, 0, 8, fromWord(0xBFFA467Au)},
    {"CpldPushRefusedOnce", [](simboard::QuillBoard& b) { b.nisoFpga().isolatedSide().cpldJtag().refusePushes(1); }, 0,
     0, 0, kHealthy, 0},
    {"CpldPushRefusedTwice", [](simboard::QuillBoard& b) { b.nisoFpga().isolatedSide().cpldJtag().refusePushes(2); },
     0, 0, 0, 8, fromWord(0xBFFA4686u)},
    {"CpldFifoStuck", [](simboard::QuillBoard& b) { b.nisoFpga().isolatedSide().cpldJtag().setStuckFull(true); }, 0, 0,
     0, 8, fromWord(0xBFFA4686u)},
    {"CpldInterfaceNeverReady",
     [](simboard::QuillBoard& b) { b.nisoFpga().isolatedSide().cpldJtag().setInterfaceNeverReady(true); }, 0, 0, 0, 9,
     fromWord(0xBFFA4684u)},
    {"IsoSignatureWrong", [](simboard::QuillBoard& b) { b.nisoFpga().isolatedSide().setReadView(0, 0x2D61B7C5u); }, 0,
     0, 0, 9, fromWord(0xBFFA467Du)},
    {"ChannelStartupNeverAcknowledged",
     [](simboard::QuillBoard& b) { b.nisoFpga().isolatedSide().interruptGenerator().setNeverAcknowledges(7, true); },
     0, 0, 0, 13, fromWord(0xBFFA469Au)},
    {"TriggerLineSwitchLocked", [](simboard::QuillBoard& b) { b.isolatedPortSwitch().setRouteLock(true); }, 0, 0, 0,
     17, wispddk::WispIsoPort::kNoWindow},
    {"FinalStartupNeverAcknowledged",
     [](simboard::QuillBoard& b) {
       b.nisoFpga().isolatedSide().interruptGenerator().setHangsAt(
           builtInAddressOf(vorlan_driver::subroutineIds::kLark.finishStartup), true);
     },
     0, 0, 0, 19, fromWord(0xBFFA468Cu)},
    {"CallersNisoImage", noKnob, 0, kNisoImage, 0, kHealthy, 0},
    {"CallersNisoImageOneByteShort", noKnob, 0, kNisoImage - 1, 0, 3, fromWord(0xBFFA806Bu)},
    {"CallersNisoImageForAnotherFpga", noKnob, 0, kNisoImage, 1, 3, fromWord(0xBFFA807Fu)},
};

class StartupFaults : public QuillStartupTest, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupFaults, StopAtTheirLevelWithTheirCode) {
  const StartupCase& c = GetParam();
  // A step's fault shows only once start-up gets as far as that step.
  if (c.level != kHealthy && c.level > kTopLevel) GTEST_SKIP() << "start-up stops before level " << c.level + 1;
  kalsim::PciFunctionSetup setup;
  if (c.subsystemId != 0) setup.subsystemID = c.subsystemId;
  std::vector<uint8_t> image;
  if (c.nisoImageSize == 0) c.knob(board);
  startDevice(setup);
  if (c.nisoImageSize != 0) {
    // Sent by a reset: a start has no record.
    image.resize(c.nisoImageSize);
    simboard::firmwareImage::fill(image.data(), c.imageTarget, static_cast<uint32_t>(image.size()));
    vorlan_driver_codegen::CustomResetParameters record{};
    record.nisoFpgaImage = reinterpret_cast<uintptr_t>(image.data());
    record.nisoFpgaImageSize = image.size();
    c.knob(board);
    KernelSession* session = open();
    reset(session, vorlan_shared::SetupLevel::kFull, &record);
    close(session);
  }
  const uint32_t expectedLevel = c.level == kHealthy ? kTopLevel : c.level;
  EXPECT_EQ(level(), expectedLevel);
  EXPECT_EQ(setupCode(), c.level == kHealthy ? kFullStartCode : c.code);
  ASSERT_NE(device->getHardwareOwner(), nullptr) << "a stopped start-up keeps its owner";
  const bool storageMaps = expectedLevel >= QuillHelper::kCoreObjectsLevel;
  EXPECT_EQ(owner().getStorageMaps() != nullptr, storageMaps);
  EXPECT_EQ(namesOf(owner().getStorageMapDispatcher()).size(), storageMaps ? kStorageMaps.size() : 0u);
  EXPECT_EQ(owner().getWispController() != nullptr, expectedLevel >= 3);
  removeDevice();
  delete device;
  device = nullptr;
  EXPECT_EQ(kalsim::liveKernelMappings(), 0u) << "BAR 0 unmapped at teardown";
}

INSTANTIATE_TEST_SUITE_P(Table, StartupFaults, ::testing::ValuesIn(kStartupCases),
                         [](const ::testing::TestParamInfo<StartupCase>& info) { return info.param.name; });

TEST_F(QuillStartupTest, AHealthyBoardStopsAtTheFirstUnbuiltLevelAndNamesWhatIsMissing) {
  startDevice();
  EXPECT_EQ(level(), kTopLevel);
  EXPECT_EQ(setupCode(), kFullStartCode);
  std::vector<std::string> stops;
  for (const std::string& printed : kalsim::printedLines()) {
    if (printed.find("start-up stops") != std::string::npos) stops.push_back(printed);
  }
  for (uint32_t level = 2; level <= kTopLevel; ++level) EXPECT_EQ(QuillHelper::missingSubsystemOf(level), nullptr);
  if (kTopLevel == vorlan_shared::SetupLevel::kFull) {
    EXPECT_TRUE(stops.empty()) << "a full start-up names nothing missing";
    return;
  }
  const char* missing = QuillHelper::missingSubsystemOf(kTopLevel + 1);
  ASSERT_NE(missing, nullptr);
  const std::string line =
      "start-up stops before level " + std::to_string(kTopLevel + 1) + ": " + missing + " is not built";
  ASSERT_EQ(stops.size(), 1u) << "one line, at the one level that stopped";
  EXPECT_NE(stops[0].find(line), std::string::npos) << stops[0];
}

TEST_F(QuillStartupTest, EachTargetBelowTheTopStopsThereAndTeardownLeavesNoRegistration) {
  startDevice();
  const uint64_t mutexes = kalsim::liveMutexes();
  for (uint32_t target = 0; target <= kTopLevel; ++target) {
    SCOPED_TRACE(target);
    KernelSession* session = open();
    // Only a target below 20 is a stop.
    EXPECT_EQ(reset(session, target), target < vorlan_shared::SetupLevel::kFull ? kSetupStopped : 0);
    EXPECT_EQ(level(), target);
    ASSERT_EQ(device->getHardwareOwner() != nullptr, target > 0) << "target 0 leaves no owner";
    if (target > 0) {
      const bool built = target >= QuillHelper::kCoreObjectsLevel;
      EXPECT_EQ(namesOf(owner().getRegisterDispatcher()).size(), registerMapsAt(target));
      EXPECT_EQ(namesOf(owner().getDeviceWindowDispatcher()).size(), built ? 1u : 0u);
      EXPECT_EQ(namesOf(owner().getStorageMapDispatcher()).size(), built ? kStorageMaps.size() : 0u);
    }
    close(session);
  }
  // Targets above 20, those with bit 31 set among them, ask for all of it.
  for (uint32_t target : {21u, 0x80000000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(target);
    KernelSession* session = open();
    EXPECT_EQ(reset(session, target), kFullStartCode);
    EXPECT_EQ(level(), kTopLevel);
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
  // The two sides are built by the steps that complete levels 5 and 7.
  const bool nonIsolated = owner().getNonIsolatedRegMaps() != nullptr;
  const bool isolated = owner().getIsolatedRegMaps() != nullptr;
  {
    std::vector<std::string> maps = namesOf(owner().getRegisterDispatcher());
    ASSERT_GE(maps.size(), kRegisterMaps.size());
    const std::vector<std::string> kelt(maps.begin(), maps.begin() + kRegisterMaps.size());
    EXPECT_EQ(maps.size(),
              kRegisterMaps.size() + (nonIsolated ? kNonIsolatedMaps : 0) + (isolated ? kIsolatedMaps : 0));
    EXPECT_EQ(kelt, kRegisterMaps);
    if (nonIsolated) {
      EXPECT_EQ(maps[kRegisterMaps.size()], "TheQuillNisoFpgaRegMap");
      EXPECT_EQ(maps[kRegisterMaps.size() + kNonIsolatedMaps - 1], "Ina231RegMap");
    }
  }
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

TEST_F(QuillStartupTest, TheNonIsolatedSideIsCheckedStartedAndJoinsTheHardwareStateCheck) {
  startDevice();
  ASSERT_NE(owner().getNonIsolatedControllers(), nullptr);
  ASSERT_NE(owner().getErrorRegisterCheckers(), nullptr);
  // The DMA companion's two start strobes went out in one write, once.
  const uint64_t companion90 = simboard::NisoFpgaDmaBlock::kBar0Offset + simboard::NisoFpgaDmaBlock::kDmaCompanionOffset + 0x90;
  std::vector<uint64_t> strobes;
  for (const simboard::Access& a : board.accessLog()) {
    if (a.offset == companion90 && a.direction == simboard::Direction::kWrite) strobes.push_back(a.value);
  }
  EXPECT_EQ(strobes, std::vector<uint64_t>{0xA});
  EXPECT_EQ(owner().getNonIsolatedRegMaps()->getFpgaMap().getDMACompanion().CompanionReg090.getRegister(), 0u)
      << "the strobes leave the shadow";

  tStatus healthy;
  owner().getCheckerComposite().checkHardwareState(healthy);
  EXPECT_EQ(healthy.getCode(), 0);
  // The error manager flags channel 3: the all-channel checker reports it.
  using simboard::ErrorManager;
  board.nisoFpga().errorManager().injectFault(ErrorManager::Set::kA, ErrorManager::Vector::kMain, 3 * 7);
  board.nisoFpga().errorManager().raiseChannelFlag(3);
  tStatus flagged;
  owner().getCheckerComposite().checkHardwareState(flagged);
  EXPECT_LT(flagged.getCode(), 0);
  // A changed FPGA is caught by its signature.
  board.nisoFpga().errorManager().clearChannels(0xFFFFFF);
  board.nisoFpga().setSignature(0);
  tStatus changed;
  owner().getCheckerComposite().checkHardwareState(changed);
  EXPECT_EQ(changed.getCode(), fromWord(0xBFFA467Cu));

  // Teardown takes the checkers out before their controller goes.
  KernelSession* session = open();
  EXPECT_EQ(reset(session, 3), kSetupStopped);
  EXPECT_EQ(owner().getNonIsolatedRegMaps(), nullptr);
  tStatus afterReset;
  owner().getCheckerComposite().checkHardwareState(afterReset);
  EXPECT_EQ(afterReset.getCode(), 0);
  close(session);
}

// After the climb, however far it got: the non-isolated errors are cleared
// above level 4, the channels' error capture enabled above level 6, and
// their failures stay behind the first error.
TEST_F(QuillStartupTest, TheClosingStepsRunByTheLevelReachedBehindTheFirstError) {
  struct Case {
    uint32_t target;
    bool managerStuck;  // the error manager never leaves its busy state: the clear times out
    int64_t code;
  } cases[] = {
      {4, false, kSetupStopped}, {5, false, kSetupStopped}, {5, true, kSetupStopped},
      {6, false, kSetupStopped}, {7, false, kSetupStopped},
  };
  startDevice();
  const uint64_t clearWord = simboard::NisoFpgaDmaBlock::kBar0Offset + simboard::NisoFpgaBlock::kErrorManagerOffset;
  for (const Case& c : cases) {
    if (c.target > kTopLevel) continue;
    SCOPED_TRACE(c.target);
    board.nisoFpga().errorManager().setBusy(c.managerStuck);
    // The last owner's teardown goes first: only this start-up is counted.
    KernelSession* first = open();
    reset(first, 1);
    close(first);
    KernelSession* session = open();
    board.log().clear();
    EXPECT_EQ(reset(session, c.target), c.code);
    close(session);
    EXPECT_EQ(level(), c.target);
    uint32_t clears = 0;
    uint32_t captures = 0;
    for (const simboard::Access& a : board.log().in(simboard::Space::kBar0)) {
      clears += a.direction == simboard::Direction::kWrite && a.offset == clearWord;
    }
    for (const simboard::Access& a : board.log().in(simboard::Space::kIsolated)) {
      captures += a.direction == simboard::Direction::kWrite && a.offset == 0x168 && a.via == 24;
    }
    // A manager that stays busy still gets its clear after the wait.
    EXPECT_EQ(clears, c.target > 4 ? 1u : 0u);
    EXPECT_EQ(captures, c.target > 6 ? 1u : 0u);
  }
  board.nisoFpga().errorManager().setBusy(false);
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
  // A record the driver cannot trust does not stop start-up; its serial
  // number is withheld and the checkers name what is wrong with it.
  struct Case {
    const char* name;
    std::function<void(simboard::QuillBoard&)> knob;
    int64_t code;
  };
  const Case cases[] = {
      {"stale checksum", [](simboard::QuillBoard& b) { b.corruptManufacturingRecord(); }, fromWord(0xBFFA4088u)},
      {"newer layout", [](simboard::QuillBoard& b) { b.setManufacturingMapVersions(0x02000000u, 0x02000000u); },
       fromWord(0xBFFA4082u)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    board.flash().loadImage(simboard::buildGoldenFlashImage());
    c.knob(board);
    startDevice();
    EXPECT_EQ(level(), kTopLevel);
    EXPECT_EQ(property("serialNumber"), "0");
    tStatus status;
    EXPECT_EQ(owner().readSerialNumber(status), 0u);
    EXPECT_EQ(status.getCode(), c.code);
    tStatus checked;
    owner().getCheckerComposite().checkHardwareState(checked);
    EXPECT_EQ(checked.getCode(), c.code);
    removeDevice();
    delete device;
    device = nullptr;
  }
}

// Start drops what its property collection reports, so that collection
// must not fail unseen: whichever of the last allocations of a start fails,
// start-up stops below the top or all four properties are published (a
// serial number that could not be read as "0").
TEST_F(QuillStartupTest, AnAllocationFailingLateInStartLeavesEveryPropertyPublished) {
  const uint64_t physical = reinterpret_cast<uintptr_t>(board.bar0());
  kalsim::mapPhysicalRangeTo(physical, simboard::SimBoard::kBar0Size, board.bar0());
  kalsim::PciFunctionSetup setup;
  setup.resources[0] = kalsim::PciResource{physical, simboard::SimBoard::kBar0Size, 1u << 1};
  // Builds a device and starts it with the nth allocation of the start
  // failing (0: none); the allocations the start made.
  const auto start = [&](uint32_t nth) {
    description = pcitest::describe(kalsim::addPciFunction(setup));
    tStatus status;
    device = static_cast<QuillDevice*>(vorlan_driver::createDevice(description, status));
    EXPECT_EQ(status.getCode(), 0);
    const uint64_t before = kalsim::allocationCallsOnThisThread();
    kalsim::failAllocationOnThisThread(nth);
    device->changePnPState(tEventDescriptor(), tDeviceCore::kPnPStateReady,
                           vorlan_driver::nKIVAPAL000::kSuspendReasonAddDevice, false, status);
    kalsim::failAllocationOnThisThread(0);
    return kalsim::allocationCallsOnThisThread() - before;
  };
  const auto published = [&] {
    std::vector<std::string> names;
    for (auto** p = device->getDeviceProperties(); *p != nullptr; ++p) names.push_back((*p)->getName());
    return names;
  };
  const std::vector<std::string> all = {"serialNumber", "modelName", "manufacturerName", "pxiGeographicAddress"};
  const uint64_t clean = start(0);
  EXPECT_EQ(published(), all);
  removeDevice();
  delete device;
  device = nullptr;

  constexpr uint64_t kTail = 12;
  for (uint64_t nth = clean > kTail ? clean - kTail + 1 : 1; nth <= clean; ++nth) {
    SCOPED_TRACE(nth);
    start(static_cast<uint32_t>(nth));
    if (level() == kTopLevel) {
      EXPECT_EQ(published(), all);
    }
    removeDevice();
    delete device;
    device = nullptr;
  }
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

// A refused lock or block at any point of start-up stops it there with
// -52000, and the owner's teardown leaves no lock, mapping or block behind.
// The first refusals one by one, then a stride through the rest.
TEST_F(QuillStartupTest, ARefusedLockOrBlockStopsStartUpAndTeardownLeavesNothing) {
  startDevice();
  ASSERT_EQ(level(), kTopLevel);
  // A healthy owner first, so that the board's own logs have grown before
  // anything is counted.
  {
    kdut::SetupTracker<vorlan_shared::SetupLevel> tracker;
    delete new QuillHelper(*device, nullptr, nullptr, &device->getCoolingMode(), tracker);
  }
  // The stand-in keeps the debug lines it is given, on the same heap.
  kalsim::clearPrintedLines();
  const uint64_t allocations = kalsim::liveDriverAllocations();
  const uint64_t mutexes = kalsim::liveMutexes();
  const uint64_t mappings = kalsim::liveKernelMappings();
  for (const bool locks : {true, false}) {
    const char* knob = locks ? "lock " : "block ";
    bool reachedTheEnd = false;
    for (uint32_t nth = 1; nth < 100000 && !reachedTheEnd; nth += nth < 60 ? 1 : 37) {
      kdut::SetupTracker<vorlan_shared::SetupLevel> tracker;
      // The owner's own block comes first: the refusal is armed inside it.
      QuillHelper* built = static_cast<QuillHelper*>(::operator new(sizeof(QuillHelper)));
      if (locks) {
        kalsim::failMutexCreation(nth);
      } else {
        kalsim::failAllocationOnThisThread(nth);
      }
      new (built) QuillHelper(*device, nullptr, nullptr, &device->getCoolingMode(), tracker);
      kalsim::failMutexCreation(0);
      kalsim::failAllocationOnThisThread(0);
      const int64_t code = tracker.getSetupStatus().getCode();
      reachedTheEnd = code == kFullStartCode;
      if (!reachedTheEnd) {
        EXPECT_EQ(code, vorlan_driver::statusCodes::kOutOfMemory) << knob << nth;
        EXPECT_LE(tracker.getCurrentLevel(), kTopLevel) << knob << nth;
      }
      delete built;
      kalsim::clearPrintedLines();
      ASSERT_EQ(kalsim::liveMutexes(), mutexes) << knob << nth;
      ASSERT_EQ(kalsim::liveKernelMappings(), mappings) << knob << nth;
      ASSERT_EQ(kalsim::liveDriverAllocations(), allocations) << knob << nth;
    }
    EXPECT_TRUE(reachedTheEnd) << knob;
  }
}

// ---- levels 17 and 20 (these wait until start-up reaches their level)

// A limits record of the reset parameters: pair p little-endian at 4 p.
struct LimitsRecord {
  uint8_t bytes[92] = {};
  void put(uint32_t pair, uint16_t lower, uint16_t upper) {
    bytes[4 * pair] = static_cast<uint8_t>(lower);
    bytes[4 * pair + 1] = static_cast<uint8_t>(lower >> 8);
    bytes[4 * pair + 2] = static_cast<uint8_t>(upper);
    bytes[4 * pair + 3] = static_cast<uint8_t>(upper >> 8);
  }
};

TEST_F(QuillStartupTest, TheAnalogLimitsComeFromTheResetRecordOrTheBuiltInOnes) {
  if (kTopLevel < 17) GTEST_SKIP() << "start-up does not reach level 17 yet";
  startDevice();
  ASSERT_GE(level(), 17u);
  simboard::IsolatedRegisterSpace& side = board.nisoFpga().isolatedSide();
  EXPECT_EQ(side.peek(0x182), 0x20001A00u) << "the plus rail's built-in window";
  EXPECT_EQ(side.peek(0x183), 0x3FFF4000u);
  EXPECT_EQ(board.nisoFpga().analogMonitor().window(1), 0x0FFF0849u);

  // Wider than the fields: 12 bits, 15 on the rails.
  LimitsRecord limits;
  limits.put(0, 0xF123, 0xFFFF);
  limits.put(22, 0x9234, 0xC321);
  vorlan_driver_codegen::CustomResetParameters record{};
  record.limits = reinterpret_cast<uintptr_t>(limits.bytes);
  KernelSession* session = open();
  reset(session, vorlan_shared::SetupLevel::kFull, &record);
  EXPECT_GE(level(), 17u);
  EXPECT_EQ(side.peek(0x182), 0x43211234u);
  EXPECT_EQ(board.nisoFpga().analogMonitor().window(1), 0x0FFF0123u);

  close(session);
}

TEST_F(QuillStartupTest, ALimitsRecordStartUpCannotCopyStopsItBelowLevel17) {
  if (kTopLevel < 17) GTEST_SKIP() << "start-up does not reach level 17 yet";
  startDevice();
  LimitsRecord limits;
  vorlan_driver_codegen::CustomResetParameters record{};
  record.limits = reinterpret_cast<uintptr_t>(limits.bytes);
  kalsim::markUserRangeBad(limits.bytes + 40, 4);
  KernelSession* session = open();
  EXPECT_NE(reset(session, vorlan_shared::SetupLevel::kFull, &record), 0);
  kalsim::clearBadUserRanges();
  EXPECT_EQ(level(), 16u);
  EXPECT_NE(setupCode(), 0);
  close(session);
}

// One start-up per board variant and flash: the calibration set chosen (the
// flash reads show which sets were looked at) and what it programmed.
struct CalibrationCase {
  const char* name;
  uint16_t subsystemId;
  std::vector<uint8_t> (*flash)();
  int chosenSet;  // CalibrationSet, or -1 for none
  bool sharedLoSense;
};
void PrintTo(const CalibrationCase& c, std::ostream* os) { *os << c.name; }

const CalibrationCase kCalibrationCases[] = {
    {"LarkNoCalibrationSet", 0x7A01, simboard::flashvariants::noCalibration, -1, false},
    {"WrenNoCalibrationSet", 0x7A11, simboard::flashvariants::noCalibration, -1, true},
    {"LarkAllValid", 0x7A01, simboard::flashvariants::allValid, 3, false},
    {"WrenAllValid", 0x7A11, simboard::flashvariants::allValid, 3, true},
    {"WrenOnlyFactory", 0x7A11, [] { return simboard::flashvariants::onlyValid(simboard::CalibrationSet::kFactory); },
     1, true},
};

class Level20 : public QuillStartupTest, public ::testing::WithParamInterface<CalibrationCase> {
 protected:
  size_t flashReadsOf(int set) {
    const uint64_t first = simboard::goldenflash::kCalibrationSets[set];
    size_t n = 0;
    for (const simboard::FlashEvent& e : board.flash().log()) {
      n += e.opcode == simboard::SerialFlash::kRead && e.address >= first &&
           e.address < first + simboard::goldenflash::kCalibrationRecordSize;
    }
    return n;
  }
};

TEST_P(Level20, CalibratesFromTheFirstIntactSetAndReadsNoSetAfterIt) {
  if (kTopLevel < vorlan_shared::SetupLevel::kFull) GTEST_SKIP() << "start-up does not reach level 20 yet";
  const CalibrationCase& c = GetParam();
  board.flash().loadImage(c.flash());
  board.flash().clearLog();
  kalsim::PciFunctionSetup setup;
  setup.subsystemID = c.subsystemId;
  startDevice(setup);
  ASSERT_EQ(level(), 20u);
  ASSERT_EQ(setupCode(), 0);

  // Self, External, Factory, Default: the sets after the chosen one are
  // never read.
  const int order[] = {3, 2, 1, 0};
  bool passed = c.chosenSet < 0;
  for (int set : order) {
    if (c.chosenSet < 0 || !passed) {
      EXPECT_GT(flashReadsOf(set), 0u) << set;
    } else {
      EXPECT_EQ(flashReadsOf(set), 0u) << set;
    }
    if (set == c.chosenSet) passed = true;
  }

  namespace cal = simboard::goldenflash::calibration;
  const std::vector<uint8_t>& image = board.flash().image();
  const uint64_t base = c.chosenSet < 0 ? 0 : simboard::goldenflash::kCalibrationSets[c.chosenSet];
  auto fromSet = [&](uint64_t offset, uint32_t otherwise) {
    return c.chosenSet < 0 ? otherwise : simboard::flashWord32(image, base + offset);
  };
  simboard::IsolatedRegisterSpace& side = board.nisoFpga().isolatedSide();
  EXPECT_EQ(side.peek(0x026), fromSet(cal::kCommonModeCurrentCancellation, 128) & 0xFF);
  const uint32_t c5 = 0x1000u | 5u << 7;
  EXPECT_EQ(side.peek(c5 | 0x15), fromSet(cal::kRemoteADCGain24V + 4 * 5, 73902)) << "remote-sense gain";
  EXPECT_EQ(side.peek(c5 | 0x6E), 60000u) << "over-current counter";
  EXPECT_EQ(side.peek(0x16A), 0x000A0190u) << "over-voltage configuration";
  EXPECT_EQ(side.peek(0x108), c.sharedLoSense ? fromSet(cal::kSharedLoSenseADCGain, 0x6F27) : 0u)
      << "a shared LO-sense gain only where the board has those ADCs";
}

INSTANTIATE_TEST_SUITE_P(Flashes, Level20, ::testing::ValuesIn(kCalibrationCases),
                         [](const ::testing::TestParamInfo<CalibrationCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quilltest
