// The bridge capability walk and the geographic address over the simulated
// configuration-port window and its capability chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kal/include/kalPci.h"
#include "platform/pci/pxiGeographicAddress.h"
#include "platform/pci/tGeographicAddress.h"
#include "platform/pci/tKIVCapabilityPCIAccessor.h"
#include "platform/pci/tTarn.h"
#include "simboard/ConfigPortWindowBlock.h"
#include "simboard/GeographicAddressBlock.h"
#include "platform/pci/tPCIDevice.h"
#include "tests/platform/pciTestSupport.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::ConfigPortSpace;
using simboard::ConfigPortWindowBlock;
using simboard::R;
using simboard::W;
using vorlan_driver::nKIVAPAL000::readPxiGeographicAddress;
using vorlan_driver::nKIVAPAL000::tGeographicAddress;
using vorlan_driver::nKIVAPAL000::tKIVCapabilityPCIAccessor;
using vorlan_driver::nKIVAPAL000::tTarn;
using ChainFault = ConfigPortSpace::ChainFault;

constexpr int64_t kNotSupported = -52002;
constexpr int64_t kInvalidArgument = -52005;
constexpr int64_t kNotFound = -52006;
constexpr int64_t kInvalidCapabilityPointer = -52018;
constexpr uint64_t kWindow = ConfigPortWindowBlock::kBar0Offset;
constexpr uint32_t kPowerOnControl = ConfigPortWindowBlock::kPowerOnWindowControl;
constexpr uint32_t kOpenControl = kPowerOnControl | ConfigPortWindowBlock::kWindowEnable;

class GeographicAddress : public simboard::BoardTest {
 protected:
  GeographicAddress()
      : window(board.addBlock(kWindow, std::make_unique<ConfigPortWindowBlock>(board.bridgeCore()))),
        slot(board.addBlock(simboard::GeographicAddressBlock::kBar0Offset,
                            std::make_unique<simboard::GeographicAddressBlock>())) {
    slot.setRaw(0xF8);
    board.clearAccessLog();
  }

  uint32_t read(tStatus& status) {
    return readPxiGeographicAddress(nullptr, board.bar0(), simboard::SimBoard::kBar0Size, status);
  }
  bool slotRegisterRead() const {
    const std::vector<Access> seen = log();
    return std::any_of(seen.begin(), seen.end(), [](const Access& a) {
      return a.offset == simboard::GeographicAddressBlock::kBar0Offset && a.direction == simboard::Direction::kRead;
    });
  }
  void expectWindowRestored() {
    EXPECT_EQ(board.bridgeCore().peek(0xC0, 32), kPowerOnControl);
    EXPECT_EQ(board.bridgeCore().peek(0xE0, 32), 0u);
  }

  ConfigPortWindowBlock& window;
  simboard::GeographicAddressBlock& slot;
};

TEST_F(GeographicAddress, DefaultChainTrafficFromSetUpToTheRestoredWindow) {
  tStatus status;
  EXPECT_EQ(read(status), 0x1Fu);
  EXPECT_EQ(status.getCode(), 0);
  const uint32_t gaHeader = ConfigPortSpace::header(ConfigPortSpace::kGeographicAddressID, 0, 0);
  const uint32_t firstHeader = ConfigPortSpace::header(ConfigPortSpace::kOtherCapabilityID, 0x40, 2);
  EXPECT_EQ(log(), (std::vector<Access>{
                       // set-up: save, open, directory pointer, directory word, chain start, restore
                       R(0xC0, 32, kPowerOnControl), R(0xE0, 32, 0), R(0xC0, 32, kPowerOnControl),
                       W(0xC0, 32, kOpenControl), W(0xE0, 32, 0), R(kWindow + 0x0C, 32, 0x120),
                       R(kWindow + 0x120, 32, 0), R(kWindow + 0x10, 32, 0x1000), W(0xC0, 32, kPowerOnControl),
                       W(0xE0, 32, 0),
                       // the walk: save, open, two headers through the moved window
                       R(0xC0, 32, kPowerOnControl), R(0xE0, 32, 0), R(0xC0, 32, kPowerOnControl),
                       W(0xC0, 32, kOpenControl), W(0xE0, 32, 0), W(0xE0, 32, 0x1000), R(kWindow + 0x000, 32, firstHeader),
                       R(kWindow + 0x040, 32, gaHeader),
                       // the capability's body, the register read directly, the window reopened
                       R(kWindow + 0x044, 32, 0x7F0), R(kWindow + 0x048, 32, 0x00030101), R(0x7F0, 8, 0xF8),
                       R(0xC0, 32, kOpenControl), W(0xC0, 32, kOpenControl), W(0xE0, 32, 0x1000),
                       // restored
                       W(0xC0, 32, kPowerOnControl), W(0xE0, 32, 0)}));
}

TEST_F(GeographicAddress, FoundAfterARelativePointerAndTheNextSearchGoesOnFromThere) {
  tStatus status;
  tKIVCapabilityPCIAccessor<tTarn> accessor(nullptr, board.bar0(), simboard::SimBoard::kBar0Size, status);
  EXPECT_EQ(accessor.getChainStart(), ConfigPortSpace::kChainStart);
  tGeographicAddress<tTarn> capability;
  EXPECT_EQ(capability.getGeographicAddress(), 0xFFFFFFFFu);
  accessor.getCapability(capability, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(capability.getOffset(), ConfigPortSpace::kChainStart + 0x40);
  EXPECT_EQ(capability.getGeographicAddress(), 0x1Fu);

  tStatus again;
  accessor.getCapability(capability, again);
  EXPECT_EQ(again.getCode(), kNotFound) << "no second geographic-address capability";
  expectWindowRestored();
}

struct ChainCase {
  std::string name;
  ChainFault fault;
  int64_t code;
};

void PrintTo(const ChainCase& c, std::ostream* out) { *out << c.name; }

class BrokenChain : public GeographicAddress, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(BrokenChain, EndsWithItsCodeWithoutReadingTheSlotAndRestoresTheWindow) {
  window.space().setChainFault(GetParam().fault);
  tStatus status;
  EXPECT_EQ(read(status), 0u);
  EXPECT_EQ(status.getCode(), GetParam().code);
  EXPECT_FALSE(slotRegisterRead());
  expectWindowRestored();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenChain,
    ::testing::Values(ChainCase{"InvalidNextKind", ChainFault::kInvalidNextKind, kInvalidCapabilityPointer},
                      ChainCase{"NotInTheChain", ChainFault::kNoGeographicAddress, kNotFound},
                      // A relative pointer of 0 ends the chain rather than naming its own header.
                      ChainCase{"RelativeZeroEndsTheChain", ChainFault::kRelativeZero, kNotFound},
                      ChainCase{"LoopIsCutOff", ChainFault::kAbsoluteLoop, kInvalidCapabilityPointer},
                      ChainCase{"ZeroChainStart", ChainFault::kZeroChainStart, kNotSupported},
                      ChainCase{"MisalignedChainStart", ChainFault::kMisalignedChainStart, kNotSupported}),
    [](const ::testing::TestParamInfo<ChainCase>& info) { return info.param.name; });

struct FormatCase {
  std::string name;
  uint32_t registerAddress;
  uint32_t format;
  uint32_t raw;  // at BAR 0 + 0x7F0, or in the configuration-port space for mode 4
  int64_t code;
  uint32_t result;
};

void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.name; }

class Formats : public GeographicAddress, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(Formats, ReadTheRegisterAsTheFormatSays) {
  const FormatCase& c = GetParam();
  window.space().poke32(ConfigPortSpace::kGeographicAddressCapability + 4, c.registerAddress);
  window.space().setGeographicAddressFormat(c.format);
  if ((c.format & 0xF) == 4) {
    window.space().poke32(c.registerAddress, c.raw);
  } else {
    slot.setRaw(c.raw);
  }
  tStatus status;
  EXPECT_EQ(read(status), c.result);
  EXPECT_EQ(status.getCode(), c.code);
  expectWindowRestored();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Formats,
    ::testing::Values(FormatCase{"DirectByteShiftThree", 0x7F0, 0x00030101, 0xF8, 0, 0x1F},
                      FormatCase{"ByteWidthDropsHigherBits", 0x7F0, 0x00030101, 0x1F0, 0, 0x1E},
                      FormatCase{"DirectHalfWordShiftEight", 0x7F0, 0x00080201, 0x00001500, 0, 0x15},
                      FormatCase{"DirectWordShiftTwentySeven", 0x7F0, 0x001B0001, 0xA8000000u, 0, 0x15},
                      FormatCase{"ThroughTheWindow", 0x2004, 0x00030104, 0x50, 0, 0x0A},
                      FormatCase{"NothingToRead", 0x7F0, 0x00030100, 0xF8, 0, 0xFFFFFFFFu},
                      FormatCase{"InvalidMode", 0x7F0, 0x00030102, 0xF8, kInvalidArgument, 0}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

TEST_F(GeographicAddress, WindowPlacedBeyondTheBarIsNeverReadThrough) {
  // The control value comes from the hardware; a window outside BAR 0 would
  // send reads past the end of the mapping.
  board.bridgeCore().poke(0xC0, 32, 0xFFFF000Cu);
  tStatus status;
  EXPECT_EQ(read(status), 0u);
  EXPECT_EQ(status.getCode(), kNotFound);
  for (const Access& a : log()) EXPECT_LT(a.offset, simboard::SimBoard::kBar0Size);
  EXPECT_EQ(board.bridgeCore().peek(0xC0, 32), 0xFFFF000Cu) << "restored";
}

TEST_F(GeographicAddress, ErrorInTheStatusMeansNoAccess) {
  tStatus status;
  vorlanSetCode(status, -52010);
  EXPECT_EQ(read(status), 0u);
  EXPECT_TRUE(log().empty());
}

// Through the device: BAR 0 is mapped for the read and unmapped after it,
// also when the bridge shows no chain (blank memory here) or the mapping
// fails.
TEST(DeviceGeographicAddress, MapsBarZeroOnlyForTheRead) {
  kalsim::reset();
  kalsim::PciFunctionSetup setup;
  setup.resources[0] = {0xF0000000u, 0x100000u, 2};
  kalsim::PciFunction& function = kalsim::addPciFunction(setup);
  simboard::BlankBar blank(0x100000);
  kalsim::mapPhysicalRangeTo(0xF0000000u, 0x100000u, blank.address());
  tStatus built;
  vorlan_driver::nKIVAPAL000::tPCIDevice device(pcitest::describe(function), built);
  ASSERT_EQ(built.getCode(), 0);

  tStatus status;
  EXPECT_EQ(readPxiGeographicAddress(device, status), 0u);
  EXPECT_EQ(status.getCode(), kNotSupported);
  EXPECT_EQ(kalsim::kernelMappings().size(), 0u);

  kalsim::failKernelMapping(1);
  tStatus unmapped;
  EXPECT_EQ(readPxiGeographicAddress(device, unmapped), 0u);
  EXPECT_EQ(unmapped.getCode(), -52000);
  EXPECT_EQ(kalsim::kernelMappings().size(), 0u);
}

}  // namespace
