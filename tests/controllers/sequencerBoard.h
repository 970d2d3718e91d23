// The sequencer's test bench: the isolated side as the driver reaches it
// (IsolatedPath), with the local RAM, the registrar, the interrupt generator
// and the error responses over its maps as the driver builds them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "controllers/ErrorCheckerInterface.h"
#include "controllers/channel/MeasureOverflowQueryInterface.h"
#include "controllers/channel/MiscControlStrobe.h"
#include "controllers/localRAMController/LocalRAMController.h"
#include "controllers/sequencer/ErrorResponseSubroutineController.h"
#include "controllers/sequencer/IsoInterruptGeneratorController.h"
#include "controllers/subroutine/DefaultSubroutinePackage.h"
#include "controllers/subroutine/SubroutineDownload.h"
#include "controllers/subroutine/SubroutineRegistrar.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "simboard/IsolatedRegisterSpace.h"
#include "tests/regmaps/IsolatedPath.h"

namespace sequencertest {

using nKIVAPALS100::tStatus;
using simboard::IsolatedRegisterSpace;
using vorlan_regmaps::tTheQuillIsoChannelRegMap;
using vorlan_regmaps::tTheQuillIsoFpgaRegMap;
using tLocalRAMController = harrowtools::LocalRAMController<tTheQuillIsoFpgaRegMap>;

constexpr uint32_t kChannels = 24;
// The Wren variant's first PCI subsystem identifier, and a Lark one.
constexpr uint32_t kWrenSubsystem = 0x7A11;
constexpr uint32_t kLarkSubsystem = 0x7A01;

inline constexpr int64_t code(uint32_t word) { return static_cast<int64_t>(static_cast<int32_t>(word)); }

// Stand-ins for the non-isolated side's answers, for aggregates built over
// the isolated side alone.
class NeverOverflowed : public vorlan_driver::MeasureOverflowQueryInterface {
 public:
  bool isOverflowed(uint8_t, tStatus&) override { return false; }
};

class NoErrors : public vorlan_driver::ErrorCheckerInterface {
 public:
  bool hasError(uint64_t, tStatus&) override { return false; }
  void checkForErrors(uint64_t, tStatus&) override {}
};

class SequencerBoard : public isomaptest::IsolatedPath {
 protected:
  explicit SequencerBoard(uint32_t pciSubsystem = kWrenSubsystem) {
    for (const auto& c : channels) {
      channelPointers.push_back(c.get());
      strobes.push_back(std::make_unique<vorlan_driver::MiscControlStrobe>(*c));
      strobePointers.push_back(strobes.back().get());
    }
    localRam = std::make_unique<tLocalRAMController>(iso->SeqLocalCommandHighReg, iso->SeqLocalCommandLowReg,
                                                     iso->SeqLocalRamWriteAddressReg, iso->SeqLocalRamReadAddressReg,
                                                     0x10000, built);
    registrar = std::make_unique<vorlan_driver::SubroutineRegistrar>(built);
    generator = std::make_unique<vorlan_driver::IsoInterruptGeneratorController>(*registrar, *iso,
                                                                                  channelPointers.data(), pciSubsystem,
                                                                                  built);
    responses = std::make_unique<vorlan_driver::ErrorResponseSubroutineController>(*generator, pciSubsystem);
    EXPECT_EQ(built.getCode(), 0);
    side().clearLog();
    board.clearAccessLog();
  }

  // The built-in package installed: image in RAM, table registered.
  void installBuiltInPackage() {
    countOnly();
    vorlan_driver::DefaultSubroutinePackage package;
    vorlan_driver::SubroutineDownload download(localRam.get());
    tStatus status;
    download.download(package, status);
    registrar->registerPackage(package, status);
    EXPECT_EQ(status.getCode(), 0);
    block.setLogPolicy(simboard::LogPolicy::kFull);
    takeWrites();
  }

  simboard::SequencerLocalRam& ram() { return side().localRam(); }
  simboard::InterruptGenerator& interrupts() { return side().interruptGenerator(); }

 public:
  struct Write {
    uint32_t window;
    uint32_t address;
    uint32_t value;
    bool operator==(const Write& o) const { return window == o.window && address == o.address && value == o.value; }
  };

 protected:
  // The isolated side's writes, in order, since the last call.
  std::vector<Write> takeWrites() {
    std::vector<Write> out;
    for (const IsolatedRegisterSpace::Access& a : side().log()) {
      if (a.write) out.push_back(Write{a.window, a.address, a.value});
    }
    side().clearLog();
    board.clearAccessLog();
    return out;
  }

  // Bulk traffic is counted, not logged.
  void countOnly() {
    ram().setLogPolicy(simboard::LogPolicy::kCount);
    block.setLogPolicy(simboard::LogPolicy::kCount);
  }

  tStatus built;
  std::vector<tTheQuillIsoChannelRegMap*> channelPointers;
  // Each channel's miscellaneous-control strobe, as the aggregate gives it
  // to the channel's controllers.
  std::vector<std::unique_ptr<vorlan_driver::MiscControlStrobe>> strobes;
  std::vector<vorlan_driver::MiscControlStrobe*> strobePointers;
  std::unique_ptr<tLocalRAMController> localRam;
  std::unique_ptr<vorlan_driver::SubroutineRegistrar> registrar;
  std::unique_ptr<vorlan_driver::IsoInterruptGeneratorController> generator;
  std::unique_ptr<vorlan_driver::ErrorResponseSubroutineController> responses;
};

inline void PrintTo(const SequencerBoard::Write& w, std::ostream* out) {
  *out << "W" << w.window << "@0x" << std::hex << w.address << "=0x" << w.value << std::dec;
}

}  // namespace sequencertest
