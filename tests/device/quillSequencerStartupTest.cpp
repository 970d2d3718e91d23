// Start-up's sequencer levels on the whole simulated board, both variants:
// the package and the region end words in local RAM, every channel's
// start-up subroutine run from the package, the data-RAM addresses, the
// board's error responses and, once start-up gets there, the default event
// routing and the final start-up subroutine; teardown's shutdown subroutine
// on channel 0.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controllers/subroutine/subroutineIds.h"
#include "device/CustomResetParameters.h"
#include "tests/framework/QuillDeviceFixture.h"

namespace quilltest {
namespace {

namespace ids = vorlan_driver::subroutineIds;
using vorlan_driver::statusCodes::fromWord;

constexpr uint64_t kEndWord = 0x0C0D103200010000ull;
constexpr uint32_t kWren = 0x7A11;
constexpr uint32_t kLark = 0x7A01;

class SequencerStartup : public QuillDeviceTest, public ::testing::WithParamInterface<uint32_t> {
 protected:
  simboard::IsolatedRegisterSpace& side() { return board.nisoFpga().isolatedSide(); }
  simboard::InterruptGenerator& interrupts() { return side().interruptGenerator(); }
  const ids::VariantIds& variant() const { return GetParam() == kWren ? ids::kWren : ids::kLark; }
  uint32_t addressOf(uint32_t id) {
    tStatus status;
    const uint32_t address = device->getHardwareOwner()->getSubroutineRegistrar().getSubroutineAddress(id, status);
    EXPECT_EQ(status.getCode(), 0);
    return address;
  }
  static uint32_t channelRegister(uint32_t channel, uint32_t offset) { return 0x1000u | channel << 7 | (offset & 0x7F); }

  bool lark() const { return GetParam() == kLark; }
  void start() {
    kalsim::PciFunctionSetup setup;
    setup.subsystemID = static_cast<uint16_t>(GetParam());
    startDevice(setup);
    ASSERT_GE(level(), 16u);
  }
};

INSTANTIATE_TEST_SUITE_P(Variants, SequencerStartup, ::testing::Values(kWren, kLark),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                           return info.param == kWren ? "Wren" : "Lark";
                         });

// The checks of a level run only once start-up gets there.
#define SKIP_BELOW(n) \
  if (kTopLevel < (n)) GTEST_SKIP() << "start-up stops before level " << (n)

TEST_P(SequencerStartup, LocalRamSubroutinesAddressesAndResponses) {
  SKIP_BELOW(16);
  start();
  // The built-in package from word 0, every region closed by its end word.
  EXPECT_EQ(side().localRam().imageWords(), 2703u);
  for (uint32_t c = 0; c < 24; ++c) {
    SCOPED_TRACE(c);
    const uint32_t start = 0x8000 + 1365 * c;
    EXPECT_EQ(side().localRam().word(start + 1364), kEndWord);
    EXPECT_EQ(side().localRam().word(start + 1363), 0u);
  }
  // Each channel ran its own start-up subroutine, from the package.
  std::vector<uint32_t> ran(24, 0xFFFFFFFFu);
  for (const simboard::InterruptGenerator::Run& run : interrupts().runs()) {
    if (run.type != 4) continue;
    ASSERT_LT(run.channel, 24u);
    if (ran[run.channel] == 0xFFFFFFFFu) ran[run.channel] = run.address;
    EXPECT_TRUE(run.inImage);
  }
  for (uint32_t c = 0; c < 24; ++c) EXPECT_EQ(ran[c], addressOf(variant().channelStartup[c])) << c;
  // Data-RAM addresses, and the error responses the board runs itself.
  for (uint32_t c = 0; c < 24; ++c) EXPECT_EQ(side().writeView(channelRegister(c, 0x5C)), 1364 * c) << c;
  EXPECT_EQ(interrupts().vector(0).address, addressOf(variant().errorResponse[0]));
  EXPECT_EQ(interrupts().vector(1).address, addressOf(variant().errorResponse[1]));
  EXPECT_EQ(interrupts().vector(0).flags, 7u);
  EXPECT_EQ(interrupts().vector(1).flags, 6u);

  if (level() >= 18) {
    // The default event routing.
    EXPECT_EQ(side().writeView(channelRegister(5, 0x4B)), 1005u);
    EXPECT_EQ(side().writeView(channelRegister(5, 0x50)), 1389u);
    EXPECT_EQ(side().writeView(channelRegister(5, 0x0D)), 105u);
    for (uint32_t c = 0; c < 24; ++c) {
      for (uint32_t offset : {0x41u, 0x42u, 0x43u, 0x37u}) {
        EXPECT_EQ(side().writeView(channelRegister(c, offset)), 14u) << c << " " << offset;
      }
      EXPECT_EQ(side().writeView(channelRegister(c, 0x4E)), 15u) << c;
    }
    for (uint32_t k = 0; k < 8; ++k) EXPECT_EQ(side().writeView(0x200 + k), 14u) << k;
  }
  if (level() == vorlan_shared::SetupLevel::kFull) {
    // The final start-up subroutine on channel 0, then bits 10 and 12 for
    // the variant, each with its strobe.
    const simboard::InterruptGenerator::Run& last = interrupts().runs().back();
    EXPECT_EQ(last.channel, 0u);
    EXPECT_EQ(last.address, addressOf(variant().finishStartup));
    EXPECT_EQ(side().writeView(0x00E), lark() ? 0x3400u : 0x2000u);
  }
}

// Teardown's first act on the board: the variant's shutdown subroutine on
// channel 0, then the shutdown strobe.
TEST_P(SequencerStartup, TeardownRunsTheShutdownSubroutine) {
  SKIP_BELOW(16);
  start();
  const bool finished = level() == vorlan_shared::SetupLevel::kFull;
  const uint32_t shutdown = addressOf(variant().shutdown);
  interrupts().clearRuns();
  removeDevice();
  ASSERT_FALSE(interrupts().runs().empty());
  const simboard::InterruptGenerator::Run& run = interrupts().runs().front();
  EXPECT_EQ(run.channel, 0u);
  EXPECT_EQ(run.type, 4u);
  EXPECT_EQ(run.address, shutdown);
  // Over the bits the end of start-up left: 10 and 12 on a Lark board.
  EXPECT_EQ(side().writeView(0x00E), finished && lark() ? 0x02001400u : 0x02000000u);
}

// A shutdown subroutine that never ends costs teardown its wait and the
// strobe, nothing more: teardown reports nothing and still takes
// everything down.
TEST_P(SequencerStartup, AHangingShutdownStillTearsDown) {
  SKIP_BELOW(16);
  start();
  const uint32_t strobesBefore = side().writeView(0x00E);
  const uint32_t shutdown = addressOf(variant().shutdown);
  interrupts().setHangsAt(shutdown, true);
  removeDevice();
  EXPECT_EQ(device->getHardwareOwner(), nullptr);
  EXPECT_EQ(kalsim::liveKernelMappings(), 0u);
  EXPECT_EQ(side().writeView(0x00E), strobesBefore) << "no shutdown strobe after an unacknowledged run";
  interrupts().setHangsAt(shutdown, false);
}

// A reset record's package replaces the built-in one only when it gives all
// five values. One without the board's error responses stops before level
// 16 with the registrar's lookup code, its image in local RAM.
TEST_P(SequencerStartup, AResetRecordsPackageIsInstalledWhenComplete) {
  SKIP_BELOW(16);
  start();
  std::vector<uint64_t> image(64);
  for (uint32_t i = 0; i < image.size(); ++i) image[i] = 0x0400000000000000ull | i;
  std::vector<uint32_t> idTable(variant().channelStartup, variant().channelStartup + 24);
  std::vector<uint32_t> addresses;
  for (uint32_t i = 0; i < idTable.size(); ++i) addresses.push_back(i);
  vorlan_driver_codegen::CustomResetParameters record{};
  record.packageImage = reinterpret_cast<uintptr_t>(image.data());
  record.packageWordCount = image.size();
  record.packageIds = reinterpret_cast<uintptr_t>(idTable.data());
  record.packageAddresses = reinterpret_cast<uintptr_t>(addresses.data());
  record.packageIdCount = 0;

  // A reset invalidates the session that asked for it.
  KernelSession* session = open();
  reset(session, vorlan_shared::SetupLevel::kFull, &record);
  close(session);
  EXPECT_GE(level(), 16u) << "an id count of 0 keeps the built-in package";
  EXPECT_EQ(side().localRam().imageWords(), 2703u);

  record.packageIdCount = idTable.size();
  session = open();
  EXPECT_EQ(reset(session, vorlan_shared::SetupLevel::kFull, &record), fromWord(0xBFFA4309u));
  EXPECT_EQ(level(), 15u);
  EXPECT_EQ(side().localRam().imageWords(), image.size());
  for (uint32_t i = 0; i < image.size(); ++i) ASSERT_EQ(side().localRam().word(i), image[i]) << i;
  EXPECT_EQ(side().localRam().word(0x8000 + 1364), kEndWord);
  close(session);
}

}  // namespace
}  // namespace quilltest
