// The flash window and its sectors over a flash kept in RAM, whose sector
// operations are counted and can be made to fail.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/status/statusCodes.h"
#include "storage/deviceWindow/flashWindow/FlashController.h"
#include "storage/deviceWindow/flashWindow/FlashSector.h"
#include "storage/deviceWindow/flashWindow/FlashWindow.h"
#include "storage/storageStatusCodes.h"

using nKIVAPALS100::tStatus;

namespace {

constexpr int64_t kRange = storagecodes::kFlashRange;
constexpr int64_t kNull = storagecodes::kNullBuffer;
constexpr int64_t kDeviceFault = -1074118527;  // what a failed sector operation reports

// A flash of `sectors` sectors of 16 bytes. A failing read stops after
// `readFailsAfter` bytes and fills the rest of the buffer with 0, as the
// serial flash's sector read does; a
// failing write erases the sector and programs nothing, as a write that
// fails right after its erase does.
struct RamFlash : devicewindow::FlashController {
  static constexpr uint64_t kSector = 16;

  explicit RamFlash(uint64_t sectors, tStatus& status)
      : devicewindow::FlashController(sectors * kSector, kSector, status), memory(sectors * kSector) {
    std::iota(memory.begin(), memory.end(), uint8_t{0x40});
  }

  void readSector(uint64_t address, uint8_t* destination, tStatus& status) override {
    if (status.isFatal()) return;
    reads.push_back(address);
    uint64_t count = kSector;
    if (readFails) count = readFailsAfter;
    std::copy(memory.begin() + address, memory.begin() + address + count, destination);
    std::fill(destination + count, destination + kSector, 0);
    if (readFails) status.setCode(kDeviceFault, "test", "test", 0);
  }
  void writeSector(uint64_t address, const uint8_t* source, tStatus& status) override {
    if (status.isFatal()) return;
    writes.push_back(address);
    if (writeFails) {
      std::fill(memory.begin() + address, memory.begin() + address + kSector, 0xFF);
      status.setCode(kDeviceFault, "test", "test", 0);
      return;
    }
    std::copy(source, source + kSector, memory.begin() + address);
  }

  void forget() {
    reads.clear();
    writes.clear();
  }

  std::vector<uint8_t> memory;
  std::vector<uint64_t> reads, writes;  // sector addresses, in call order
  bool readFails = false;
  uint64_t readFailsAfter = 0;
  bool writeFails = false;
};

class FlashWindowTest : public ::testing::Test {
 protected:
  FlashWindowTest() { kalsim::reset(); }

  std::vector<uint8_t> get(uint64_t address, uint64_t length, int64_t expected = 0) {
    std::vector<uint8_t> bytes(length, 0xEE);
    tStatus status;
    window.get(address, length, bytes.data(), status);
    EXPECT_EQ(status.getCode(), expected);
    return bytes;
  }
  void set(std::vector<uint8_t> bytes, uint64_t address) {
    tStatus status;
    window.set(bytes.data(), address, bytes.size(), status);
    EXPECT_EQ(status.getCode(), 0);
  }
  int64_t flush(uint64_t address, uint64_t length, bool force = false) {
    tStatus status;
    window.flush(address, length, force, status);
    return status.getCode();
  }
  int64_t refresh(uint64_t address, uint64_t length) {
    tStatus status;
    window.refresh(address, length, status);
    return status.getCode();
  }
  std::vector<uint8_t> flashBytes(uint64_t address, uint64_t length) const {
    return std::vector<uint8_t>(flash.memory.begin() + address, flash.memory.begin() + address + length);
  }

  tStatus built;
  RamFlash flash{4, built};
  devicewindow::FlashWindow window{flash, built};
};

TEST(FlashControllerGeometry, ConstructionReportsTheFirstBadSize) {
  struct Case {
    uint64_t size, sector;
    int64_t code;
  };
  const Case cases[] = {
      {0x100000, 0x1000, 0},
      {0x1000, 0x1000, 0},
      {0, 0x1000, storagecodes::kFlashSizeNotPowerOfTwo},
      {0x3000, 0x1000, storagecodes::kFlashSizeNotPowerOfTwo},
      {0x3000, 0, storagecodes::kFlashSizeNotPowerOfTwo},  // the flash size is checked first
      {0x1000, 0, storagecodes::kSectorSizeNotPowerOfTwo},
      {0x1000, 0x300, storagecodes::kSectorSizeNotPowerOfTwo},
      {0x1000, 0x2000, storagecodes::kFlashSizeNotSectorMultiple},
  };
  for (const Case& c : cases) {
    tStatus status;
    struct Bare : devicewindow::FlashController {
      Bare(uint64_t size, uint64_t sector, tStatus& s) : FlashController(size, sector, s) {}
      void readSector(uint64_t, uint8_t*, tStatus&) override {}
      void writeSector(uint64_t, const uint8_t*, tStatus&) override {}
    } controller(c.size, c.sector, status);
    EXPECT_EQ(status.getCode(), c.code) << c.size << "/" << c.sector;
    EXPECT_EQ(controller.getSizeInBytes(), c.size) << "the values stay stored";
    EXPECT_EQ(controller.getSectorSize(), c.sector);
    // A window over a controller whose sector is larger than the flash,
    // or zero, refuses to be built instead of dividing by zero.
    if (c.sector == 0 || c.size % c.sector != 0) {
      tStatus windowStatus;
      devicewindow::FlashWindow window(controller, windowStatus);
      EXPECT_LT(windowStatus.getCode(), 0);
      tStatus use;
      uint8_t byte = 0;
      window.get(0, 1, &byte, use);
      EXPECT_LT(use.getCode(), 0) << "a window that failed to build refuses work";
    }
  }
}

TEST_F(FlashWindowTest, SectorIndexAndAddressConversions) {
  struct Case {
    uint64_t address;
    uint64_t index;  // kInvalid when refused
  };
  const uint64_t bad = devicewindow::FlashController::kInvalid;
  const Case indexCases[] = {{0, 0}, {15, 0}, {16, 1}, {63, 3}, {64, 4} /* the end of the flash */, {65, bad}};
  for (const Case& c : indexCases) {
    tStatus status;
    EXPECT_EQ(flash.getSectorIndex(c.address, status), c.index) << c.address;
    EXPECT_EQ(status.getCode(), c.index == bad ? kRange : 0) << c.address;
  }
  const Case addressCases[] = {{0, 0}, {48, 3}, {bad, 4}};
  for (const Case& c : addressCases) {
    tStatus status;
    EXPECT_EQ(flash.getSectorAddress(c.index, status), c.address) << c.index;
    EXPECT_EQ(status.getCode(), c.address == bad ? kRange : 0) << c.index;
  }
  const struct {
    uint64_t address;
    int64_t code;
  } starts[] = {{0, 0}, {48, 0}, {17, kRange}, {64, kRange}, {~uint64_t(0), kRange}};
  for (const auto& c : starts) {
    tStatus status;
    flash.checkSectorAddress(c.address, status);
    EXPECT_EQ(status.getCode(), c.code) << c.address;
  }
}

TEST_F(FlashWindowTest, RangesAndBuffersAreCheckedBeforeAnySectorIsTouched) {
  uint8_t buffer[80] = {};
  struct Case {
    const char* what;
    uint64_t address, length;
    bool withBuffer;
    int64_t code;
  };
  const Case cases[] = {
      {"ends at the end", 60, 4, true, 0},
      {"one past the end", 60, 5, true, kRange},
      {"end overflows", 8, ~uint64_t(0) - 4, true, kRange},
      {"empty at the end", 64, 0, true, 0},
      {"empty past the end", 65, 0, true, kRange},
      {"no buffer", 0, 4, false, kNull},
      {"no buffer, empty", 0, 0, false, kNull},
  };
  for (const Case& c : cases) {
    uint8_t* b = c.withBuffer ? buffer : nullptr;
    tStatus g, s, r;
    window.get(c.address, c.length, b, g);
    window.set(b, c.address, c.length, s);
    window.read(c.address, c.length, b, r);
    EXPECT_EQ(g.getCode(), c.code) << c.what;
    EXPECT_EQ(s.getCode(), c.code) << c.what;
    EXPECT_EQ(r.getCode(), c.code) << c.what;
    if (c.withBuffer) {
      EXPECT_EQ(flush(c.address, c.length), c.code) << c.what;
      EXPECT_EQ(refresh(c.address, c.length), c.code) << c.what;
    }
    if (c.code != 0) {
      EXPECT_TRUE(flash.reads.empty()) << c.what;
    }
    flash.forget();
  }
  // An error already held stops everything.
  tStatus held;
  held.setCode(-1, "test", "test", 0);
  window.get(0, 4, buffer, held);
  window.write(buffer, 0, 4, true, held);
  EXPECT_TRUE(flash.reads.empty());
  EXPECT_TRUE(flash.writes.empty());
}

TEST_F(FlashWindowTest, SectorsAreReadOnceOnFirstTouchAndServedInOrder) {
  EXPECT_EQ(get(12, 8), flashBytes(12, 8));
  EXPECT_EQ(flash.reads, (std::vector<uint64_t>{0, 16}));
  get(0, 32);
  EXPECT_EQ(flash.reads.size(), 2u) << "later gets come from memory";
  EXPECT_TRUE(flash.writes.empty());
}

TEST_F(FlashWindowTest, FlushWritesWholeSectorsOnlyWhenTheFlushedRangeChanged) {
  set({0xA1, 0xA2}, 15);  // across the first boundary
  EXPECT_EQ(flush(15, 2), 0);
  EXPECT_EQ(flash.writes, (std::vector<uint64_t>{0, 16}));
  EXPECT_EQ(flashBytes(14, 4), (std::vector<uint8_t>{0x4E, 0xA1, 0xA2, 0x51}));

  // Equal data: no write unless forced, then one per touched sector.
  flash.forget();
  tStatus status;
  const std::vector<uint8_t> same = flashBytes(10, 12);
  window.write(same.data(), 10, same.size(), false, status);
  EXPECT_TRUE(flash.writes.empty());
  window.write(same.data(), 10, same.size(), true, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(flash.writes, (std::vector<uint64_t>{0, 16}));
}

TEST_F(FlashWindowTest, FlushCommitsOnlyTheFlushedRange) {
  set({0x01}, 33);
  set({0x02}, 40);
  EXPECT_EQ(flush(32, 4), 0);
  EXPECT_EQ(flash.writes, (std::vector<uint64_t>{32}));
  EXPECT_EQ(flash.memory[33], 0x01);
  EXPECT_EQ(flash.memory[40], 0x40 + 40) << "the second change is not written";
  EXPECT_EQ(get(40, 1), (std::vector<uint8_t>{0x02})) << "and stays in the working copy";
  EXPECT_EQ(flush(40, 1), 0);
  EXPECT_EQ(flash.memory[40], 0x02);
  EXPECT_EQ(flash.memory[33], 0x01) << "the first change stays in the flash";
}

TEST_F(FlashWindowTest, RefreshDiscardsUnflushedChangesInsideItsRangeOnly) {
  set({0x01, 0x02, 0x03, 0x04}, 4);
  EXPECT_EQ(refresh(5, 2), 0);
  EXPECT_EQ(get(4, 4), (std::vector<uint8_t>{0x01, 0x45, 0x46, 0x04}));
}

TEST_F(FlashWindowTest, ANullBufferIsRefusedBeforeAnythingMoves) {
  set({0x99}, 3);  // unflushed
  tStatus readStatus;
  window.read(0, 8, nullptr, readStatus);
  EXPECT_EQ(readStatus.getCode(), kNull);
  EXPECT_EQ(get(3, 1), (std::vector<uint8_t>{0x99})) << "the read discarded no unflushed change";

  flash.forget();
  tStatus writeStatus;
  window.write(nullptr, 20, 4, true, writeStatus);
  EXPECT_EQ(writeStatus.getCode(), kNull);
  EXPECT_TRUE(flash.reads.empty());
  EXPECT_TRUE(flash.writes.empty());
}

TEST_F(FlashWindowTest, AFailedSectorWriteIsRetriedByTheNextFlush) {
  set({0xC3}, 20);
  flash.writeFails = true;
  EXPECT_EQ(flush(20, 1), kDeviceFault);
  ASSERT_EQ(flash.memory[20], 0xFF) << "the failed write left the sector erased";

  // Nothing differs from the committed copy any more, yet the flash does not
  // hold it: the retry must write the whole sector again.
  flash.writeFails = false;
  flash.forget();
  EXPECT_EQ(flush(20, 1), 0);
  EXPECT_EQ(flash.writes, (std::vector<uint64_t>{16}));
  EXPECT_EQ(flashBytes(16, 6), (std::vector<uint8_t>{0x50, 0x51, 0x52, 0x53, 0xC3, 0x55}));

  // Once written, an unchanged flush writes nothing again.
  flash.forget();
  EXPECT_EQ(flush(16, 16), 0);
  EXPECT_TRUE(flash.writes.empty());
}

TEST_F(FlashWindowTest, ARetryOfAnyRangeOfAStaleSectorRewritesIt) {
  set({0xC3}, 20);
  flash.writeFails = true;
  EXPECT_EQ(flush(20, 1), kDeviceFault);
  flash.writeFails = false;
  flash.forget();
  EXPECT_EQ(flush(30, 1), 0) << "a range elsewhere in the sector";
  EXPECT_EQ(flash.writes, (std::vector<uint64_t>{16}));
  EXPECT_EQ(flash.memory[20], 0xC3);
}

TEST_F(FlashWindowTest, ARefreshOfAStaleSectorTakesTheFlashAsItIs) {
  set({0xC3}, 20);
  flash.writeFails = true;
  EXPECT_EQ(flush(20, 1), kDeviceFault);
  flash.writeFails = false;
  EXPECT_EQ(refresh(16, 16), 0);
  EXPECT_EQ(get(20, 1), (std::vector<uint8_t>{0xFF}));
  flash.forget();
  EXPECT_EQ(flush(16, 16), 0);
  EXPECT_TRUE(flash.writes.empty()) << "the refresh brought the copies and the flash together";
}

TEST_F(FlashWindowTest, AFailedRefreshLeavesNoPlaceholderBytesToBeWrittenBack) {
  get(0, 1);
  set({0x77}, 2);
  flash.readFails = true;
  flash.readFailsAfter = 4;
  EXPECT_EQ(refresh(8, 1), kDeviceFault);
  flash.readFails = false;
  EXPECT_EQ(flush(2, 1), 0);
  std::vector<uint8_t> expected = flashBytes(0, 16);
  for (uint64_t i = 0; i < 16; ++i) {
    if (i != 2) {
      EXPECT_EQ(expected[i], 0x40 + i) << "byte " << i << " kept what the flash held";
    }
  }
  EXPECT_EQ(expected[2], 0x77);
}

TEST_F(FlashWindowTest, ASectorThatCannotBeBuiltIsBuiltAgainOnTheNextTouch) {
  flash.readFails = true;
  get(16, 1, kDeviceFault);
  flash.readFails = false;
  EXPECT_EQ(get(16, 1), flashBytes(16, 1));
  EXPECT_EQ(flash.reads, (std::vector<uint64_t>{16, 16}));

  // Out of memory: the sector object, then each of its copies.
  for (uint32_t nth : {1u, 2u, 3u}) {
    uint8_t byte = 0;
    tStatus status;
    kalsim::failAllocationOnThisThread(nth);
    window.get(32, 1, &byte, status);
    kalsim::failAllocationOnThisThread(0);
    EXPECT_EQ(status.getCode(), vorlan_driver::statusCodes::kOutOfMemory) << nth;
  }
  EXPECT_EQ(flash.reads.size(), 2u) << "no sector read without its copies";
  EXPECT_EQ(get(32, 1), flashBytes(32, 1));
}

TEST(FlashWindowLife, DestroyingTheWindowFreesEverySectorAndFlushesNothing) {
  kalsim::reset();
  tStatus status;
  RamFlash flash(4, status);
  flash.reads.reserve(8);  // the test's own bookkeeping is no leak
  const uint64_t before = kalsim::liveAllocations();
  {
    devicewindow::FlashWindow window(flash, status);
    uint8_t bytes[40] = {};
    window.set(bytes, 10, sizeof bytes, status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_GT(kalsim::liveAllocations(), before);
  }
  EXPECT_EQ(kalsim::liveAllocations(), before);
  EXPECT_TRUE(flash.writes.empty());
}

}  // namespace
