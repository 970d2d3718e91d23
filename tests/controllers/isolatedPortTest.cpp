// The isolated-port kit and its controller over the switch block: the
// signature check, version, slot routes in store order, the route lock,
// slots and codes out of range, and the kit's connection handshake.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "controllers/WispController.h"
#include "controllers/routing/RegMapRouteProgrammer.h"
#include "controllers/wispddk/WispIsoPort.h"
#include "kal/include/kalStandIn.h"
#include "tests/controllers/controllerBoard.h"

namespace controllertest {
namespace {

using Route = IsolatedPortSwitchBlock::Route;
using Stores = std::vector<std::pair<uint64_t, uint32_t>>;
using vorlan_driver::WispController;
using wispddk::WispConnectionDescriptor;
using wispddk::WispIsoPort;

// Register `reg` of slot `slot`'s block on port `port`, from the switch's start.
uint64_t at(uint32_t port, uint32_t slot, uint64_t reg) { return IsolatedPortSwitchBlock::slotBlock(port, slot) + reg; }

constexpr uint64_t kEnable = 0x00, kCommand = 0x0C, kData = 0x10, kMode = 0x18, kHandshake = 0x2C, kLines = 0x3C;

Stores resetBoth(uint32_t slot) {
  return {{at(1, slot, kCommand), 0x4101}, {at(1, slot, kData), 0x10000000},
          {at(2, slot, kCommand), 0x4101}, {at(2, slot, kData), 0x10000000}};
}
// Both enables (the from port's first), then the connect on the to port.
Stores connectTo(uint32_t port, uint32_t slot) {
  return {{at(3 - port, slot, kEnable), 1}, {at(port, slot, kEnable), 1}, {at(port, slot, kCommand), 0x4204},
          {at(port, slot, kData), 0x10700000}};
}
Stores join(Stores a, const Stores& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(ControllerBoard, SignatureDecidesWhetherTheKitHasAWindow) {
  tStatus status;
  WispController controller(bar0(), status);
  EXPECT_EQ(status.getCode(), 0);
  board.log().clear();
  EXPECT_EQ(controller.getVersion(status), 0x31C000u);
  EXPECT_EQ(board.accessLog(),
            (std::vector<simboard::Access>{{IsolatedPortSwitchBlock::kBar0Offset + 4, 32, simboard::Direction::kRead,
                                            IsolatedPortSwitchBlock::kHardwareVersion}}));

  wisp.setSignature(0x3D5A9E01u);
  tStatus wrong;
  WispIsoPort kit(bar0(), WispController::kWindowOffset, wrong);
  EXPECT_EQ(wrong.getCode(), -700001);
  EXPECT_FALSE(kit.hasWindow());
  board.log().clear();
  for (auto operation : {+[](WispIsoPort& k, tStatus& s) { k.route(0x1, s); },
                         +[](WispIsoPort& k, tStatus& s) {
                           uint32_t v[4];
                           k.getVersion(v[0], v[1], v[2], v[3], s);
                         },
                         +[](WispIsoPort& k, tStatus& s) { k.openConnection(1, 0, 2, 0, s); }}) {
    tStatus s;
    operation(kit, s);
    EXPECT_EQ(s.getCode(), -700000);
  }
  EXPECT_TRUE(board.accessLog().empty());

  // The signature is read even on a failed status; the controller is then
  // left unusable.
  tStatus failed;
  WispController dropped(bar0(), failed);
  EXPECT_EQ(failed.getCode(), -700001);
  EXPECT_EQ(dropped.getVersion(failed), 0xFFFFFFFFu);
}

TEST_F(ControllerBoard, SlotRoutes) {
  struct Case {
    uint32_t slot, code;
    Stores stores;
    Route route;
  };
  const Case cases[] = {
      {3, 0, {}, Route::kUntouched},
      {3, 3, resetBoth(3), Route::kReset},
      {0, 1, join(resetBoth(0), connectTo(2, 0)), Route::kPort1To2},
      {9, 2, join(resetBoth(9), connectTo(1, 9)), Route::kPort2To1},
      // Slots past 9 route nothing, whatever shift they would need.
      {10, 1, {}, Route::kUntouched},
      {16, 3, {}, Route::kUntouched},
      {32, 1, {}, Route::kUntouched},
      {0xFFFFFFFFu, 1, {}, Route::kUntouched},
  };
  tStatus built;
  WispController controller(bar0(), built);
  for (const Case& c : cases) {
    board.log().clear();
    tStatus status;
    controller.routeChannel(c.slot, c.code, status);
    EXPECT_EQ(status.getCode(), 0) << c.slot << "/" << c.code;
    EXPECT_EQ(wispWrites(), c.stores) << c.slot << "/" << c.code;
    if (c.slot < IsolatedPortSwitchBlock::kSlotCount) {
      EXPECT_EQ(wisp.route(c.slot), c.route) << c.slot;
    }
  }
  // Other slots were left alone throughout.
  EXPECT_EQ(wisp.route(1), Route::kUntouched);
  EXPECT_EQ(wisp.route(10), Route::kUntouched);
}

TEST_F(ControllerBoard, RouteLockAndBadCodesWriteNothing) {
  tStatus built;
  WispController controller(bar0(), built);
  wisp.setRouteLock(true);
  tStatus locked;
  controller.routeChannel(2, 1, locked);
  EXPECT_EQ(locked.getCode(), -700000);
  EXPECT_TRUE(wispWrites().empty());

  wisp.setRouteLock(false);
  // A code wider than a slot would spill into the next one.
  tStatus wide;
  controller.routeChannel(2, 4, wide);
  EXPECT_EQ(wide.getCode(), -52005);
  EXPECT_TRUE(wispWrites().empty());
  EXPECT_EQ(wisp.route(3), Route::kUntouched);
}

// The route programmer reaches the switch through the controller: opcode
// 28 picks the slot, 29 routes it, and the route lock comes back as the
// program's failure.
TEST_F(ControllerBoard, RouteProgramsRouteSlotsThroughTheController) {
  using vorlan_driver::RegMapRouteProgrammer;
  tStatus built;
  WispController controller(bar0(), built);
  RegMapRouteProgrammer::tRegMap* channels[RegMapRouteProgrammer::kChannelMapCount] = {};
  RegMapRouteProgrammer programmer(nullptr, nullptr, channels, &controller);
  tStatus status;
  programmer.execute(0, RegMapRouteProgrammer::kSetSlot, 4, status);
  programmer.execute(0, RegMapRouteProgrammer::kRouteSlot, 1, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(wispWrites(), join(resetBoth(4), connectTo(2, 4)));
  EXPECT_EQ(wisp.route(4), Route::kPort1To2);

  board.log().clear();
  wisp.setRouteLock(true);
  tStatus locked;
  programmer.execute(0, RegMapRouteProgrammer::kRouteSlot, 3, locked);
  EXPECT_EQ(locked.getCode(), -700000);
  EXPECT_TRUE(wispWrites().empty());
}

TEST_F(ControllerBoard, KitConnectionHandshake) {
  tStatus status;
  WispIsoPort kit(bar0(), WispController::kWindowOffset, status);
  board.log().clear();
  WispConnectionDescriptor d = kit.openConnection(1, 4, 2, 6, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(d.open);
  EXPECT_EQ(d.line, 10u);
  EXPECT_EQ(wispWrites(), (Stores{{at(1, 4, kEnable), 1},
                                  {at(2, 6, kEnable), 1},
                                  {at(1, 4, kHandshake), 1},
                                  {at(1, 4, kHandshake), 2},
                                  {at(1, 4, kLines), 0x400},
                                  {at(2, 6, kData), 0x10000400},
                                  {at(2, 6, kMode), 2},
                                  {at(2, 6, kCommand), 0x4204}}));
  tStatus again;
  kit.openConnection(1, 4, 2, 6, again);
  EXPECT_EQ(again.getCode(), -700020);

  board.log().clear();
  kit.closeConnection(d, status);
  EXPECT_FALSE(d.open);
  EXPECT_EQ(wispWrites(), (Stores{{at(2, 6, kCommand), 0x101},
                                  {at(2, 6, kData), 0x10000000},
                                  {at(1, 4, kLines), 0},
                                  {at(1, 4, kHandshake), 1},
                                  {at(1, 4, kMode), 1}}));
  // Lines past the data word's 24 change nothing.
  board.log().clear();
  EXPECT_EQ(kit.addLine(1, 4, 40), 0u);
  kit.selectLine(1, 4, 32);
  EXPECT_TRUE(wispWrites().empty());
  EXPECT_EQ(kit.setRouteLock(true), 0u);
  EXPECT_EQ(kit.setRouteLock(false), 0u);
}

}  // namespace
}  // namespace controllertest
