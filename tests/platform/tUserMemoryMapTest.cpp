#include <gtest/gtest.h>

#include <vector>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "platform/memory/tPageList.h"
#include "platform/memory/tUserMemoryMap.h"
#include "platform/status/tStatus.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tPageList;
using vorlan_driver::nKIVAPAL000::tSession;
using vorlan_driver::nKIVAPAL000::tUserMemoryMap;

namespace {

TEST(UserMemoryMapTest, TakesSizeAddressAndAccessFromTheLayer) {
  kalsim::reset();
  int target = 0;
  tSession* session = reinterpret_cast<tSession*>(&target);
  struct Case {
    uint32_t mode;
    uint32_t access;
  };
  for (const Case& c : {Case{0, 8}, Case{1, 8}, Case{2, 16}, Case{3, 16}}) {
    void* handle = kalsim::createUserMemMap(8192, &target, c.mode);
    tUserMemoryMap map(session, handle, 0xBEEF);
    EXPECT_EQ(map.getAccess(), c.access) << c.mode;
    EXPECT_EQ(map.getSize(), 8192u);
    EXPECT_EQ(map.getAddress(), &target);
    EXPECT_EQ(map.getWord(), 0xBEEF);
    EXPECT_EQ(map.getHandle(), handle);
    EXPECT_EQ(map.getSession(), session);
  }
}

TEST(UserMemoryMapTest, MapsWholePagesFromAnAlignedOffset) {
  kalsim::reset();
  void* handle = kalsim::createUserMemMap(1 << 20, nullptr, 2);
  tUserMemoryMap map(nullptr, handle, 0);
  int pages = 0;
  const tPageList list{1 << 16, 0, &pages};
  struct Case {
    uint64_t offset;
    uint64_t length;
    int64_t code;
    uint64_t firstPage;
    uint64_t pageCount;
  };
  const Case cases[] = {
      {8192, 4097, 0, 2, 2},
      {0, 4096, 0, 0, 1},
      {0, 0, 0, 0, 0},
      {4095, 4096, -52005, 0, 0},
      // Rounding up must not wrap for the largest lengths.
      {0, ~0ull, 0, 0, (~0ull / 4096) + 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    const size_t before = kalsim::userMemMapCalls().size();
    tStatus status;
    map.mapPageList(list, c.offset, c.length, status);
    EXPECT_EQ(status.getCode(), c.code);
    const std::vector<kalsim::UserMemMapCall> calls = kalsim::userMemMapCalls();
    if (c.code != 0) {
      EXPECT_EQ(calls.size(), before);
      continue;
    }
    ASSERT_EQ(calls.size(), before + 1);
    EXPECT_EQ(calls.back().pageList, &pages);
    EXPECT_EQ(calls.back().firstPageOrOffset, c.firstPage);
    EXPECT_EQ(calls.back().pageCountOrPhysical, c.pageCount);
  }
}

TEST(UserMemoryMapTest, MapsPhysicalRangesAndTranslatesRefusals) {
  kalsim::reset();
  tUserMemoryMap map(nullptr, kalsim::createUserMemMap(4096, nullptr, 0), 0);
  for (uint32_t cacheMode : {0u, 1u, 2u}) {
    tStatus status;
    map.mapPhysicalAddress(4096, 0xFE000000, cacheMode, status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(kalsim::userMemMapCalls().back().cached, cacheMode == 1 ? 1u : 0u);
    EXPECT_EQ(kalsim::userMemMapCalls().back().pageCountOrPhysical, 0xFE000000u);
  }
  tStatus unaligned;
  map.mapPhysicalAddress(12, 0xFE000000, 0, unaligned);
  EXPECT_EQ(unaligned.getCode(), -52005);

  kalsim::setUserMemMapResult(-51352);
  tStatus refused;
  map.mapPhysicalAddress(0, 0xFE000000, 0, refused);
  EXPECT_EQ(refused.getCode(), -52000);
}

}  // namespace
