#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "storage/StorageMaps/CalibrationStorageMap.h"
#include "storage/deviceWindow/memoryWindow/MemoryWindow.h"
#include "tests/storage/storageTestSupport.h"

using nKIVAPALS100::tStatus;
using vorlan_storagemaps::CalibrationStorageMap;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint64_t kRecord = 0x3000;

// Two sets side by side, as on the board, with a few bytes of device before
// the first so that the map's base matters.
class CalibrationStorageMapTest : public ::testing::Test {
 protected:
  static constexpr uint64_t kFirst = 0x10;
  static constexpr uint64_t kSecond = kFirst + kRecord;

  void SetUp() override {
    kalsim::reset();
    for (size_t i = 0; i < accessor.memory.size(); ++i) accessor.memory[i] = static_cast<uint8_t>(i * 7);
  }

  Bytes device(uint64_t address, size_t length) const {
    return Bytes(accessor.memory.begin() + address, accessor.memory.begin() + address + length);
  }
  uint32_t storedWord(uint64_t address) const {
    uint32_t word;
    std::memcpy(&word, accessor.memory.data() + address, 4);
    return word;
  }
  uint32_t crcOfRecord(uint64_t base) const {
    return storagetest::referenceCrc32(accessor.memory.data() + base + 4, kRecord - 4);
  }

  // Loaded before the maps are built, for their field descriptors, and
  // unloaded after they are gone.
  struct RunTime {
    RunTime() { vorlan_driver::nKIVAPAL000::initializeRunTime(); }
    ~RunTime() { vorlan_driver::nKIVAPAL000::finalizeRunTime(); }
  } runTime;
  storagetest::CountingAccessor accessor{kSecond + kRecord};
  tStatus status;
  devicewindow::MemoryWindow window{accessor, status};
  CalibrationStorageMap first{kFirst, window};
  CalibrationStorageMap second{kSecond, window};
};

TEST_F(CalibrationStorageMapTest, FieldsArePackedFromOffsetZeroToByte12005) {
  // Walking from key 0 by each field's extent visits every field once.
  uint32_t key = 0;
  int fields = 0;
  std::vector<std::string> names;
  while (true) {
    tStatus s;
    const auto* field = first.getFieldInfo(key, s);
    if (field == nullptr) {
      EXPECT_EQ(s.getCode(), -240035);
      break;
    }
    EXPECT_EQ(field->id, field->offset);
    EXPECT_EQ(field->stride, field->elementSize) << field->name;
    EXPECT_FALSE(field->swapWords) << field->name;
    names.push_back(field->name);
    key += static_cast<uint32_t>(field->count * field->elementSize);
    ++fields;
  }
  EXPECT_EQ(fields, 70);
  EXPECT_EQ(key, 12005u);
  EXPECT_EQ(names.front(), "checksum");
  EXPECT_EQ(names.back(), "maximumDACValue");

  struct Anchor {
    uint32_t key;
    const char* name;
    uint32_t type;
    uint64_t count, size;
  };
  const Anchor anchors[] = {
      {0, "checksum", 12, 1, 4},
      {8, "oldestCompatibleMapVersion", 5, 1, 4},
      {12, "temperature", 10, 1, 8},
      {36, "calibrationDueDate", 8, 1, 16},
      {1412, "remoteADCGain24V", 12, 24, 4},
      {7364, "highShuntADCChargeBalanceOffsets", 12, 384, 4},
      {10500, "sharedLoSenseADCChargeBalanceOffsets", 12, 64, 4},
      {11716, "currentShunt50mA", 10, 24, 8},
      {11908, "commonModeCurrentCancellation", 9, 1, 1},
      {11909, "minimumDACValue", 6, 24, 2},
  };
  for (const Anchor& a : anchors) {
    tStatus s;
    const auto* field = first.getFieldInfo(a.key, s);
    ASSERT_NE(field, nullptr) << a.name;
    EXPECT_STREQ(field->name, a.name);
    EXPECT_EQ(field->type, a.type) << a.name;
    EXPECT_EQ(field->count, a.count) << a.name;
    EXPECT_EQ(field->elementSize, a.size) << a.name;
  }
  for (uint32_t key : {13u, 11910u, 12005u}) {
    tStatus s;
    EXPECT_EQ(first.getFieldInfo(key, s), nullptr) << key;
    EXPECT_EQ(s.getCode(), -240035) << key;
  }
}

TEST_F(CalibrationStorageMapTest, IdentityOfTheRecord) {
  EXPECT_STREQ(first.getVersion(), "1.0.0d7");
  EXPECT_STREQ(first.getOldestCompatibleVersion(), "1.0.0d5");
  const char* const* names = CalibrationStorageMap::getName();
  std::vector<std::string> listed;
  for (; *names != nullptr; ++names) listed.push_back(*names);
  EXPECT_EQ(listed, (std::vector<std::string>{"DefaultCalibration", "FactoryCalibration", "ExternalCalibration",
                                              "SelfCalibration"}));

  accessor.memory[kFirst + 4] = 0x07;
  accessor.memory[kFirst + 5] = 0x00;
  accessor.memory[kFirst + 6] = 0x00;
  accessor.memory[kFirst + 7] = 0x01;
  EXPECT_EQ(first.getMapVersion(status).word, CalibrationStorageMap::kVersionWord);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(CalibrationStorageMapTest, AccessorsMoveOneElementAtTheirField) {
  accessor.memory[kFirst + 11955] = 0x34;
  accessor.memory[kFirst + 11956] = 0x12;
  EXPECT_EQ(first.getMinimumDACValue(23, status), 0x1234);
  EXPECT_EQ(status.getCode(), 0);
  tStatus outOfRange;
  EXPECT_EQ(first.getMinimumDACValue(24, outOfRange), 0);
  EXPECT_EQ(outOfRange.getCode(), -240015);

  first.setLowShuntADCGain50mA(0xA1B2C3D4u, 1, status);
  first.setCommonModeCurrentCancellation(9, status);
  storagemap::TimeStamp stamp{};
  for (int i = 0; i < 16; ++i) stamp.bytes[i] = static_cast<uint8_t>(0xC0 + i);
  first.setCalibrationDueDate(stamp, status);
  EXPECT_EQ(first.getLowShuntADCGain50mA(1, status), 0xA1B2C3D4u);
  EXPECT_EQ(first.getCommonModeCurrentCancellation(0, status), 9);
  EXPECT_EQ(std::memcmp(first.getCalibrationDueDate(status).bytes, stamp.bytes, 16), 0);
  EXPECT_EQ(status.getCode(), 0);

  tStatus earlier;
  earlier.setCode(-52007, "test", "test", 0);
  EXPECT_EQ(first.getLowShuntADCGain50mA(1, earlier), 0u) << "a getter returns zero after an earlier error";
  EXPECT_EQ(first.getCalibrationDueDate(earlier).bytes[0], 0);
  EXPECT_EQ(earlier.getCode(), -52007);
}

TEST_F(CalibrationStorageMapTest, FlushRewritesOnlyItsOwnRecordAndChecksum) {
  second.flush(false, status);
  ASSERT_EQ(status.getCode(), 0);
  const Bytes firstBefore = device(kFirst, kRecord);

  second.setMaximumDACValue(0xBEEF, 0, status);
  EXPECT_FALSE(second.isChecksumValid(status));
  second.flush(false, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(device(kSecond + 11957, 2), (Bytes{0xEF, 0xBE}));
  EXPECT_EQ(storedWord(kSecond), crcOfRecord(kSecond)) << "CRC of bytes 4 to the end of the record";
  EXPECT_EQ(second.getChecksum(status), crcOfRecord(kSecond));
  EXPECT_TRUE(second.isChecksumValid(status));
  EXPECT_EQ(device(kFirst, kRecord), firstBefore) << "the other set and its checksum are untouched";
  EXPECT_EQ(status.getCode(), 0);

  const uint32_t forged = 0;
  tStatus refused;
  second.setRaw(0, 0, 1, &forged, 4, refused);
  EXPECT_EQ(refused.getCode(), -240045);
}

TEST_F(CalibrationStorageMapTest, RawAccessByFieldSize) {
  Bytes table(1536);
  first.getRaw(7364, 0, 384, table.data(), 4, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(table, device(kFirst + 7364, 1536));

  Bytes shunt(24 * 8);
  first.getRaw(10756, 0, 24, shunt.data(), 8, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(shunt, device(kFirst + 10756, 24 * 8));
  tStatus wrongSize;
  first.getRaw(10756, 0, 24, shunt.data(), 4, wrongSize);
  EXPECT_EQ(wrongSize.getCode(), -240025);
}

}  // namespace
