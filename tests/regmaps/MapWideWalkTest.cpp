// The order and widths in which map-wide flushes and refreshes reach the
// hardware: part of each map's definition.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
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
using simboard::Direction;

struct Slot {
  uint64_t offset;  // in BAR 0
  uint32_t width;
};

struct WalkCase {
  const char* map;
  uint64_t spaceOffset;
  uint64_t spaceSize;
  std::function<std::unique_ptr<arm::tRegisterMap>(BoardTest::tMemorySpace&)> build;
  std::vector<Slot> flushed;    // every writable shadowed register, declaration order
  std::vector<Slot> refreshed;  // every readable shadowed register, declaration order
};

template <class Map>
std::unique_ptr<arm::tRegisterMap> make(BoardTest::tMemorySpace& space) {
  return std::make_unique<Map>(space);
}

const std::vector<WalkCase>& walkCases() {
  static const std::vector<WalkCase> cases = {
      {"Tarn", 0, 0x518, make<tarntools::tTarnWithOffset<0u>>,
       {{0x58, 32}, {0x5C, 32}, {0xA4, 32}, {0x440, 32}, {0x444, 32}, {0x450, 32}, {0x458, 32}, {0x460, 8},
        {0x460, 64}, {0x510, 32}, {0x514, 32}},
       {{0x0, 32}, {0xC, 32}, {0x1C, 32}, {0x58, 32}, {0x5C, 32}, {0xA4, 32}, {0x444, 32}, {0x448, 32},
        {0x450, 32}, {0x458, 32}, {0x510, 32}, {0x514, 32}}},
      {"SwitchedTarnBimRegMap", 0, 0x704, make<tarntools::tSwitchedTarnBimRegMapWithOffset<0u>>,
       {{0x644, 32}, {0x680, 32}, {0x688, 32}, {0x68C, 32}, {0x698, 32}, {0x6A4, 32}, {0x604, 32}},
       {{0x644, 32}, {0x688, 32}, {0x68C, 32}, {0x694, 32}, {0x698, 32}, {0x6A4, 32}, {0x600, 32}, {0x604, 32},
        {0x700, 32}}},
      {"TarnConfigPortSPI", 0x580, 0x10, make<tarntools::tTarnConfigPortSPIWithOffset<0u>>,
       {{0x580, 32}, {0x584, 32}, {0x588, 32}, {0x58C, 32}},
       {{0x580, 32}, {0x584, 32}, {0x588, 32}, {0x58C, 32}}},
      {"TarnConfigPortWindow", 0, 0xE4, make<tarntools::tTarnConfigPortWindowWithOffset<0u>>,
       {{0xC0, 32}, {0xE0, 32}},
       {{0xC0, 32}, {0xE0, 32}}},
  };
  return cases;
}

std::vector<Access> expected(const std::vector<Slot>& slots, Direction direction) {
  std::vector<Access> accesses;
  for (const Slot& slot : slots) accesses.push_back(Access{slot.offset, slot.width, direction, 0});
  return accesses;
}

// Values differ from board to board; the walk's shape is what is fixed.
std::vector<Access> withoutValues(std::vector<Access> accesses) {
  for (Access& access : accesses) access.value = 0;
  return accesses;
}

class MapWideWalks : public BoardTest {};

TEST_F(MapWideWalks, FlushWritesEachWritableShadowedRegisterOnceInDeclarationOrder) {
  for (const WalkCase& c : walkCases()) {
    SCOPED_TRACE(c.map);
    auto bar = space(c.spaceOffset, c.spaceSize);
    std::unique_ptr<arm::tRegisterMap> map = c.build(bar);
    take();
    tStatus status;
    map->flushRegMap(false, status);
    EXPECT_TRUE(take().empty()) << "a fresh map has nothing dirty";

    map->flushRegMap(true, status);
    EXPECT_EQ(take(), expected(c.flushed, Direction::kWrite)) << "forced: the reset values, all of them";

    map->flushRegMap(false, status);
    EXPECT_TRUE(take().empty()) << "a forced flush leaves nothing dirty";

    map->markDirtyRegMap();
    EXPECT_TRUE(take().empty());
    map->flushRegMap(false, status);
    EXPECT_EQ(take(), expected(c.flushed, Direction::kWrite)) << "after markDirtyRegMap";
    EXPECT_EQ(status.getCode(), 0);
  }
}

TEST_F(MapWideWalks, RefreshReadsEachReadableShadowedRegisterInDeclarationOrder) {
  for (const WalkCase& c : walkCases()) {
    SCOPED_TRACE(c.map);
    auto bar = space(c.spaceOffset, c.spaceSize);
    std::unique_ptr<arm::tRegisterMap> map = c.build(bar);
    take();
    tStatus status;
    map->refreshRegMap(status);
    EXPECT_EQ(withoutValues(take()), expected(c.refreshed, Direction::kRead));
    EXPECT_EQ(status.getCode(), 0);
  }
}

TEST_F(MapWideWalks, FlushCarriesPendingValuesAndTheDataRegisterTwice) {
  auto bar = space(0, 0x518);
  tarntools::tTarnWithOffset<0u> map(bar);
  tStatus status;
  map.set(0x80000458, 0x1000, status, 0);
  map.FPGALoadData64Register.setRegister(0x0807060504030201ull);
  map.set(0x04000510, 5, status, 0);
  map.flushRegMap(false, status);
  EXPECT_EQ(take(), (std::vector<Access>{simboard::W(0x458, 32, 0x1000),
                                         simboard::W(0x460, 64, 0x0807060504030201ull),
                                         simboard::W(0x510, 32, 0x500)}));
  // Both views of the data register keep nothing.
  EXPECT_EQ(map.FPGALoadData64Register.getRegister(), 0u);

  map.flushRegMap(true, status);
  const std::vector<Access> forced = take();
  ASSERT_EQ(forced.size(), 11u);
  EXPECT_EQ(forced[8], simboard::W(0x460, 64, 0));
  EXPECT_EQ(forced[6], simboard::W(0x458, 32, 0x1000));
}

}  // namespace
