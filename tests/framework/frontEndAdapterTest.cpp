// The two adapters that let a memory window reach a mapped region or a
// front-end accessor.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "storage/deviceWindow/memoryWindow/FrontEndAccessorToDeviceWindowAdapter.h"
#include "storage/deviceWindow/memoryWindow/MemorySpaceAccessorToMemoryWindowAdapter.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using simboard::R;
using simboard::W;
using voltarissharedsource::FrontEndAccessorToDeviceWindowAdapter;
using voltarissharedsource::MemorySpaceAccessorToMemoryWindowAdapter;

constexpr int64_t kInvalidArgument = -52005;

class MemorySpaceAdapter : public simboard::BoardTest {
 protected:
  MemorySpaceAdapter() : region(space(0x9000, 0x100)), adapter(&region, 0x100) {}
  tMemorySpace region;
  MemorySpaceAccessorToMemoryWindowAdapter adapter;
};

TEST_F(MemorySpaceAdapter, MovesWordsInIncreasingOrder) {
  const uint8_t source[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  tStatus status;
  adapter.write(source, 0x10, 8, status);
  uint8_t back[8] = {};
  adapter.read(0x10, 8, back, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(0, std::memcmp(source, back, 8));
  EXPECT_EQ(take(), (std::vector<simboard::Access>{W(0x9010, 32, 0x04030201), W(0x9014, 32, 0x08070605),
                                                   R(0x9010, 32, 0x04030201), R(0x9014, 32, 0x08070605)}));
  EXPECT_EQ(adapter.getSizeInBytes(), 0x100u);
}

TEST_F(MemorySpaceAdapter, RefusesUnalignedAndOutOfRangeAccessesWithoutTouchingTheBoard) {
  struct Case {
    uint64_t offset;
    uint64_t count;
  };
  for (const Case& c : {Case{2, 4}, Case{0, 6}, Case{0xFC, 8}, Case{0x104, 4}, Case{~0ull - 3, 8}}) {
    uint8_t buffer[8] = {};
    tStatus readStatus;
    adapter.read(c.offset, c.count, buffer, readStatus);
    EXPECT_EQ(readStatus.getCode(), kInvalidArgument) << c.offset << "+" << c.count;
    tStatus writeStatus;
    adapter.write(buffer, c.offset, c.count, writeStatus);
    EXPECT_EQ(writeStatus.getCode(), kInvalidArgument) << c.offset << "+" << c.count;
  }
  EXPECT_TRUE(take().empty());
}

// A front-end accessor that records its calls.
class RecordingAccessor : public voltarissharedsource::FrontEndAccessorInterface {
 public:
  void write32(uint32_t address, uint32_t value, tStatus&) override { writes.push_back({address, value}); }
  uint32_t read32(uint32_t address, tStatus&) override {
    reads.push_back(address);
    return 0xA5A50000u | address;
  }
  std::vector<std::pair<uint32_t, uint32_t>> writes;
  std::vector<uint32_t> reads;
};

TEST(FrontEndAdapter, MovesExactlyOneWordPerAccess) {
  RecordingAccessor inner;
  FrontEndAccessorToDeviceWindowAdapter adapter(&inner, 0x4000);
  tStatus status;
  uint32_t word = 0;
  adapter.read(0x21, 4, reinterpret_cast<uint8_t*>(&word), status);
  EXPECT_EQ(word, 0xA5A50021u);
  const uint32_t value = 0x600D;
  adapter.write(reinterpret_cast<const uint8_t*>(&value), 0x22, 4, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(inner.reads, std::vector<uint32_t>{0x21});
  EXPECT_EQ(inner.writes, (std::vector<std::pair<uint32_t, uint32_t>>{{0x22, 0x600D}}));

  struct Case {
    uint64_t offset;
    uint64_t count;
  };
  uint8_t buffer[8] = {};
  // Not one word, or an offset that would wrap to another register address.
  for (const Case& c : {Case{0, 0}, Case{0, 2}, Case{0, 8}, Case{0x100000021ull, 4}}) {
    tStatus bad;
    adapter.read(c.offset, c.count, buffer, bad);
    EXPECT_EQ(bad.getCode(), kInvalidArgument) << c.offset << "+" << c.count;
    tStatus badWrite;
    adapter.write(buffer, c.offset, c.count, badWrite);
    EXPECT_EQ(badWrite.getCode(), kInvalidArgument) << c.offset << "+" << c.count;
  }
  EXPECT_EQ(inner.reads.size(), 1u);
  EXPECT_EQ(inner.writes.size(), 1u);
}

}  // namespace
