// The sequencer's local RAM over the simulated board, the download of a
// package into it and the registrar's table.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "controllers/subroutine/CustomSubroutinePackage.h"
#include "controllers/subroutine/DefaultSubroutinePackage.h"
#include "controllers/subroutine/SubroutineDownload.h"
#include "kal/include/kalStandIn.h"
#include "tests/controllers/sequencerBoard.h"

namespace sequencertest {
namespace {

namespace codes = vorlan_driver::statusCodes;
using vorlan_driver::nKIVAPAL000::tVector;

tVector<uint64_t>& fill(tVector<uint64_t>& v, const std::vector<uint64_t>& words) {
  tStatus status;
  v.assign(words.data(), words.size(), status);
  return v;
}

uint64_t pointer(const void* p) { return reinterpret_cast<uint64_t>(p); }

using LocalRam = SequencerBoard;

TEST_F(LocalRam, AWordIsWrittenHighLowAddressEveryTimeAndReadsBack) {
  tVector<uint64_t> words;
  tStatus status;
  // Equal high halves still write the high register twice.
  localRam->write(fill(words, {0x1111111122222222ull, 0x1111111133333333ull}), 0x1234, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{kIsoWindow, 0x52, 0x11111111u},
                                              {kIsoWindow, 0x53, 0x22222222u},
                                              {kIsoWindow, 0x50, 0x1234u},
                                              {kIsoWindow, 0x52, 0x11111111u},
                                              {kIsoWindow, 0x53, 0x33333333u},
                                              {kIsoWindow, 0x50, 0x1235u}}));
  EXPECT_EQ(ram().word(0x1234), 0x1111111122222222ull);
  EXPECT_EQ(ram().word(0x1235), 0x1111111133333333ull);

  ram().setWord(0xFFFF, 0xABCDEF0012345678ull);
  tVector<uint64_t> back;
  back.resize(2, status);
  localRam->read(back, 0xFFFE, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(back[0], 0u);
  EXPECT_EQ(back[1], 0xABCDEF0012345678ull);
}

TEST_F(LocalRam, RunsPastTheEndAreRefusedWithNothingWritten) {
  struct Case {
    uint16_t start;
    uint64_t count;
    int64_t code;
  };
  for (const Case& c : {Case{0xFFFF, 1, 0}, Case{0xFFFF, 2, codes::kInvalidArgument}, Case{0, 0, 0},
                        Case{1, 0x10000, codes::kInvalidArgument}}) {
    SCOPED_TRACE(c.start);
    tVector<uint64_t> words;
    tStatus status;
    words.resize(c.count, status);
    localRam->write(words, c.start, status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(ram().registerWrites(), c.code == 0 ? 3 * c.count : 0u);
    ram().setLogPolicy(simboard::LogPolicy::kFull);
    takeWrites();
    ram() = simboard::SequencerLocalRam();
  }
}

TEST_F(LocalRam, TheBuiltInPackageLandsWordForWordIn8109Writes) {
  countOnly();
  vorlan_driver::DefaultSubroutinePackage package;
  vorlan_driver::SubroutineDownload download(localRam.get());
  tStatus status;
  download.download(package, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(ram().registerWrites(), 8109u);
  EXPECT_EQ(ram().registerReads(), 0u);
  EXPECT_EQ(ram().commits(), 2703u);
  EXPECT_EQ(ram().imageWords(), 2703u);
  EXPECT_TRUE(side().log().empty()) << "bulk traffic is counted, not logged";
  // Across the link: each register write is a ready check, the data and the
  // address at the window.
  EXPECT_EQ(block.writes(), 2 * 8109u);
  EXPECT_EQ(block.reads(), 8109u);
  tVector<uint64_t> image;
  package.getImage(image, status);
  for (uint32_t i = 0; i < 2703; ++i) ASSERT_EQ(ram().word(i), image[i]) << "word " << i;
  EXPECT_EQ(ram().word(2703), 0u);
}

TEST_F(LocalRam, AnOversizePackageIsRefusedWithNothingWritten) {
  countOnly();
  std::vector<uint64_t> words(0x10001, 0x0400000000000000ull);
  const uint32_t none = 0;
  tStatus status;
  vorlan_driver::CustomSubroutinePackage package(nullptr, pointer(words.data()), 0x10001, pointer(&none),
                                                 pointer(&none), 0, status);
  ASSERT_EQ(status.getCode(), 0);
  vorlan_driver::SubroutineDownload download(localRam.get());
  download.download(package, status);
  EXPECT_EQ(status.getCode(), codes::kInvalidArgument);
  EXPECT_EQ(ram().registerWrites(), 0u);
  EXPECT_EQ(block.writes(), 0u) << "not even the window was touched";
}

TEST_F(LocalRam, TheRegistrarResolvesDuplicatesToTheFirstAddressAndRefusesUnknownIds) {
  tStatus status;
  EXPECT_EQ(registrar->getNumSubroutines(status), 0u);
  EXPECT_EQ(registrar->getSubroutineAddress(0x24EA160Bu, status), 0u);
  EXPECT_EQ(status.getCode(), code(0xBFFA4309u));

  const std::vector<uint32_t> idTable{0x10, 0x20, 0x10, 0x30};
  const std::vector<uint32_t> addresses{100, 200, 300, 400};
  const uint64_t word = 0;
  tStatus built;
  vorlan_driver::CustomSubroutinePackage package(nullptr, pointer(&word), 0, pointer(idTable.data()),
                                                 pointer(addresses.data()), 4, built);
  ASSERT_EQ(built.getCode(), 0);
  tStatus registered;
  registrar->registerPackage(package, registered);
  EXPECT_EQ(registered.getCode(), 0);
  EXPECT_EQ(registrar->getNumSubroutines(registered), 4u);
  EXPECT_EQ(registrar->getSubroutineAddress(0x10, registered), 100u);
  EXPECT_EQ(registrar->getSubroutineAddress(0x30, registered), 400u);
  tVector<uint32_t> gotIds;
  tVector<uint32_t> gotAddresses;
  registrar->getSubroutines(gotIds, gotAddresses, registered);
  EXPECT_EQ(registered.getCode(), 0);
  EXPECT_EQ(std::vector<uint32_t>(gotAddresses.data(), gotAddresses.data() + gotAddresses.count()), addresses);
  tStatus missing;
  EXPECT_EQ(registrar->getSubroutineAddress(0x40, missing), 0u);
  EXPECT_EQ(missing.getCode(), code(0xBFFA4309u));

  // An empty package empties the table.
  tStatus emptied;
  vorlan_driver::CustomSubroutinePackage empty(nullptr, 0, 0, 0, 0, 0, emptied);
  registrar->registerPackage(empty, emptied);
  EXPECT_EQ(emptied.getCode(), 0);
  EXPECT_EQ(registrar->getNumSubroutines(emptied), 0u);
  registrar->getSubroutineAddress(0x10, emptied);
  EXPECT_EQ(emptied.getCode(), code(0xBFFA4309u));
}

TEST_F(LocalRam, TheBuiltInPackageRegistersItsResetAtZero) {
  vorlan_driver::DefaultSubroutinePackage package;
  tStatus status;
  registrar->registerPackage(package, status);
  EXPECT_EQ(registrar->getNumSubroutines(status), 172u);
  EXPECT_EQ(registrar->getSubroutineAddress(0x24EA160Bu, status), 0u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(LocalRam, ARegistrarWithoutItsMutexRefusesWork) {
  kalsim::failMutexCreation(1);
  tStatus built;
  vorlan_driver::SubroutineRegistrar lockless(built);
  EXPECT_EQ(built.getCode(), codes::kOutOfMemory);
  tStatus status;
  EXPECT_EQ(lockless.getNumSubroutines(status), 0u);
  EXPECT_EQ(status.getCode(), codes::kOutOfMemory);
}

}  // namespace
}  // namespace sequencertest
