#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "kal/host/tHostHarness.h"
#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/driver/kalStatus.h"
#include "kal/include/tDriverRecord.h"

namespace rt = vorlan_driver::nKIVAPAL000;

namespace {

class DriverEntryTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
};

TEST_F(DriverEntryTest, FillsOnlyTheNameAndElevenCallbacks) {
  kalsim::tHostHarness host;
  ASSERT_EQ(host.load(), 0);
  const uint8_t* bytes = host.recordBytes();
  EXPECT_STREQ(host.record().name, "vorlan_driver");
  EXPECT_EQ(kalsim::registeredDriverRecord(), bytes);
  EXPECT_EQ(rt::getDriverHandle(), bytes);

  const size_t callbackOffsets[] = {40, 48, 56, 64, 72, 80, 88, 96, 104, 112, 120};
  for (size_t offset : callbackOffsets) {
    uint64_t pointer;
    std::memcpy(&pointer, bytes + offset, sizeof pointer);
    EXPECT_NE(pointer, 0u) << "callback at " << offset;
  }
  // Bytes 0-23, 32-39 and everything past 127 belong to the layer.
  for (size_t i = 0; i < kalsim::tHostHarness::kRecordSize; ++i) {
    const bool driverOwned = (i >= 24 && i < 32) || (i >= 40 && i < 128);
    if (!driverOwned) {
      EXPECT_EQ(bytes[i], kalsim::tHostHarness::kLayerPattern) << "byte " << i;
    }
  }
  host.unload();
  EXPECT_EQ(rt::getDriverHandle(), nullptr);
  EXPECT_EQ(kalsim::unregisterDriverCalls(), 1u);
}

TEST_F(DriverEntryTest, RegistrationResultDecidesWhatIsUndone) {
  struct Case {
    int32_t result;
    bool loaded;
  };
  for (const Case& c : {Case{-51150, false}, Case{-1, false}, Case{7, true}, Case{0, true}}) {
    kalsim::setRegisterDriverResult(c.result);
    kalsim::tHostHarness host;
    EXPECT_EQ(host.load(), c.result);
    EXPECT_EQ(rt::runTimeReferenceCount(), c.loaded ? 1u : 0u) << c.result;
    // A refused record may be freed by the layer: no pointer to it is kept.
    EXPECT_EQ(rt::getDriverHandle() != nullptr, c.loaded) << c.result;
    host.unload();
    EXPECT_EQ(rt::runTimeReferenceCount(), 0u);
  }
}

TEST_F(DriverEntryTest, LoadsAgainAfterUnloadInOneProcess) {
  kalsim::tHostHarness host;
  for (int round = 0; round < 3; ++round) {
    const uint64_t live = kalsim::liveAllocations();
    const int32_t loaded = host.load();
    const uint32_t references = rt::runTimeReferenceCount();
    host.unload();
    const uint64_t leftOver = kalsim::liveAllocations() - live;
    EXPECT_EQ(loaded, 0) << round;
    EXPECT_EQ(references, 1u);
    EXPECT_EQ(*rt::staticDestructorListHead(), nullptr);
    EXPECT_EQ(leftOver, 0u) << "unload frees every static object";
  }
}

TEST(KalStatusTranslation, BothTablesAndTheirNonInversePairs) {
  struct Pair {
    int64_t driver;
    int32_t kal;
  };
  const Pair pairs[] = {
      {0, 0},           {-52000, -51352}, {-52001, -51353}, {-52002, -51256}, {-52003, -51150},
      {-52005, -51009}, {-52006, -51101}, {-52008, -51202}, {-52010, -51104}, {-52013, -51000},
      {-52018, -51152}, {-52019, -51409}, {-52020, -51300}, {-52023, -51405}, {-52024, -51401},
      {-52031, -51106},
  };
  for (const Pair& p : pairs) {
    EXPECT_EQ(rt::toKalStatus(p.driver), p.kal) << p.driver;
    EXPECT_EQ(rt::fromKalStatus(p.kal), p.driver) << p.kal;
  }
  // Not inverses: the time-out leaves as -51550 and comes back as -52008;
  // the layer's own time-out -51400 comes in as -52007.
  EXPECT_EQ(rt::toKalStatus(-52007), -51550);
  EXPECT_EQ(rt::fromKalStatus(-51550), -52008);
  EXPECT_EQ(rt::fromKalStatus(-51400), -52007);
  for (int64_t unlisted : {int64_t{240000}, int64_t{1}, int64_t{-52009}, int64_t{-52022}, int64_t{-52025}}) {
    EXPECT_EQ(rt::toKalStatus(unlisted), -51001) << unlisted;
  }
  EXPECT_EQ(rt::fromKalStatus(-51999), -52008);
}

TEST(KalStatusTranslation, TranslatedCodeFollowsTheStatusRules) {
  nKIVAPALS100::tStatusExtended status;
  kivTranslateKalStatus(0, status);
  EXPECT_EQ(status.getCode(), 0);
  kivTranslateKalStatus(-51009, status);
  EXPECT_EQ(status.getCode(), -52005);
  EXPECT_STREQ(status.getFile(), "tests/platform/driverEntryTest.cpp");
  kivTranslateKalStatus(-51352, status);
  EXPECT_EQ(status.getCode(), -52005) << "the first error survives";
}

}  // namespace
