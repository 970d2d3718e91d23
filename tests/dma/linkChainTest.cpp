// Link chains as the device reads them: every check goes through the fake
// IOMMU to the bytes of link memory.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "dma/memory/pinUserBuffer.h"
#include "kal/include/kalDma.h"
#include "dma/memory/tStandardDMAMap.h"
#include "dma/sgl/FiniteAndContinuousSGL.h"
#include "tests/dma/DmaMemoryFixture.h"

using nKIVAPALS100::tStatus;
using dmatest::tDMAConfiguration;
using tarntools::ContinuousSGL;
using tarntools::FiniteAndContinuousSGL;
using tarntools::FiniteSGL;
using vorlan_driver::nKIVAPAL000::tPageList;
using vorlan_driver::nKIVAPAL000::tStandardDMAMap;
using vorlan_driver::nKIVAPAL000::tTarnSGL;
using vorlan_driver::nKIVAPAL000::tTarnSGLChunkyLink;

namespace {

struct Entry {
  uint32_t count;
  uint32_t second;  // 0 for an address entry, the control word of a fill entry
  uint64_t address;  // or the fill pattern
  bool operator==(const Entry& o) const { return count == o.count && second == o.second && address == o.address; }
};

struct DeviceLink {
  uint32_t nextLength = 0;
  uint32_t flags = 0;
  uint64_t nextAddress = 0;
  std::vector<Entry> entries;
};

struct LinkChainTest : dmatest::DmaMemoryTest {
  // The link at `bus` of `length` used bytes, parsed as the engine does.
  static DeviceLink readLink(uint64_t bus, uint32_t length) {
    DeviceLink link;
    const std::vector<uint8_t> bytes = deviceRead(bus, length);
    EXPECT_EQ(bytes.size(), length) << "link not mapped for the device";
    if (bytes.size() != length || length < 16) return link;
    std::memcpy(&link.nextLength, &bytes[0], 4);
    std::memcpy(&link.flags, &bytes[4], 4);
    std::memcpy(&link.nextAddress, &bytes[8], 8);
    for (uint32_t at = 16; at < length;) {
      Entry entry{};
      std::memcpy(&entry.count, &bytes[at], 4);
      std::memcpy(&entry.second, &bytes[at + 4], 4);
      if (entry.second == 0) {
        std::memcpy(&entry.address, &bytes[at + 8], 8);
        at += 16;
      } else {
        entry.address = entry.count;
        entry.count = 0;
        at += 8;
      }
      link.entries.push_back(entry);
    }
    return link;
  }

  // Follows the headers from the first link for at most `links` links.
  static std::vector<DeviceLink> readChain(const tTarnSGL& chain, uint32_t links) {
    std::vector<DeviceLink> result;
    uint64_t bus = chain.getFirstLink().busAddress;
    uint32_t length = chain.getFirstLink().usedLength;
    while (links-- != 0 && length != 0) {
      result.push_back(readLink(bus, length));
      bus = result.back().nextAddress;
      length = result.back().nextLength;
    }
    return result;
  }

  // A channel's pair as its buffer owner builds it: both lists initialized.
  std::unique_ptr<FiniteAndContinuousSGL> makePair(bool openEnded, tStatus& status) {
    auto pair = std::make_unique<FiniteAndContinuousSGL>(openEnded);
    pair->finite().initialize(configuration, 4096, status);
    pair->continuous().initialize(configuration, 4096, status);
    return pair;
  }

  static Entry addressEntry(uint32_t i) { return {i + 1, 0, 0x10000000ull * (i % 3) + 0x1000ull * i}; }
  static void addEntries(tTarnSGL& chain, uint32_t from, uint32_t to, tStatus& status) {
    for (uint32_t i = from; i < to; ++i) chain.addAddress(addressEntry(i).address, addressEntry(i).count, status, false);
  }
  static std::vector<Entry> entries(uint32_t from, uint32_t to) {
    std::vector<Entry> result;
    for (uint32_t i = from; i < to; ++i) result.push_back(addressEntry(i));
    return result;
  }
  static std::vector<Entry> entriesOf(const std::vector<DeviceLink>& links) {
    std::vector<Entry> result;
    for (const DeviceLink& link : links) result.insert(result.end(), link.entries.begin(), link.entries.end());
    return result;
  }
};

TEST_F(LinkChainTest, AFullLinkHands255EntriesOnAndTheHeaderNamesTheNext) {
  FiniteSGL chain;
  tStatus status;
  chain.initialize(configuration, 4096, status);
  addEntries(chain, 0, 255, status);
  EXPECT_EQ(chain.countLinks(), 1u);
  EXPECT_EQ(chain.getFirstLink().usedLength, 4096u);
  addEntries(chain, 255, 256, status);
  ASSERT_EQ(chain.countLinks(), 2u);
  chain.commit(status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<DeviceLink> links = readChain(chain, 3);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0].nextLength, 32u);
  EXPECT_EQ(links[0].flags, 0u);
  EXPECT_EQ(links[0].nextAddress, chain.getCurrent()->getBusAddress());
  EXPECT_EQ(links[0].entries, entries(0, 255));
  EXPECT_EQ(links[1].entries, entries(255, 256));
  EXPECT_EQ(kalsim::prepareForDMACalls(), 2u) << "each of the two blocks committed once";
}

TEST_F(LinkChainTest, FiniteOnlyPairEndsOpenOrTerminated) {
  for (bool openEnded : {true, false}) {
    tStatus status;
    std::unique_ptr<FiniteAndContinuousSGL> made = makePair(openEnded, status);
    FiniteAndContinuousSGL& pair = *made;
    addEntries(pair.finite(), 0, 3, status);
    pair.commit(status);
    ASSERT_EQ(status.getCode(), 0);
    const DeviceLink link = readChain(pair.finite(), 1)[0];
    EXPECT_EQ(link.nextLength, 0u);
    EXPECT_EQ(link.flags, openEnded ? 0u : 0x80000000u);
    EXPECT_EQ(link.nextAddress, 0u);
    EXPECT_EQ(link.entries, entries(0, 3));
  }
}

TEST_F(LinkChainTest, OneLinkLoopIsReplicatedIntoTwoLinksWithTheInterruptOnTheSecond) {
  tStatus status;
  std::unique_ptr<FiniteAndContinuousSGL> made = makePair(true, status);
  FiniteAndContinuousSGL& pair = *made;
  addEntries(pair.continuous(), 0, 3, status);
  pair.commit(status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<DeviceLink> links = readChain(pair.continuous(), 3);
  ASSERT_EQ(links.size(), 3u);
  std::vector<Entry> repeated;
  for (int i = 0; i < 85; ++i) {
    const std::vector<Entry> three = entries(0, 3);
    repeated.insert(repeated.end(), three.begin(), three.end());
  }
  EXPECT_EQ(links[0].entries, repeated);
  EXPECT_EQ(links[1].entries, repeated);
  EXPECT_EQ(links[0].flags, 0u);
  EXPECT_EQ(links[1].flags, 0x40000000u);
  EXPECT_EQ(links[1].nextAddress, pair.continuous().getFirstLink().busAddress);
  EXPECT_EQ(links[1].nextLength, 4096u);
  // Committed again at the next start: the loop stands as it is.
  pair.commit(status);
  EXPECT_EQ(readChain(pair.continuous(), 2)[1].entries, repeated);
  EXPECT_EQ(pair.continuous().countLinks(), 2u);
}

TEST_F(LinkChainTest, LongerLoopsAreBalancedBackwardsAndCarryNoInterrupt) {
  // 512-byte links hold 31 entries: 70 entries stand 31, 31, 8 and are
  // balanced to 22, 24, 24 before the loop closes.
  ContinuousSGL chain;
  tStatus status;
  chain.initialize(configuration, 512, status);
  addEntries(chain, 0, 70, status);
  ASSERT_EQ(chain.countLinks(), 3u);
  chain.commitLoop(true, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<DeviceLink> links = readChain(chain, 4);
  ASSERT_EQ(links.size(), 4u);
  EXPECT_EQ(links[0].entries, entries(0, 22));
  EXPECT_EQ(links[1].entries, entries(22, 46));
  EXPECT_EQ(links[2].entries, entries(46, 70));
  for (const DeviceLink& link : links) EXPECT_EQ(link.flags, 0u);
  EXPECT_EQ(links[2].nextAddress, chain.getFirstLink().busAddress);
  EXPECT_EQ(links[3].entries, links[0].entries) << "the loop comes back to the first link";
  // All three links were carved from one page-sized block.
  EXPECT_EQ(links[1].nextAddress - links[0].nextAddress, 512u);
}

TEST_F(LinkChainTest, TwoLinkLoopIsBalancedAndTakesTheInterrupt) {
  ContinuousSGL chain;
  tStatus status;
  chain.initialize(configuration, 4096, status);
  addEntries(chain, 0, 300, status);
  chain.commitLoop(true, status);
  const std::vector<DeviceLink> links = readChain(chain, 2);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0].entries, entries(0, 150));
  EXPECT_EQ(links[1].entries, entries(150, 300));
  EXPECT_EQ(links[1].flags, 0x40000000u);
}

TEST_F(LinkChainTest, ALoopThatGrowsPastTwoLinksLosesItsInterrupt) {
  ContinuousSGL chain;
  tStatus status;
  chain.initialize(configuration, 4096, status);
  addEntries(chain, 0, 300, status);
  chain.commitLoop(true, status);
  ASSERT_EQ(readChain(chain, 2)[1].flags, 0x40000000u);
  addEntries(chain, 300, 600, status);
  chain.commitLoop(true, status);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_EQ(chain.countLinks(), 3u);
  const std::vector<DeviceLink> links = readChain(chain, 3);
  EXPECT_EQ(entriesOf(links), entries(0, 600));
  for (const DeviceLink& link : links) EXPECT_EQ(link.flags, 0u);
}

TEST_F(LinkChainTest, FiniteChainRunsIntoTheLoop) {
  tStatus status;
  std::unique_ptr<FiniteAndContinuousSGL> made = makePair(true, status);
  FiniteAndContinuousSGL& pair = *made;
  addEntries(pair.finite(), 0, 2, status);
  addEntries(pair.continuous(), 2, 302, status);
  // What the device may see of the finite chain's last header: its bytes
  // as they stood at the last prepare.
  uint8_t prepared[16] = {};
  kalsim::onPrepareForDMA([&] { std::memcpy(prepared, pair.finite().getCurrent()->getKernelAddress(), 16); });
  pair.commit(status);
  kalsim::onPrepareForDMA(nullptr);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(std::memcmp(prepared, pair.finite().getCurrent()->getKernelAddress(), 16), 0)
      << "the header into the loop was written after the last prepare";
  EXPECT_TRUE(pair.finite().isChained());
  const std::vector<DeviceLink> links = readChain(pair.finite(), 4);
  ASSERT_EQ(links.size(), 4u);
  EXPECT_EQ(links[0].entries, entries(0, 2));
  EXPECT_EQ(links[0].nextAddress, pair.continuous().getFirstLink().busAddress);
  EXPECT_EQ(links[0].nextLength, pair.continuous().getFirstLink().usedLength);
  EXPECT_EQ(links[2].flags, 0u) << "no interrupt on a loop behind a finite chain";
  EXPECT_EQ(links[3].entries, links[1].entries);
  // Resetting the finite chain frees its own links only, never the loop it
  // runs into; the pair then goes without being cleared first.
  const uint32_t loopLinks = pair.continuous().countLinks();
  pair.finite().reset();
  EXPECT_EQ(pair.continuous().countLinks(), loopLinks);
  EXPECT_EQ(readChain(pair.continuous(), 2)[1].entries, links[2].entries);
  made.reset();
  EXPECT_EQ(kalsim::livePageLists(), 0u);
  EXPECT_EQ(kalsim::liveSGLs(), 0u);
}

TEST_F(LinkChainTest, FillEntriesEncodeTheirWidthAndReplicateNarrowPatterns) {
  const struct {
    uint32_t selector;
    uint32_t pattern;
    uint32_t stored;
    uint32_t widthBits;
  } cases[] = {{0, 0x12345678, 0x12345678, 0x18000000},
               {1, 0x12345678, 0x78787878, 0x00000000},
               {2, 0x12345678, 0x56785678, 0x08000000},
               {3, 0x12345678, 0x12345678, 0x18000000},
               {4, 0x12345678, 0x12345678, 0x10000000}};
  FiniteSGL chain;
  tStatus status;
  chain.initialize(configuration, 4096, status);
  std::vector<Entry> expected;
  for (const auto& c : cases) {
    chain.addFill(c.pattern, 0x7FFFFFF, c.selector, status);
    expected.push_back({0, 0x80000000u | c.widthBits | 0x7FFFFFF, c.stored});
    chain.addAddress(0x123456789000ull, 64, status, false);
    expected.push_back({64, 0, 0x123456789000ull});
  }
  chain.commitTerminated(status);
  ASSERT_EQ(status.getCode(), 0);
  const DeviceLink link = readChain(chain, 1)[0];
  EXPECT_EQ(link.entries, expected);
  EXPECT_EQ(chain.getFirstLink().usedLength, 16u + 5 * 8 + 5 * 16);
  for (const auto& bad : {std::make_pair(0u, 0u), std::make_pair(0x8000000u, 0u), std::make_pair(1u, 5u)}) {
    tStatus refused;
    chain.addFill(1, bad.first, bad.second, refused);
    EXPECT_EQ(refused.getCode(), -52005);
  }
}

TEST_F(LinkChainTest, EntryBoundariesInMixedLinks) {
  // fill(8) addr-low(16) addr-high(16) fill(8) addr-low(16): entries at 0, 8, 24, 40, 48.
  FiniteSGL chain;
  tStatus status;
  chain.initialize(configuration, 4096, status);
  chain.addFill(1, 1, 0, status);
  chain.addAddress(0x2000, 1, status, false);
  chain.addAddress(0x500000000ull, 1, status, false);
  chain.addFill(1, 1, 0, status);
  chain.addAddress(0x3000, 1, status, false);
  const tTarnSGLChunkyLink& link = *chain.getFirst();
  const struct {
    uint32_t offset;
    uint32_t boundary;
  } cases[] = {{0, 0}, {7, 0}, {8, 8}, {16, 8}, {23, 8}, {24, 24}, {32, 24}, {40, 40},
               {44, 40}, {48, 48}, {56, 48}, {64, 64}};
  for (const auto& c : cases) EXPECT_EQ(link.findEntryBoundary(c.offset), c.boundary) << c.offset;
  // Copying respects them: a limit of 30 bytes from offset 8 takes one entry.
  FiniteSGL other;
  other.initialize(configuration, 4096, status);
  EXPECT_EQ(link.copyEntries(8, *other.getFirst(), 30), 16u);
  EXPECT_EQ(link.copyEntries(8, *other.getFirst(), 32), 32u);
}

TEST_F(LinkChainTest, ResetReturnsToOneZeroedLinkAtTheStartOfTheOldestBlock) {
  ContinuousSGL chain;
  tStatus status;
  chain.initialize(configuration, 512, status);
  const uint64_t firstBus = chain.getFirstLink().busAddress;
  addEntries(chain, 0, 300, status);  // ten links over two blocks
  chain.commitLoop(false, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(kalsim::livePageLists(), 2u);
  EXPECT_NE(readLink(firstBus, 16).nextAddress, 0u);
  chain.reset();
  EXPECT_EQ(kalsim::livePageLists(), 1u);
  EXPECT_EQ(chain.countLinks(), 1u);
  EXPECT_EQ(chain.getFirstLink().busAddress, firstBus);
  EXPECT_EQ(chain.getFirstLink().usedLength, 16u);
  EXPECT_EQ(chain.getLinkMemory()->getUsedOffset(), 512u);
  const DeviceLink cleared = readLink(firstBus, 16);
  EXPECT_EQ(cleared.nextLength, 0u) << "a fresh header names no next link";
  EXPECT_EQ(cleared.flags, 0u);
  EXPECT_EQ(cleared.nextAddress, 0u);
  EXPECT_NE(readLink(firstBus + 512, 16).nextAddress, 0u) << "the old second link's header is still there";
  addEntries(chain, 0, 32, status);
  EXPECT_EQ(chain.getCurrent()->getBusAddress(), firstBus + 512) << "carved from the same block again";
  const DeviceLink carved = readLink(firstBus + 512, 16);
  EXPECT_EQ(carved.nextLength, 0u) << "a link carved over an old one starts with a zero header";
  EXPECT_EQ(carved.nextAddress, 0u);
}

TEST_F(LinkChainTest, ListsWithoutALinkRefuseWork) {
  // Never initialized, and initialized without memory for the first link.
  FiniteAndContinuousSGL pair(true);
  kalsim::failPageListAllocation(1);
  tStatus init;
  pair.continuous().initialize(configuration, 4096, init);
  EXPECT_EQ(init.getCode(), -52000);
  for (tTarnSGL* chain : {static_cast<tTarnSGL*>(&pair.finite()), static_cast<tTarnSGL*>(&pair.continuous())}) {
    tStatus status;
    EXPECT_EQ(chain->addAddress(0x1000, 16, status, false), nullptr);
    EXPECT_EQ(status.getCode(), -52017);
    tStatus commit;
    chain->commitHeaders(commit);
    EXPECT_EQ(commit.getCode(), -52017);
    tStatus loop;
    chain->commitLoop(true, loop);
    EXPECT_EQ(loop.getCode(), -52017);
    EXPECT_TRUE(chain->isEmpty());
  }
  tStatus status;
  pair.commit(status);
  EXPECT_EQ(status.getCode(), 0) << "two empty lists: nothing to commit";
  pair.finite().unchain();
  tStatus tooSmall;
  pair.finite().initialize(configuration, 16, tooSmall);
  EXPECT_EQ(tooSmall.getCode(), -52005);
}

TEST_F(LinkChainTest, AppendsRefuseEmptyPiecesAndSplitHugeOnes) {
  FiniteSGL chain;
  tStatus status;
  chain.initialize(configuration, 4096, status);
  chain.addAddress(0x1000, 0, status, false);
  EXPECT_EQ(status.getCode(), -52005);
  tStatus huge;
  chain.addAddress(0x200000800ull, 5ull << 30, huge, false);
  chain.commit(huge);
  ASSERT_EQ(huge.getCode(), 0);
  const DeviceLink link = readChain(chain, 1)[0];
  ASSERT_EQ(link.entries.size(), 2u);
  EXPECT_EQ(link.entries[0], (Entry{0xFFFFF000u - 0x800, 0, 0x200000800ull}));
  EXPECT_EQ(link.entries[1], (Entry{static_cast<uint32_t>((5ull << 30) - (0xFFFFF000u - 0x800)), 0,
                                    0x200000800ull + 0xFFFFF000u - 0x800}));
  tStatus fresh;
  chain.addAddress(0x9000, 8, fresh, true);
  EXPECT_EQ(chain.countLinks(), 2u) << "a fresh link was asked for";
}

TEST_F(LinkChainTest, SegmentsOfAMappedBufferBecomeEntriesAcrossLinks) {
  // A pinned range of 5 GiB in one segment (the layer is told it may merge
  // that far) and a fragmented buffer of 300 pages.
  kalsim::setMaxSegmentSize(8ull << 30);
  FiniteSGL chain;
  tStatus status;
  chain.initialize(configuration, 4096, status);
  tPageList huge;
  pinUserBuffer(0x7f0000000000ull, 5ull << 30, huge, status);
  tStandardDMAMap hugeMap(configuration);
  hugeMap.map(huge, 0, huge.size, 1, status);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_EQ(hugeMap.numSGLSegments(), 1u);
  chain.addSGL(hugeMap, status);
  kalsim::fragmentUserBuffers(true);
  std::vector<uint8_t> user(301 * 4096);
  tPageList pages;
  pinUserBuffer(reinterpret_cast<uintptr_t>(user.data()), 300 * 4096, pages, status);
  tStandardDMAMap pagesMap(configuration);
  pagesMap.map(pages, 0, pages.size, 1, status);
  chain.addSGL(pagesMap, status);
  chain.commit(status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<Entry> all = entriesOf(readChain(chain, 3));
  ASSERT_EQ(all.size(), 2u + pagesMap.numSGLSegments());
  uint64_t total = 0;
  for (const Entry& entry : all) total += entry.count;
  EXPECT_EQ(total, (5ull << 30) + 300 * 4096);
  EXPECT_EQ(chain.countLinks(), 2u);
  hugeMap.unmap();
  pagesMap.unmap();
  vorlan_driver::nKIVAPAL000::destroyPageList(huge);
  vorlan_driver::nKIVAPAL000::destroyPageList(pages);
}

TEST_F(LinkChainTest, LinkMemoryFailuresKeepTheChainAndLeakNothing) {
  struct Case {
    const char* name;
    void (*arm)();
    int64_t code;
  };
  const Case cases[] = {
      {"block record", [] { kalsim::failAllocationOnThisThread(1); }, -52000},
      {"block memory", [] { kalsim::failPageListAllocation(1); }, -52000},
      {"kernel view", [] { kalsim::failKernelViewOfPageList(1); }, -52000},
      {"scatter-gather list", [] { kalsim::failSGLCreation(1); }, -52000},
      {"DMA mapping", [] { kalsim::failSGLMap(1, -51352); }, -52000},
      {"DMA mapping, unknown code", [] { kalsim::failSGLMap(1, -51999); }, -52008},
  };
  for (const Case& c : cases) {
    FiniteSGL chain;
    tStatus status;
    chain.initialize(configuration, 4096, status);
    addEntries(chain, 0, 255, status);
    const uint64_t pageLists = kalsim::livePageLists();
    c.arm();
    tStatus failed;
    chain.addAddress(0x1000, 1, failed, false);
    kalsim::failAllocationOnThisThread(0);
    EXPECT_EQ(failed.getCode(), c.code) << c.name;
    EXPECT_EQ(chain.countLinks(), 1u) << c.name;
    EXPECT_EQ(chain.getFirstLink().usedLength, 4096u) << c.name;
    EXPECT_EQ(kalsim::livePageLists(), pageLists) << c.name;
    chain.destroyAll();
    EXPECT_EQ(kalsim::livePageLists(), 0u) << c.name;
    EXPECT_EQ(kalsim::liveSGLs(), 0u) << c.name;
    EXPECT_EQ(kalsim::liveKernelViews(), 0u) << c.name;
    EXPECT_EQ(kalsim::liveBusMappings(), 0u) << c.name;
  }
  // A link record that cannot be had leaves its block's room as it was.
  FiniteSGL small;
  tStatus smallStatus;
  small.initialize(configuration, 512, smallStatus);
  addEntries(small, 0, 31, smallStatus);
  kalsim::failAllocationOnThisThread(1);
  small.addAddress(0x1000, 1, smallStatus, false);
  EXPECT_EQ(smallStatus.getCode(), -52000);
  EXPECT_EQ(small.getLinkMemory()->getUsedOffset(), 512u);
  EXPECT_EQ(small.countLinks(), 1u);

  configure(tDMAConfiguration::kDMATypeNone);
  FiniteSGL unconfigured;
  tStatus status;
  unconfigured.initialize(configuration, 4096, status);
  EXPECT_EQ(status.getCode(), -52002);
}

TEST_F(LinkChainTest, ThirtyTwoBitLinkMemoryStaysBelowFourGiB) {
  configure(tDMAConfiguration::kDMAType32Bit);
  ContinuousSGL chain;
  tStatus status;
  chain.initialize(configuration, 4096, status);
  EXPECT_EQ(kalsim::lastAllocationFlags(), 7u);
  EXPECT_LT(chain.getFirstLink().busAddress, 0x100000000ull);
  EXPECT_GE(chain.getFirstLink().busAddress, kalsim::kLowBusBase);
}

}  // namespace
