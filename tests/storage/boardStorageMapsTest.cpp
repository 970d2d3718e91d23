#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/kivregitools/registrationStatusCodes.h"
#include "kal/include/kalStandIn.h"
#include "platform/containers/tString.h"
#include "platform/status/statusCodes.h"
#include "simboard/GoldenFlashImage.h"
#include "storage/StorageMaps/QuillStorageMaps.h"
#include "storage/storageStatusCodes.h"
#include "storage/voltarisCalibrationTools/storageMaps/HeaderUtilityStorageMap.h"
#include "tests/storage/goldenBoardFixture.h"

using nKIVAPALS100::tStatus;
using storagetest::GoldenBoardTest;
using vorlan_driver::nKIVAPAL000::tString;
using vorlan_storagemaps::QuillStorageMaps;

namespace {

namespace golden = simboard::goldenflash;

const std::vector<std::string> kLayoutOrder = {"Posc",          "ManufacturingICT",   "Manufacturing",
                                               "Header",        "DefaultCalibration", "FactoryCalibration",
                                               "ExternalCalibration", "SelfCalibration"};

std::string registrationList(storagemap::StorageMapDispatcher& dispatcher) {
  tString list;
  tStatus status;
  dispatcher.getRegistrationList(list, status);
  EXPECT_EQ(status.getCode(), 0);
  return list.text();
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) text += (text.empty() ? "" : "\t") + name;
  return text;
}

// ---- the golden image, read back through the driver's records

TEST_F(GoldenBoardTest, PublishesTheEightRecordsInLayoutOrder) {
  EXPECT_EQ(registrationList(*dispatcher), joined(kLayoutOrder));
  for (uint32_t k = 0; k < QuillStorageMaps::kMapCount; ++k) {
    storagemap::StorageMapInterface* published = nullptr;
    tStatus s;
    const std::string name = kLayoutOrder[k] + "_Ver" + maps->getMap(k)->getVersion();
    dispatcher->getRegistration(name.c_str(), &published, s, nullptr);
    EXPECT_EQ(s.getCode(), 0) << name;
    EXPECT_EQ(published, maps->getMap(k)) << name;
  }
  EXPECT_EQ(maps->getMap(QuillStorageMaps::kMapCount), nullptr);
}

// Each record is published with its own layout version and oldest
// compatible version; a caller names the version it expects.
TEST_F(GoldenBoardTest, EveryRecordAnswersTheVersionRules) {
  struct Case {
    const char* suffix;
    int64_t smallRecordCode;    // published as 1.0.0d0, oldest 1.0.0d0
    int64_t calibrationCode;    // published as 1.0.0d7, oldest 1.0.0d5
  };
  const Case cases[] = {
      {"", kivregitools::codes::kVersionRequired, kivregitools::codes::kVersionRequired},
      {"_Ver0.9.0f3", kivregitools::codes::kIncompatibleVersion, kivregitools::codes::kIncompatibleVersion},
      {"_Ver1.0.0d0", 0, kivregitools::codes::kIncompatibleVersion},
      {"_Ver1.0.0d5", kivregitools::codes::kNewerVersionWarning, 0},
      {"_Ver1.0.0d7", kivregitools::codes::kNewerVersionWarning, 0},
      {"_Ver1.0.0d8", kivregitools::codes::kNewerVersionWarning, kivregitools::codes::kNewerVersionWarning},
  };
  for (uint32_t k = 0; k < QuillStorageMaps::kMapCount; ++k) {
    const bool calibration = k >= 4;
    for (const Case& c : cases) {
      const std::string name = kLayoutOrder[k] + c.suffix;
      storagemap::StorageMapInterface* found = nullptr;
      tStatus s;
      dispatcher->getRegistration(name.c_str(), &found, s, nullptr);
      EXPECT_EQ(s.getCode(), calibration ? c.calibrationCode : c.smallRecordCode) << name;
      EXPECT_EQ(found, s.isFatal() ? nullptr : maps->getMap(k)) << name;
    }
  }
}

TEST_F(GoldenBoardTest, EveryChecksumOfTheGoldenImageIsValid) {
  for (auto* map : {static_cast<storagemap::StorageMapInterface*>(&maps->getManufacturing()),
                    static_cast<storagemap::StorageMapInterface*>(&maps->getHeader()),
                    static_cast<storagemap::StorageMapInterface*>(&maps->getDefaultCalibration()),
                    static_cast<storagemap::StorageMapInterface*>(&maps->getFactoryCalibration()),
                    static_cast<storagemap::StorageMapInterface*>(&maps->getExternalCalibration()),
                    static_cast<storagemap::StorageMapInterface*>(&maps->getSelfCalibration())}) {
    tStatus s;
    EXPECT_TRUE(map->isChecksumValid(s));
    EXPECT_EQ(s.getCode(), 0);
  }
  // The two records without a checksum say so.
  for (auto* map : {static_cast<storagemap::StorageMapInterface*>(&maps->getPosc()),
                    static_cast<storagemap::StorageMapInterface*>(&maps->getManufacturingICT())}) {
    tStatus s;
    EXPECT_FALSE(map->isChecksumValid(s));
    EXPECT_EQ(s.getCode(), storagecodes::kNoChecksum);
  }
}

TEST_F(GoldenBoardTest, StartUpReadsIdentityAndVersionsItAccepts) {
  auto& manufacturing = maps->getManufacturing();
  EXPECT_EQ(manufacturing.getBoardSerialNumber(status), golden::kSerialNumber);
  EXPECT_EQ(manufacturing.getBoardRevision(status), 8);
  EXPECT_EQ(manufacturing.getOldestCompatibleBoardRevision(status), 8);
  EXPECT_EQ(manufacturing.getMapVersion(status).word, 0x01000000u);
  EXPECT_EQ(manufacturing.getOldestCompatibleMapVersion(status).word, 0x01000000u);
  EXPECT_EQ(manufacturing.getChecksum(status), flashWord(golden::kManufacturing));
  EXPECT_EQ(maps->getManufacturingICT().getBoardSerialNumber(status), golden::kSerialNumber);
  EXPECT_EQ(maps->getHeader().getMapVersion(status).word, 0x01000000u);
  for (auto* calibration : {&maps->getDefaultCalibration(), &maps->getFactoryCalibration(),
                            &maps->getExternalCalibration(), &maps->getSelfCalibration()}) {
    EXPECT_EQ(calibration->getMapVersion(status).word, 0x01000007u);
    EXPECT_EQ(calibration->getOldestCompatibleMapVersion(status).word, 0x01000005u);
    EXPECT_EQ(calibration->getMinimumDACValue(23, status), 0xF800);
    EXPECT_EQ(calibration->getCommonModeCurrentCancellation(status), 0x80);
  }
  tString comments;
  maps->getHeader().getComments(comments, status);
  EXPECT_STREQ(comments.text(), golden::kHeaderComments);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(GoldenBoardTest, AccessorsReadNothingOnAFailedStatus) {
  tStatus failed;
  failed.setCode(-1, "test", "test", 0);
  const int before = hooked->calls;
  EXPECT_EQ(maps->getManufacturing().getBoardRevision(failed), 0);
  EXPECT_EQ(maps->getManufacturing().getBoardSerialNumber(failed), 0u);
  EXPECT_EQ(maps->getManufacturing().getMapVersion(failed).word, 0u);
  EXPECT_EQ(hooked->calls, before);
  EXPECT_EQ(failed.getCode(), -1);
}

TEST_F(GoldenBoardTest, TheImageIsErasedOutsideTheRecords) {
  ASSERT_EQ(flash.memory.size(), 0x100000u);
  for (uint64_t a = QuillStorageMaps::kEndOfRecords; a < flash.memory.size(); ++a) {
    ASSERT_EQ(flash.memory[a], 0xFF) << a;
  }
}

// ---- the record layouts as the board's other users rely on them

TEST_F(GoldenBoardTest, FieldKeysAreTheFieldOffsets) {
  struct Case {
    storagemap::StorageMapCommon* map;
    uint32_t key;
    int64_t code;
    uint64_t count, size;
  };
  const Case cases[] = {
      {&maps->getPosc(), 0, 0, 32768, 1},
      {&maps->getPosc(), 1, storagecodes::kFieldNotDefined, 0, 0},
      {&maps->getManufacturingICT(), 8, 0, 1, 4},
      {&maps->getManufacturingICT(), 12, storagecodes::kFieldNotDefined, 0, 0},
      {&maps->getManufacturing(), 16, 0, 1, 1},
      {&maps->getManufacturing(), 17, 0, 1, 1},
      {&maps->getManufacturing(), 18, storagecodes::kFieldNotDefined, 0, 0},
      {&maps->getHeader(), 12, 0, 1, 32},
      {&maps->getHeader(), 13, storagecodes::kFieldNotDefined, 0, 0},  // inside "password"
      {&maps->getHeader(), 44, 0, 1, 1024},
      {&maps->getHeader(), 1068, storagecodes::kFieldNotDefined, 0, 0},
  };
  for (const Case& c : cases) {
    tStatus s;
    EXPECT_EQ(c.map->getElementCount(c.key, s), c.count) << c.key;
    EXPECT_EQ(c.map->getElementSize(c.key, s), c.size) << c.key;
    EXPECT_EQ(s.getCode(), c.code) << c.key;
  }
}

TEST_F(GoldenBoardTest, HeaderTextsFitTheirFields) {
  auto& header = maps->getHeader();
  struct Case {
    bool password;
    size_t length;
    int64_t code;
  };
  for (const Case& c : {Case{true, 31, 0}, Case{true, 32, storagecodes::kOutOfRange}, Case{false, 1023, 0},
                        Case{false, 1024, storagecodes::kOutOfRange}}) {
    const std::string text(c.length, 'p');
    tString value;
    tStatus s;
    value.append(text.c_str(), s);
    if (c.password) {
      header.setPassword(value, s);
    } else {
      header.setComments(value, s);
    }
    EXPECT_EQ(s.getCode(), c.code) << c.length;
    if (c.code != 0) continue;
    tString back;
    if (c.password) {
      header.getPassword(back, s);
    } else {
      header.getComments(back, s);
    }
    EXPECT_EQ(back.text(), text);
  }
}

TEST_F(GoldenBoardTest, TheHeaderFacadeEditsAndCommitsTheRecord) {
  voltariscalibrationtools::HeaderUtilityStorageMap utility(maps->getHeader());
  tString password, comments;
  password.append("secret", status);
  comments.append("recalibrated", status);
  utility.setPassword(password, status);
  utility.setComments(comments, status);
  EXPECT_FALSE(maps->getHeader().isChecksumValid(status));
  utility.flush(false, status);
  ASSERT_EQ(status.getCode(), 0);

  tString back;
  utility.getComments(back, status);
  EXPECT_STREQ(back.text(), "recalibrated");
  utility.getPassword(back, status);
  EXPECT_STREQ(back.text(), "secret");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(flash.memory.data() + golden::kHeader + 12)), "secret");
  EXPECT_EQ(flashWord(golden::kHeader), crcOfRecord(golden::kHeader, 0x1000));
}

// Only the checksummed records write a checksum when flushed.
TEST_F(GoldenBoardTest, FlushRewritesTheChecksumOfCheckedRecordsOnly) {
  const std::vector<uint8_t> before = flash.memory;
  maps->getPosc().setPOSC(0x12, 5, status);
  maps->getManufacturingICT().setBoardSerialNumber(0xABCD, status);
  maps->getPosc().flush(false, status);
  maps->getManufacturingICT().flush(false, status);
  ASSERT_EQ(status.getCode(), 0);
  std::vector<uint8_t> expected = before;
  expected[5] = 0x12;
  expected[golden::kManufacturingICT + 8] = 0xCD;
  expected[golden::kManufacturingICT + 9] = 0xAB;
  expected[golden::kManufacturingICT + 10] = 0;
  expected[golden::kManufacturingICT + 11] = 0;
  EXPECT_EQ(flash.memory, expected);

  maps->getManufacturing().setBoardRevision(9, status);
  maps->getManufacturing().flush(false, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(flash.memory[golden::kManufacturing + 16], 9);
  EXPECT_EQ(flashWord(golden::kManufacturing), crcOfRecord(golden::kManufacturing, 0x1000));
  EXPECT_NE(flashWord(golden::kManufacturing), storagetest::referenceCrc32(before.data() + golden::kManufacturing + 4,
                                                                          0x1000 - 4));
}

// ---- the owner's life

TEST_F(GoldenBoardTest, DeletingTheOwnerWithdrawsAllEightNames) {
  maps.reset();
  EXPECT_EQ(dispatcher->getNumberOfRegistrations(), 0u);
  for (const auto& name : kLayoutOrder) {
    std::string versioned = name + "_Ver1.0.0d7";
    tStatus s;
    EXPECT_EQ(dispatcher->getElementCount(storagetest::someRequest(), versioned.data(), versioned.size(), 0, s),
              storagemap::StorageMapDispatcher::kNoAnswer);
    EXPECT_EQ(s.getCode(), kivregitools::codes::kRegistrationNotFound) << name;
  }
}

TEST_F(GoldenBoardTest, AFailedRegistrationLeavesAPrefixThatDeletionWithdraws) {
  maps.reset();
  // The fourth registration ("Header") cannot have its mutex.
  kalsim::failMutexCreation(4);
  tStatus s;
  auto partial = std::make_unique<QuillStorageMaps>(*hooked, *dispatcher, s);
  EXPECT_EQ(s.getCode(), vorlan_driver::statusCodes::kOutOfMemory);
  EXPECT_EQ(registrationList(*dispatcher), joined({"Posc", "ManufacturingICT", "Manufacturing"}));
  const int calls = hooked->calls;
  partial.reset();
  EXPECT_EQ(dispatcher->getNumberOfRegistrations(), 0u);
  EXPECT_EQ(hooked->calls, calls) << "neither building nor deleting touches the window";
}

// The names an owner failed to publish may be another owner's.
TEST_F(GoldenBoardTest, AnOwnerThatPublishedNothingWithdrawsNoOtherOwnersNames) {
  kalsim::failMutexCreation(1);
  tStatus s;
  {
    QuillStorageMaps second(*hooked, *dispatcher, s);
    EXPECT_EQ(s.getCode(), vorlan_driver::statusCodes::kOutOfMemory);
  }
  EXPECT_EQ(registrationList(*dispatcher), joined(kLayoutOrder));
  for (uint32_t k = 0; k < QuillStorageMaps::kMapCount; ++k) {
    storagemap::StorageMapInterface* published = nullptr;
    tStatus lookup;
    const std::string name = kLayoutOrder[k] + "_Ver" + maps->getMap(k)->getVersion();
    dispatcher->getRegistration(name.c_str(), &published, lookup, nullptr);
    EXPECT_EQ(published, maps->getMap(k)) << name;
  }
}

TEST_F(GoldenBoardTest, BuildingOnAFailedStatusPublishesNothing) {
  maps.reset();
  tStatus failed;
  failed.setCode(-7, "test", "test", 0);
  QuillStorageMaps idle(*hooked, *dispatcher, failed);
  EXPECT_EQ(dispatcher->getNumberOfRegistrations(), 0u);
  EXPECT_EQ(failed.getCode(), -7);
}

}  // namespace
