// Shadows, dirty flags, force, keep-masks, field values, refusals and the
// entry rule, seen through the accesses the board receives.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status/tStatus.h"
#include "regmaps/bridge/tSwitchedTarnBimRegMapWithOffset.h"
#include "regmaps/bridge/tTarnConfigPortSPIWithOffset.h"
#include "regmaps/bridge/tTarnConfigPortWindowWithOffset.h"
#include "regmaps/bridge/tTarnWithOffset.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::BoardTest;
using simboard::R;
using simboard::W;

constexpr int64_t kInvalidArgument = -52005;

enum class Op { kGet, kSet, kRead, kWrite, kFlush, kRefresh };

struct Step {
  const char* what;
  Op op;
  uint32_t id;
  uint64_t value;
  bool force;
  int64_t code;
  std::vector<Access> accesses;
  uint64_t result;  // value handed back by get/read; else the whole register's shadow
};

class MapSteps : public BoardTest {
 protected:
  void run(arm::tRegisterMap& map, uint32_t wholeId, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      take();
      tStatus status;
      uint64_t value = 0x5A5A;
      switch (step.op) {
        case Op::kGet: map.get(step.id, value, status, 0); break;
        case Op::kSet: map.set(step.id, step.value, status, 0); break;
        case Op::kRead: map.read(step.id, value, status, 0); break;
        case Op::kWrite: map.write(step.id, step.value, step.force, status, 0); break;
        case Op::kFlush: map.flush(step.id, step.force, status, 0); break;
        case Op::kRefresh: map.refresh(step.id, status, 0); break;
      }
      EXPECT_EQ(status.getCode(), step.code);
      EXPECT_EQ(take(), step.accesses);
      if (step.op == Op::kGet || step.op == Op::kRead) {
        EXPECT_EQ(value, step.result);
      } else {
        tStatus quiet;
        map.get(wholeId, value, quiet, 0);
        EXPECT_EQ(value, step.result);
      }
    }
  }
};

TEST_F(MapSteps, WriteFlushRefreshFollowTheDirtyAndForceRules) {
  auto bar = space(0, 0xE4);
  tarntools::tTarnConfigPortWindowWithOffset<0u> map(bar);
  board.bridgeCore().poke(0xC0, 32, 0x1234);
  run(map, 0x800000C0,
      {
          {"unforced write of the reset value on a fresh map", Op::kWrite, 0x800000C0, 0, false, 0, {}, 0},
          {"forced, the same value is written once", Op::kWrite, 0x800000C0, 0, true, 0, {W(0xC0, 32, 0)}, 0},
          {"set changes the shadow alone", Op::kSet, 0x040000C0, 0x12, false, 0, {}, 0x1200},
          {"unforced write of the same value still writes: dirty", Op::kWrite, 0x040000C0, 0x12, false, 0,
           {W(0xC0, 32, 0x1200)}, 0x1200},
          {"and once written it is clean", Op::kWrite, 0x040000C0, 0x12, false, 0, {}, 0x1200},
          {"unforced flush of a clean register", Op::kFlush, 0x800000C0, 0, false, 0, {}, 0x1200},
          {"forced flush by a field ID writes the whole register", Op::kFlush, 0x380000C0, 0, true, 0,
           {W(0xC0, 32, 0x1200)}, 0x1200},
          {"set of bit 7", Op::kSet, 0x380000C0, 1, false, 0, {}, 0x1280},
          {"refresh loses the pending set", Op::kRefresh, 0x000000C0, 0, false, 0, {R(0xC0, 32, 0x1200)}, 0x1200},
          {"no longer dirty", Op::kFlush, 0x800000C0, 0, false, 0, {}, 0x1200},
          {"a whole-register ID with bits 24-29 set", Op::kWrite, 0xBF0000C0, 0x77, false, 0,
           {W(0xC0, 32, 0x77)}, 0x77},
          {"read takes the hardware's value into the shadow", Op::kRead, 0x000000C0, 0, false, 0,
           {R(0xC0, 32, 0x77)}, 0x17},
          {"bit 24 without bit 31 names nothing", Op::kGet, 0x010000C0, 0, false, kInvalidArgument, {}, 0},
      });
}

TEST_F(MapSteps, KeepMasksDropStrobesAfterEveryWrite) {
  auto bim = space(0, 0x704);
  tarntools::tSwitchedTarnBimRegMapWithOffset<0u> map(bim);
  run(map, 0x80000688,
      {
          {"port field in the shadow", Op::kSet, 0x04000688, 3, false, 0, {}, 0x300},
          {"write strobe: written with the shadow, then gone", Op::kWrite, 0x00000688, 1, false, 0,
           {W(0x688, 32, 0x301)}, 0x300},
          {"the same strobe again is a change again", Op::kWrite, 0x00000688, 1, false, 0, {W(0x688, 32, 0x301)},
           0x300},
          {"all ones", Op::kWrite, 0x80000688, 0xFFFFFFFF, false, 0, {W(0x688, 32, 0xFFFFFFFF)}, 0xFFFFFFFC},
      });

  auto core = space(0, 0x518);
  tarntools::tTarnWithOffset<0u> coreMap(core);
  run(coreMap, 0x80000460,
      {
          {"the data register is written with one byte store", Op::kWrite, 0x80000460, 0x1FF, false, 0,
           {W(0x460, 8, 0xFF)}, 0},
          {"and consumed, so the same value goes again", Op::kWrite, 0x00000460, 0x1FF, false, 0,
           {W(0x460, 8, 0xFF)}, 0},
          {"an unforced write of 0 has nothing to do", Op::kWrite, 0x80000460, 0, false, 0, {}, 0},
      });
}

TEST_F(MapSteps, BooleanAndNumericFieldsTakeValuesDifferently) {
  auto spiBar = space(0x580, 0x10);
  tarntools::tTarnConfigPortSPIWithOffset<0u> spi(spiBar);
  run(spi, 0x80000004,
      {
          {"numeric bit 6 with 2 stays 0: no change, no access", Op::kWrite, 0x18000004, 2, false, 0, {}, 0},
          {"numeric bit 6 with 3", Op::kWrite, 0x18000004, 3, false, 0, {W(0x584, 32, 0x40)}, 0x40},
          {"boolean bit 5 with 2", Op::kWrite, 0x28000004, 2, false, 0, {W(0x584, 32, 0x60)}, 0x60},
          {"boolean bit 31 with a value beyond 32 bits", Op::kSet, 0x3E000004, 0x100000000ull, false, 0, {},
           0x80000060},
          {"seven-bit field keeps seven bits", Op::kSet, 0x06000004, 0xFF, false, 0, {}, 0xFF000060},
      });
  run(spi, 0x80000000,
      {
          {"six-bit field keeps six bits", Op::kSet, 0x06000000, 0xFF, false, 0, {}, 0x3F000000},
          {"get of 0x0 is bits 0-7 only", Op::kSet, 0x80000000, 0x3F0000AB, false, 0, {}, 0x3F0000AB},
          {"get of the field", Op::kGet, 0x00000000, 0, false, 0, {}, 0xAB},
      });

  auto windowBar = space(0, 0xE4);
  tarntools::tTarnConfigPortWindowWithOffset<0u> window(windowBar);
  run(window, 0x800000C0, {{"five-bit field with 0x3F", Op::kSet, 0xC0, 0x3F, false, 0, {}, 0x1F}});
}

struct Refusal {
  const char* what;
  Op op;
  uint32_t id;
};

TEST_F(MapSteps, OperationsTheAccessKindRefuses) {
  const Refusal core[] = {
      {"set of the signature", Op::kSet, 0xC0000000},
      {"signature named without bit 30", Op::kSet, 0x80000000},
      {"signature named without bit 30", Op::kGet, 0x0},
      {"read of a write-only register", Op::kRead, 0x80000440},
      {"read of the data register", Op::kRead, 0x80000460},
      {"refresh of a write-only register", Op::kRefresh, 0x30000440},
      {"flush of a read-only register", Op::kFlush, 0x40000448},
      {"write of a read-only field", Op::kWrite, 0x6800000C},
      {"no register at the offset", Op::kRefresh, 0x80000010},
  };
  const Refusal bim[] = {
      {"set of a read-only register", Op::kSet, 0xC0000600},
      {"read of a write-only register", Op::kRead, 0x80000680},
      {"no field at bit 0", Op::kGet, 0x00000604},
      {"no field at bit 0", Op::kWrite, 0x00000680},
      {"flush of a read-only register", Op::kFlush, 0x40000694},
  };
  auto coreBar = space(0, 0x518);
  auto bimBar = space(0, 0x704);
  tarntools::tTarnWithOffset<0u> coreMap(coreBar);
  tarntools::tSwitchedTarnBimRegMapWithOffset<0u> bimMap(bimBar);
  auto check = [&](arm::tRegisterMap& map, const Refusal& r) {
    SCOPED_TRACE(testing::Message() << r.what << " 0x" << std::hex << r.id);
    tStatus status;
    uint64_t value = 0x5A5A;
    switch (r.op) {
      case Op::kGet: map.get(r.id, value, status, 0); break;
      case Op::kSet: map.set(r.id, 7, status, 0); break;
      case Op::kRead: map.read(r.id, value, status, 0); break;
      case Op::kWrite: map.write(r.id, 7, true, status, 0); break;
      case Op::kFlush: map.flush(r.id, true, status, 0); break;
      case Op::kRefresh: map.refresh(r.id, status, 0); break;
    }
    EXPECT_EQ(status.getCode(), kInvalidArgument);
    if (r.op == Op::kGet || r.op == Op::kRead) {
      EXPECT_EQ(value, 0u);
    }
  };
  for (const Refusal& r : core) check(coreMap, r);
  for (const Refusal& r : bim) check(bimMap, r);
  EXPECT_TRUE(log().empty());
}

TEST_F(MapSteps, AnErrorAlreadyInTheStatusStopsEverything) {
  auto bar = space(0, 0x518);
  tarntools::tTarnWithOffset<0u> map(bar);
  tStatus clean;
  map.write(0x80000058, 0x3, false, clean, 0);
  map.set(0x80000058, 0x10003, clean, 0);
  take();

  tStatus failed;
  failed.setCode(-1, "test", "here", 1);
  uint64_t value = 0x5A5A;
  uint32_t count = 9;
  arm::FieldType types[2] = {static_cast<arm::FieldType>(7), static_cast<arm::FieldType>(7)};
  uint64_t masks[2] = {11, 11};
  map.get(0x80000058, value, failed, 0);
  map.read(0xC0000000, value, failed, 0);
  map.set(0x80000058, 0, failed, 0);
  map.write(0x80000058, 0, true, failed, 0);
  map.flush(0x80000058, true, failed, 0);
  map.refresh(0x80000058, failed, 0);
  map.getRegisterFormat(0x58, count, types, masks, failed);
  map.flushRegMap(true, failed);
  map.refreshRegMap(failed);
  EXPECT_EQ(value, 0x5A5Au);
  EXPECT_EQ(count, 9u);
  EXPECT_EQ(types[0], static_cast<arm::FieldType>(7));
  EXPECT_EQ(masks[0], 11u);
  // The register classes' readers hand back the shadow without an access.
  EXPECT_EQ(map.FPGALoadStatusRegister.readRegister(failed), 0u);
  EXPECT_EQ(map.Register058.readRegister(failed), 0x10003u);
  EXPECT_TRUE(log().empty());
  EXPECT_EQ(failed.getCode(), -1);

  // The pending set survived untouched.
  map.get(0x80000058, value, clean, 0);
  EXPECT_EQ(value, 0x10003u);
  EXPECT_TRUE(map.Register058.isDirty());
}

TEST_F(MapSteps, RegisterClassesDriveTheSameShadows) {
  auto bar = space(0, 0x518);
  tarntools::tTarnWithOffset<0u> map(bar);
  tStatus status;
  // The DMA set-up's sequence: read 0xA4, set bits 31 and 14, write once.
  board.bridgeCore().poke(0xA4, 32, 0x5);
  map.HBRCR.refresh(status);
  map.HBRCR.setBit31(true).setDma64Bit(map.CapabilityReg.readAddresses64Bit(status));
  map.HBRCR.flush(status);
  map.HBRCR.flush(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<Access>{R(0xA4, 32, 0x5), R(0xC, 32, 0x120), W(0xA4, 32, 0x80004005)}));

  // Field writers write only on a change or when dirty.
  map.InterruptMask.writeBit31(true, status).writeBit9(true, status).writeBit9(true, status);
  EXPECT_EQ(take(), (std::vector<Access>{W(0x5C, 32, 0x80000000), W(0x5C, 32, 0x80000200)}));
}

}  // namespace
