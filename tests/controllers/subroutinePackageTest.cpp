// Subroutine packages: the built-in one generated at build time, packages
// copied from user memory, and the factory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "controllers/sequencer/commandWordLayouts.h"
#include "controllers/subroutine/CustomSubroutinePackage.h"
#include "controllers/subroutine/DefaultSubroutinePackage.h"
#include "controllers/subroutine/SubroutinePackageFactory.h"
#include "controllers/subroutine/builtInSubroutinePackage.h"
#include "controllers/subroutine/subroutineIds.h"
#include "kal/include/kalStandIn.h"
#include "platform/status/statusCodes.h"

namespace {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tVector;
namespace pkg = vorlan_driver::builtInSubroutinePackage;
namespace codes = vorlan_driver::statusCodes;
namespace ids = vorlan_driver::subroutineIds;

template <typename T>
std::vector<T> contents(const tVector<T>& v) {
  return std::vector<T>(v.data(), v.data() + v.count());
}

uint64_t pointer(const void* p) { return reinterpret_cast<uint64_t>(p); }

class SubroutinePackage : public ::testing::Test {
 protected:
  SubroutinePackage() { kalsim::reset(); }
  ~SubroutinePackage() override { kalsim::clearBadUserRanges(); }
};

TEST_F(SubroutinePackage, TheBuiltInImageDecompressesToItsExactSizeAndEveryWordIsACommandWord) {
  EXPECT_EQ(pkg::kCompressedBytes, 6011u);
  EXPECT_EQ(pkg::kImageWords, 2703u);
  vorlan_driver::DefaultSubroutinePackage package;
  tStatus status;
  tVector<uint64_t> image;
  package.getImage(image, status);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_EQ(image.count(), 2703u);
  std::set<uint32_t> opcodes;
  for (uint64_t i = 0; i < image.count(); ++i) {
    EXPECT_TRUE(vorlan_driver::commandWord::fitsSomeLayout(image[i])) << "word " << i;
    opcodes.insert(vorlan_driver::commandWord::opcodeOf(image[i]));
  }
  EXPECT_EQ(opcodes, (std::set<uint32_t>{1, 2, 3, 4, 6, 7, 9, 11}));

  // A longer vector is cut to the image, a shorter one grown; the image is
  // the same every time.
  tVector<uint64_t> longer;
  longer.resize(3000, status);
  package.getImage(longer, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(contents(longer), contents(image));
}

TEST_F(SubroutinePackage, TheBuiltInTableAscendsFromZeroAndHoldsEveryIdTheDriverRuns) {
  vorlan_driver::DefaultSubroutinePackage package;
  tStatus status;
  tVector<uint32_t> idTable;
  tVector<uint32_t> addresses;
  package.getSubroutineIds(idTable, status);
  package.getAddresses(addresses, status);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_EQ(idTable.count(), 172u);
  ASSERT_EQ(addresses.count(), 172u);
  EXPECT_EQ(idTable[0], 0x24EA160Bu);
  EXPECT_EQ(addresses[0], 0u);
  EXPECT_EQ(addresses[171], 2675u);
  for (uint32_t i = 1; i < 172; ++i) EXPECT_LT(addresses[i - 1], addresses[i]) << "entry " << i;

  const std::vector<uint32_t> table = contents(idTable);
  std::vector<uint32_t> wanted{ids::kSequenceEngineReset};
  for (const ids::VariantIds* v : {&ids::kWren, &ids::kLark}) {
    wanted.insert(wanted.end(), {v->errorResponse[0], v->errorResponse[1], v->alarmResponse, v->finishStartup,
                                 v->shutdown});
    wanted.insert(wanted.end(), std::begin(v->channelStartup), std::end(v->channelStartup));
  }
  EXPECT_EQ(wanted.size(), 59u);
  for (uint32_t id : wanted) EXPECT_EQ(std::count(table.begin(), table.end(), id), 1) << std::hex << id;
  EXPECT_EQ(std::set<uint32_t>(table.begin(), table.end()).size(), 172u) << "fillers do not repeat an id";
}

TEST_F(SubroutinePackage, ABlockThatDoesNotFillTheImageIsRefusedAndLeavesNoPartialImage) {
  std::vector<uint8_t> block(pkg::kCompressedImage, pkg::kCompressedImage + pkg::kCompressedBytes);
  tVector<uint64_t> image;
  tStatus status;
  // Asking for one word more than the block holds.
  vorlan_driver::DefaultSubroutinePackage::decompress(block.data(), block.size(), pkg::kImageWords + 1, image, status);
  EXPECT_EQ(status.getCode(), codes::kInvalidArgument);
  EXPECT_EQ(image.count(), 0u);
  // A truncated block.
  tStatus truncated;
  vorlan_driver::DefaultSubroutinePackage::decompress(block.data(), block.size() - 100, pkg::kImageWords, image,
                                                      truncated);
  EXPECT_EQ(truncated.getCode(), codes::kInvalidArgument);
  EXPECT_EQ(image.count(), 0u);
}

TEST_F(SubroutinePackage, ACustomPackageHoldsCopiesOfTheUserArrays) {
  const std::vector<uint64_t> words{0x0400000000000001ull, 0x0800000000000000ull, 0x1C00000000000002ull};
  const std::vector<uint32_t> idTable{7, 9, 7};
  const std::vector<uint32_t> addresses{2, 0, 1};
  tStatus status;
  vorlan_driver::SubroutinePackageFactory factory;
  std::unique_ptr<vorlan_driver::SubroutinePackageInterface> package(factory.createCustomPackage(
      nullptr, pointer(words.data()), 3, pointer(idTable.data()), pointer(addresses.data()), 3, status));
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_NE(package, nullptr);
  tVector<uint64_t> image;
  tVector<uint32_t> gotIds;
  tVector<uint32_t> gotAddresses;
  package->getImage(image, status);
  package->getSubroutineIds(gotIds, status);
  package->getAddresses(gotAddresses, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(contents(image), words);
  EXPECT_EQ(contents(gotIds), idTable);
  EXPECT_EQ(contents(gotAddresses), addresses);
}

// Image, ids, addresses are copied in that order; a failed copy stops the
// later ones and its code is the package's.
TEST_F(SubroutinePackage, ACustomPackageWhoseCopyFailsStopsBeforeAnyLaterCopy) {
  const std::vector<uint64_t> words{0x0400000000000001ull, 0x0800000000000000ull};
  const std::vector<uint32_t> idTable{7, 9};
  const std::vector<uint32_t> addresses{0, 1};
  struct Case {
    const char* name;
    const void* bad;
    uint64_t copies;
  };
  for (const Case& c : {Case{"image", words.data(), 1}, Case{"ids", idTable.data(), 2},
                        Case{"addresses", addresses.data(), 3}}) {
    SCOPED_TRACE(c.name);
    kalsim::reset();
    kalsim::markUserRangeBad(c.bad, 4);
    tStatus status;
    vorlan_driver::SubroutinePackageFactory factory;
    std::unique_ptr<vorlan_driver::SubroutinePackageInterface> package(factory.createCustomPackage(
        nullptr, pointer(words.data()), 2, pointer(idTable.data()), pointer(addresses.data()), 2, status));
    EXPECT_NE(package, nullptr) << "returned for the caller to delete";
    EXPECT_EQ(status.getCode(), codes::kInvalidArgument);
    EXPECT_EQ(kalsim::userCopies(), c.copies);
    kalsim::clearBadUserRanges();
  }
}

TEST_F(SubroutinePackage, TheFactoryReportsAnAllocationFailure) {
  vorlan_driver::SubroutinePackageFactory factory;
  tStatus status;
  kalsim::failAllocationOnThisThread(1);
  EXPECT_EQ(factory.createDefaultPackage(status), nullptr);
  EXPECT_EQ(status.getCode(), codes::kOutOfMemory);
  kalsim::failAllocationOnThisThread(0);

  // A getter that cannot allocate leaves the caller's vector as it was.
  vorlan_driver::DefaultSubroutinePackage package;
  tStatus getter;
  tVector<uint32_t> table;
  table.pushBack(5, getter);
  kalsim::failAllocationOnThisThread(1);
  package.getSubroutineIds(table, getter);
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(getter.getCode(), codes::kOutOfMemory);
  EXPECT_EQ(contents(table), std::vector<uint32_t>{5});
}

}  // namespace
