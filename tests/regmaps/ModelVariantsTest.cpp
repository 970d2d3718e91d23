// What the bridge maps do not show: the windowed variant, unshadowed
// registers, narrow registers and maps over a 32-bit register accessor.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status/tStatus.h"
#include "tests/regmaps/tFakeAccessor32.h"
#include "tests/regmaps/tWindowedTestMap.h"
#include "tests/regmaps/tWord32TestMap.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using regmaptest::tFakeAccessor32;
using regmaptest::tWindowedTestMap;
using regmaptest::tWord32TestMap;
using simboard::Access;
using simboard::BoardTest;
using simboard::R;
using simboard::W;

constexpr int64_t kInvalidArgument = -52005;
constexpr int64_t kNotFound = -52006;
constexpr uint32_t kBase = 0x1000;

std::vector<Access> withoutValues(std::vector<Access> accesses) {
  for (Access& access : accesses) access.value = 0;
  return accesses;
}

class Windowed : public BoardTest {};

TEST_F(Windowed, OnlyRegistersInsideTheWindowAreAccessible) {
  struct Case {
    uint32_t start;
    uint32_t size;
    std::vector<uint32_t> accessibleOffsets;
  };
  const Case cases[] = {
      {8, 4, {0x8, 0xA}},
      {0, 0, {}},
      {0, 0xFFFFFFFF, {0x4, 0x8, 0xA, 0xC, 0x10, 0x14, 0x18}},
      {0x10, 0x100, {0x10, 0x14, 0x18}},
      {0xFFFFFFF0, 0xFFFFFFFF, {}},  // offsets below the start are outside
  };
  auto bar = space(0, simboard::SimBoard::kBar0Size);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "window " << c.start << "+" << c.size);
    tWindowedTestMap map(bar, kBase, c.start, c.size);
    const arm::tMapDescriptor& descriptor = map.getDescriptor();
    for (uint32_t i = 0; i < descriptor.registerCount; ++i) {
      const uint32_t offset = descriptor.registers[i].offset;
      bool expected = false;
      for (uint32_t o : c.accessibleOffsets) expected = expected || o == offset;
      EXPECT_EQ(map.isAccessible(i), expected) << "offset " << offset;
      EXPECT_EQ(map.getAddress(i), kBase - c.start + offset) << "offset " << offset;
    }
  }
}

TEST_F(Windowed, AccessesOutsideTheWindowFailButKeepTheShadow) {
  auto bar = space(0, simboard::SimBoard::kBar0Size);
  tWindowedTestMap map(bar, kBase, 8, 4);
  tStatus status;
  map.write(0x80000004, 0x1234, false, status, 0);
  EXPECT_EQ(status.getCode(), kNotFound);
  EXPECT_TRUE(map.Control.isDirty()) << "the value is still pending";
  uint64_t value = 0;
  tStatus quiet;
  map.get(0x80000004, value, quiet, 0);
  EXPECT_EQ(value, 0x1234u);

  tStatus readStatus;
  EXPECT_EQ(map.Control.readRegister(readStatus), 0x1234u) << "readers give the old shadow";
  EXPECT_EQ(readStatus.getCode(), kNotFound);
  tStatus liveStatus;
  EXPECT_EQ(map.Live.readCount(liveStatus), 0xFFu) << "unshadowed readers give all ones";
  EXPECT_EQ(liveStatus.getCode(), kNotFound);
  tStatus flushStatus;
  map.flush(0x80000010, true, flushStatus, 0);
  EXPECT_EQ(flushStatus.getCode(), 0) << "flush of an unshadowed register never accesses anything";

  // Inside the window the register sits at base - start + offset.
  tStatus inside;
  map.Data.writeValue(0xCAFE, inside);
  EXPECT_EQ(inside.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<Access>{W(kBase, 32, 0xCAFE)}));
}

TEST_F(Windowed, MapWideWalksGoOnPastFailuresAndReinitializeResets) {
  auto bar = space(0, simboard::SimBoard::kBar0Size);
  tWindowedTestMap map(bar, kBase, 8, 0x100);
  EXPECT_EQ(map.Control.getRegister(), 0x100u) << "reset value";
  tStatus status;
  map.flushRegMap(true, status);
  EXPECT_EQ(status.getCode(), kNotFound) << "0x4 lies below the window";
  EXPECT_EQ(take(), (std::vector<Access>{W(kBase, 32, 0), W(kBase + 0x10, 8, 0)}))
      << "the walk went on past the failure; unshadowed registers are not part of it";

  tStatus refresh;
  map.refreshRegMap(refresh);
  EXPECT_EQ(refresh.getCode(), kNotFound);
  EXPECT_EQ(take(), (std::vector<Access>{R(kBase, 32, 0), R(kBase + 2, 16, 0)}));

  map.Data.setValue(5);
  map.Byte.setValue(6);
  map.reinitialize();
  EXPECT_EQ(map.Data.getRegister(), 0u);
  EXPECT_FALSE(map.Data.isDirty());
  EXPECT_FALSE(map.Control.isDirty());
  EXPECT_EQ(map.Control.getRegister(), 0x100u);
  EXPECT_TRUE(take().empty());
}

TEST_F(Windowed, UnshadowedRegistersGoStraightToTheHardware) {
  auto bar = space(0, simboard::SimBoard::kBar0Size);
  tWindowedTestMap map(bar, kBase, 0, 0xFFFFFFFF);
  struct Refused {
    const char* what;
    uint32_t id;
    bool viaGet;
  };
  for (const Refused& r : {Refused{"get", 0x8000000C, true}, Refused{"set", 0x0400000C, false}}) {
    SCOPED_TRACE(r.what);
    tStatus status;
    uint64_t value = 9;
    if (r.viaGet) {
      map.get(r.id, value, status, 0);
    } else {
      map.set(r.id, 1, status, 0);
    }
    EXPECT_EQ(status.getCode(), kInvalidArgument);
  }
  tStatus status;
  map.write(0x0400000C, 0x1AB, false, status, 0);  // a field: the rest of the word is 0
  map.write(0x0400000C, 0x1AB, false, status, 0);  // never skipped as unchanged
  map.write(0x00000010 | arm::tRegisterMap::lowBitCode(2), 1, false, status, 0);
  map.Command.writeStart(true, status);
  uint64_t value = 0;
  map.read(0x0400000C, value, status, 0);
  map.flush(0x8000000C, false, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<Access>{W(kBase + 0xC, 32, 0xAB00), W(kBase + 0xC, 32, 0xAB00),
                                         W(kBase + 0x10, 32, 0x4), W(kBase + 0x10, 32, 0x2),
                                         R(kBase + 0xC, 32, 0xAB00)}));
  EXPECT_EQ(value, 0xABu);

  const uint32_t refusedIds[] = {0xC0000014 /* refresh */, 0x80000010 /* refresh of write-only */};
  for (uint32_t id : refusedIds) {
    tStatus refused;
    map.refresh(id, refused, 0);
    EXPECT_EQ(refused.getCode(), kInvalidArgument) << std::hex << id;
  }
  tStatus flushReadOnly;
  map.flush(0xC0000014, true, flushReadOnly, 0);
  EXPECT_EQ(flushReadOnly.getCode(), kInvalidArgument);

  tStatus failed;
  failed.setCode(-1, "t", "f", 1);
  EXPECT_EQ(map.Counter.readRegister(failed), 0xFFFFFFFFu) << "all ones without an access";
  EXPECT_TRUE(take().empty());
}

class Word32 : public ::testing::Test {
 protected:
  tFakeAccessor32 accessor;
  tWord32TestMap map{accessor};
};

TEST_F(Word32, EachRegisterAccessIsOneCallOfTheAccessor) {
  tStatus status;
  accessor.registers[0x20] = 77;
  map.write(0x10, 0x1234, false, status, 0);
  uint64_t value = 0;
  map.read(0xC0000020, value, status, 0);
  map.flushRegMap(true, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(value, 77u);
  EXPECT_EQ(accessor.calls, (std::vector<std::string>{"w16=4660", "r32", "w16=4660", "w48=0"}));
}

TEST_F(Word32, AFailedWriteLeavesTheRegisterPendingAndTheWalkGoesOn) {
  accessor.failAddress = 0x10;
  tStatus status;
  map.First.writeHigh(1, status);
  EXPECT_EQ(status.getCode(), tFakeAccessor32::kFailure);
  EXPECT_TRUE(map.First.isDirty()) << "the hardware never took the value";
  EXPECT_EQ(map.First.getRegister(), 0x10000u);

  accessor.calls.clear();
  tStatus walk;
  map.Third.setValue(3);
  map.flushRegMap(false, walk);
  EXPECT_EQ(walk.getCode(), tFakeAccessor32::kFailure);
  EXPECT_EQ(accessor.calls, (std::vector<std::string>{"w16=65536", "w48=3"}));

  accessor.failAddress = 0xFFFFFFFF;
  tStatus retry;
  map.flushRegMap(false, retry);
  EXPECT_EQ(retry.getCode(), 0);
  EXPECT_EQ(accessor.registers[0x10], 0x10000u);
  EXPECT_FALSE(map.First.isDirty());
}

}  // namespace

namespace {

TEST_F(Windowed, ChildMapsFollowTheirParentInEveryMapWideOperation) {
  auto bar = space(0, simboard::SimBoard::kBar0Size);
  tWindowedTestMap parent(bar, kBase, 8, 0x100);  // 0x4 lies outside
  tWindowedTestMap child(bar, 0x2000, 0, 0x100);
  arm::tRegisterMap* children[] = {&child};
  parent.setChildMaps(children, 1);

  tStatus status;
  parent.flushRegMap(true, status);
  EXPECT_EQ(status.getCode(), kNotFound) << "the parent's failure survives";
  EXPECT_EQ(take(), (std::vector<Access>{W(kBase, 32, 0), W(kBase + 0x10, 8, 0), W(0x2004, 32, 0x100),
                                         W(0x2008, 32, 0), W(0x2018, 8, 0)}));

  parent.markDirtyRegMap();
  EXPECT_TRUE(child.Data.isDirty());
  tStatus refresh;
  parent.refreshRegMap(refresh);
  EXPECT_EQ(withoutValues(take()),
            (std::vector<Access>{R(kBase, 32, 0), R(kBase + 2, 16, 0), R(0x2004, 32, 0), R(0x2008, 32, 0),
                                 R(0x200A, 16, 0)}));

  child.Data.setValue(9);
  parent.reinitialize();
  EXPECT_EQ(child.Data.getRegister(), 0u);
  EXPECT_FALSE(child.Data.isDirty());
  EXPECT_TRUE(take().empty());
}

}  // namespace
