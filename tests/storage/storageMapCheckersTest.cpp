#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "device/hardwareStateCheckers/StorageMapChecksumChecker.h"
#include "device/hardwareStateCheckers/StorageMapVersionChecker.h"
#include "simboard/GoldenFlashImage.h"
#include "tests/storage/goldenBoardFixture.h"

using nKIVAPALS100::tStatus;
using storagemap::PackedVersion;
using vorlan_driver::StorageMapChecksumChecker;
using vorlan_driver::StorageMapVersionChecker;

namespace {

namespace golden = simboard::goldenflash;

constexpr uint32_t d(uint32_t build) { return 0x01000000u | build; }  // 1.0.0d<build>

TEST(StorageMapVersionRule, AStoredRangeMustOverlapTheSupportedWindow) {
  struct Case {
    uint32_t oldest, current, lowest, highest;
    bool supported;
  };
  const Case cases[] = {
      {d(5), d(7), d(5), d(7), true},
      {d(7), d(9), d(5), d(7), true},   // newer, still compatible with what we know
      {d(4), d(4), d(5), d(7), false},  // older than anything we read
      {d(6), d(5), d(5), d(7), false},  // a range upside down
      {d(8), d(9), d(5), d(7), false},  // newer and incompatible
      {d(0), d(1), d(0), d(0), true},
      {d(1), d(1), d(0), d(0), false},
      {d(5), d(7), d(7), d(5), false},  // an empty window accepts nothing
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StorageMapVersionChecker::isSupported(c.oldest, c.current, c.lowest, c.highest), c.supported)
        << std::hex << c.oldest << " " << c.current;
  }
}

class StorageMapCheckersTest : public storagetest::GoldenBoardTest {
 protected:
  StorageMapVersionChecker* versions() {
    if (!versionChecker_) versionChecker_ = std::make_unique<StorageMapVersionChecker>(*maps);
    return versionChecker_.get();
  }
  StorageMapChecksumChecker* checksums() {
    if (!checksumChecker_) checksumChecker_ = std::make_unique<StorageMapChecksumChecker>(*maps);
    return checksumChecker_.get();
  }
  void TearDown() override {
    versionChecker_.reset();
    checksumChecker_.reset();
    GoldenBoardTest::TearDown();
  }

 private:
  std::unique_ptr<StorageMapVersionChecker> versionChecker_;
  std::unique_ptr<StorageMapChecksumChecker> checksumChecker_;
};

TEST_F(StorageMapCheckersTest, TheGoldenImagePassesBoth) {
  EXPECT_TRUE(versions()->isValid(status));
  EXPECT_TRUE(checksums()->isValid(status));
  versions()->checkHardwareState(status);
  checksums()->checkHardwareState(status);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(StorageMapCheckersTest, AnUnsupportedStoredVersionFailsTheVersionCheck) {
  struct Case {
    const char* what;
    std::function<void(tStatus&)> change;
    bool valid;
  };
  const Case cases[] = {
      {"calibration newer, still compatible",
       [&](tStatus& s) {
         maps->getExternalCalibration().setMapVersion(PackedVersion{d(9)}, s);
         maps->getExternalCalibration().setOldestCompatibleMapVersion(PackedVersion{d(7)}, s);
       },
       true},
      {"calibration too old", [&](tStatus& s) { maps->getSelfCalibration().setMapVersion(PackedVersion{d(4)}, s); },
       false},
      {"header newer, oldest still ours",
       [&](tStatus& s) { maps->getHeader().setMapVersion(PackedVersion{d(1)}, s); }, true},
      {"header incompatible",
       [&](tStatus& s) { maps->getHeader().setOldestCompatibleMapVersion(PackedVersion{d(1)}, s); }, false},
      {"manufacturing upside down",
       [&](tStatus& s) { maps->getManufacturing().setOldestCompatibleMapVersion(PackedVersion{d(1)}, s); }, false},
  };
  for (const Case& c : cases) {
    tStatus s;
    window->refresh(0, vorlan_storagemaps::QuillStorageMaps::kEndOfRecords, s);  // back to the golden flash
    c.change(s);
    ASSERT_EQ(s.getCode(), 0) << c.what;
    EXPECT_EQ(versions()->isValid(s), c.valid) << c.what;
    versions()->checkHardwareState(s);
    EXPECT_EQ(s.getCode(), c.valid ? 0 : StorageMapVersionChecker::kVersionNotSupported) << c.what;
  }
}

TEST_F(StorageMapCheckersTest, ABadFirstChecksumStopsTheCheckThere) {
  maps->getDefaultCalibration().setRemoteADCGain24V(1, 0, status);
  hooked->gets.clear();
  EXPECT_FALSE(checksums()->isValid(status));
  ASSERT_EQ(status.getCode(), 0);
  const uint64_t first = golden::kCalibrationSets[0];
  EXPECT_TRUE(std::all_of(hooked->gets.begin(), hooked->gets.end(),
                          [&](uint64_t a) { return a >= first && a < first + golden::kCalibrationRecordSize; }))
      << "no other record is read";
  checksums()->checkHardwareState(status);
  EXPECT_EQ(status.getCode(), StorageMapChecksumChecker::kChecksumMismatch);
}

TEST_F(StorageMapCheckersTest, AnUnreadableFlashKeepsTheReadError) {
  flash.readCode = -7;
  for (kdut::HardwareStateCheckerInterface* checker :
       {static_cast<kdut::HardwareStateCheckerInterface*>(versions()),
        static_cast<kdut::HardwareStateCheckerInterface*>(checksums())}) {
    tStatus s;
    checker->checkHardwareState(s);
    EXPECT_EQ(s.getCode(), -7);
  }
  tStatus failed;
  failed.setCode(-3, "test", "test", 0);
  hooked->gets.clear();
  EXPECT_FALSE(versions()->isValid(failed));
  EXPECT_FALSE(checksums()->isValid(failed));
  EXPECT_TRUE(hooked->gets.empty());
}

// The dispatcher holds a record's registration around a user's raw write
// and flush; both checks wait for it rather than read between them.
TEST_F(StorageMapCheckersTest, ChecksWaitForARecordHeldByName) {
  vorlan_driver::nKIVAPAL000::tMutex* registration = maps->getRegistrationMutex(maps->getFactoryCalibration());
  ASSERT_NE(registration, nullptr);
  for (kdut::HardwareStateCheckerInterface* checker :
       {static_cast<kdut::HardwareStateCheckerInterface*>(versions()),
        static_cast<kdut::HardwareStateCheckerInterface*>(checksums())}) {
    std::atomic<bool> done{false};
    tStatus checked;
    registration->acquire();
    std::thread check([&] {
      checker->checkHardwareState(checked);
      done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done) << "the check read the record while a user held it";
    registration->release();
    check.join();
    EXPECT_EQ(checked.getCode(), 0);
  }
}

}  // namespace
