// Start-up's later steps over the sequencer test bench: the isolated
// controllers as the owner builds them, the isolated-port switch in BAR 0,
// and the built-in package's addresses to check runs against.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "controllers/ErrorCheckerInterface.h"
#include "controllers/HardwareErrorRegisterCheckers.h"
#include "controllers/WispController.h"
#include "controllers/channel/IsolatedControllers.h"
#include "controllers/subroutine/subroutineIds.h"
#include "simboard/IsolatedPortSwitchBlock.h"
#include "tests/controllers/sequencerBoard.h"

namespace preparedtest {

using sequencertest::code;
using sequencertest::kChannels;
using sequencertest::kLarkSubsystem;
using sequencertest::kWrenSubsystem;
using Write = sequencertest::SequencerBoard::Write;
using nKIVAPALS100::tStatus;
using sequencertest::NeverOverflowed;
using sequencertest::NoErrors;

constexpr uint32_t kIsoWindow = 24;
inline uint32_t channelAddress(uint32_t channel, uint32_t offset) { return 0x1000u | channel << 7 | (offset & 0x7Fu); }
inline uint64_t pointer(const void* p) { return reinterpret_cast<uint64_t>(p); }

class PreparedBoard : public sequencertest::SequencerBoard {
 protected:
  explicit PreparedBoard(uint32_t subsystem = kWrenSubsystem)
      : SequencerBoard(subsystem),
        subsystem(subsystem),
        wispBlock(board.addBlock(simboard::IsolatedPortSwitchBlock::kBar0Offset,
                                 std::make_unique<simboard::IsolatedPortSwitchBlock>())),
        checkers(errors) {
    controllers = std::make_unique<vorlan_driver::IsolatedControllers>(
        *iso, channelPointers.data(), noCplds.data(), *map, overflow, errors, checkers, *registrar, subsystem, built);
    wisp = std::make_unique<vorlan_driver::WispController>(static_cast<uint8_t*>(board.bar0()), built);
    EXPECT_EQ(built.getCode(), 0);
    takeWrites();
  }

  const vorlan_driver::subroutineIds::VariantIds& ids() const {
    return vorlan_driver::subroutineIds::forSubsystem(subsystem);
  }
  uint32_t addressOf(uint32_t id) {
    tStatus status;
    const uint32_t address = registrar->getSubroutineAddress(id, status);
    EXPECT_EQ(status.getCode(), 0);
    return address;
  }
  // The three writes that start a subroutine of type 4 on a channel.
  std::vector<Write> issueWrites(uint32_t channel, uint32_t address) const {
    return {{kIsoWindow, 0x171, address}, {kIsoWindow, 0x170, 0x114}, {channel, channelAddress(channel, 0x3B), 4}};
  }
  // The writes of one isolated FPGA register, in order, since the last
  // takeWrites().
  static std::vector<uint32_t> valuesAt(const std::vector<Write>& writes, uint32_t window, uint32_t address) {
    std::vector<uint32_t> out;
    for (const Write& w : writes) {
      if (w.window == window && w.address == address) out.push_back(w.value);
    }
    return out;
  }

  uint32_t subsystem;
  simboard::IsolatedPortSwitchBlock& wispBlock;
  NeverOverflowed overflow;
  NoErrors errors;
  vorlan_driver::HardwareErrorRegisterCheckers checkers;
  // The CPLD interface controller only keeps them; nothing here enables CPLDs.
  std::array<vorlan_driver::CpldInterfaceController::tCpldMap*, vorlan_driver::IsolatedControllers::kCpldCount>
      noCplds{};
  std::unique_ptr<vorlan_driver::IsolatedControllers> controllers;
  std::unique_ptr<vorlan_driver::WispController> wisp;
};

}  // namespace preparedtest
