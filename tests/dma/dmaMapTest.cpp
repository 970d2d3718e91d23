// DMA buffers of the configuration, the standard DMA map over the stand-in's
// scatter-gather lists, and pinning of user buffers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "dma/memory/pinUserBuffer.h"
#include "dma/memory/tStandardDMAMap.h"
#include "tests/dma/DmaMemoryFixture.h"

using nKIVAPALS100::tStatus;
using dmatest::tDMAConfiguration;
using vorlan_driver::nKIVAPAL000::pinUserBuffer;
using vorlan_driver::nKIVAPAL000::tDMASegment;
using vorlan_driver::nKIVAPAL000::tPageList;
using vorlan_driver::nKIVAPAL000::tStandardDMAMap;
using vorlan_driver::nKIVAPAL000::destroyPageList;

namespace {

struct DmaMapTest : dmatest::DmaMemoryTest {
  tPageList buffer{0, 0, nullptr};
  DmaMapTest() {
    tStatus status;
    configuration.allocateDMABuffer(buffer, 8 * 4096, 5, status, 512);
    EXPECT_EQ(status.getCode(), 0);
  }
  ~DmaMapTest() override { configuration.freeDMABuffer(buffer); }

  static std::vector<tDMASegment> walk(tStandardDMAMap& map) {
    std::vector<tDMASegment> segments;
    while (map.moreSGLSegments()) segments.push_back(map.nextSGLSegment());
    return segments;
  }
};

TEST_F(DmaMapTest, ListCapacityCoversARangeThatMayStraddleAPage) {
  const struct {
    uint64_t size;
    uint64_t pages;
  } cases[] = {{0, 0}, {1, 1}, {2, 2}, {4095, 2}, {4096, 2}, {4097, 3}, {8192, 3}, {8193, 4}};
  for (const auto& c : cases) {
    tStandardDMAMap map(configuration);
    tStatus status;
    map.allocateSGL(c.size, status);
    EXPECT_EQ(map.getCapacityPages(), c.pages) << c.size;
    EXPECT_EQ(map.hasSGL(), c.pages != 0) << c.size;
    EXPECT_EQ(status.getCode(), 0);
  }
  EXPECT_EQ(kalsim::liveSGLs(), 0u);
}

TEST_F(DmaMapTest, ListIsReusedAndOnlyGrows) {
  tStandardDMAMap map(configuration);
  tStatus status;
  map.map(buffer, 0, 8192, 0, status);
  EXPECT_EQ(map.getCapacityPages(), 3u);
  map.unmap();
  map.map(buffer, 100, 100, 1, status);
  EXPECT_EQ(map.getCapacityPages(), 3u);
  EXPECT_EQ(map.getOffset(), 100u);
  EXPECT_EQ(map.getFromDevice(), 1u);
  map.unmap();
  EXPECT_EQ(kalsim::liveSGLs(), 1u);
  map.map(buffer, 0, 3 * 4096, 0, status);
  EXPECT_EQ(map.getCapacityPages(), 4u);
  EXPECT_EQ(kalsim::liveSGLs(), 1u);
  EXPECT_EQ(status.getCode(), 0);
  map.unmap();
  EXPECT_EQ(map.getSize(), 0u);
  EXPECT_TRUE(map.hasSGL());
}

TEST_F(DmaMapTest, ContiguousBufferIsOneSegmentTheDeviceReachesUntilUnmapped) {
  tStandardDMAMap map(configuration);
  tStatus status;
  map.map(buffer, 300, 3 * 4096, 1, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(map.numSGLSegments(), 1u);
  const std::vector<tDMASegment> segments = walk(map);
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].length, 3u * 4096);
  EXPECT_GE(segments[0].busAddress, kalsim::kHighBusBase);
  EXPECT_EQ(segments[0].busAddress % 4096, 300u);
  void* host = nKIVKAL220_tPageList_mapToKernel(buffer.handle);
  EXPECT_EQ(kalsim::translate(segments[0].busAddress, 16), static_cast<uint8_t*>(host) + 300);
  EXPECT_EQ(kalsim::translate(segments[0].busAddress - 300 + 4 * 4096 - 1, 2), nullptr) << "past the mapped pages";
  nKIVKAL220_tPageList_unmapFromKernel(buffer.handle);
  map.unmap();
  EXPECT_EQ(kalsim::translate(segments[0].busAddress, 16), nullptr);
  EXPECT_FALSE(map.moreSGLSegments());
}

TEST_F(DmaMapTest, WalkEndsWithEmptySegmentsAndRestartsInOrder) {
  kalsim::fragmentUserBuffers(true);
  std::vector<uint8_t> user(4 * 4096);
  uint8_t* start = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(user.data()) + 4095) & ~uintptr_t{4095});
  tPageList pinned;
  tStatus status;
  pinUserBuffer(reinterpret_cast<uintptr_t>(start + 100), 2 * 4096, pinned, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(pinned.offset, 100u);
  EXPECT_EQ(pinned.size, 2u * 4096);
  tStandardDMAMap map(configuration);
  map.map(pinned, 0, pinned.size, 1, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<tDMASegment> first = walk(map);
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[0].length, 4096u - 100);
  EXPECT_EQ(first[1].length, 4096u);
  EXPECT_EQ(first[2].length, 100u);
  EXPECT_NE(first[0].busAddress + first[0].length, first[1].busAddress) << "fragmented: not bus-contiguous";
  EXPECT_EQ(kalsim::translate(first[1].busAddress, 8), start + 4096);
  const tDMASegment none = map.nextSGLSegment();
  EXPECT_EQ(none.busAddress, 0u);
  EXPECT_EQ(none.length, 0u);
  map.resetSGLIterator();
  const std::vector<tDMASegment> again = walk(map);
  ASSERT_EQ(again.size(), first.size());
  for (size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].busAddress, first[i].busAddress);
  map.unmap();
  destroyPageList(pinned);
  EXPECT_EQ(kalsim::pageListsDestroyedWhileMapped(), 0u);
}

TEST_F(DmaMapTest, FailedMappingLeavesTheMapUnmappedWithItsList) {
  const struct {
    int32_t layerCode;
    int64_t code;
  } cases[] = {{-51009, -52005}, {-51352, -52000}, {-51202, -52008}, {-51550, -52008}, {-7, -52008}};
  for (const auto& c : cases) {
    tStandardDMAMap map(configuration);
    kalsim::failSGLMap(1, c.layerCode);
    tStatus status;
    map.map(buffer, 0, 4096, 0, status);
    EXPECT_EQ(status.getCode(), c.code) << c.layerCode;
    EXPECT_TRUE(map.hasSGL());
    EXPECT_FALSE(map.moreSGLSegments());
    EXPECT_EQ(map.nextSGLSegment().length, 0u);
    EXPECT_EQ(map.getSize(), 0u);
  }
  EXPECT_EQ(kalsim::liveBusMappings(), 0u);
}

TEST_F(DmaMapTest, ListCreationFailureKeepsTheOldList) {
  tStandardDMAMap map(configuration);
  tStatus status;
  map.map(buffer, 0, 4096, 0, status);
  map.unmap();
  kalsim::failSGLCreation(1);
  map.map(buffer, 0, 4 * 4096, 0, status);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_EQ(map.getCapacityPages(), 2u);
  EXPECT_FALSE(map.moreSGLSegments());
  tStatus later;
  map.map(buffer, 0, 4096, 0, later);
  EXPECT_EQ(later.getCode(), 0) << "the kept list still maps what fits";
  map.unmap();
}

TEST_F(DmaMapTest, AnErrorStatusStillRecordsAndUnmaps) {
  tStandardDMAMap map(configuration);
  tStatus status;
  map.map(buffer, 0, 4096, 0, status);
  tStatus failed;
  vorlanSetCode(failed, -52013);
  map.map(buffer, 8, 16, 1, failed);
  EXPECT_EQ(failed.getCode(), -52013);
  EXPECT_FALSE(map.moreSGLSegments());
  EXPECT_EQ(kalsim::liveBusMappings(), 0u);
}

TEST_F(DmaMapTest, PrepareAndCompleteReachTheLayerOnlyWithAList) {
  tStandardDMAMap map(configuration);
  map.prepareForDMA();
  map.completeDMA(5);
  EXPECT_EQ(kalsim::prepareForDMACalls(), 0u);
  tStatus status;
  map.map(buffer, 0, 4096, 0, status);
  map.prepareForDMA();
  map.completeDMA(0);
  map.completeDMA(~0ull);
  EXPECT_EQ(kalsim::prepareForDMACalls(), 1u);
  EXPECT_EQ(kalsim::completeDMACalls(), 1u);
  map.unmap();
}

TEST_F(DmaMapTest, ThirtyTwoBitDevicesGetLowBusAddressesAndTheirFlag) {
  configure(tDMAConfiguration::kDMAType32Bit);
  tPageList low{0, 0, nullptr};
  tStatus status;
  configuration.allocateDMABuffer(low, 4096, 5, status, 512);
  EXPECT_EQ(kalsim::lastAllocationFlags(), 7u);
  tStandardDMAMap map(configuration);
  map.map(low, 0, 4096, 0, status);
  ASSERT_EQ(status.getCode(), 0);
  const tDMASegment segment = map.nextSGLSegment();
  EXPECT_GE(segment.busAddress, kalsim::kLowBusBase);
  EXPECT_LT(segment.busAddress + segment.length, 0x100000000ull);
  map.unmap();
  configuration.freeDMABuffer(low);
}

TEST_F(DmaMapTest, DmaBufferAllocation) {
  struct Case {
    const char* name;
    tDMAConfiguration::tDMAType type;
    int32_t node;
    uint64_t size;
    uint64_t alignment;
    bool failLayer;
    int64_t code;
    uint64_t bytes;
  };
  const Case cases[] = {
      {"not configured", tDMAConfiguration::kDMATypeNone, 0, 4096, 512, false, -52002, 0},
      {"alignment not dividing the page", tDMAConfiguration::kDMAType64Bit, 0, 4096, 3000, false, -52005, 0},
      {"alignment larger than a page", tDMAConfiguration::kDMAType64Bit, 0, 4096, 8192, false, -52005, 0},
      {"layer has no memory", tDMAConfiguration::kDMAType64Bit, 0, 4096, 512, true, -52000, 0},
      {"rounded up to pages", tDMAConfiguration::kDMAType64Bit, 3, 5000, 512, false, 0, 8192},
      {"no NUMA node", tDMAConfiguration::kDMAType64Bit, -1, 4096, 4096, false, 0, 4096},
  };
  for (const Case& c : cases) {
    configure(c.type);
    description.numaNode = c.node;
    kalsim::failPageListAllocation(c.failLayer ? 1 : 0);
    tPageList list{123, 45, reinterpret_cast<void*>(0x1)};
    tStatus status;
    configuration.allocateDMABuffer(list, c.size, 5, status, c.alignment);
    EXPECT_EQ(status.getCode(), c.code) << c.name;
    EXPECT_EQ(list.size, c.bytes) << c.name;
    EXPECT_EQ(list.offset, 0u) << c.name;
    EXPECT_EQ(list.handle != nullptr, c.code == 0) << c.name;
    if (c.code == 0) {
      EXPECT_EQ(kalsim::lastAllocationNode(), c.node) << c.name;
      EXPECT_EQ(kalsim::lastAllocationFlags(), 5u) << c.name;
    }
    configuration.freeDMABuffer(list);
    EXPECT_EQ(list.handle, nullptr);
  }
  EXPECT_EQ(kalsim::livePageLists(), 1u) << "only the fixture's buffer";
}

TEST_F(DmaMapTest, PinningUserBuffers) {
  std::vector<uint8_t> user(3 * 4096);
  const uint64_t address = reinterpret_cast<uintptr_t>(user.data());
  struct Case {
    const char* name;
    uint64_t address;
    uint64_t count;
    bool badRange;
    bool failPin;
    int64_t code;
  };
  const Case cases[] = {
      {"ordinary", address, 4096, false, false, 0},
      {"empty", address, 0, false, false, -52005},
      {"page count would wrap", address | 0xFFF, ~0ull - 100, false, false, -52005},
      {"largest count that still adds up", address & ~0xFFFull, ~0ull - 4095, false, true, -52001},
      {"not user memory", address, 100, true, false, -52001},
      {"layer refuses", address, 100, false, true, -52001},
  };
  for (const Case& c : cases) {
    if (c.badRange) kalsim::markUserRangeBad(user.data(), user.size());
    kalsim::failUserPinning(c.failPin ? 1 : 0);
    tPageList pinned;
    tStatus status;
    pinUserBuffer(c.address, c.count, pinned, status);
    EXPECT_EQ(status.getCode(), c.code) << c.name;
    EXPECT_EQ(pinned.handle != nullptr, c.code == 0) << c.name;
    destroyPageList(pinned);
    kalsim::clearBadUserRanges();
  }
  EXPECT_EQ(kalsim::livePageLists(), 1u);
}

TEST_F(DmaMapTest, DestroyingAPageListTakesItsBusPagesAway) {
  std::vector<uint8_t> user(2 * 4096);
  tPageList pinned;
  tStatus status;
  pinUserBuffer(reinterpret_cast<uintptr_t>(user.data()), 4096, pinned, status);
  tStandardDMAMap map(configuration);
  map.map(pinned, 0, pinned.size, 0, status);
  const tDMASegment segment = map.nextSGLSegment();
  ASSERT_NE(kalsim::translate(segment.busAddress, segment.length), nullptr);
  destroyPageList(pinned);
  EXPECT_EQ(kalsim::pageListsDestroyedWhileMapped(), 1u);
  EXPECT_EQ(kalsim::translate(segment.busAddress, segment.length), nullptr);
  map.unmap();
}

}  // namespace
