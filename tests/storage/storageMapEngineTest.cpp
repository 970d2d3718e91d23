#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "storage/deviceWindow/memoryWindow/MemoryWindow.h"
#include "storage/storageMap/CRC32Checksum.h"
#include "storage/storageMap/StorageMapCommon.h"
#include "tests/storage/storageTestSupport.h"

using nKIVAPALS100::tStatus;
using storagemap::FieldText;
using storagemap::StorageMapCommon;
using storagetest::CountingAccessor;
using storagetest::CountingWindow;
using Bytes = std::vector<uint8_t>;

namespace {

enum Id : uint32_t {
  kChecksum = 0,
  kVersion = 4,
  kSmall = 8,     // u8 x 4
  kWords = 12,    // u16 x 2
  kText = 16,     // 2 strings of 32 bytes
  kStamp = 80,    // time stamp
  kSwapped = 96,  // time stamp with its words swapped
  kEight = 112,   // raw-only 8 bytes
  kWide = 120,    // u32 x 2
};
constexpr uint64_t kMapSize = 128;
constexpr uint64_t kBase = 16;

const StorageMapCommon::FieldInfo kFields[] = {
    {"checksum", kChecksum, kChecksum, 1, 4, storagemap::kTypeUInt32, 4, false},
    {"version", kVersion, kVersion, 1, 4, storagemap::kTypeVersion, 4, false},
    {"small", kSmall, kSmall, 4, 1, storagemap::kTypeUInt8, 1, false},
    {"words", kWords, kWords, 2, 2, storagemap::kTypeUInt16, 2, false},
    {"text", kText, kText, 2, 32, storagemap::kTypeString, 32, false},
    {"stamp", kStamp, kStamp, 1, 16, storagemap::kTypeTimeStamp, 16, false},
    {"swapped", kSwapped, kSwapped, 1, 16, storagemap::kTypeTimeStamp, 16, true},
    {"eight", kEight, kEight, 1, 8, storagemap::kTypeEightBytes, 8, false},
    {"wide", kWide, kWide, 2, 4, storagemap::kTypeUInt32, 4, false},
};

class TestMap : public StorageMapCommon {
 public:
  TestMap(devicewindow::DeviceWindow& window, int32_t byteOrder, bool withChecksum)
      : StorageMapCommon("1.0.0d0", "1.0.0d0", byteOrder, kBase, kMapSize, withChecksum ? &crc_ : nullptr,
                         withChecksum ? &kFields[0] : nullptr, &window) {}
  const FieldInfo* getFieldInfo(uint32_t id, tStatus& status) const override {
    return findField(kFields, sizeof(kFields) / sizeof(kFields[0]), id, status);
  }

 private:
  storagemap::CRC32Checksum crc_;
};

class StorageMapEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    for (size_t i = 0; i < accessor.memory.size(); ++i) accessor.memory[i] = static_cast<uint8_t>(i);
  }
  void TearDown() override { kalsim::failAllocationOnThisThread(0); }

  Bytes device(uint64_t mapOffset, size_t length) const {
    auto start = accessor.memory.begin() + kBase + mapOffset;
    return Bytes(start, start + length);
  }
  Bytes image(uint64_t mapOffset, size_t length) {
    Bytes bytes(length);
    tStatus s;
    memoryWindow.get(kBase + mapOffset, length, bytes.data(), s);
    EXPECT_EQ(s.getCode(), 0);
    return bytes;
  }
  void setImage(uint64_t mapOffset, const Bytes& bytes) {
    tStatus s;
    memoryWindow.set(bytes.data(), kBase + mapOffset, bytes.size(), s);
    ASSERT_EQ(s.getCode(), 0);
  }

  CountingAccessor accessor{kBase + kMapSize + 16};
  tStatus status;
  devicewindow::MemoryWindow memoryWindow{accessor, status};
  CountingWindow window{memoryWindow};
};

TEST_F(StorageMapEngineTest, ArgumentTestsRunInTheirFixedOrderWithoutTouchingTheWindow) {
  TestMap map(window, 0, true);
  enum Op { kGetU32, kGetU8, kSetU32, kSetU8, kGetRaw, kSetRaw, kGetString, kSetString };
  struct Case {
    const char* name;
    Op op;
    uint32_t id;
    uint64_t first, count;
    bool nullBuffer;
    uint64_t elementSize;  // raw only
    int64_t code;
  };
  const Case cases[] = {
      {"undefined id beats a null buffer", kGetU32, 9, 0, 1, true, 0, -240035},
      {"id inside a field is not a field", kSetRaw, kWide + 1, 0, 1, false, 4, -240035},
      {"null buffer beats a bad range", kGetU8, kSmall, 9, 1, true, 0, -240031},
      {"bad range beats a wrong type", kGetU32, kSmall, 4, 0, false, 0, -240015},
      {"first + count past the end", kGetU8, kSmall, 3, 2, false, 0, -240015},
      {"count wraps around", kGetU8, kSmall, 1, UINT64_MAX, false, 0, -240015},
      {"wrong type on get", kGetU32, kSmall, 0, 1, false, 0, -240039},
      {"checksum field beats a wrong type on set", kSetU8, kChecksum, 0, 1, false, 0, -240045},
      {"typed set of the checksum", kSetU32, kChecksum, 0, 1, false, 0, -240045},
      {"typed get of the checksum", kGetU32, kChecksum, 0, 1, false, 0, 0},
      {"raw element size", kGetRaw, kWide, 0, 1, false, 2, -240025},
      {"raw size beats the checksum field", kSetRaw, kChecksum, 0, 1, false, 2, -240025},
      {"raw set of the checksum", kSetRaw, kChecksum, 0, 1, false, 4, -240045},
      {"raw get of the checksum", kGetRaw, kChecksum, 0, 1, false, 4, 0},
      {"raw get of a string with its size", kGetRaw, kText, 0, 2, false, 32, 0},
      {"string get on a u32 field", kGetString, kWide, 0, 1, false, 0, -240039},
      {"string set on a u8 field", kSetString, kSmall, 0, 1, false, 0, -240039},
      {"string set range", kSetString, kText, 2, 0, false, 0, -240015},
      {"empty transfer is fine", kGetU8, kSmall, 0, 0, false, 0, 0},
      {"empty transfer at the end is not", kGetU8, kSmall, 4, 0, false, 0, -240015},
  };
  for (const Case& c : cases) {
    uint8_t bytes[64] = {};
    uint32_t words[2] = {};
    FieldText texts[2];
    tStatus s;
    window.calls = 0;
    switch (c.op) {
      case kGetU32: map.get(c.id, c.first, c.count, c.nullBuffer ? nullptr : words, s); break;
      case kGetU8: map.get(c.id, c.first, c.count, c.nullBuffer ? nullptr : bytes, s); break;
      case kSetU32: map.set(c.id, c.first, c.count, c.nullBuffer ? nullptr : words, s); break;
      case kSetU8: map.set(c.id, c.first, c.count, c.nullBuffer ? nullptr : bytes, s); break;
      case kGetRaw: map.getRaw(c.id, c.first, c.count, c.nullBuffer ? nullptr : bytes, c.elementSize, s); break;
      case kSetRaw: map.setRaw(c.id, c.first, c.count, c.nullBuffer ? nullptr : bytes, c.elementSize, s); break;
      case kGetString: map.getString(c.id, c.first, c.count, c.nullBuffer ? nullptr : texts, s); break;
      case kSetString: map.setString(c.id, c.first, c.count, c.nullBuffer ? nullptr : texts, s); break;
    }
    EXPECT_EQ(s.getCode(), c.code) << c.name;
    if (c.code != 0 || c.count == 0) {
      EXPECT_EQ(window.calls, 0) << c.name;
    }
  }

  tStatus undefined;
  EXPECT_EQ(map.getElementCount(9, undefined), 0u);
  EXPECT_EQ(map.getElementSize(9, undefined), 0u);
  EXPECT_EQ(undefined.getCode(), -240035);
  tStatus defined;
  EXPECT_EQ(map.getElementCount(kText, defined), 2u);
  EXPECT_EQ(map.getElementSize(kText, defined), 32u);
  EXPECT_EQ(defined.getCode(), 0);
}

TEST_F(StorageMapEngineTest, ElementsMoveOneWindowCallEachAndStopAtTheFirstError) {
  TestMap map(window, 0, false);
  const uint32_t values[2] = {0x11223344u, 0x55667788u};
  window.calls = 0;
  map.set(kWide, 0, 2, values, status);
  EXPECT_EQ(window.calls, 2);
  EXPECT_EQ(image(kWide, 8), (Bytes{0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55}));
  EXPECT_EQ(device(kWide, 1)[0], kBase + kWide) << "nothing reaches the device before a flush";

  uint32_t back[2] = {};
  map.get(kWide, 1, 1, back, status);
  EXPECT_EQ(back[0], 0x55667788u);
  EXPECT_EQ(status.getCode(), 0);

  // A window error part way leaves the elements before it transferred.
  accessor.readCode = -52007;
  uint16_t words[2] = {0xAAAA, 0xBBBB};
  tStatus failing;
  map.get(kWords, 0, 2, words, failing);
  EXPECT_EQ(failing.getCode(), -52007);
  EXPECT_EQ(words[0], 0xAAAA);
}

TEST_F(StorageMapEngineTest, ByteOrderAndWordSwapApplyPerElement) {
  const Bytes sixteen = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  struct Case {
    const char* name;
    int32_t byteOrder;
    uint32_t id;
    Bytes caller;
    Bytes stored;
  };
  const Case cases[] = {
      {"u32 as in memory", 0, kWide, {0x04, 0x03, 0x02, 0x01}, {0x04, 0x03, 0x02, 0x01}},
      {"u32 reversed", 1, kWide, {0x04, 0x03, 0x02, 0x01}, {0x01, 0x02, 0x03, 0x04}},
      {"u16 reversed", 1, kWords, {0x34, 0x12}, {0x12, 0x34}},
      {"u8 is a u8", 1, kSmall, {0x7F}, {0x7F}},
      {"eight bytes reversed", 1, kEight, {1, 2, 3, 4, 5, 6, 7, 8}, {8, 7, 6, 5, 4, 3, 2, 1}},
      {"stamp reversed", 1, kStamp, sixteen, {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
      {"words swapped", 0, kSwapped, sixteen, {12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3}},
      {"reversed, then words swapped", 1, kSwapped, sixteen,
       {3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12}},
  };
  for (const Case& c : cases) {
    TestMap map(window, c.byteOrder, false);
    tStatus s;
    map.setRaw(c.id, 0, 1, c.caller.data(), c.caller.size(), s);
    EXPECT_EQ(image(c.id, c.stored.size()), c.stored) << c.name;
    Bytes back(c.caller.size());
    map.getRaw(c.id, 0, 1, back.data(), back.size(), s);
    EXPECT_EQ(back, c.caller) << c.name << ": reading undoes the conversion";
    EXPECT_EQ(s.getCode(), 0) << c.name;
  }

  // Strings are never byte-reversed.
  TestMap reversed(window, 1, false);
  FieldText text;
  text.append("abc", 3, status);
  reversed.setString(kText, 0, 1, &text, status);
  EXPECT_EQ(image(kText, 4), (Bytes{'a', 'b', 'c', 0}));

  // A version whose stored bytes are 07 00 00 01 is 1.0.0d7.
  TestMap map(window, 0, false);
  setImage(kVersion, {0x07, 0x00, 0x00, 0x01});
  storagemap::PackedVersion version{};
  map.get(kVersion, 0, 1, &version, status);
  EXPECT_EQ(version.word, 0x01000007u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(StorageMapEngineTest, StringsKeepAZeroAtTheEndOfEveryElement) {
  TestMap map(window, 0, false);
  const std::string longest(31, 'x');
  const std::string tooLong(32, 'y');
  FieldText texts[2];
  texts[0].append(longest.data(), longest.size(), status);
  map.setString(kText, 0, 1, texts, status);
  Bytes expected(longest.begin(), longest.end());
  expected.push_back(0);
  EXPECT_EQ(image(kText, 32), expected);
  EXPECT_EQ(status.getCode(), 0);

  // The second text is too long: the first is written, the second element
  // keeps what it held.
  const Bytes secondBefore = image(kText + 32, 32);
  texts[0].clear();
  texts[0].append("ok", 2, status);
  texts[1].append(tooLong.data(), tooLong.size(), status);
  tStatus tooLongStatus;
  map.setString(kText, 0, 2, texts, tooLongStatus);
  EXPECT_EQ(tooLongStatus.getCode(), -240015);
  EXPECT_EQ(image(kText, 3), (Bytes{'o', 'k', 0}));
  EXPECT_EQ(image(kText + 32, 32), secondBefore);

  FieldText empty;
  map.setString(kText, 1, 1, &empty, status);
  EXPECT_EQ(image(kText + 32, 32), Bytes(32, 0));

  struct Case {
    const char* name;
    Bytes element;
    std::string text;
  };
  Bytes full(32, 'z');
  Bytes leadingZero(32, 'q');
  leadingZero[0] = 0;
  Bytes middle(32, 'm');
  middle[5] = 0;
  const Case cases[] = {
      {"no zero byte at all", full, ""},
      {"first byte zero", leadingZero, ""},
      {"text before the first zero", middle, "mmmmm"},
  };
  for (const Case& c : cases) {
    setImage(kText, c.element);
    FieldText out;
    out.append("stale", 5, status);
    map.getString(kText, 0, 1, &out, status);
    EXPECT_EQ(std::string(out.text()), c.text) << c.name;
    EXPECT_EQ(status.getCode(), 0) << c.name;
  }

  FieldText out;
  kalsim::failAllocationOnThisThread(1);
  tStatus noMemory;
  map.getString(kText, 0, 1, &out, noMemory);
  EXPECT_EQ(noMemory.getCode(), -52000);
}

TEST(CRC32ChecksumTest, MatchesTheStandardAndTheBitwiseReference) {
  storagemap::CRC32Checksum crc;
  tStatus status;
  EXPECT_EQ(crc.compute("123456789", 9, status), 0xCBF43926u);
  // Every length up to a dozen braided blocks, so each count of whole
  // blocks meets every tail of words and bytes, from every start within
  // 16 aligned bytes, so the bytes taken before the first aligned word
  // run from none to seven.
  uint32_t seed = 0x9E3779B9u;
  auto fill = [&seed](std::vector<uint8_t>& bytes) {
    for (uint8_t& byte : bytes) {
      seed = seed * 1664525u + 1013904223u;
      byte = static_cast<uint8_t>(seed >> 24);
    }
  };
  constexpr size_t kLongest = 500;
  std::vector<uint8_t> data(16 + 15 + kLongest);
  fill(data);
  const uint8_t* aligned = data.data() + (16 - reinterpret_cast<uintptr_t>(data.data()) % 16) % 16;
  for (size_t start = 0; start < 16; ++start) {
    for (size_t length = 0; length <= kLongest; ++length) {
      if (crc.compute(aligned + start, length, status) != storagetest::referenceCrc32(aligned + start, length)) {
        ADD_FAILURE() << "first wrong length from start " << start << ": " << length;
        break;
      }
    }
  }
  // Many blocks in a row, from an odd start and with an odd tail.
  std::vector<uint8_t> large(1 << 16);
  fill(large);
  EXPECT_EQ(crc.compute(large.data() + 3, large.size() - 8, status),
            storagetest::referenceCrc32(large.data() + 3, large.size() - 8));
  EXPECT_EQ(status.getCode(), 0);

  EXPECT_EQ(crc.compute(nullptr, 0, status), 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(crc.compute(nullptr, 4, status), 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), -240031) << "a null block is not checksummed as if it were one";

  tStatus earlier;
  earlier.setCode(-52007, "t", "t", 0);
  EXPECT_EQ(crc.compute("123456789", 9, earlier), 0xFFFFFFFFu);
}

TEST_F(StorageMapEngineTest, ChecksumIsCurrentAfterFlushAndStaleAfterASet) {
  TestMap map(window, 0, true);
  EXPECT_FALSE(map.isChecksumValid(status)) << "the device bytes carry no checksum yet";
  EXPECT_EQ(status.getCode(), 0);

  map.flush(false, status);
  ASSERT_EQ(status.getCode(), 0);
  const Bytes covered = device(4, kMapSize - 4);
  const uint32_t expected = storagetest::referenceCrc32(covered.data(), covered.size());
  EXPECT_EQ(device(0, 4), (Bytes{uint8_t(expected), uint8_t(expected >> 8), uint8_t(expected >> 16),
                                 uint8_t(expected >> 24)}))
      << "stored little-endian over bytes 4 to the end of the map";
  ASSERT_EQ(window.flushes.size(), 1u);
  EXPECT_EQ(window.flushes[0].address, kBase);
  EXPECT_EQ(window.flushes[0].length, kMapSize);
  EXPECT_TRUE(map.isChecksumValid(status));

  const uint8_t changed = 0x5A;
  map.set(kSmall, 2, 1, &changed, status);
  EXPECT_FALSE(map.isChecksumValid(status)) << "the test sees the unflushed image";
  map.flush(false, status);
  EXPECT_TRUE(map.isChecksumValid(status));

  // The stored checksum itself cannot be rewritten.
  const uint32_t forged = 0;
  tStatus refused;
  map.setRaw(kChecksum, 0, 1, &forged, 4, refused);
  EXPECT_EQ(refused.getCode(), -240045);
  EXPECT_TRUE(map.isChecksumValid(status));
  EXPECT_EQ(status.getCode(), 0);

  // Refresh reloads the map's range from the device.
  map.refresh(status);
  ASSERT_EQ(window.refreshes.size(), 1u);
  EXPECT_EQ(window.refreshes[0], (std::pair<uint64_t, uint64_t>{kBase, kMapSize}));
}

TEST_F(StorageMapEngineTest, APassIsKeptUntilTheWindowChangesAndAFailureNever) {
  TestMap map(window, 0, true);
  EXPECT_FALSE(map.isChecksumValid(status));
  const int afterFailure = window.calls;
  EXPECT_FALSE(map.isChecksumValid(status));
  EXPECT_GT(window.calls, afterFailure) << "a failed check is made again";

  map.flush(false, status);
  EXPECT_TRUE(map.isChecksumValid(status));
  const int afterPass = window.calls;
  EXPECT_TRUE(map.isChecksumValid(status));
  EXPECT_EQ(window.calls, afterPass) << "a pass over an unchanged window reads nothing";

  // The device changes behind the window: unseen until the map refreshes.
  accessor.memory[kBase + kSmall] ^= 0xFF;
  EXPECT_TRUE(map.isChecksumValid(status)) << "the copy still holds the checked bytes";
  map.refresh(status);
  EXPECT_FALSE(map.isChecksumValid(status));

  // Any change to the window, by this map or another user of it, ends a pass.
  map.flush(true, status);
  EXPECT_TRUE(map.isChecksumValid(status));
  const uint8_t other = 0x77;
  tStatus s;
  memoryWindow.set(&other, kBase + kWide, 1, s);
  EXPECT_FALSE(map.isChecksumValid(status));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(StorageMapEngineTest, MapWithoutChecksumRefusesTheTestAndFlushesOnlyTheWindow) {
  TestMap map(window, 0, false);
  const Bytes before = device(0, 4);
  EXPECT_FALSE(map.isChecksumValid(status));
  EXPECT_EQ(status.getCode(), -240044);

  tStatus flushStatus;
  const uint32_t value = 0x01020304u;
  map.set(kWide, 0, 1, &value, flushStatus);
  map.flush(true, flushStatus);
  EXPECT_EQ(flushStatus.getCode(), 0);
  EXPECT_EQ(device(0, 4), before);
  EXPECT_EQ(device(kWide, 4), (Bytes{4, 3, 2, 1}));
  ASSERT_EQ(window.flushes.size(), 1u);
  EXPECT_TRUE(window.flushes[0].force);
}

TEST_F(StorageMapEngineTest, ChecksumWorkStopsWhenMemoryIsShort) {
  TestMap map(window, 0, true);
  image(0, kMapSize);  // loaded, so the only allocation left is the gather vector
  kalsim::failAllocationOnThisThread(1);
  map.flush(false, status);
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_TRUE(window.flushes.empty()) << "nothing is committed without a current checksum";
}

}  // namespace
