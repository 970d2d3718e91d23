#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "storage/deviceWindow/memoryWindow/MemoryAccessor.h"
#include "storage/deviceWindow/memoryWindow/MemoryWindow.h"
#include "tests/storage/storageTestSupport.h"

using devicewindow::MemoryAccessor;
using devicewindow::MemoryWindow;
using nKIVAPALS100::tStatus;
using storagetest::CountingAccessor;
using Span = std::pair<uint64_t, uint64_t>;

namespace {

class MemoryWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    for (size_t i = 0; i < accessor.memory.size(); ++i) accessor.memory[i] = static_cast<uint8_t>(0x10 + i);
    window = std::make_unique<MemoryWindow>(accessor, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  void TearDown() override { kalsim::failAllocationOnThisThread(0); }

  std::vector<uint8_t> get(uint64_t address, uint64_t length) {
    std::vector<uint8_t> bytes(length, 0);
    window->get(address, length, bytes.data(), status);
    return bytes;
  }

  CountingAccessor accessor{16};
  tStatus status;
  std::unique_ptr<MemoryWindow> window;
};

TEST(MemoryAccessorTest, SizedAccessorReadsErasedThroughAWindow) {
  kalsim::reset();
  tStatus status;
  MemoryAccessor accessor(64, status);
  MemoryWindow window(accessor, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(window.getSizeInBytes(), 64u);
  std::vector<uint8_t> bytes(64, 0);
  window.get(0, 64, bytes.data(), status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(bytes, std::vector<uint8_t>(64, 0xFF));
}

TEST(MemoryAccessorTest, CopiesItsSourceAndGuardsItsOwnRanges) {
  kalsim::reset();
  tStatus status;
  const uint8_t source[4] = {1, 2, 3, 4};
  MemoryAccessor accessor(source, sizeof(source), status);
  ASSERT_EQ(status.getCode(), 0);
  tStatus nullSource;
  MemoryAccessor refused(nullptr, 4, nullSource);
  EXPECT_EQ(nullSource.getCode(), -240031);
  EXPECT_EQ(refused.getSizeInBytes(), 0u);

  uint8_t out[4] = {};
  accessor.read(0, 4, out, status);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), std::vector<uint8_t>(source, source + 4));

  struct Case {
    const char* name;
    uint64_t offset, count;
    bool nullBuffer;
    int64_t code;
  };
  const Case cases[] = {
      {"whole", 0, 4, false, 0},
      {"empty at end", 4, 0, false, 0},
      {"one past the end", 1, 4, false, -240015},
      {"offset past the end", 5, 0, false, -240015},
      {"wrapping end", 2, UINT64_MAX, false, -240015},
      {"null buffer", 0, 1, true, -240031},
  };
  for (const Case& c : cases) {
    for (bool writing : {false, true}) {
      tStatus s;
      uint8_t buffer[4] = {};
      if (writing) {
        accessor.write(c.nullBuffer ? nullptr : buffer, c.offset, c.count, s);
      } else {
        accessor.read(c.offset, c.count, c.nullBuffer ? nullptr : buffer, s);
      }
      EXPECT_EQ(s.getCode(), c.code) << c.name << (writing ? " write" : " read");
    }
  }
}

TEST_F(MemoryWindowTest, FirstGetLoadsTheRangeOnceInsideOneBracket) {
  EXPECT_EQ(get(2, 6), (std::vector<uint8_t>{0x12, 0x13, 0x14, 0x15, 0x16, 0x17}));
  EXPECT_EQ(accessor.reads, (std::vector<Span>{{2, 6}}));
  EXPECT_EQ(accessor.beginReads, 1);
  EXPECT_EQ(accessor.endReads, 1);

  accessor.forgetCalls();
  get(3, 4);
  EXPECT_TRUE(accessor.reads.empty()) << "loaded bytes are served from the copy";
  EXPECT_EQ(accessor.beginReads, 0);

  // Only the never-loaded runs on either side are fetched, under one bracket.
  get(0, 10);
  EXPECT_EQ(accessor.reads, (std::vector<Span>{{0, 2}, {8, 2}}));
  EXPECT_EQ(accessor.beginReads, 1);
  EXPECT_EQ(accessor.endReads, 1);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(MemoryWindowTest, UnforcedFlushStoresOneWritePerDirtyRun) {
  get(0, 8);
  const uint8_t same = 0x13, two = 0xA2, five = 0xA5;
  window->set(&same, 3, 1, status);
  accessor.forgetCalls();
  window->flush(0, 8, false, status);
  EXPECT_TRUE(accessor.writes.empty()) << "a byte set to its own value stays clean";
  EXPECT_EQ(accessor.beginWrites, 0) << "no bracket without a run";

  window->set(&two, 2, 1, status);
  window->set(&five, 5, 1, status);
  window->flush(0, 8, false, status);
  EXPECT_EQ(accessor.writes, (std::vector<Span>{{2, 1}, {5, 1}}));
  EXPECT_EQ(accessor.beginWrites, 1);
  EXPECT_EQ(accessor.endWrites, 1);
  EXPECT_EQ(accessor.memory[2], 0xA2);
  EXPECT_EQ(accessor.memory[5], 0xA5);

  accessor.forgetCalls();
  window->flush(0, 8, false, status);
  EXPECT_TRUE(accessor.writes.empty()) << "stored bytes are clean";
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(MemoryWindowTest, PlaceholderValueSetIntoANeverLoadedByteIsStillStored) {
  const uint8_t erased = 0xFF;
  window->set(&erased, 6, 1, status);
  window->flush(6, 1, false, status);
  EXPECT_EQ(accessor.memory[6], 0xFF);
  EXPECT_EQ(accessor.writes, (std::vector<Span>{{6, 1}}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(MemoryWindowTest, ForcedFlushLoadsFirstThenStoresTheRangeAsOneRun) {
  const uint8_t changed = 0xEE;
  window->set(&changed, 5, 1, status);
  window->flush(4, 4, true, status);
  EXPECT_EQ(accessor.reads, (std::vector<Span>{{4, 1}, {6, 2}})) << "only never-loaded bytes are read";
  EXPECT_EQ(accessor.writes, (std::vector<Span>{{4, 4}}));
  EXPECT_EQ(std::vector<uint8_t>(accessor.memory.begin() + 4, accessor.memory.begin() + 8),
            (std::vector<uint8_t>{0x14, 0xEE, 0x16, 0x17}))
      << "never-loaded bytes go back with the device content, not placeholders";
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(MemoryWindowTest, FailedStoreInvalidatesItsRunSoItIsReadAgain) {
  get(0, 4);
  const uint8_t value = 0x77;
  window->set(&value, 1, 1, status);
  accessor.writeCode = -52007;
  window->flush(0, 4, false, status);
  EXPECT_EQ(status.getCode(), -52007);
  EXPECT_EQ(accessor.endWrites, 1) << "the bracket closes on failure too";

  accessor.writeCode = 0;
  accessor.forgetCalls();
  tStatus next;
  std::vector<uint8_t> bytes(4);
  window->get(0, 4, bytes.data(), next);
  EXPECT_EQ(accessor.reads, (std::vector<Span>{{1, 1}}));
  EXPECT_EQ(bytes[1], 0x11) << "the device content, not the value that failed to store";
}

TEST_F(MemoryWindowTest, FailedLoadKeepsBytesInvalidAndCopiesNothingOut) {
  accessor.readCode = -52007;
  std::vector<uint8_t> bytes(4, 0xAB);
  window->get(0, 4, bytes.data(), status);
  EXPECT_EQ(status.getCode(), -52007);
  EXPECT_EQ(bytes, std::vector<uint8_t>(4, 0xAB));

  accessor.readCode = 0;
  accessor.forgetCalls();
  tStatus next;
  window->get(0, 4, bytes.data(), next);
  EXPECT_EQ(accessor.reads, (std::vector<Span>{{0, 4}}));
  EXPECT_EQ(bytes[0], 0x10);
}

TEST_F(MemoryWindowTest, ReadAndRefreshReloadAndDiscardUnflushedChanges) {
  const uint8_t value = 0x99;
  window->set(&value, 2, 1, status);
  uint8_t byte = 0;
  window->read(2, 1, &byte, status);
  EXPECT_EQ(byte, 0x12);

  window->set(&value, 3, 1, status);
  window->refresh(0, 8, status);
  EXPECT_EQ(get(3, 1)[0], 0x13);
  accessor.forgetCalls();
  window->flush(0, 8, false, status);
  EXPECT_TRUE(accessor.writes.empty());
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(MemoryWindowTest, WriteStoresAtOnce) {
  const uint8_t bytes[2] = {0x01, 0x02};
  window->write(bytes, 14, 2, false, status);
  EXPECT_EQ(accessor.writes, (std::vector<Span>{{14, 2}}));
  EXPECT_EQ(accessor.memory[15], 0x02);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(MemoryWindowTest, ArgumentsAreCheckedBeforeAnyAccess) {
  struct Case {
    const char* name;
    uint64_t address, length;
    bool nullBuffer;
    int64_t code;
  };
  const Case cases[] = {
      {"whole window", 0, 16, false, 0},
      {"empty at the end", 16, 0, false, 0},
      {"one byte past the end", 8, 9, false, -240015},
      {"empty past the end", 17, 0, false, -240015},
      {"end wraps around", 1, UINT64_MAX, false, -240015},
      {"null buffer before range", 17, 1, true, -240031},
  };
  uint8_t buffer[16] = {};
  for (const Case& c : cases) {
    uint8_t* data = c.nullBuffer ? nullptr : buffer;
    for (int op = 0; op < 4; ++op) {
      accessor.forgetCalls();
      tStatus s;
      switch (op) {
        case 0: window->get(c.address, c.length, data, s); break;
        case 1: window->set(data, c.address, c.length, s); break;
        case 2: window->read(c.address, c.length, data, s); break;
        case 3: window->write(data, c.address, c.length, true, s); break;
      }
      EXPECT_EQ(s.getCode(), c.code) << c.name << " op " << op;
      if (c.code != 0) {
        EXPECT_TRUE(accessor.reads.empty() && accessor.beginReads == 0) << c.name;
      }
    }
    if (!c.nullBuffer) {
      tStatus f, r;
      window->flush(c.address, c.length, true, f);
      window->refresh(c.address, c.length, r);
      EXPECT_EQ(f.getCode(), c.code) << c.name << " flush";
      EXPECT_EQ(r.getCode(), c.code) << c.name << " refresh";
    }
  }

  tStatus earlier;
  earlier.setCode(-52007, "test", "test", 0);
  accessor.forgetCalls();
  window->get(0, 4, buffer, earlier);
  EXPECT_TRUE(accessor.reads.empty());
  EXPECT_EQ(earlier.getCode(), -52007);
}

TEST_F(MemoryWindowTest, ClosingErrorIsMergedWithoutReplacingAnEarlierOne) {
  get(0, 4);
  const uint8_t value = 0x55;
  window->set(&value, 0, 1, status);
  accessor.endWriteCode = -52008;
  window->flush(0, 4, false, status);
  EXPECT_EQ(status.getCode(), -52008);
  EXPECT_EQ(accessor.memory[0], 0x55) << "the store itself succeeded";

  status = tStatus();
  window->set(&value, 1, 1, status);
  accessor.writeCode = -52007;
  window->flush(0, 4, false, status);
  EXPECT_EQ(status.getCode(), -52007) << "the store's error survives the closing one";

  accessor.beginReadCode = -52020;
  accessor.forgetCalls();
  tStatus opening;
  window->refresh(0, 4, opening);
  EXPECT_EQ(opening.getCode(), -52020);
  EXPECT_TRUE(accessor.reads.empty());
  EXPECT_EQ(accessor.endReads, 0) << "a bracket that did not open is not closed";
}

TEST(MemoryWindowConstructionTest, FailuresAreReportedAndTheWindowRefusesWork) {
  kalsim::reset();
  CountingAccessor accessor(8);
  struct Case {
    const char* name;
    uint32_t failAllocation;  // the window's own allocations, counted from 1
    bool failMutex;
  };
  for (const Case& c : {Case{"soft copy", 1, false}, Case{"mutex", 0, true}}) {
    tStatus status;
    if (c.failAllocation != 0) kalsim::failAllocationOnThisThread(c.failAllocation);
    if (c.failMutex) kalsim::failMutexCreation(1);
    MemoryWindow window(accessor, status);
    kalsim::failAllocationOnThisThread(0);
    kalsim::failMutexCreation(0);
    EXPECT_EQ(status.getCode(), -52000) << c.name;

    tStatus later;
    uint8_t byte = 0;
    window.get(0, 0, &byte, later);
    EXPECT_EQ(later.getCode(), -52020) << c.name;
    EXPECT_TRUE(accessor.reads.empty()) << c.name;
  }
}

}  // namespace
