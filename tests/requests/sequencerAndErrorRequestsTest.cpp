// The subroutine and hardware-error requests past their gates, over the
// controller aggregate on the simulated board: a package downloaded and
// listed back, subroutines run and acknowledged channel by channel, command
// words put below a region's end word, and injected hardware errors read,
// checked and cleared.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controllers/localRAMController/localRamLayout.h"
#include "kal/include/kalStandIn.h"
#include "platform/status/statusCodes.h"
#include "requests/ChannelRequests.h"
#include "requests/ControllerRequests.h"
#include "requests/EventRequests.h"
#include "tests/requests/instrumentRequestBoard.h"

namespace instrumenttest {
namespace {

using vorlan_driver::requests::ChannelRequests;
using vorlan_driver::requests::ControllerRequests;
using vorlan_driver::requests::EventRequests;
using simboard::ErrorManager;
namespace codes = vorlan_driver::statusCodes;

constexpr int64_t kNotAcknowledged = code(0xBFFA4692u);

uint64_t pointer(const void* p) { return reinterpret_cast<uint64_t>(p); }

class SequencerRequestsTest : public InstrumentRequestBoard {};

TEST_F(SequencerRequestsTest, ADownloadedPackageIsListedBackWhole) {
  // The package keeps the variant's error responses and alarm response, as
  // a download re-issues them.
  const std::vector<uint32_t> ids = {0x4242, controllers->errorResponses.getDefaultResponse(0),
                                     controllers->errorResponses.getDefaultResponse(1),
                                     controllers->alarms[0].getResponseId()};
  const std::vector<uint32_t> addresses = {3, 0, 1, 2};
  const std::vector<uint64_t> image = {0x1111, 0x2222, 0x3333, 0x4444, 0x5555};
  countOnly();
  tStatus status;
  bodyFor<ChannelRequests>(other.get())
      .downloadSubroutines(pointer(image.data()), 5, pointer(ids.data()), pointer(addresses.data()), 4, status);
  ASSERT_EQ(status.getCode(), 0);
  for (uint32_t w = 0; w < image.size(); ++w) EXPECT_EQ(ram().word(w), image[w]) << w;
  EXPECT_EQ(bodyFor<ControllerRequests>(other.get()).getNumSubroutines(status), 4u);

  struct Case {
    uint32_t capacity;
    int64_t code;
  };
  for (const Case& c : {Case{3, code(0xBFFA4312u)}, Case{5, code(0xBFFA4312u)}, Case{4, 0}}) {
    SCOPED_TRACE(c.capacity);
    std::vector<uint32_t> listedIds(6, 0xA5A5A5A5u);
    std::vector<uint32_t> listedAddresses(6, 0xA5A5A5A5u);
    tStatus listed;
    bodyFor<ChannelRequests>(session.get())
        .getSubroutines(pointer(listedIds.data()), pointer(listedAddresses.data()), c.capacity, listed);
    EXPECT_EQ(listed.getCode(), c.code);
    for (uint32_t i = 0; i < 6; ++i) {
      const bool copied = c.code == 0 && i < 4;
      EXPECT_EQ(listedIds[i], copied ? ids[i] : 0xA5A5A5A5u) << i;
      EXPECT_EQ(listedAddresses[i], copied ? addresses[i] : 0xA5A5A5A5u) << i;
    }
  }
}

// The table is not tied to the image: a package of one word whose table
// names it three times, or a table alone pointing into the code already in
// the RAM, installs as given, and the board's own responses follow it.
TEST_F(SequencerRequestsTest, ATableLongerThanTheImageInstalls) {
  const std::vector<uint32_t> ids = {controllers->errorResponses.getDefaultResponse(0),
                                     controllers->errorResponses.getDefaultResponse(1),
                                     controllers->alarms[0].getResponseId()};
  std::vector<uint32_t> installed;
  for (uint32_t id : ids) installed.push_back(registrar->getSubroutineAddress(id, built));
  ASSERT_EQ(built.getCode(), 0);
  struct Case {
    const char* name;
    std::vector<uint64_t> image;
    std::vector<uint32_t> addresses;
  };
  const Case cases[] = {
      {"one word, three ids", {0x0400000000000042ull}, {0, 0, 0}},
      {"no words, a table into the code in the RAM", {}, installed},
      {"two words, addresses beyond them", {0x1111, 0x2222}, {0, 1, 40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    countOnly();
    std::vector<uint64_t> ramBefore;
    for (uint32_t w = 0; w < 64; ++w) ramBefore.push_back(ram().word(w));
    tStatus status;
    bodyFor<ChannelRequests>(session.get())
        .downloadSubroutines(pointer(c.image.data()), static_cast<uint32_t>(c.image.size()), pointer(ids.data()),
                             pointer(c.addresses.data()), static_cast<uint32_t>(ids.size()), status);
    EXPECT_EQ(status.getCode(), 0);
    for (uint32_t w = 0; w < 64; ++w) {
      EXPECT_EQ(ram().word(w), w < c.image.size() ? c.image[w] : ramBefore[w]) << w;
    }
    std::vector<uint32_t> listedIds(ids.size());
    std::vector<uint32_t> listedAddresses(ids.size());
    tStatus listed;
    bodyFor<ChannelRequests>(session.get())
        .getSubroutines(pointer(listedIds.data()), pointer(listedAddresses.data()),
                        static_cast<uint32_t>(ids.size()), listed);
    EXPECT_EQ(listed.getCode(), 0);
    EXPECT_EQ(listedIds, ids);
    EXPECT_EQ(listedAddresses, c.addresses);
  }
}

// The caller's counts would size the package's copies: an image or a table
// longer than the local RAM has words is refused before anything is
// allocated, copied or written, and the installed package stays.
TEST_F(SequencerRequestsTest, ACountBeyondTheRamIsRefusedBeforeAnythingIsAllocated) {
  constexpr uint32_t kWords = static_cast<uint32_t>(vorlan_driver::kLocalRamWords);
  const std::vector<uint64_t> image(kWords + 1, 0x0400000000000000ull);
  const std::vector<uint32_t> ids(kWords + 1, 7);
  const std::vector<uint32_t> addresses(kWords + 1, 0);
  tStatus counted;
  const uint32_t installed = bodyFor<ControllerRequests>(nullptr).getNumSubroutines(counted);
  struct Case {
    const char* name;
    uint32_t words;
    uint32_t idCount;
  };
  const Case cases[] = {
      {"every word of a 32-bit count", 0xFFFFFFFFu, 1},
      {"one word past the RAM", kWords + 1, 1},
      {"more ids than the RAM's words", kWords, kWords + 1},
      {"more ids than the RAM's words over one word", 1, kWords + 1},
      {"every id of a 32-bit count", 0, 0xFFFFFFFFu},
      {"both counts at their largest", 0xFFFFFFFFu, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    takeWrites();
    // As a kernel's allocator would, so a count that does get through fails
    // instead of taking the machine's memory.
    kalsim::refuseAllocationsAboveOnThisThread(1u << 20);
    const uint64_t before = kalsim::allocationCallsOnThisThread();
    tStatus status;
    bodyFor<ChannelRequests>(session.get())
        .downloadSubroutines(pointer(image.data()), c.words, pointer(ids.data()), pointer(addresses.data()), c.idCount,
                             status);
    const uint64_t allocations = kalsim::allocationCallsOnThisThread() - before;
    kalsim::refuseAllocationsAboveOnThisThread(0);
    EXPECT_EQ(status.getCode(), codes::kInvalidArgument);
    EXPECT_EQ(allocations, 0u);
    EXPECT_TRUE(board.log().entries().empty());
    EXPECT_EQ(takeWrites(), std::vector<Write>{});
    EXPECT_EQ(bodyFor<ControllerRequests>(nullptr).getNumSubroutines(counted), installed);
  }
  EXPECT_EQ(counted.getCode(), 0);
}

TEST_F(SequencerRequestsTest, SubroutinesRunChannelByChannelUntilOneIsNotAcknowledged) {
  const uint32_t id = controllers->errorResponses.getDefaultResponse(0);
  const uint32_t address = registrar->getSubroutineAddress(id, built);
  struct Case {
    const char* name;
    uint64_t mask;
    int32_t silent;  // a channel that never acknowledges, -1 for none
    int64_t code;
    std::vector<uint32_t> ran;
  };
  const Case cases[] = {
      {"channels 0, 2 and 23", 0x800005, -1, 0, {0, 2, 23}},
      {"channel 2 silent: 23 never issued", 0x800005, 2, kNotAcknowledged, {0, 2}},
      {"no channel", 0, -1, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.silent >= 0) interrupts().setNeverAcknowledges(c.silent, true);
    interrupts().clearRuns();
    tStatus status;
    bodyFor<ChannelRequests>(nullptr).executeSubroutine(c.mask, id, 1000, status);
    if (c.silent >= 0) interrupts().setNeverAcknowledges(c.silent, false);
    EXPECT_EQ(status.getCode(), c.code);
    std::vector<uint32_t> ran;
    for (const auto& run : interrupts().runs()) {
      ran.push_back(run.channel);
      EXPECT_EQ(run.address, address);
      EXPECT_EQ(run.type, 4u);
    }
    EXPECT_EQ(ran, c.ran);
  }
}

TEST_F(SequencerRequestsTest, CommandWordsEndBelowTheRegionsEndWordAndRunFromTheFirst) {
  constexpr uint32_t kCh = 3;
  hold(*session, uint64_t{1} << kCh);
  const vorlan_driver::LocalRamRegion region = vorlan_driver::getLocalRamChannelRegion(kCh);
  struct Case {
    uint32_t count;
    int64_t code;
  };
  for (const Case& c : {Case{3, 0}, Case{1364, 0}, Case{0, 0}, Case{1365, code(0xBFFA4323u)}}) {
    SCOPED_TRACE(c.count);
    std::vector<uint64_t> words(c.count);
    for (uint32_t i = 0; i < c.count; ++i) words[i] = 0xC0DE000000000000ull | i;
    countOnly();
    interrupts().clearRuns();
    tStatus status;
    bodyFor<ChannelRequests>(session.get())
        .putInLocalRamCommandFifoAndExecute(uint64_t{1} << kCh, pointer(words.data()), c.count, status);
    EXPECT_EQ(status.getCode(), c.code);
    if (c.code != 0) {
      EXPECT_TRUE(interrupts().runs().empty());
      continue;
    }
    const uint32_t first = region.trailerAddress() - c.count;
    for (uint32_t i = 0; i < c.count; ++i) EXPECT_EQ(ram().word(first + i), words[i]) << i;
    ASSERT_EQ(interrupts().runs().size(), 1u);
    EXPECT_EQ(interrupts().runs()[0].channel, kCh);
    EXPECT_EQ(interrupts().runs()[0].type, 3u);
    EXPECT_EQ(interrupts().runs()[0].address, first);
  }
}

class HardwareErrorRequestsTest : public InstrumentRequestBoard {};

TEST_F(HardwareErrorRequestsTest, InjectedErrorsAreCheckedReadAndCleared) {
  constexpr uint32_t kCh = 4;
  // A fault of channel 4 in set B's main vector, the error-present flag up.
  errors().injectFault(ErrorManager::Set::kB, ErrorManager::Vector::kMain, kCh * ErrorManager::kGroupWidth, true);
  hold(*session, uint64_t{1} << kCh | 0x1);
  struct Case {
    uint64_t mask;
    bool found;
  };
  for (const Case& c : {Case{0, false}, Case{0x1, false}, Case{uint64_t{1} << kCh, true}}) {
    tStatus checked;
    bodyFor<EventRequests>(session.get()).checkBoardAndChannelBasedHardwareErrors(c.mask, checked);
    EXPECT_EQ(checked.isFatal(), c.found) << c.mask;
  }

  // The error-present flag as the last status read left it.
  std::vector<uint32_t> setA(11, 0xA5A5A5A5u);
  std::vector<uint32_t> setB(11, 0xA5A5A5A5u);
  tStatus status;
  EXPECT_TRUE(bodyFor<EventRequests>(nullptr).getHardwareErrors(pointer(setA.data()), pointer(setB.data()), status))
      << "any session may read them";
  ASSERT_EQ(status.getCode(), 0);
  const vorlan_driver::ErrorVectorSnapshot expectedA = nisoErrors->readErrorVectorSetA(status);
  const vorlan_driver::ErrorVectorSnapshot expectedB = nisoErrors->readErrorVectorSetB(status);
  EXPECT_EQ(setA, std::vector<uint32_t>(expectedA.words, expectedA.words + 11));
  EXPECT_EQ(setB, std::vector<uint32_t>(expectedB.words, expectedB.words + 11));
  EXPECT_NE(setB, std::vector<uint32_t>(11, 0)) << "the injected bit shows";

  tStatus cleared;
  bodyFor<EventRequests>(session.get()).clearChannelBasedHardwareErrors(uint64_t{1} << kCh, cleared);
  EXPECT_EQ(cleared.getCode(), 0);
  tStatus after;
  bodyFor<EventRequests>(session.get()).checkBoardAndChannelBasedHardwareErrors(uint64_t{1} << kCh, after);
  EXPECT_EQ(after.getCode(), 0);
}

TEST_F(HardwareErrorRequestsTest, AnOverflowedChannelOfTheMaskIsReported) {
  hold(*session, 0x30);
  errors().setOverflow(1u << 5);
  struct Case {
    uint64_t mask;
    int64_t code;
  };
  for (const Case& c : {Case{0x10, 0}, Case{0x30, code(0xBFFA4037u)}, Case{0x40, kNotHeld}}) {
    tStatus status;
    bodyFor<EventRequests>(session.get()).checkMeasureFifoOverflowStatus(c.mask, status);
    EXPECT_EQ(status.getCode(), c.code) << c.mask;
  }
}

}  // namespace
}  // namespace instrumenttest
