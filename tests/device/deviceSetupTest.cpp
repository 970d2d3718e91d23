// The last start-up step over the simulated isolated side and the simulated
// flash, as the driver reaches them: register defaults and their write
// counts on fresh maps, the choice of the calibration set (with the flash
// reads that show which sets were looked at), the calibration values, their
// version gates and defaults, protection defaults, alarm responses and the
// order of it all, on both board variants.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "controllers/channel/IsolatedControllers.h"
#include "device/KeltControllers.h"
#include "device/KeltRegMaps.h"
#include "device/caps/CapsDefinitions.h"
#include "device/startup/CalibrationLoader.h"
#include "device/startup/DeviceSetup.h"
#include "framework/armki/ARMDispatcher.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "simboard/ConfigPortSpiBlock.h"
#include "simboard/GoldenFlashImage.h"
#include "simboard/SerialFlash.h"
#include "simboard/TimingDigitalOutputBlock.h"
#include "storage/StorageMaps/QuillStorageMaps.h"
#include "storage/deviceWindow/flashWindow/FlashWindow.h"
#include "storage/storageMap/StorageMapDispatcher.h"
#include "tests/controllers/sequencerBoard.h"
#include "tests/device/preparedBoard.h"
#include "tests/storage/goldenBoardFixture.h"
#include "tests/support/allocationFailures.h"

namespace sequencertest {
namespace {

using simboard::CalibrationSet;
using vorlan_driver::CalibrationLoader;
using vorlan_driver::DeviceSetup;
namespace flashvariants = simboard::flashvariants;
namespace golden = simboard::goldenflash;
namespace cal = simboard::goldenflash::calibration;

// Every word a channel's predictive range-change register receives, on even
// channels (and every channel of the Wren variant), then on the Lark
// variant's odd channels.
constexpr uint32_t kPredictiveWords[31] = {
    0xCFFFE62B, 0xD3FFE666, 0xAFFFE666, 0xEFFFE6B5, 0xF3FFE6BB, 0xF7FFE6F7, 0xD7FFE8BA, 0xB3FFE8BA,
    0x8FFFE8BA, 0xFBFFE94B, 0xDF00E315, 0xBB00E8BB, 0x9700E8BB, 0x7300E8BB, 0xBF09C78A, 0x9B0A000D,
    0x770A000D, 0x9F62B41B, 0x7B64E93D, 0x7F7FFFFF, 0x03000000, 0xCBFFE624, 0xABFFE628, 0x8BFFE64D,
    0xEBFFE6B5, 0x6BFFE7C0, 0x4F00793F, 0x530504E8, 0x57327980, 0x5F7FFFFF, 0x5B7FFFFF};
constexpr uint32_t kLarkOddPredictiveWords[31] = {
    0xCFFFE62B, 0xD3FFE666, 0xAFFFE666, 0xEFFFE6B5, 0xF3FFE6BB, 0xF7FFE6F7, 0xD7FFE8BA, 0xB3FFE8BA,
    0x8FFFE8BA, 0xFBFFE94B, 0xDF00E315, 0xBB00E8BB, 0x9700E8BB, 0x7300E8BB, 0xBF09C78A, 0x9B0A000D,
    0x770A000D, 0x9F62B41B, 0x7B64E93D, 0x7F7FFFFF, 0x03000000, 0xCBFFE625, 0xABFFE62F, 0x8BFFE692,
    0xEBFFE6B5, 0x6BFFEA6C, 0x4F006BE4, 0x5304F78C, 0x57326C24, 0x5F7FFFFF, 0x5B7FFFFF};

constexpr uint32_t kIsoFpga = preparedtest::kIsoWindow;
uint32_t chan(uint32_t c, uint32_t offset) { return preparedtest::channelAddress(c, offset); }

// The isolated side with its controllers and the built-in package
// installed, and the flash behind the configuration port with the board's
// storage maps over it, as start-up has them when it reaches this step.
class SetupBench : public preparedtest::PreparedBoard, public ::testing::WithParamInterface<uint32_t> {
 protected:
  SetupBench()
      : PreparedBoard(GetParam()),
        outputs(board.addBlock(simboard::TimingDigitalOutputBlock::kBar0Offset,
                               std::make_unique<simboard::TimingDigitalOutputBlock>())),
        engine(simboard::ConfigPortSpiBlock::install(board, &outputs)),
        kelt(board.bar0Address(), simboard::SimBoard::kBar0Size, registers, built),
        kelts(static_cast<uint8_t*>(board.bar0()), kelt, built) {
    engine.setLogPolicy(simboard::LogPolicy::kCount);
    // The capability table and the storage maps' field descriptors are
    // statics of the driver, built at load: the bench stays loaded.
    vorlan_driver::nKIVAPAL000::initializeRunTime();
    const basalt_caps::Caps* caps = basalt_caps::findCaps(GetParam());
    hasSharedLoSense = caps != nullptr && caps->sharedLoSense != 0;
    installBuiltInPackage();
    EXPECT_EQ(built.getCode(), 0);
    useFlash(flashvariants::allValid());
  }

  ~SetupBench() override {
    maps.reset();
    vorlan_driver::nKIVAPAL000::finalizeRunTime();
  }

  bool wren() const { return GetParam() == kWrenSubsystem; }
  bool sharedLoSense() const { return hasSharedLoSense; }

  // A new flash image behind a new window and new maps, which have read
  // nothing yet, as at start-up.
  void useFlash(std::vector<uint8_t> image) {
    flash().loadImage(std::move(image));
    maps.reset();
    watched.reset();
    flashWindow.reset();
    tStatus status;
    flashWindow = std::make_unique<devicewindow::FlashWindow>(kelts.getFlashController(), status);
    watched = std::make_unique<storagetest::HookedWindow>(*flashWindow);
    maps = std::make_unique<vorlan_storagemaps::QuillStorageMaps>(*watched, storageDispatcher, status);
    ASSERT_EQ(status.getCode(), 0);
    flash().clearLog();
    takeWrites();
  }
  simboard::SerialFlash& flash() { return engine.flash(); }
  const std::vector<uint8_t>& image() { return flash().image(); }

  // The step as start-up runs it.
  void runSetup(tStatus& status) {
    DeviceSetup setup(sharedLoSense(), *iso, channelPointers.data(), *controllers, *maps, golden::kBoardRevision,
                      GetParam(), status);
  }
  // One part of the step alone: the object built on a failed status does
  // nothing by itself.
  void runPart(void (DeviceSetup::*part)(tStatus&), tStatus& status) {
    tStatus failed;
    vorlanSetCode(failed, -52005);
    DeviceSetup setup(sharedLoSense(), *iso, channelPointers.data(), *controllers, *maps, golden::kBoardRevision,
                      GetParam(), failed);
    EXPECT_TRUE(takeWrites().empty()) << "built on a failed status, it writes nothing";
    (setup.*part)(status);
  }

  // Flash bytes read inside one calibration set.
  size_t flashReadsOf(CalibrationSet set) {
    const uint64_t first = golden::kCalibrationSets[static_cast<int>(set)];
    size_t n = 0;
    for (const simboard::FlashEvent& e : flash().log()) {
      n += e.opcode == simboard::SerialFlash::kRead && e.address >= first &&
           e.address < first + golden::kCalibrationRecordSize;
    }
    return n;
  }

  // A value of the flash's set, read off the image by its own layout.
  uint32_t setWord(CalibrationSet set, uint64_t offset) {
    return simboard::flashWord32(image(), golden::kCalibrationSets[static_cast<int>(set)] + offset);
  }
  uint16_t setHalf(CalibrationSet set, uint64_t offset) {
    return simboard::flashWord16(image(), golden::kCalibrationSets[static_cast<int>(set)] + offset);
  }

  static size_t countIn(const std::vector<Write>& writes, uint32_t window) {
    return static_cast<size_t>(
        std::count_if(writes.begin(), writes.end(), [&](const Write& w) { return w.window == window; }));
  }

  bool hasSharedLoSense = false;
  simboard::TimingDigitalOutputBlock& outputs;
  simboard::ConfigPortSpiBlock& engine;
  armki::ARMDispatcher registers;
  vorlan_driver::KeltRegMaps kelt;
  vorlan_driver::KeltControllers kelts;
  std::unique_ptr<devicewindow::FlashWindow> flashWindow;
  // What the maps ask of the window, field by field.
  std::unique_ptr<storagetest::HookedWindow> watched;
  storagemap::StorageMapDispatcher storageDispatcher;
  std::unique_ptr<vorlan_storagemaps::QuillStorageMaps> maps;
};

INSTANTIATE_TEST_SUITE_P(BothVariants, SetupBench, ::testing::Values(kWrenSubsystem, kLarkSubsystem),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                           return info.param == kWrenSubsystem ? std::string("Wren") : std::string("Lark");
                         });

// ---- register defaults

// On fresh maps rows whose value already stands in a clean shadow cost
// nothing: 38 writes a channel. The LO-sense gains are staged, not written.
TEST_P(SetupBench, RegisterDefaultsOnFreshMapsAre38WritesAChannel) {
  tStatus status;
  runPart(&DeviceSetup::writeRegisterDefaults, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<Write> writes = takeWrites();
  EXPECT_EQ(countIn(writes, kIsoFpga), 0u) << "the LO-sense gains are only staged";
  for (uint32_t c = 0; c < kChannels; ++c) {
    SCOPED_TRACE(c);
    std::vector<Write> expected = {{c, chan(c, 0x14), 0x120AE}, {c, chan(c, 0x15), 0x120AE},
                                   {c, chan(c, 0x16), 0x111B4}, {c, chan(c, 0x22), 0x8000},
                                   {c, chan(c, 0x23), 0x8000},  {c, chan(c, 0x2C), 0x008114EE},
                                   {c, chan(c, 0x2D), 0x000560DF}};
    const bool larkOdd = !wren() && c % 2 == 1;
    for (uint32_t word : larkOdd ? kLarkOddPredictiveWords : kPredictiveWords) {
      expected.push_back({c, chan(c, 0x78), word});
    }
    std::vector<Write> seen;
    for (const Write& w : writes) {
      if (w.window == c) seen.push_back(w);
    }
    EXPECT_EQ(seen.size(), 38u);
    EXPECT_EQ(seen, expected);
  }
  for (auto& gain : iso->CalGainRegType) {
    EXPECT_EQ(gain.getCalGain(), 0x6F27u);
    EXPECT_TRUE(gain.isDirty());
  }
  EXPECT_EQ(channels[3]->PredictiveRangeChangeControlReg.getRegister(), 0u) << "strobes only";
}

TEST(PredictiveWords, LarkOddChannelsDifferInSevenWordsOnly) {
  std::vector<uint32_t> differing;
  for (uint32_t n = 0; n < 31; ++n) {
    EXPECT_EQ(DeviceSetup::predictiveWord(n, 4, kLarkSubsystem), kPredictiveWords[n]);
    EXPECT_EQ(DeviceSetup::predictiveWord(n, 5, kWrenSubsystem), kPredictiveWords[n]);
    EXPECT_EQ(DeviceSetup::predictiveWord(n, 5, kLarkSubsystem), kLarkOddPredictiveWords[n]);
    if (kPredictiveWords[n] != kLarkOddPredictiveWords[n]) differing.push_back(n + 1);
  }
  EXPECT_EQ(differing, (std::vector<uint32_t>{22, 23, 24, 26, 27, 28, 29}));
}

// A failure on channel k leaves channels below it programmed and the ones
// above it untouched.
TEST_P(SetupBench, AFailingChannelStopsTheDefaultsThere) {
  block.setErrorBit(7, true);
  tStatus status;
  runSetup(status);
  EXPECT_TRUE(status.isFatal());
  const std::vector<Write> writes = takeWrites();
  for (uint32_t c = 0; c < 7; ++c) EXPECT_EQ(countIn(writes, c), 38u) << c;
  for (uint32_t c = 8; c < kChannels; ++c) EXPECT_EQ(countIn(writes, c), 0u) << c;
  EXPECT_EQ(countIn(writes, kIsoFpga), 0u) << "no later step runs";
  EXPECT_EQ(flashReadsOf(CalibrationSet::kSelf), 0u) << "nor is a calibration set chosen";
}

// ---- protection defaults

TEST_P(SetupBench, ProtectionDefaultsGoOutOnceAndOnlyWhereDirty) {
  tStatus status;
  runPart(&DeviceSetup::writeProtectionDefaults, status);
  ASSERT_EQ(status.getCode(), 0);
  std::vector<Write> writes = takeWrites();
  for (uint32_t c = 0; c < kChannels; ++c) {
    SCOPED_TRACE(c);
    std::vector<Write> seen;
    for (const Write& w : writes) {
      if (w.window == c) seen.push_back(w);
    }
    EXPECT_EQ(seen, (std::vector<Write>{{c, chan(c, 0x60), 0x1E0},
                                        {c, chan(c, 0x61), 0x27B},
                                        {c, chan(c, 0x62), 0x33F},
                                        {c, chan(c, 0x64), 0x4B11D0},
                                        {c, chan(c, 0x65), 0x6E657C},
                                        {c, chan(c, 0x66), 0x1253D88},
                                        {c, chan(c, 0x68), 100},
                                        {c, chan(c, 0x6A), 1},
                                        {c, chan(c, 0x6B), 10},
                                        {c, chan(c, 0x6C), 133},
                                        {c, chan(c, 0x6E), 60000}}))
        << "the zero increment stands in its clean shadow already";
  }
  std::vector<Write> fpga;
  for (const Write& w : writes) {
    if (w.window == kIsoFpga) fpga.push_back(w);
  }
  EXPECT_EQ(fpga, (std::vector<Write>{{kIsoFpga, 0x16A, 0x000A0190}, {kIsoFpga, 0x169, 0x06B4094C}}));

  runPart(&DeviceSetup::writeProtectionDefaults, status);
  EXPECT_TRUE(takeWrites().empty()) << "nothing is dirty the second time";
}

// ---- the choice of the calibration set

TEST_P(SetupBench, TheFirstIntactSetIsChosenAndTheOnesAfterItAreNeverRead) {
  struct Case {
    const char* what;
    std::function<std::vector<uint8_t>()> image;
    uint32_t chosen;
    bool read[4];  // default, factory, external, self
  };
  const Case cases[] = {
      {"all intact: self", [] { return flashvariants::allValid(); }, vorlan_driver::kSelfCalibrationMap,
       {false, false, false, true}},
      {"self damaged: external", [] { return flashvariants::damagedCrc(CalibrationSet::kSelf); },
       vorlan_driver::kExternalCalibrationMap, {false, false, true, true}},
      {"only factory", [] { return flashvariants::onlyValid(CalibrationSet::kFactory); },
       vorlan_driver::kFactoryCalibrationMap, {false, true, true, true}},
      {"only default", [] { return flashvariants::onlyValid(CalibrationSet::kDefault); },
       vorlan_driver::kDefaultCalibrationMap, {true, true, true, true}},
      {"default damaged, self intact", [] { return flashvariants::damagedCrc(CalibrationSet::kDefault); },
       vorlan_driver::kSelfCalibrationMap, {false, false, false, true}},
      {"blank: none", [] { return flashvariants::blank(); }, vorlan_driver::kNoCalibrationMap,
       {true, true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    useFlash(c.image());
    tStatus status;
    const uint32_t chosen = vorlan_driver::findValidCalibrationStorageMap(*maps, status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(chosen, c.chosen);
    for (int set = 0; set < 4; ++set) {
      const size_t reads = flashReadsOf(static_cast<CalibrationSet>(set));
      if (c.read[set]) {
        EXPECT_EQ(reads, golden::kCalibrationRecordSize) << "set " << set << " read whole, once";
      } else {
        EXPECT_EQ(reads, 0u) << "set " << set << " never read";
      }
    }
  }
}

TEST_P(SetupBench, AFailedStatusChoosesNoneAndReadsNothing) {
  tStatus failed;
  vorlanSetCode(failed, -52005);
  EXPECT_EQ(vorlan_driver::findValidCalibrationStorageMap(*maps, failed), vorlan_driver::kNoCalibrationMap);
  EXPECT_TRUE(flash().log().empty());
  for (uint32_t index : {4u, 5u, 0xFFFFFFFFu}) {
    EXPECT_EQ(vorlan_driver::selectCalibrationStorageMap(index, *maps), nullptr) << index;
  }
  EXPECT_EQ(vorlan_driver::selectCalibrationStorageMap(0, *maps), &maps->getSelfCalibration());
  EXPECT_EQ(vorlan_driver::selectCalibrationStorageMap(1, *maps), &maps->getExternalCalibration());
  EXPECT_EQ(vorlan_driver::selectCalibrationStorageMap(2, *maps), &maps->getFactoryCalibration());
  EXPECT_EQ(vorlan_driver::selectCalibrationStorageMap(3, *maps), &maps->getDefaultCalibration());
}

// ---- calibration values

constexpr uint32_t kHigh = 0x8E20000u;  // the default charge-balance offsets
constexpr uint32_t kLow = 0x71E0000u;

// A charge-balance register's 16 loads: entry index in bits 28-31.
std::vector<uint32_t> chargeBalanceWords(const std::function<uint32_t(uint32_t)>& entry) {
  std::vector<uint32_t> out;
  for (uint32_t k = 0; k < 16; ++k) out.push_back(k << 28 | (entry(k) & 0xFFFFFFFu));
  return out;
}
std::vector<uint32_t> defaultPattern(uint32_t run) {
  return chargeBalanceWords([run](uint32_t k) { return (k / run) % 2 == 0 ? kHigh : kLow; });
}
uint32_t sum24(uint32_t a, uint32_t b) { return (a + b) & 0xFFFFFFu; }
uint32_t dacWord(uint16_t minimum, uint16_t maximum) {
  return (minimum & 0x3FFFu) | static_cast<uint32_t>(maximum & 0x3FFFu) << 16;
}

// Which range a calibration table entry takes (range 0 = 1uA ... 5 = 50mA),
// in the order the entries are loaded: 7 down to 1, then 0.
constexpr uint32_t kEntryRange[8] = {0, 1, 2, 3, 4, 5, 5, 3};

// Everything a channel and the FPGA receive from a set, read off the flash.
TEST_P(SetupBench, EveryValueComesFromTheChosenSet) {
  useFlash(flashvariants::damagedCrc(CalibrationSet::kSelf));
  const CalibrationSet set = CalibrationSet::kExternal;
  tStatus status;
  runPart(&DeviceSetup::loadCalibration, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<Write> writes = takeWrites();
  for (uint32_t c : {0u, 5u, 23u}) {
    SCOPED_TRACE(c);
    std::vector<uint32_t> high, low, offset, entries;
    for (uint32_t i = 0; i < 8; ++i) {
      const uint64_t at = cal::kRangeStride * kEntryRange[i] + 4 * c;
      high.push_back(setWord(set, cal::kHighShuntADCGain1uA + at) & 0xFFFFF);
      low.push_back(setWord(set, cal::kLowShuntADCGain1uA + at) & 0xFFFFF);
      offset.push_back(sum24(setWord(set, cal::kShuntADCOffset1uA + at),
                             setWord(set, cal::kShuntADCResidualCurrentOffset1uA + at)));
      entries.push_back(0x10u | (i < 7 ? 7 - i : 0));
    }
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x2F)), entries);
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x16)), high);
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x17)), low);
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x1A)), offset);
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x15)), std::vector<uint32_t>{setWord(set, cal::kRemoteADCGain24V + 4 * c)});
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x14)), std::vector<uint32_t>{setWord(set, cal::kLocalADCGain24V + 4 * c)});
    const uint32_t remote = sum24(setWord(set, cal::kRemoteADCOffset24V + 4 * c),
                                  setWord(set, cal::kRemoteADCResidualVoltageOffset24V + 4 * c));
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x19)), std::vector<uint32_t>{remote});
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x18)),
              std::vector<uint32_t>{sum24(setWord(set, cal::kLocalADCOffset24V + 4 * c),
                                          setWord(set, cal::kLocalADCResidualVoltageOffset24V + 4 * c))});
    if (c == 23) {
      EXPECT_EQ(remote, 0x7FFFFFu) << "0x800000 plus -1 wraps within 24 bits";
    }
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x1B)),
              std::vector<uint32_t>{dacWord(setHalf(set, cal::kMinimumDACValue + 2 * c),
                                            setHalf(set, cal::kMaximumDACValue + 2 * c))});
    const struct {
      uint32_t reg;
      uint64_t field;
    } tables[] = {{0x11, cal::kRemoteADCChargeBalanceOffsets},
                  {0x10, cal::kLocalADCChargeBalanceOffsets},
                  {0x12, cal::kHighShuntADCChargeBalanceOffsets},
                  {0x13, cal::kLowShuntADCChargeBalanceOffsets}};
    for (const auto& t : tables) {
      EXPECT_EQ(valuesAt(writes, c, chan(c, t.reg)),
                chargeBalanceWords([&](uint32_t k) { return setWord(set, t.field + 64 * c + 4 * k); }))
          << std::hex << t.reg;
    }
  }
  EXPECT_EQ(valuesAt(writes, kIsoFpga, 0x26), std::vector<uint32_t>{setWord(set, cal::kCommonModeCurrentCancellation) & 0xFF});
  for (uint32_t n = 0; n < 4; ++n) {
    SCOPED_TRACE(n);
    if (!sharedLoSense()) {
      EXPECT_TRUE(valuesAt(writes, kIsoFpga, 0x104 + n).empty());
      EXPECT_TRUE(valuesAt(writes, kIsoFpga, 0x108 + n).empty());
      continue;
    }
    EXPECT_EQ(valuesAt(writes, kIsoFpga, 0x104 + n), chargeBalanceWords([&](uint32_t k) {
                return setWord(set, cal::kSharedLoSenseADCChargeBalanceOffsets + 64 * n + 4 * k);
              }));
    EXPECT_EQ(valuesAt(writes, kIsoFpga, 0x108 + n), std::vector<uint32_t>{setWord(set, cal::kSharedLoSenseADCGain + 4 * n)});
    EXPECT_EQ(valuesAt(writes, kIsoFpga, 0x10C + n),
              std::vector<uint32_t>{sum24(setWord(set, cal::kSharedLoSenseADCOffset + 4 * n),
                                          setWord(set, cal::kSharedLoSenseADCResidualVoltageOffset + 4 * n))});
  }
}

TEST_P(SetupBench, WithoutAnIntactSetEveryValueIsADefault) {
  useFlash(flashvariants::blank());
  tStatus status;
  runPart(&DeviceSetup::loadCalibration, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<Write> writes = takeWrites();
  for (uint32_t c = 0; c < kChannels; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x16)), std::vector<uint32_t>(8, 70068));
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x17)), std::vector<uint32_t>(8, 0));
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x1A)), std::vector<uint32_t>(8, 0));
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x15)), std::vector<uint32_t>{73902});
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x14)), std::vector<uint32_t>{73902});
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x19)), std::vector<uint32_t>{0});
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x18)), std::vector<uint32_t>{0});
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x1B)), std::vector<uint32_t>{0x07FF3800});
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x11)), defaultPattern(2)) << "remote";
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x10)), defaultPattern(1)) << "local";
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x12)), defaultPattern(4)) << "high shunt";
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x13)), defaultPattern(8)) << "low shunt";
  }
  EXPECT_EQ(valuesAt(writes, kIsoFpga, 0x26), std::vector<uint32_t>{128});
  for (uint32_t n = 0; n < 4; ++n) {
    SCOPED_TRACE(n);
    const bool present = sharedLoSense();
    EXPECT_EQ(valuesAt(writes, kIsoFpga, 0x104 + n), present ? defaultPattern(1u << n) : std::vector<uint32_t>{});
    // Not dirty in this run (the defaults were not staged), so a gain that
    // stands already is not written; the offset is 0 as on fresh maps.
    EXPECT_TRUE(valuesAt(writes, kIsoFpga, 0x10C + n).empty());
  }
}

TEST(ChargeBalanceDefaults, RunsOfTheHighThenTheLowOffset) {
  uint32_t table[16];
  vorlan_driver::fillChargeBalanceDefaults(table, 4);
  EXPECT_EQ(std::vector<uint32_t>(table, table + 16),
            (std::vector<uint32_t>{kHigh, kHigh, kHigh, kHigh, kLow, kLow, kLow, kLow, kHigh, kHigh, kHigh, kHigh,
                                   kLow, kLow, kLow, kLow}));
  for (uint32_t n = 0; n < 4; ++n) {
    vorlan_driver::fillSharedLoSenseChargeBalanceDefaults(n, table);
    for (uint32_t k = 0; k < 16; ++k) EXPECT_EQ(table[k], (k >> n) % 2 == 0 ? kHigh : kLow) << n << " " << k;
  }
  EXPECT_EQ(CalibrationLoader::offsetSum(0x800000, 0xFFFFFF), 0x7FFFFFu);
  EXPECT_EQ(CalibrationLoader::offsetSum(0xFFFFFF, 0x000002), 0x000001u);
}

// Only the common-mode setting and the DAC limits wait for a newer set.
TEST_P(SetupBench, TheSetVersionGatesTheCommonModeSettingAndTheDacLimits) {
  struct Case {
    uint32_t version;
    bool commonModeFromSet;
    bool dacFromSet;
  };
  const Case cases[] = {{golden::kVersion1_0_0d5, false, false},
                        {golden::kVersion1_0_0d6, true, false},
                        {golden::kVersion1_0_0d7, true, true}};
  for (const Case& v : cases) {
    SCOPED_TRACE(v.version);
    useFlash(flashvariants::calibrationVersion(v.version));
    const CalibrationSet set = CalibrationSet::kSelf;
    tStatus status;
    runPart(&DeviceSetup::loadCalibration, status);
    ASSERT_EQ(status.getCode(), 0);
    const std::vector<Write> writes = takeWrites();
    const uint32_t commonMode = setWord(set, cal::kCommonModeCurrentCancellation) & 0xFF;
    ASSERT_NE(commonMode, 128u);
    // The register keeps the last byte written, so a repeat may stand
    // already; what went out last is what counts.
    EXPECT_EQ(iso->CmccDigiPotControl.getDigiPot(), v.commonModeFromSet ? commonMode : 128u);
    const uint32_t c = 9;
    const uint32_t fromSet =
        dacWord(setHalf(set, cal::kMinimumDACValue + 2 * c), setHalf(set, cal::kMaximumDACValue + 2 * c));
    ASSERT_NE(fromSet, 0x07FF3800u);
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x1B)), std::vector<uint32_t>{v.dacFromSet ? fromSet : 0x07FF3800u});
    EXPECT_EQ(valuesAt(writes, c, chan(c, 0x15)), std::vector<uint32_t>{setWord(set, cal::kRemoteADCGain24V + 4 * c)})
        << "gains come from a set of any version";
  }
}

// ---- the whole step

// Register defaults, calibration, protection, alarm responses, in that
// order; shared LO-sense gains only where the board has those ADCs.
TEST_P(SetupBench, TheStepRunsItsPartsInOrder) {
  tStatus status;
  runSetup(status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<Write> writes = takeWrites();
  auto first = [&](uint32_t window, uint32_t address) {
    return std::find_if(writes.begin(), writes.end(),
                        [&](const Write& w) { return w.window == window && w.address == address; }) -
           writes.begin();
  };
  auto last = [&](uint32_t window, uint32_t address) {
    ptrdiff_t at = -1;
    for (size_t i = 0; i < writes.size(); ++i) {
      if (writes[i].window == window && writes[i].address == address) at = static_cast<ptrdiff_t>(i);
    }
    return at;
  };
  const ptrdiff_t defaultsEnd = last(23, chan(23, 0x78));
  const ptrdiff_t calibrationStart = sharedLoSense() ? first(kIsoFpga, 0x104) : first(0, chan(0, 0x11));
  const ptrdiff_t commonMode = first(kIsoFpga, 0x26);
  const ptrdiff_t protectionStart = first(0, chan(0, 0x60));
  const ptrdiff_t overVoltage = first(kIsoFpga, 0x16A);
  const ptrdiff_t alarms = first(kIsoFpga, 0x5C);
  EXPECT_LT(defaultsEnd, calibrationStart);
  EXPECT_LT(calibrationStart, commonMode);
  EXPECT_LT(commonMode, protectionStart);
  EXPECT_LT(protectionStart, overVoltage);
  EXPECT_LT(overVoltage, alarms);
  EXPECT_LT(alarms, static_cast<ptrdiff_t>(writes.size()));

  // The alarm response's address, then each channel's arming in channel
  // order.
  tStatus lookup;
  const uint32_t alarmAddress =
      registrar->getSubroutineAddress(controllers->alarms[0].getResponseId(), lookup);
  ASSERT_EQ(lookup.getCode(), 0);
  EXPECT_EQ(valuesAt(writes, kIsoFpga, 0x5C), std::vector<uint32_t>{alarmAddress}) << "the same address stands after once";
  ptrdiff_t previous = alarms;
  for (uint32_t c = 0; c < kChannels; ++c) {
    const ptrdiff_t armed = first(c, chan(c, 0x2E));
    EXPECT_GT(armed, previous) << c;
    EXPECT_FALSE(valuesAt(writes, c, chan(c, 0x2E)).empty());
    previous = last(c, chan(c, 0x2E));
  }

  for (uint32_t n = 0; n < 4; ++n) {
    if (sharedLoSense()) {
      EXPECT_EQ(valuesAt(writes, kIsoFpga, 0x108 + n), std::vector<uint32_t>{setWord(CalibrationSet::kSelf,
                                                                              cal::kSharedLoSenseADCGain + 4 * n)});
      EXPECT_FALSE(iso->CalGainRegType[n].isDirty());
    } else {
      EXPECT_TRUE(valuesAt(writes, kIsoFpga, 0x108 + n).empty());
      EXPECT_EQ(iso->CalGainRegType[n].getCalGain(), 0x6F27u) << "staged";
      EXPECT_TRUE(iso->CalGainRegType[n].isDirty()) << "and never written";
    }
  }
}

// A staged LO-sense gain goes out even when calibration asks for the same
// value: the blank flash's default equals the staged one.
TEST_P(SetupBench, TheStagedLoSenseGainIsWrittenWhenTheBoardHasTheADCs) {
  useFlash(flashvariants::blank());
  tStatus status;
  runSetup(status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<Write> writes = takeWrites();
  for (uint32_t n = 0; n < 4; ++n) {
    EXPECT_EQ(valuesAt(writes, kIsoFpga, 0x108 + n), sharedLoSense() ? std::vector<uint32_t>{0x6F27} : std::vector<uint32_t>{})
        << n;
  }
}

// The step allocates only while it reads the flash (the window's sectors,
// the checksum's bytes): a failure there ends the step with -52000 before
// any calibration value or protection setting goes out, and leaks nothing.
TEST_P(SetupBench, AnAllocationFailureWhileReadingTheFlashStopsTheStep) {
  uint32_t nth = 1;
  // The maps the fixture built go first, so that they are not counted.
  useFlash(flashvariants::allValid());
  for (;; ++nth) {
    SCOPED_TRACE(nth);
    maps.reset();
    watched.reset();
    flashWindow.reset();
    const uint64_t before = kalsim::liveDriverAllocations();
    useFlash(flashvariants::allValid());
    // The watching window's record must not allocate under the knob.
    watched->gets.reserve(1u << 16);
    tStatus status;
    testsupport::AllocationFailure failure(nth);
    runSetup(status);
    failure.disarm();
    if (!failure.hit()) {
      EXPECT_EQ(status.getCode(), 0);
      break;
    }
    EXPECT_EQ(status.getCode(), vorlan_driver::statusCodes::kOutOfMemory);
    {
      const std::vector<Write> writes = takeWrites();
      EXPECT_EQ(valuesAt(writes, 23, chan(23, 0x78)).size(), 31u) << "the register defaults went out first";
      EXPECT_TRUE(valuesAt(writes, 0, chan(0, 0x60)).empty()) << "no protection setting";
      EXPECT_TRUE(valuesAt(writes, kIsoFpga, 0x5C).empty()) << "no alarm response";
    }
    maps.reset();
    watched.reset();
    flashWindow.reset();
    EXPECT_EQ(kalsim::liveDriverAllocations(), before) << "nothing leaks";
  }
  EXPECT_GT(nth, 1u) << "the step allocates";
}

// The isolated FPGA came up afresh, whatever the macro register's shadow
// holds: the alarm response's address goes out even when the shadow agrees.
TEST_P(SetupBench, TheAlarmMacroIsWrittenEvenWhenItsShadowAgrees) {
  tStatus status;
  const uint32_t address = registrar->getSubroutineAddress(controllers->alarms[0].getResponseId(), status);
  iso->SeqMasterMacroAddress.writeAddress(address, status);
  ASSERT_EQ(status.getCode(), 0);
  takeWrites();
  runPart(&DeviceSetup::configureAlarmResponses, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(valuesAt(takeWrites(), kIsoFpga, 0x5C), std::vector<uint32_t>{address});
}

// The shared LO-sense fields (gains, offsets, residuals, charge-balance
// tables) are read only on boards that have those ADCs; the channels'
// tables are read on both.
TEST_P(SetupBench, OnlyABoardWithSharedLoSenseADCsReadsTheirFields) {
  tStatus status;
  runPart(&DeviceSetup::loadCalibration, status);
  ASSERT_EQ(status.getCode(), 0);
  const uint64_t set = golden::kCalibrationSets[static_cast<int>(CalibrationSet::kSelf)];
  auto readsIn = [&](uint64_t first, uint64_t end) {
    return std::count_if(watched->gets.begin(), watched->gets.end(),
                         [&](uint64_t a) { return a >= set + first && a < set + end; });
  };
  EXPECT_EQ(readsIn(cal::kSharedLoSenseADCGain, cal::kSharedLoSenseADCChargeBalanceOffsets + 256) > 0,
            sharedLoSense());
  EXPECT_GT(readsIn(cal::kRemoteADCChargeBalanceOffsets, cal::kLowShuntADCChargeBalanceOffsets + 1536), 0);
}

}  // namespace
}  // namespace sequencertest
