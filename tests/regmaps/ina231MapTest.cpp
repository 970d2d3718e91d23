// The chassis power monitor's register map over its relay accessor and the
// simulated relay registers: the commands each operation sends, its IDs and
// formats, the map-wide walks, the relay's time-outs, and the map published
// by name.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "device/frontEndAccessors/ChassisPowerMonitorFrontEndAccessor.h"
#include "framework/armki/ARMDispatcher.h"
#include "framework/frontEndAccessors/frontEndAccessorCodes.h"
#include "framework/kivregitools/registrationStatusCodes.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/nonisolated/tIna231RegMap.h"
#include "tests/framework/frontEndTestSupport.h"

namespace {

using frontendtest::BlockAccess;
using frontendtest::W;
using nKIVAPALS100::tStatus;
using simboard::NisoFpgaLinkBlock;
using simboard::PowerMonitorChip;
using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;
using vorlan_regmaps::tIna231RegMap;
namespace codes = voltarissharedsource::frontEndCodes;

constexpr int64_t kInvalidArgument = -52005;
constexpr int64_t kNotFound = -52006;
constexpr int64_t kNotSupported = -52002;
constexpr int64_t kBufferTooSmall = -52019;

constexpr uint64_t kCommand = NisoFpgaLinkBlock::kPowerMonitorCommandOffset;
constexpr uint32_t kWriteStrobe = NisoFpgaLinkBlock::kPowerMonitorWriteStrobe;
constexpr uint32_t kReadStrobe = NisoFpgaLinkBlock::kPowerMonitorReadStrobe;

uint32_t chipRegister(uint32_t n) { return n << 16; }

PowerMonitorChip::Access chipRead(uint32_t n, uint16_t value) { return {n, false, value}; }
PowerMonitorChip::Access chipWrite(uint32_t n, uint16_t value) { return {n, true, value}; }

class Ina231Map : public frontendtest::FrontEndBoard {
 protected:
  Ina231Map() : mutex(built), monitor(map->ChassisPowerMonConfigReg, map->ChassisPowerMonReadReg, mutex) {
    EXPECT_EQ(built.getCode(), 0);
    ina = std::make_unique<tIna231RegMap>(monitor, 0u, 0u, 0xFFFFFFFFu);
    chip().clearLog();
  }

  PowerMonitorChip& chip() { return block.powerMonitor(); }

  // The commands the relay received since the last call.
  std::vector<BlockAccess> commands() {
    std::vector<BlockAccess> out;
    for (const BlockAccess& a : take()) {
      if (a.write) out.push_back(a);
    }
    return out;
  }

  // What reached the chip since the last call.
  std::vector<PowerMonitorChip::Access> chipLog() {
    std::vector<PowerMonitorChip::Access> out = chip().log();
    chip().clearLog();
    return out;
  }

  tStatus built;
  tMutex mutex;
  vorlan_driver::tNisoChassisPowerMonitorFrontEndAccessor monitor;
  std::unique_ptr<tIna231RegMap> ina;
};

// ---- IDs and formats

struct RegisterIds {
  uint32_t offset;
  bool writable;
  uint32_t wholeId;
  std::vector<uint32_t> fieldIds;  // ascending lowest bit
  std::vector<arm::FieldType> types;
  std::vector<uint64_t> masks;
};

std::vector<RegisterIds> registerTable() {
  const std::vector<arm::FieldType> sixteen{arm::FieldType(2)};
  const std::vector<uint64_t> low16{0xFFFF};
  std::vector<arm::FieldType> flags(11, arm::FieldType(0));
  std::vector<uint64_t> flagMasks;
  for (uint32_t bit : {0, 1, 2, 3, 4, 10, 11, 12, 13, 14, 15}) flagMasks.push_back(1ull << bit);
  return {
      {0, true, 0x80000000, {0x0, 0x30000000, 0x18000000, 0x24000000, 0x3C000000},
       {arm::FieldType(1), arm::FieldType(1), arm::FieldType(1), arm::FieldType(1), arm::FieldType(0)},
       {0x7, 0x38, 0x1C0, 0xE00, 0x8000}},
      {1, false, 0xC0000001, {0x40000001}, sixteen, low16},
      {2, false, 0xC0000002, {0x40000002}, sixteen, low16},
      {3, false, 0xC0000003, {0x40000003}, sixteen, low16},
      {4, false, 0xC0000004, {0x40000004}, sixteen, low16},
      {5, true, 0x80000005, {0x5}, sixteen, low16},
      {6, true, 0x80000006,
       {0x6, 0x20000006, 0x10000006, 0x30000006, 0x08000006, 0x14000006, 0x34000006, 0x0C000006, 0x2C000006,
        0x1C000006, 0x3C000006},
       flags, flagMasks},
      {7, true, 0x80000007, {0x7}, sixteen, low16},
  };
}

TEST_F(Ina231Map, EveryRegisterAnswersToItsIdsWithItsFormat) {
  for (const RegisterIds& r : registerTable()) {
    SCOPED_TRACE(r.offset);
    std::vector<uint32_t> ids = r.fieldIds;
    ids.push_back(r.wholeId);
    for (uint32_t id : ids) {
      SCOPED_TRACE(id);
      uint32_t count = 16;
      arm::FieldType types[16] = {};
      uint64_t masks[16] = {};
      tStatus status;
      ina->getRegisterFormat(id, count, types, masks, status);
      EXPECT_EQ(status.getCode(), 0);
      EXPECT_EQ(std::vector<arm::FieldType>(types, types + count), r.types);
      EXPECT_EQ(std::vector<uint64_t>(masks, masks + count), r.masks);

      uint64_t value = 1;
      ina->get(id, value, status, 0);
      ina->set(id, 0, status, 0);
      ina->flush(id, false, status, 0);
      EXPECT_EQ(status.getCode(), r.writable ? 0 : kInvalidArgument) << "set and flush take writable registers only";
      tStatus refreshed;
      ina->refresh(id, refreshed, 0);
      EXPECT_EQ(refreshed.getCode(), 0);
    }
    // A capacity below the field count writes nothing.
    uint32_t count = static_cast<uint32_t>(r.masks.size()) - 1u;
    uint64_t masks[16] = {};
    arm::FieldType types[16] = {};
    tStatus small;
    ina->getRegisterFormat(r.wholeId, count, types, masks, small);
    EXPECT_EQ(small.getCode(), kBufferTooSmall);
    EXPECT_EQ(count, r.masks.size() - 1u);
    EXPECT_EQ(masks[0], 0u);
  }
}

TEST_F(Ina231Map, IdsOfNoRegisterOfTheMapAreRefusedWithoutAccess) {
  // The measurement registers are named only from the read side; the
  // writable ones never are; nothing lies beyond register 7.
  for (uint32_t id : {0x1u, 0x4u, 0x80000001u, 0x80000004u, 0xC0000000u, 0x40000005u, 0x8u, 0x80000008u,
                      0x40000008u}) {
    SCOPED_TRACE(id);
    uint64_t value = 77;
    tStatus got;
    ina->get(id, value, got, 0);
    EXPECT_EQ(got.getCode(), kInvalidArgument);
    EXPECT_EQ(value, 0u);
    value = 77;
    tStatus readStatus;
    ina->read(id, value, readStatus, 0);
    EXPECT_EQ(readStatus.getCode(), kInvalidArgument);
    EXPECT_EQ(value, 0u);
    tStatus setStatus, writeStatus, flushStatus, refreshStatus;
    ina->set(id, 1, setStatus, 0);
    ina->write(id, 1, true, writeStatus, 0);
    ina->flush(id, true, flushStatus, 0);
    ina->refresh(id, refreshStatus, 0);
    for (const tStatus* s : {&setStatus, &writeStatus, &flushStatus, &refreshStatus}) {
      EXPECT_EQ(s->getCode(), kInvalidArgument);
    }
    uint32_t count = 16;
    arm::FieldType types[16];
    uint64_t masks[16];
    tStatus format;
    ina->getRegisterFormat(id, count, types, masks, format);
    EXPECT_EQ(format.getCode(), kNotSupported);
    EXPECT_EQ(count, 0u);
  }
  // Read-only registers take nothing, whichever of their IDs is used.
  for (uint32_t id : {0x40000001u, 0xC0000004u}) {
    tStatus setStatus, writeStatus, flushStatus;
    ina->set(id, 1, setStatus, 0);
    ina->write(id, 1, true, writeStatus, 0);
    ina->flush(id, true, flushStatus, 0);
    EXPECT_EQ(setStatus.getCode(), kInvalidArgument);
    EXPECT_EQ(writeStatus.getCode(), kInvalidArgument);
    EXPECT_EQ(flushStatus.getCode(), kInvalidArgument);
  }
  EXPECT_TRUE(take().empty());
  EXPECT_TRUE(chipLog().empty());
}

// ---- reads and writes through the relay

TEST_F(Ina231Map, ReadStrobesTheChipRegisterAndKeepsItsSixteenBits) {
  chip().poke(2, 0xBEEF);
  tStatus status;
  uint64_t value = 0;
  ina->read(0x40000002, value, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(value, 0xBEEFu);
  EXPECT_EQ(commands(), (std::vector<BlockAccess>{W(kCommand, chipRegister(2) | kReadStrobe)}));
  EXPECT_EQ(chipLog(), (std::vector<PowerMonitorChip::Access>{chipRead(2, 0xBEEF)}));

  uint64_t whole = 0;
  ina->get(0xC0000002, whole, status, 0);
  EXPECT_EQ(whole, 0xBEEFu);
  EXPECT_EQ(ina->Ina231BusVoltageReg.getBusVoltage(), 0xBEEFu);

  // The typed accessors reach the same relay.
  chip().poke(4, 0x0123);
  EXPECT_EQ(ina->Ina231CurrentReg.readCurrent(status), 0x0123u);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(commands().size(), 1u);
}

TEST_F(Ina231Map, WholeRegisterValuesKeepThirtyTwoBitsWhileTheChipTakesSixteen) {
  tStatus status;
  ina->write(0x80000005, 0x12345678, false, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(commands(), (std::vector<BlockAccess>{W(kCommand, 0x5678u | chipRegister(5) | kWriteStrobe)}));
  EXPECT_EQ(chip().peek(5), 0x5678u);
  uint64_t value = 0;
  ina->get(0x80000005, value, status, 0);
  EXPECT_EQ(value, 0x12345678u);
  ina->get(0x5, value, status, 0);
  EXPECT_EQ(value, 0x5678u);

  // A 16-bit field replaces only the low half.
  ina->set(0x5, 0xFFFFABCD, status, 0);
  ina->get(0x80000005, value, status, 0);
  EXPECT_EQ(value, 0x1234ABCDu);
  EXPECT_TRUE(ina->Ina231CalibrationReg.isDirty());
  EXPECT_TRUE(take().empty()) << "set stays in the shadow";
}

TEST_F(Ina231Map, FieldWritesMergeIntoTheShadowAndSendTheWholeRegister) {
  struct Case {
    uint32_t id;
    uint64_t value;
    uint32_t shadowAfter;
  };
  // One after the other on the same shadows.
  const Case cases[] = {
      {0x3C000006, 2, 0x8000},          // any nonzero value sets a one-bit field
      {0x20000006, 1, 0x8002},
      {0x3C000006, 0, 0x0002},
      {0x30000000, 0xF, 0x38},          // three-bit fields take the value's low three bits
      {0x0, 0x5, 0x3D},
      {0x24000000, 0x9, 0x23D},
      {0x3C000000, 0x10, 0x823D},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    tStatus status;
    ina->write(c.id, c.value, false, status, 0);
    EXPECT_EQ(status.getCode(), 0);
    const uint32_t n = c.id & 0x7u;
    EXPECT_EQ(commands(), (std::vector<BlockAccess>{W(kCommand, c.shadowAfter | chipRegister(n) | kWriteStrobe)}));
    EXPECT_EQ(chip().peek(n), c.shadowAfter);
    uint64_t whole = 0;
    ina->get(0x80000000u | n, whole, status, 0);
    EXPECT_EQ(whole, c.shadowAfter);
  }
}

TEST_F(Ina231Map, WritesGoOutWhenChangedDirtyOrForcedAndTheResetBitStays) {
  tStatus status;
  ina->write(0x80000000, 0x8127, false, status, 0);
  EXPECT_EQ(chipLog(), (std::vector<PowerMonitorChip::Access>{chipWrite(0, 0x8127)}));
  EXPECT_TRUE(ina->Ina231ConfigReg.getReset()) << "nothing of this map is a strobe";

  ina->write(0x80000000, 0x8127, false, status, 0);
  ina->flush(0x80000000, false, status, 0);
  EXPECT_TRUE(chipLog().empty()) << "unchanged and clean: nothing to send";

  ina->flush(0x3C000000, true, status, 0);
  EXPECT_EQ(chipLog(), (std::vector<PowerMonitorChip::Access>{chipWrite(0, 0x8127)})) << "forced: sent again";
  ina->write(0x80000000, 0x8127, true, status, 0);
  ina->Ina231ConfigReg.markDirty();
  ina->flush(0x0, false, status, 0);
  EXPECT_EQ(chipLog(), (std::vector<PowerMonitorChip::Access>{chipWrite(0, 0x8127), chipWrite(0, 0x8127)}));
  EXPECT_EQ(status.getCode(), 0);

  // Refresh drops a value set but not sent.
  chip().poke(7, 0x0444);
  ina->set(0x7, 0x0999, status, 0);
  ina->refresh(0x80000007, status, 0);
  EXPECT_FALSE(ina->Ina231AlertLimitReg.isDirty());
  EXPECT_EQ(ina->Ina231AlertLimitReg.getAlertLimit(), 0x0444u);
}

// ---- map-wide walks

TEST_F(Ina231Map, WalksVisitEveryRegisterInOrderWithOneAccessEach) {
  for (uint32_t n = 0; n < 8; ++n) chip().poke(n, static_cast<uint16_t>(0x100 + n));
  tStatus status;
  ina->refreshRegMap(status);
  EXPECT_EQ(status.getCode(), 0);
  std::vector<PowerMonitorChip::Access> reads;
  for (uint32_t n = 0; n < 8; ++n) reads.push_back(chipRead(n, static_cast<uint16_t>(0x100 + n)));
  EXPECT_EQ(chipLog(), reads);
  EXPECT_EQ(commands().size(), 8u);

  ina->flushRegMap(false, status);
  EXPECT_TRUE(chipLog().empty()) << "a clean map sends nothing";

  ina->flushRegMap(true, status);
  EXPECT_EQ(status.getCode(), 0);
  const std::vector<PowerMonitorChip::Access> stores{chipWrite(0, 0x100), chipWrite(5, 0x105), chipWrite(6, 0x106),
                                                     chipWrite(7, 0x107)};
  EXPECT_EQ(chipLog(), stores);
  EXPECT_EQ(commands(), (std::vector<BlockAccess>{W(kCommand, 0x100u | chipRegister(0) | kWriteStrobe),
                                                  W(kCommand, 0x105u | chipRegister(5) | kWriteStrobe),
                                                  W(kCommand, 0x106u | chipRegister(6) | kWriteStrobe),
                                                  W(kCommand, 0x107u | chipRegister(7) | kWriteStrobe)}));

  // Every register is marked, the measurement registers are never stored.
  ina->markDirtyRegMap();
  EXPECT_TRUE(ina->Ina231ShuntVoltageReg.isDirty());
  ina->flushRegMap(false, status);
  EXPECT_EQ(chipLog(), stores);
  EXPECT_TRUE(ina->Ina231ShuntVoltageReg.isDirty());
  take();

  tStatus failed;
  vorlanSetCode(failed, -52010);
  ina->refreshRegMap(failed);
  ina->flushRegMap(true, failed);
  EXPECT_TRUE(take().empty()) << "an error on entry stops both walks";
}

// ---- the relay's time-outs

struct RelayFault {
  const char* name;
  void (*arrange)(NisoFpgaLinkBlock&);
  int64_t readCode;
  int64_t writeCode;
};

void PrintTo(const RelayFault& c, std::ostream* out) { *out << c.name; }

class Ina231MapRelayFaults : public Ina231Map, public ::testing::WithParamInterface<RelayFault> {};

TEST_P(Ina231MapRelayFaults, PassTheirCodeAndKeepTheShadow) {
  const RelayFault& c = GetParam();
  chip().poke(3, 0x0333);
  chip().poke(5, 0x0555);
  tStatus status;
  ina->refreshRegMap(status);
  ina->set(0x5, 0x0AAA, status, 0);
  ASSERT_EQ(status.getCode(), 0);
  c.arrange(block);
  chip().clearLog();
  take();

  uint64_t value = 0;
  tStatus readStatus;
  ina->read(0x40000003, value, readStatus, 0);
  EXPECT_EQ(readStatus.getCode(), c.readCode);
  EXPECT_EQ(value, 0x0333u) << "the shadow keeps the last value read";

  tStatus flushStatus;
  ina->flush(0x80000005, false, flushStatus, 0);
  EXPECT_EQ(flushStatus.getCode(), c.writeCode);
  EXPECT_EQ(ina->Ina231CalibrationReg.isDirty(), c.writeCode != 0) << "an unsent value stays pending";
  EXPECT_EQ(ina->Ina231CalibrationReg.getCalibration(), 0x0AAAu);

  // The walk goes on after a failure and hands the code on.
  tStatus walk;
  ina->refreshRegMap(walk);
  EXPECT_EQ(walk.getCode(), c.readCode);
  EXPECT_EQ(mutex.getDepth(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Ina231MapRelayFaults,
    ::testing::Values(RelayFault{"StuckBusy", [](NisoFpgaLinkBlock& b) { b.setPowerMonitorStuckBusy(true); },
                                 codes::kPowerMonitorBusy, codes::kPowerMonitorBusy},
                      RelayFault{"ReadNeverDone", [](NisoFpgaLinkBlock& b) { b.setPowerMonitorNeverReadDone(true); },
                                 codes::kPowerMonitorReadNotDone, 0}),
    [](const ::testing::TestParamInfo<RelayFault>& info) { return std::string(info.param.name); });

TEST_F(Ina231Map, ARefreshWalkThatFailsStillAsksForEveryRegister) {
  block.setPowerMonitorNeverReadDone(true);
  tStatus status;
  ina->refreshRegMap(status);
  EXPECT_EQ(status.getCode(), codes::kPowerMonitorReadNotDone);
  std::vector<BlockAccess> expected;
  for (uint32_t n = 0; n < 8; ++n) expected.push_back(W(kCommand, chipRegister(n) | kReadStrobe));
  EXPECT_EQ(commands(), expected);
}

TEST_F(Ina231Map, AWriteThatNeverCompletesIsReportedAndStaysPending) {
  block.setPowerMonitorBusyReads(NisoFpgaLinkBlock::kForever);
  tStatus status;
  ina->write(0x80000007, 0x0777, false, status, 0);
  EXPECT_EQ(status.getCode(), codes::kPowerMonitorBusy);
  EXPECT_EQ(chipLog(), (std::vector<PowerMonitorChip::Access>{chipWrite(7, 0x0777)}));
  EXPECT_TRUE(ina->Ina231AlertLimitReg.isDirty()) << "the chip was never seen to take it";
}

// ---- window

TEST_F(Ina231Map, RegistersOutsideTheWindowAreNeverAccessed) {
  tIna231RegMap narrow(monitor, 0u, 0u, 5u);
  tStatus status;
  narrow.write(0x80000005, 0x55, false, status, 0);
  EXPECT_EQ(status.getCode(), kNotFound);
  EXPECT_TRUE(narrow.Ina231CalibrationReg.isDirty());
  EXPECT_EQ(narrow.Ina231CalibrationReg.getRegister(), 0x55u);
  tStatus walk;
  narrow.flushRegMap(true, walk);
  EXPECT_EQ(walk.getCode(), kNotFound);
  EXPECT_EQ(chipLog(), (std::vector<PowerMonitorChip::Access>{chipWrite(0, 0)}))
      << "of the writable registers only the configuration lies inside";

  narrow.reinitialize();
  EXPECT_FALSE(narrow.Ina231CalibrationReg.isDirty());
  EXPECT_EQ(narrow.Ina231CalibrationReg.getRegister(), 0u);
}

// ---- published by name

class Ina231MapByName : public Ina231Map {
 protected:
  void SetUp() override {
    vorlan_driver::nKIVAPAL000::initializeRunTime();
    dispatcher = std::make_unique<armki::ARMDispatcher>();
    tStatus status;
    dispatcher->add(tIna231RegMap::kName, *ina, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  void TearDown() override {
    dispatcher.reset();
    vorlan_driver::nKIVAPAL000::finalizeRunTime();
  }

  armki::tRegisterMapInterface* lookUp(const std::string& name, tStatus& status, tMutex** lock) {
    armki::tRegisterMapInterface* object = nullptr;
    dispatcher->getRegistration(name.c_str(), &object, status, lock);
    return object;
  }

  std::unique_ptr<armki::ARMDispatcher> dispatcher;
};

TEST_F(Ina231MapByName, IsFoundWithItsVersionAndReachesTheChip) {
  EXPECT_STREQ(ina->getVersion(), "2.1.0d19");
  EXPECT_STREQ(ina->getOldestCompatibleVersion(), "2.1.0d19");
  struct Case {
    const char* name;
    int64_t code;
    bool found;
  };
  const Case cases[] = {
      {"Ina231RegMap_Ver2.1.0d19", 0, true},
      {"Ina231RegMap", kivregitools::codes::kVersionRequired, false},
      {"Ina231RegMap_Ver2.1.0d18", kivregitools::codes::kIncompatibleVersion, false},
      {"Ina231RegMap_Ver2.1.0d20", kivregitools::codes::kNewerVersionWarning, true},
      {"Ina231Map_Ver2.1.0d19", kivregitools::codes::kRegistrationNotFound, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tStatus status;
    tMutex* lock = nullptr;
    EXPECT_EQ(lookUp(c.name, status, &lock), c.found ? ina.get() : nullptr);
    EXPECT_EQ(status.getCode(), c.code);
  }

  // As a register request does it: the registration's lock around one call.
  tStatus status;
  tMutex* lock = nullptr;
  armki::tRegisterMapInterface* found = lookUp("Ina231RegMap_Ver2.1.0d19", status, &lock);
  ASSERT_NE(found, nullptr);
  ASSERT_NE(lock, nullptr);
  {
    tAutoLock<tMutex> held(*lock);
    found->write(0x80000005, 0x2000, false, status, 0);
  }
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(chipLog(), (std::vector<PowerMonitorChip::Access>{chipWrite(5, 0x2000)}));
}

}  // namespace
