// The instrument requests' test bench: the isolated controller aggregate and
// the board-level controllers over the simulated board, two sessions over
// one reservation manager, and the request bodies run past their gates as
// the request methods run them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "controllers/HardwareErrorRegisterCheckers.h"
#include "controllers/channel/IsolatedControllers.h"
#include "device/KernelSession.h"
#include "framework/kdut/ResourceReservationManager.h"
#include "framework/kdut/kdutStatusCodes.h"
#include "platform/device/tEventDescriptor.h"
#include "requests/InstrumentObjects.h"
#include "tests/controllers/sequencerBoard.h"

namespace instrumenttest {

using meridansharedsource::KernelSession;
using nKIVAPALS100::tStatus;
using sequencertest::code;
using vorlan_driver::IsolatedControllers;

constexpr int64_t kBadMask = code(0xBFFA4303u);
constexpr int64_t kNotHeld = code(0xBFFA431Au);
constexpr int64_t kOutOfRange = code(0xBFFA4300u);
constexpr uint64_t kAllChannels = 0xFFFFFF;


// Applies every cooling mode but the refused one.
class FakePower : public vorlan_driver::CoolingModeInterface {
 public:
  static constexpr uint32_t kRefused = 0xEE;
  void applyCoolingMode(uint32_t mode, tStatus& status) override {
    if (mode == kRefused) {
      vorlanSetCode(status, code(0xBFFA4300u));
      return;
    }
    applied.push_back(mode);
  }
  std::vector<uint32_t> applied;
};

class InstrumentRequestBoard : public sequencertest::SequencerBoard {
 protected:
  static constexpr uint32_t kRequestedCoolingMode = 16;

  InstrumentRequestBoard()
      : manager(static_cast<int32_t>(kdut::codes::kResourceAlreadyReserved),
                static_cast<int32_t>(kdut::codes::kResourceNotReserved), kAllChannels,
                static_cast<int32_t>(kdut::codes::kResourceOutOfRange), built) {
    installBuiltInPackage();
    nisoErrors = std::make_unique<vorlan_driver::NisoErrorController>(*map, built);
    fifoOverflow =
        std::make_unique<vorlan_driver::MeasureFIFOOverflowStatusController>(map->MeasureFifoOverflowStatusReg, built);
    checkers = std::make_unique<vorlan_driver::HardwareErrorRegisterCheckers>(*nisoErrors);
    controllers = std::make_unique<IsolatedControllers>(*iso, channelPointers.data(), noCplds.data(), *map, *fifoOverflow,
                                                        *nisoErrors, *checkers, *registrar,
                                                        sequencertest::kWrenSubsystem, built);
    coolingMode = std::make_unique<vorlan_driver::CoolingModeController>(kRequestedCoolingMode, coolingWord, power,
                                                                        built);
    session = openSession();
    other = openSession();
    objects = vorlan_driver::requests::InstrumentObjects{
        controllers.get(),  registrar.get(),    iso.get(),         channelPointers.data(), sequencertest::kWrenSubsystem,
        nisoErrors.get(),   fifoOverflow.get(), coolingMode.get(), nullptr};
    EXPECT_EQ(built.getCode(), 0);
    takeWrites();
  }

  std::unique_ptr<KernelSession> openSession() {
    return std::make_unique<KernelSession>(nullptr, &resetCounter,
                                           static_cast<int32_t>(kdut::codes::kResourceNotReserved), &manager, nullptr,
                                           480, built);
  }
  void hold(KernelSession& s, uint64_t mask) {
    tStatus status;
    s.reserveResources(mask, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  // A request body as the method runs it past its gate.
  template <typename Body>
  Body bodyFor(KernelSession* s) {
    return Body(descriptor, s, objects);
  }
  // How often the session holds an operation; takes them all out.
  static int takeOccurrences(KernelSession& s, kdut::CleanupOperationInterface* operation) {
    int n = 0;
    for (;;) {
      tStatus status;
      s.getCleanupOperationComposite().remove(operation, status);
      if (status.isFatal()) return n;
      ++n;
    }
  }
  simboard::ErrorManager& errors() { return block.errorManager(); }
  // Channel c's register at offset, as the isolated side sees it.
  static constexpr uint32_t at(uint32_t channel, uint32_t offset) { return 0x1000u | channel << 7 | (offset & 0x7Fu); }

  kdut::ResourceReservationManager manager;
  uint32_t resetCounter = 0;
  FakePower power;
  vorlan_driver::CoolingModeWord coolingWord{kRequestedCoolingMode, 0};
  std::unique_ptr<vorlan_driver::NisoErrorController> nisoErrors;
  std::unique_ptr<vorlan_driver::MeasureFIFOOverflowStatusController> fifoOverflow;
  std::unique_ptr<vorlan_driver::HardwareErrorRegisterCheckers> checkers;
  // The CPLD interface controller only keeps them; nothing here enables CPLDs.
  std::array<vorlan_driver::CpldInterfaceController::tCpldMap*, vorlan_driver::IsolatedControllers::kCpldCount>
      noCplds{};
  std::unique_ptr<IsolatedControllers> controllers;
  std::unique_ptr<vorlan_driver::CoolingModeController> coolingMode;
  vorlan_driver::requests::InstrumentObjects objects{};
  const vorlan_driver::nKIVAPAL000::tEventDescriptor descriptor;
  // Opened last, closed first: their cleanups reach the controllers.
  std::unique_ptr<KernelSession> session;
  std::unique_ptr<KernelSession> other;
};

}  // namespace instrumenttest
