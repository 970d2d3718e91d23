// Building and committing a link chain over a 1 GiB user buffer mapped one
// segment per 4 KiB page (the stand-in's "fragment user buffers"), with
// 4096-byte links. Goal: at most 2 ns per page appended. Two parts of it
// are measured alone, to tell the driver's share from the layer's: the walk
// over the map's segments (three layer calls per segment) and carving the
// 1029 links from fresh link memory. Run by hand:
//   ./build/vorlan_benchmarks --benchmark_filter=LinkChain
#include <benchmark/benchmark.h>

#include "dma/memory/pinUserBuffer.h"
#include "dma/memory/tStandardDMAMap.h"
#include "dma/sgl/FiniteSGL.h"
#include "kal/include/kalDma.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "platform/device/tDMAConfiguration.h"
#include "platform/driver/addDevice.h"
#include "platform/pci/tPCIDescription.h"

namespace {

using vorlan_driver::nKIVAPAL000::tDMAConfiguration;
using vorlan_driver::nKIVAPAL000::tPageList;
using vorlan_driver::nKIVAPAL000::tPCIDescription;
using vorlan_driver::nKIVAPAL000::tStandardDMAMap;

// Pinning is bookkeeping only in the stand-in: the range is never touched.
constexpr uint64_t kUserAddress = 0x7e0000000000ull;

// A stand-in PCI function with 64-bit DMA configured.
struct Device {
  tPCIDescription description;
  tDMAConfiguration configuration;
  explicit Device(bool fragmented) {
    kalsim::reset();
    kalsim::PciFunction& function = kalsim::addPciFunction();
    vorlan_driver::describePCIRecord(*function.record(), 0x5EED0000, description);
    nKIVKAL220_pciSetDMAMask(function.handle(), ~0ull);
    configuration.record(tDMAConfiguration::kDMAType64Bit, &description);
    kalsim::fragmentUserBuffers(fragmented);
  }
  ~Device() { kalsim::reset(); }
};

void linkChainBuild(benchmark::State& state, bool fragmented) {
  const uint64_t bytes = static_cast<uint64_t>(state.range(0)) << 20;
  Device device(fragmented);
  const tDMAConfiguration& configuration = device.configuration;

  nKIVAPALS100::tStatus status;
  tPageList pages;
  vorlan_driver::nKIVAPAL000::pinUserBuffer(kUserAddress, bytes, pages, status);
  tStandardDMAMap map(configuration);
  map.map(pages, 0, bytes, 1, status);
  tarntools::FiniteSGL chain;
  chain.initialize(configuration, 4096, status);
  if (status.isFatal()) {
    state.SkipWithError("set-up failed");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    chain.reset();
    state.ResumeTiming();
    map.resetSGLIterator();
    chain.addSGL(map, status);
    chain.commit(status);
    benchmark::DoNotOptimize(chain.getFirstLink());
  }
  if (status.isFatal()) state.SkipWithError("chain failed");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (bytes / 4096)));
  state.counters["links"] = chain.countLinks();
  state.counters["segments"] = map.numSGLSegments();
  chain.destroyAll();
  map.unmap();
  vorlan_driver::nKIVAPAL000::destroyPageList(pages);
}

void LinkChain_BuildAndCommit_PagePerSegment(benchmark::State& state) { linkChainBuild(state, true); }
void LinkChain_BuildAndCommit_OneSegment(benchmark::State& state) { linkChainBuild(state, false); }

void LinkChain_SegmentWalkOnly(benchmark::State& state) {
  const uint64_t bytes = static_cast<uint64_t>(state.range(0)) << 20;
  Device device(true);
  nKIVAPALS100::tStatus status;
  tPageList pages;
  vorlan_driver::nKIVAPAL000::pinUserBuffer(kUserAddress, bytes, pages, status);
  tStandardDMAMap map(device.configuration);
  map.map(pages, 0, bytes, 1, status);
  uint64_t total = 0;
  for (auto _ : state) {
    map.resetSGLIterator();
    while (map.moreSGLSegments()) total += map.nextSGLSegment().length;
  }
  benchmark::DoNotOptimize(total);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (bytes / 4096)));
  map.unmap();
  vorlan_driver::nKIVAPAL000::destroyPageList(pages);
}

void LinkChain_LinkMemoryOnly(benchmark::State& state) {
  Device device(true);
  nKIVAPALS100::tStatus status;
  tarntools::FiniteSGL chain;
  chain.initialize(device.configuration, 4096, status);
  const int64_t links = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    chain.reset();
    state.ResumeTiming();
    for (int64_t link = 1; link < links; ++link) chain.addAddress(0x1000, 16, status, true);
  }
  state.SetItemsProcessed(state.iterations() * links);
  chain.destroyAll();
}

}  // namespace

BENCHMARK(LinkChain_BuildAndCommit_PagePerSegment)->Arg(1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(LinkChain_BuildAndCommit_OneSegment)->Arg(1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(LinkChain_SegmentWalkOnly)->Arg(1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(LinkChain_LinkMemoryOnly)->Arg(1029)->Unit(benchmark::kMicrosecond);
