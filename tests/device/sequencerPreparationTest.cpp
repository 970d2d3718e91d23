// The sequencer's preparation at start-up (levels 13 to 16 and the final
// step of 20) and the shutdown subroutine of teardown, over the simulated
// board's local RAM and interrupt generator: exact writes for the short
// steps, counts for the package.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "controllers/localRAMController/localRamLayout.h"
#include "controllers/subroutine/DefaultSubroutinePackage.h"
#include "device/startup/SequencerPreparation.h"
#include "tests/device/preparedBoard.h"

namespace preparedtest {
namespace {

namespace codes = vorlan_driver::statusCodes;
using vorlan_driver::SequencerPreparation;

constexpr uint64_t kEndWord = 0x0C0D103200010000ull;

class Preparation : public PreparedBoard, public ::testing::WithParamInterface<uint32_t> {
 protected:
  explicit Preparation(uint32_t subsystem = kWrenSubsystem)
      : PreparedBoard(subsystem),
        preparation(*controllers, *iso, channelPointers.data(), *registrar, subsystem) {}

  // Levels 13 and 14 as start-up runs them, the package's traffic counted.
  void prepareThroughLevel14() {
    countOnly();
    tStatus status;
    vorlan_driver::DefaultSubroutinePackage package;
    preparation.installSubroutinePackage(package, status);
    preparation.writeChannelRegionEndWords(status);
    preparation.runChannelStartupSubroutines(status);
    ASSERT_EQ(status.getCode(), 0);
    block.setLogPolicy(simboard::LogPolicy::kFull);
    ram().setLogPolicy(simboard::LogPolicy::kFull);
    interrupts().clearRuns();
    takeWrites();
  }

  SequencerPreparation preparation;
};

class EachVariant : public Preparation {
 protected:
  EachVariant() : Preparation(GetParam()) {}
  bool lark() const { return GetParam() == kLarkSubsystem; }
};

INSTANTIATE_TEST_SUITE_P(Variants, EachVariant, ::testing::Values(kWrenSubsystem, kLarkSubsystem),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                           return info.param == kWrenSubsystem ? "Wren" : "Lark";
                         });

// Level 13: the image word for word from 0 and its table, then one end word
// per region, each with both halves and the address written even though
// the halves' shadows already hold them.
TEST_F(Preparation, Level13InstallsThePackageAndClosesEveryRegion) {
  countOnly();
  tStatus status;
  vorlan_driver::DefaultSubroutinePackage package;
  preparation.installSubroutinePackage(package, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(ram().registerWrites(), 3 * 2703u);
  EXPECT_EQ(ram().imageWords(), 2703u);
  vorlan_driver::nKIVAPAL000::tVector<uint64_t> image;
  package.getImage(image, status);
  for (uint32_t i = 0; i < 2703; ++i) ASSERT_EQ(ram().word(i), image[i]) << "word " << i;
  EXPECT_EQ(registrar->getNumSubroutines(status), 172u);
  EXPECT_EQ(addressOf(0x24EA160Bu), 0u);

  ram().setLogPolicy(simboard::LogPolicy::kFull);
  block.setLogPolicy(simboard::LogPolicy::kFull);
  takeWrites();
  preparation.writeChannelRegionEndWords(status);
  ASSERT_EQ(status.getCode(), 0);
  std::vector<Write> expected;
  for (uint32_t c = 0; c < kChannels; ++c) {
    const uint32_t end = 0x8000 + 1365 * c + 1364;
    expected.push_back({kIsoWindow, 0x52, static_cast<uint32_t>(kEndWord >> 32)});
    expected.push_back({kIsoWindow, 0x53, static_cast<uint32_t>(kEndWord)});
    expected.push_back({kIsoWindow, 0x50, end});
  }
  EXPECT_EQ(takeWrites(), expected);
  EXPECT_EQ(ram().word(0x8554), kEndWord);
  EXPECT_EQ(ram().word(0xFFF7), kEndWord);
  EXPECT_EQ(ram().word(0x8553), 0u);
}

// Level 14: all 24 issued, then each acknowledged in channel order; a
// channel that never acknowledges stops the climb with 0xBFFA469A after
// every channel was issued.
TEST_P(EachVariant, Level14IssuesEveryChannelsStartupBeforeWaitingForAny) {
  countOnly();
  tStatus installed;
  vorlan_driver::DefaultSubroutinePackage package;
  preparation.installSubroutinePackage(package, installed);
  ASSERT_EQ(installed.getCode(), 0);
  block.setLogPolicy(simboard::LogPolicy::kFull);
  takeWrites();

  for (const int32_t never : {-1, 7}) {
    SCOPED_TRACE(never);
    if (never >= 0) interrupts().setNeverAcknowledges(static_cast<uint32_t>(never), true);
    interrupts().clearRuns();
    tStatus status;
    preparation.runChannelStartupSubroutines(status);
    EXPECT_EQ(status.getCode(), never < 0 ? 0 : code(0xBFFA469Au));
    std::vector<Write> expected;
    for (uint32_t c = 0; c < kChannels; ++c) {
      const std::vector<Write> issue = issueWrites(c, addressOf(ids().channelStartup[c]));
      expected.insert(expected.end(), issue.begin(), issue.end());
    }
    EXPECT_EQ(takeWrites(), expected) << "the waits only read";
    ASSERT_EQ(interrupts().runs().size(), kChannels);
    for (uint32_t c = 0; c < kChannels; ++c) {
      EXPECT_EQ(interrupts().runs()[c].channel, c);
      EXPECT_TRUE(interrupts().runs()[c].inImage);
    }
    if (never >= 0) interrupts().setNeverAcknowledges(static_cast<uint32_t>(never), false);
  }
}

// Levels 15 and 16: each channel's data-RAM stretch (channel 0's value is
// the fresh shadow's, so it is not written), then the board's default
// error-response pair.
TEST_P(EachVariant, Levels15And16WriteDataRamAddressesAndTheDefaultResponses) {
  prepareThroughLevel14();
  tStatus status;
  preparation.assignSequencerDataRamAddresses(status);
  ASSERT_EQ(status.getCode(), 0);
  std::vector<Write> expected;
  for (uint32_t c = 1; c < kChannels; ++c) expected.push_back({c, channelAddress(c, 0x5C), 1364 * c});
  EXPECT_EQ(takeWrites(), expected);
  preparation.assignSequencerDataRamAddresses(status);
  EXPECT_EQ(takeWrites(), std::vector<Write>{}) << "unchanged values are not written again";

  preparation.configureDefaultResponses(status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{kIsoWindow, 0x171, addressOf(ids().errorResponse[0])},
                                              {kIsoWindow, 0x170, 0x170},
                                              {kIsoWindow, 0x171, addressOf(ids().errorResponse[1])},
                                              {kIsoWindow, 0x170, 0x161}}));
  EXPECT_TRUE(interrupts().runs().empty()) << "the board runs its responses itself";
}

// Level 20's last step: the final subroutine on channel 0, then bits 10 and
// 12 of the miscellaneous configuration for the variant, each with its
// strobe; teardown's shutdown then strobes bit 25 over the kept bits.
TEST_P(EachVariant, FinishThenShutdownOnChannelZero) {
  prepareThroughLevel14();
  tStatus status;
  preparation.finishStartup(status);
  ASSERT_EQ(status.getCode(), 0);
  std::vector<Write> expected = issueWrites(0, addressOf(ids().finishStartup));
  expected.push_back({kIsoWindow, 0x0E, lark() ? 0xC00u : 0x800u});
  expected.push_back({kIsoWindow, 0x0E, lark() ? 0x3400u : 0x2000u});
  EXPECT_EQ(takeWrites(), expected);
  ASSERT_EQ(interrupts().runs().size(), 1u);
  EXPECT_EQ(interrupts().runs()[0].channel, 0u);

  preparation.runShutdownSubroutine(status);
  ASSERT_EQ(status.getCode(), 0);
  expected = issueWrites(0, addressOf(ids().shutdown));
  expected.push_back({kIsoWindow, 0x0E, lark() ? 0x02001400u : 0x02000000u});
  EXPECT_EQ(takeWrites(), expected);
}

// A final or shutdown subroutine that is not acknowledged: 0xBFFA468C and
// no configuration write. A shutdown whose bit-0 acknowledgement does not
// come has written its strobe and reports the same code.
TEST_F(Preparation, UnacknowledgedFinishAndShutdownGive468C) {
  prepareThroughLevel14();
  interrupts().setNeverAcknowledges(0, true);
  tStatus finish;
  preparation.finishStartup(finish);
  EXPECT_EQ(finish.getCode(), code(0xBFFA468Cu));
  EXPECT_EQ(valuesAt(takeWrites(), kIsoWindow, 0x0E), std::vector<uint32_t>{});
  tStatus shutdown;
  preparation.runShutdownSubroutine(shutdown);
  EXPECT_EQ(shutdown.getCode(), code(0xBFFA468Cu));
  EXPECT_EQ(valuesAt(takeWrites(), kIsoWindow, 0x0E), std::vector<uint32_t>{});
  interrupts().setNeverAcknowledges(0, false);

  // Channel 0 busy with an error response (bit 0) for longer than the wait.
  tStatus responses;
  preparation.configureDefaultResponses(responses);
  interrupts().setRunNanoseconds(3000000000ull);
  channelPointers[0]->GenerateInterrupt.writeCommandType(0, responses, true);
  interrupts().setRunNanoseconds(simboard::InterruptGenerator::kDefaultRunNanoseconds);
  ASSERT_EQ(responses.getCode(), 0);
  takeWrites();
  tStatus late;
  preparation.runShutdownSubroutine(late);
  EXPECT_EQ(late.getCode(), code(0xBFFA468Cu));
  EXPECT_EQ(valuesAt(takeWrites(), kIsoWindow, 0x0E), std::vector<uint32_t>{0x02000000u});
}

// Start-up's package: the caller's only when all five values are given.
TEST(StartupPackage, TheCallersPackageNeedsAllFiveValues) {
  const std::vector<uint64_t> image{0x0400000000000000ull};
  const std::vector<uint32_t> idTable{7};
  const std::vector<uint32_t> addresses{0};
  struct Case {
    const char* name;
    uint64_t image, words, ids, addresses, count;
    int64_t code;
    uint32_t subroutines;
  };
  const uint64_t i = pointer(image.data());
  const uint64_t d = pointer(idTable.data());
  const uint64_t a = pointer(addresses.data());
  const Case cases[] = {
      {"all given", i, 1, d, a, 1, 0, 1},
      {"no id count", i, 1, d, a, 0, 0, 172},
      {"no image", 0, 1, d, a, 1, 0, 172},
      {"no addresses", i, 1, d, 0, 1, 0, 172},
      {"none", 0, 0, 0, 0, 0, 0, 172},
      {"count past 32 bits", i, 1, d, a, 1ull << 32, vorlan_driver::statusCodes::kValueOutOfRange, 0},
      {"words past 32 bits", i, 1ull << 32, d, a, 1, vorlan_driver::statusCodes::kValueOutOfRange, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tStatus status;
    std::unique_ptr<vorlan_driver::SubroutinePackageInterface> package(
        SequencerPreparation::createStartupPackage(nullptr, c.image, c.words, c.ids, c.addresses, c.count, status));
    EXPECT_EQ(status.getCode(), c.code);
    if (c.code != 0) {
      EXPECT_EQ(package, nullptr);
      continue;
    }
    ASSERT_NE(package, nullptr);
    vorlan_driver::nKIVAPAL000::tVector<uint32_t> table;
    package->getSubroutineIds(table, status);
    EXPECT_EQ(table.count(), c.subroutines);
  }
}

}  // namespace
}  // namespace preparedtest
