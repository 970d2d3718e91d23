// The sequencer's preparation at start-up (levels 13 to 16 and the final
// step of 20), the shutdown subroutine of teardown and the subroutine and
// command-word requests, over the simulated board's local RAM and interrupt
// generator: exact writes for the short steps, counts for the package.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "controllers/localRAMController/localRamLayout.h"
#include "controllers/subroutine/DefaultSubroutinePackage.h"
#include "device/startup/SequencerPreparation.h"
#include "kal/include/kalStandIn.h"
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
  EXPECT_EQ(preparation.getNumSubroutines(status), 172u);
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

// The request: channels in ascending order, each acknowledged before the
// next; an empty mask does nothing; a channel off the board is refused
// before anything runs; a missing acknowledgement stops the walk.
TEST_F(Preparation, ExecuteSubroutineWalksTheMaskUpwards) {
  prepareThroughLevel14();
  const uint32_t id = ids().finishStartup;
  const uint32_t address = addressOf(id);
  struct Case {
    const char* name;
    uint64_t mask;
    int32_t neverAcknowledges;
    int64_t code;
    std::vector<uint32_t> issued;
  };
  const Case cases[] = {
      {"empty", 0, -1, 0, {}},
      {"two", 0x0A, -1, 0, {1, 3}},
      {"off the board", (1ull << 24) | 1, -1, code(0xBFFA4303u), {}},
      {"bit 63", 1ull << 63, -1, code(0xBFFA4303u), {}},
      {"stuck middle", 0x2A, 3, code(0xBFFA4692u), {1, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.neverAcknowledges >= 0) interrupts().setNeverAcknowledges(c.neverAcknowledges, true);
    tStatus status;
    preparation.executeSubroutine(c.mask, id, 1000000, 4, status);
    EXPECT_EQ(status.getCode(), c.code);
    std::vector<Write> expected;
    for (uint32_t channel : c.issued) {
      const std::vector<Write> issue = issueWrites(channel, address);
      expected.insert(expected.end(), issue.begin(), issue.end());
    }
    EXPECT_EQ(takeWrites(), expected);
    if (c.neverAcknowledges >= 0) interrupts().setNeverAcknowledges(c.neverAcknowledges, false);
  }
}

// Command words end directly before the region's end word and the channel
// starts at the first of them (type 3, not awaited). More than a region
// holds is refused before anything is allocated, copied or written.
TEST_F(Preparation, CommandWordsFillTheRegionsEndAndStartThere) {
  prepareThroughLevel14();
  const uint32_t channel = 5;
  const uint32_t start = 0x8000 + 1365 * channel;
  const uint32_t end = start + 1364;
  const std::vector<uint64_t> three{0x0400000000000001ull, 0x1D0DFF0200000002ull, 0x2C00000000000003ull};
  std::vector<uint64_t> full(1365);
  for (uint32_t i = 0; i < full.size(); ++i) full[i] = 0x0400000000000000ull | i;
  struct Case {
    uint32_t count;
    int64_t code;
    uint32_t first;
  };
  for (const Case& c : {Case{0, 0, end}, Case{3, 0, end - 3}, Case{1364, 0, start},
                        Case{1365, code(0xBFFA4323u), 0}, Case{0xFFFFFFFFu, code(0xBFFA4323u), 0}}) {
    SCOPED_TRACE(c.count);
    const uint64_t copies = kalsim::userCopies();
    const uint64_t allocations = kalsim::liveDriverAllocations();
    tStatus status;
    const uint64_t* words = c.count == 3 ? three.data() : full.data();
    preparation.putInLocalRamCommandFifoAndExecute(nullptr, channel, pointer(words), c.count, status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(kalsim::liveDriverAllocations(), allocations);
    const std::vector<Write> writes = takeWrites();
    if (c.code != 0) {
      EXPECT_EQ(writes, std::vector<Write>{});
      EXPECT_EQ(kalsim::userCopies(), copies);
      continue;
    }
    EXPECT_EQ(kalsim::userCopies() - copies, c.count == 0 ? 0u : 1u);
    for (uint32_t i = 0; i < c.count; ++i) ASSERT_EQ(ram().word(c.first + i), words[i]) << i;
    EXPECT_EQ(ram().word(end), kEndWord) << "the end word stays";
    ASSERT_EQ(writes.size(), 3u * c.count + 3);
    if (c.count == 3) {
      for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(writes[3 * i], (Write{kIsoWindow, 0x52, static_cast<uint32_t>(three[i] >> 32)}));
        EXPECT_EQ(writes[3 * i + 1], (Write{kIsoWindow, 0x53, static_cast<uint32_t>(three[i])}));
        EXPECT_EQ(writes[3 * i + 2], (Write{kIsoWindow, 0x50, c.first + i}));
      }
    }
    EXPECT_EQ(std::vector<Write>(writes.end() - 3, writes.end()),
              (std::vector<Write>{{kIsoWindow, 0x171, c.first},
                                  {kIsoWindow, 0x170, 0x113},
                                  {channel, channelAddress(channel, 0x3B), 3}}));
  }

  // A caller's range the layer refuses to copy: nothing written or issued.
  kalsim::markUserRangeBad(three.data(), 8);
  tStatus refused;
  preparation.putInLocalRamCommandFifoAndExecute(nullptr, channel, pointer(three.data()), 3, refused);
  kalsim::clearBadUserRanges();
  EXPECT_EQ(refused.getCode(), codes::kInvalidArgument);
  EXPECT_EQ(takeWrites(), std::vector<Write>{});
  tStatus offBoard;
  preparation.putInLocalRamCommandFifoAndExecute(nullptr, 24, pointer(three.data()), 3, offBoard);
  EXPECT_EQ(offBoard.getCode(), code(0xBFFA4303u));
  EXPECT_EQ(takeWrites(), std::vector<Write>{});
}

// A downloaded package replaces the image and the table, and everything
// the board runs by itself follows it: the error-response pair and the
// alarm macro (written even where its shadow already holds the address).
TEST_F(Preparation, ADownloadMovesTheBoardsOwnSubroutinesAndListsBack) {
  prepareThroughLevel14();
  const std::vector<uint64_t> image{0x0400000000000000ull, 0x0400000000000001ull, 0x0400000000000002ull,
                                    0x0400000000000003ull};
  const std::vector<uint32_t> idTable{0x11111111u, ids().alarmResponse, ids().errorResponse[1],
                                      ids().errorResponse[0]};
  const std::vector<uint32_t> addresses{0, 1, 2, 3};
  tStatus status;
  preparation.downloadSubroutines(nullptr, pointer(image.data()), 4, pointer(idTable.data()),
                                  pointer(addresses.data()), 4, status);
  ASSERT_EQ(status.getCode(), 0);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(ram().word(i), image[i]);
  EXPECT_EQ(ram().word(0x8554), kEndWord) << "the regions stay";
  const std::vector<Write> writes = takeWrites();
  EXPECT_EQ(std::vector<Write>(writes.begin() + 12, writes.end()),
            (std::vector<Write>{{kIsoWindow, 0x171, 3},
                                {kIsoWindow, 0x170, 0x170},
                                {kIsoWindow, 0x171, 2},
                                {kIsoWindow, 0x170, 0x161},
                                {kIsoWindow, 0x05C, 1}}));
  EXPECT_EQ(preparation.getNumSubroutines(status), 4u);

  std::vector<uint32_t> gotIds(4, 0xEEEEEEEEu);
  std::vector<uint32_t> gotAddresses(4, 0xEEEEEEEEu);
  preparation.getSubroutines(nullptr, pointer(gotIds.data()), pointer(gotAddresses.data()), 4, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(gotIds, idTable);
  EXPECT_EQ(gotAddresses, addresses);

  // The same package again: the macro goes out although it did not move.
  preparation.downloadSubroutines(nullptr, pointer(image.data()), 4, pointer(idTable.data()),
                                  pointer(addresses.data()), 4, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(valuesAt(takeWrites(), kIsoWindow, 0x05C), std::vector<uint32_t>{1});

  // Listing refusals copy nothing.
  std::vector<uint32_t> untouched(5, 0xEEEEEEEEu);
  tStatus wrongCount;
  preparation.getSubroutines(nullptr, pointer(untouched.data()), pointer(untouched.data()), 5, wrongCount);
  EXPECT_EQ(wrongCount.getCode(), code(0xBFFA4312u));
  tStatus noIds;
  preparation.getSubroutines(nullptr, 0, pointer(untouched.data()), 4, noIds);
  EXPECT_EQ(noIds.getCode(), code(0xBFFA4311u));
  tStatus noAddresses;
  preparation.getSubroutines(nullptr, pointer(untouched.data()), 0, 4, noAddresses);
  EXPECT_EQ(noAddresses.getCode(), code(0xBFFA4311u));
  EXPECT_EQ(untouched, std::vector<uint32_t>(5, 0xEEEEEEEEu));
}

// A package without one of the board's own subroutines: the other still
// follows the package, the missing one keeps its old address and the
// lookup's code is reported.
TEST_F(Preparation, ADownloadWithoutOneOfTheBoardsSubroutinesStillMovesTheOther) {
  prepareThroughLevel14();
  const std::vector<uint64_t> image{0x0400000000000000ull, 0x0400000000000001ull};
  const std::vector<uint32_t> addresses{0, 1};
  struct Case {
    const char* name;
    std::vector<uint32_t> idTable;
    std::vector<uint32_t> responseAddresses;
    std::vector<uint32_t> macroAddresses;
  };
  const Case cases[] = {
      {"no alarm response: the error responses move", {ids().errorResponse[0], ids().errorResponse[1]}, {0, 1}, {}},
      {"no error responses: the macro moves", {0x11111111u, ids().alarmResponse}, {}, {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tStatus status;
    preparation.downloadSubroutines(nullptr, pointer(image.data()), 2, pointer(c.idTable.data()),
                                    pointer(addresses.data()), 2, status);
    EXPECT_EQ(status.getCode(), code(0xBFFA4309u));
    tStatus listed;
    EXPECT_EQ(preparation.getNumSubroutines(listed), 2u) << "installed";
    const std::vector<Write> writes = takeWrites();
    EXPECT_EQ(valuesAt(writes, kIsoWindow, 0x171), c.responseAddresses);
    EXPECT_EQ(valuesAt(writes, kIsoWindow, 0x05C), c.macroAddresses);
  }
  const std::vector<uint32_t> idTable{ids().errorResponse[0], ids().errorResponse[1]};

  // A copy the layer refuses installs nothing.
  kalsim::markUserRangeBad(idTable.data(), 4);
  tStatus refused;
  preparation.downloadSubroutines(nullptr, pointer(image.data()), 2, pointer(idTable.data()),
                                  pointer(addresses.data()), 2, refused);
  kalsim::clearBadUserRanges();
  EXPECT_EQ(refused.getCode(), codes::kInvalidArgument);
  EXPECT_EQ(takeWrites(), std::vector<Write>{});
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
