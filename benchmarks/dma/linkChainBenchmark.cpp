// Building and committing a link chain over a 1 GiB user buffer mapped one
// segment per 4 KiB page (the stand-in's "fragment user buffers"), with
// 4096-byte links. Goal: at most 2 ns per page appended. Run by hand:
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

void linkChainBuild(benchmark::State& state, bool fragmented) {
  const uint64_t bytes = static_cast<uint64_t>(state.range(0)) << 20;
  kalsim::reset();
  kalsim::PciFunction& function = kalsim::addPciFunction();
  tPCIDescription description;
  vorlan_driver::describePCIRecord(*function.record(), 0x5EED0000, description);
  nKIVKAL220_pciSetDMAMask(function.handle(), ~0ull);
  tDMAConfiguration configuration;
  configuration.record(tDMAConfiguration::kDMAType64Bit, &description);
  kalsim::fragmentUserBuffers(fragmented);

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
  vorlan_driver::nKIVAPAL000::unpinUserBuffer(pages);
  kalsim::reset();
}

void LinkChain_BuildAndCommit_PagePerSegment(benchmark::State& state) { linkChainBuild(state, true); }
void LinkChain_BuildAndCommit_OneSegment(benchmark::State& state) { linkChainBuild(state, false); }

}  // namespace

BENCHMARK(LinkChain_BuildAndCommit_PagePerSegment)->Arg(1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(LinkChain_BuildAndCommit_OneSegment)->Arg(1024)->Unit(benchmark::kMicrosecond);
