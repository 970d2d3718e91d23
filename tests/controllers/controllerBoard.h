// The board-level controllers' test bench: the non-isolated FPGA block with
// its windows, the isolated FPGA map behind window 24, the power monitor's
// map behind the relay and the isolated-port switch, and short ways to ask
// the board's log what one register or block received.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "device/frontEndAccessors/ChassisPowerMonitorFrontEndAccessor.h"
#include "device/frontEndAccessors/WindowedFrontEndAccessor.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "regmaps/nonisolated/tIna231RegMap.h"
#include "simboard/IsolatedPortSwitchBlock.h"
#include "tests/framework/frontEndTestSupport.h"

namespace controllertest {

using nKIVAPALS100::tStatus;
using simboard::ErrorManager;
using simboard::IsolatedPortSwitchBlock;
using simboard::NisoFpgaLinkBlock;

constexpr uint32_t kIsoWindow = 24;

inline constexpr int64_t code(uint32_t word) { return static_cast<int64_t>(static_cast<int32_t>(word)); }

class ControllerBoard : public frontendtest::FrontEndBoard {
 protected:
  ControllerBoard()
      : wisp(board.addBlock(IsolatedPortSwitchBlock::kBar0Offset, std::make_unique<IsolatedPortSwitchBlock>())),
        relayMutex(built),
        monitorAccessor(map->ChassisPowerMonConfigReg, map->ChassisPowerMonReadReg, relayMutex) {
    isoWindow = std::make_unique<vorlan_driver::tNisoWindowedFrontEndAccessor>(
        map->IsoRegAccessStatusRegType[kIsoWindow], map->IsoRegAccessAddrRegType[kIsoWindow],
        map->IsoRegAccessWriteDataRegType[kIsoWindow], map->IsoRegAccessReadDataRegType[kIsoWindow], &windowChecker,
        built);
    iso = std::make_unique<vorlan_regmaps::tTheQuillIsoFpgaRegMap>(*isoWindow, 0u, 0u, 0xFFFFFFFFu);
    monitor = std::make_unique<vorlan_regmaps::tIna231RegMap>(monitorAccessor, 0u, 0u, 0xFFFFFFFFu);
    EXPECT_EQ(built.getCode(), 0);
    board.log().clear();
  }

  uint8_t* bar0() const { return static_cast<uint8_t*>(board.bar0()); }

  // The words written to one register of the FPGA block, in order.
  std::vector<uint32_t> nisoWrites(uint64_t offset) const {
    std::vector<uint32_t> out;
    for (const simboard::Access& a : board.accessLog()) {
      if (a.direction == simboard::Direction::kWrite && a.offset == NisoFpgaLinkBlock::kBar0Offset + offset) {
        out.push_back(static_cast<uint32_t>(a.value));
      }
    }
    return out;
  }
  size_t nisoReads(uint64_t offset) const {
    size_t n = 0;
    for (const simboard::Access& a : board.accessLog()) {
      n += a.direction == simboard::Direction::kRead && a.offset == NisoFpgaLinkBlock::kBar0Offset + offset;
    }
    return n;
  }
  // The isolated FPGA's writes as {address, value}, in order.
  std::vector<std::pair<uint32_t, uint32_t>> isoWrites() const {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (const auto& a : block.isolatedSide().log()) {
      if (a.write) out.emplace_back(a.address, a.value);
    }
    return out;
  }
  std::vector<uint32_t> isoWritesTo(uint32_t address) const {
    std::vector<uint32_t> out;
    for (const auto& w : isoWrites()) {
      if (w.first == address) out.push_back(w.second);
    }
    return out;
  }
  // The switch window's stores as {offset in the block, value}, in order.
  std::vector<std::pair<uint64_t, uint32_t>> wispWrites() const {
    std::vector<std::pair<uint64_t, uint32_t>> out;
    for (const simboard::Access& a : board.accessLog()) {
      if (a.direction != simboard::Direction::kWrite) continue;
      if (a.offset < IsolatedPortSwitchBlock::kBar0Offset ||
          a.offset >= IsolatedPortSwitchBlock::kBar0Offset + IsolatedPortSwitchBlock::kSize) {
        continue;
      }
      EXPECT_EQ(a.width, 32u);
      out.emplace_back(a.offset - IsolatedPortSwitchBlock::kBar0Offset, static_cast<uint32_t>(a.value));
    }
    return out;
  }

  ErrorManager& errors() { return block.errorManager(); }

  IsolatedPortSwitchBlock& wisp;
  tStatus built;
  frontendtest::FakeChecker windowChecker;
  vorlan_driver::nKIVAPAL000::tMutex relayMutex;
  vorlan_driver::tNisoChassisPowerMonitorFrontEndAccessor monitorAccessor;
  std::unique_ptr<vorlan_driver::tNisoWindowedFrontEndAccessor> isoWindow;
  std::unique_ptr<vorlan_regmaps::tTheQuillIsoFpgaRegMap> iso;
  std::unique_ptr<vorlan_regmaps::tIna231RegMap> monitor;
};

}  // namespace controllertest
