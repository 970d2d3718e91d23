// The interrupt generator and the error-response subroutines over the
// simulated board, whose generator model runs subroutines and acknowledges
// them in virtual time.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controllers/subroutine/CustomSubroutinePackage.h"
#include "controllers/subroutine/DefaultSubroutinePackage.h"
#include "controllers/subroutine/SubroutineDownload.h"
#include "controllers/subroutine/subroutineIds.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "kal/include/kalStandIn.h"
#include "tests/controllers/sequencerBoard.h"

namespace sequencertest {
namespace {

namespace codes = vorlan_driver::statusCodes;
namespace ids = vorlan_driver::subroutineIds;
using Generator = vorlan_driver::IsoInterruptGeneratorController;

constexpr int32_t kAckCode = static_cast<int32_t>(0xBFFA4692u);
uint32_t channelAddress(uint32_t channel, uint32_t offset) { return 0x1000u | channel << 7 | (offset & 0x7Fu); }

// The built-in package installed: image in RAM, table registered.
class InterruptGeneratorBoard : public SequencerBoard {
 protected:
  explicit InterruptGeneratorBoard(uint32_t subsystem = kWrenSubsystem) : SequencerBoard(subsystem) {
    installBuiltInPackage();
  }
  uint32_t addressOf(uint32_t id) {
    tStatus status;
    const uint32_t address = registrar->getSubroutineAddress(id, status);
    EXPECT_EQ(status.getCode(), 0);
    return address;
  }
};

// Each type's writes: the address, the configuration with the type, its
// flags and the go bit in one write, then (not for the board's own types)
// the channel's generate register.
TEST_F(InterruptGeneratorBoard, EachTypeWritesAddressConfigurationAndGenerate) {
  const uint32_t id = ids::kWren.channelStartup[3];
  const uint32_t address = addressOf(id);
  struct Case {
    uint32_t type;
    uint32_t config;
    bool boardOnly;
  };
  for (const Case& c : {Case{0, 0x170, true}, Case{1, 0x161, true}, Case{2, 0x142, false}, Case{3, 0x113, false},
                        Case{4, 0x114, false}, Case{12, 0x114, false}}) {
    SCOPED_TRACE(c.type);
    tStatus status;
    if (c.boardOnly) {
      generator->issueToBoard(c.type, id, status);
    } else {
      generator->issueSubroutine(7, id, c.type, status);
    }
    EXPECT_EQ(status.getCode(), 0);
    std::vector<Write> expected{{kIsoWindow, 0x171, address}, {kIsoWindow, 0x170, c.config}};
    if (!c.boardOnly) expected.push_back({7, channelAddress(7, 0x103B), c.type & 7});
    EXPECT_EQ(takeWrites(), expected);
    EXPECT_EQ(interrupts().vector(c.type & 7).address, address);
    EXPECT_EQ(interrupts().vector(c.type & 7).flags, (c.config >> 4) & 7);
  }
  // The same address again is written again; an address issued to a channel
  // is type 3.
  tStatus status;
  generator->issueAddress(2, 0x8000, status);
  generator->issueAddress(2, 0x8000, status);
  EXPECT_EQ(status.getCode(), 0);
  const Write once[] = {{kIsoWindow, 0x171, 0x8000}, {kIsoWindow, 0x170, 0x113}, {2, channelAddress(2, 0x103B), 3}};
  EXPECT_EQ(takeWrites(), (std::vector<Write>{once[0], once[1], once[2], once[0], once[1], once[2]}));
}

TEST_F(InterruptGeneratorBoard, UnknownIdsAndChannelsOutsideTheBoardWriteNothing) {
  tStatus unknown;
  generator->issueSubroutine(0, 0x12345678u, 4, unknown);
  EXPECT_EQ(unknown.getCode(), code(0xBFFA4309u));
  tStatus board;
  generator->issueToBoard(0, 0x12345678u, board);
  EXPECT_EQ(board.getCode(), code(0xBFFA4309u));
  for (uint8_t channel : {uint8_t{24}, uint8_t{63}, uint8_t{255}}) {
    SCOPED_TRACE(channel);
    tStatus status;
    generator->executeSubroutine(channel, ids::kSequenceEngineReset, 4, 1000, kAckCode, status);
    EXPECT_EQ(status.getCode(), code(0xBFFA4300u));
    tStatus active;
    EXPECT_FALSE(generator->isInterruptActive(channel, 4, active));
    EXPECT_EQ(active.getCode(), code(0xBFFA4300u));
  }
  EXPECT_EQ(takeWrites(), std::vector<Write>{});
  EXPECT_TRUE(interrupts().runs().empty());
}

TEST_F(InterruptGeneratorBoard, ARunIsAcknowledgedInVirtualTimeAtTheRegistrarsAddress) {
  const uint32_t id = ids::kWren.finishStartup;
  const uint64_t start = kalsim::virtualNanoseconds();
  tStatus status;
  generator->executeSubroutine(0, id, 4, 1000000, kAckCode, status);
  EXPECT_EQ(status.getCode(), 0);
  ASSERT_EQ(interrupts().runs().size(), 1u);
  const simboard::InterruptGenerator::Run& run = interrupts().runs()[0];
  EXPECT_EQ(run.channel, 0u);
  EXPECT_EQ(run.type, 4u);
  EXPECT_EQ(run.address, addressOf(id));
  EXPECT_TRUE(run.inImage);
  EXPECT_EQ(run.word, ram().word(run.address));
  const uint64_t took = kalsim::virtualNanoseconds() - start;
  EXPECT_GE(took, simboard::InterruptGenerator::kDefaultRunNanoseconds);
  EXPECT_LT(took, 1000000000ull) << "well before the time-out";
  tStatus done;
  EXPECT_FALSE(generator->isInterruptActive(0, 4, done));

  // An address beyond the installed image is seen as such.
  generator->issueAddress(1, 0x8000, status);
  EXPECT_FALSE(interrupts().runs().back().inImage);
}

TEST_F(InterruptGeneratorBoard, AChannelThatNeverAcknowledgesTimesOutWithTheCallersCode) {
  interrupts().setNeverAcknowledges(5, true);
  const uint64_t start = kalsim::virtualNanoseconds();
  tStatus status;
  generator->executeSubroutine(5, ids::kWren.channelStartup[5], 4, 20000, kAckCode, status);
  EXPECT_EQ(status.getCode(), kAckCode);
  EXPECT_GE(kalsim::virtualNanoseconds() - start, 20000000ull);
  tStatus active;
  EXPECT_TRUE(generator->isInterruptActive(5, 4, active));
  EXPECT_TRUE(generator->isInterruptActive(5, 36, active)) << "bit numbers wrap at 32";
  EXPECT_FALSE(generator->isInterruptActive(5, 3, active));
  EXPECT_EQ(active.getCode(), 0);

  // Other channels still acknowledge; once the switch is off, so does this.
  tStatus other;
  generator->executeSubroutine(6, ids::kWren.channelStartup[6], 4, 20000, kAckCode, other);
  EXPECT_EQ(other.getCode(), 0);
  interrupts().setNeverAcknowledges(5, false);
  tStatus later;
  generator->waitForAcknowledge(5, 4, 20000, kAckCode, later);
  EXPECT_EQ(later.getCode(), 0);
}

TEST_F(InterruptGeneratorBoard, AStatusBitAlreadyClearEndsTheWaitAtOnce) {
  tStatus status;
  generator->waitForAcknowledge(9, 4, 0, kAckCode, status);
  EXPECT_EQ(status.getCode(), 0);
  // A bit the board sets by itself is reported by the status query.
  side().setReadView(channelAddress(9, 0x1039), 1u << 2);
  EXPECT_TRUE(generator->isInterruptActive(9, 2, status));
  EXPECT_EQ(status.getCode(), 0);
}

// Start-up's pattern: issue to every channel, then wait for each in turn.
TEST_F(InterruptGeneratorBoard, StartupSubroutinesIssuedToAllChannelsAreAcknowledgedInOrder) {
  tStatus status;
  for (uint8_t c = 0; c < kChannels; ++c) generator->issueSubroutine(c, ids::kWren.channelStartup[c], 4, status);
  for (uint8_t c = 0; c < kChannels; ++c) {
    generator->waitForAcknowledge(c, 4, 1000000, static_cast<int32_t>(0xBFFA469Au), status);
  }
  EXPECT_EQ(status.getCode(), 0);
  ASSERT_EQ(interrupts().runs().size(), 24u);
  for (uint32_t c = 0; c < kChannels; ++c) {
    EXPECT_EQ(interrupts().runs()[c].channel, c);
    EXPECT_EQ(interrupts().runs()[c].address, addressOf(ids::kWren.channelStartup[c]));
  }
}

// The error-response pair: defaults by variant, a session's own pair with
// its cleanup entry, reset, and the defaults back when the session closes.
TEST_F(InterruptGeneratorBoard, AnErrorResponsePairIsConfiguredResetAndReissuedAtClose) {
  tStatus built;
  kdut::CleanupOperationComposite session(kdut::CleanupOperationComposite::kSessionCapacity, built);
  auto vectors = [this] {
    return std::vector<uint32_t>{interrupts().vector(0).address, interrupts().vector(1).address};
  };
  const std::vector<uint32_t> defaults{addressOf(ids::kWren.errorResponse[0]), addressOf(ids::kWren.errorResponse[1])};
  const uint32_t mine0 = ids::kWren.channelStartup[0];
  const uint32_t mine1 = ids::kWren.channelStartup[1];

  tStatus status;
  responses->configureDefaultResponses(status);
  EXPECT_EQ(vectors(), defaults);
  EXPECT_EQ(interrupts().vector(0).flags, 7u);
  EXPECT_EQ(interrupts().vector(1).flags, 6u);

  responses->configureResponses(session, mine0, mine1, status);
  responses->configureResponses(session, mine0, mine1, status);
  EXPECT_EQ(vectors(), (std::vector<uint32_t>{addressOf(mine0), addressOf(mine1)}));
  responses->resetResponses(session, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(vectors(), defaults);
  EXPECT_TRUE(session.contains(responses.get())) << "two configured, one reset";

  responses->configureResponses(session, mine0, mine1, status);
  tStatus closing;
  session.cleanup(closing);
  EXPECT_EQ(closing.getCode(), 0);
  EXPECT_EQ(vectors(), defaults);
  EXPECT_TRUE(interrupts().runs().empty()) << "the board's own types reach no channel";

  // A pair with an unknown id: the defaults come back, the first error is
  // reported and nothing is added.
  session.clear();
  tStatus failing;
  responses->configureResponses(session, mine0, 0x12345678u, failing);
  EXPECT_EQ(failing.getCode(), code(0xBFFA4309u));
  EXPECT_EQ(vectors(), defaults);
  EXPECT_FALSE(session.contains(responses.get()));
  // Resetting what was never configured restores the defaults, then says so.
  tStatus reset;
  responses->resetResponses(session, reset);
  EXPECT_EQ(reset.getCode(), codes::kNotFound);
}

class LarkBoard : public InterruptGeneratorBoard {
 protected:
  LarkBoard() : InterruptGeneratorBoard(kLarkSubsystem) {}
};

TEST_F(LarkBoard, TheLarkVariantHasItsOwnDefaultPair) {
  EXPECT_EQ(responses->getDefaultResponse(0), 0x17EB91D1u);
  EXPECT_EQ(responses->getDefaultResponse(1), 0x2B6EA0ADu);
  tStatus status;
  responses->configureDefaultResponses(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(interrupts().vector(0).address, addressOf(0x17EB91D1u));
  EXPECT_EQ(interrupts().vector(1).address, addressOf(0x2B6EA0ADu));
}

}  // namespace
}  // namespace sequencertest
