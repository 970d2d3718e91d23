// One simulated 32-bit register access: from the driver's memory-space
// accessor through the stand-in layer's register routing into a block of the
// simulated board and back. Goal: at most 30 ns and no allocation, with the
// block counting its accesses (LogPolicy::kCount) as bulk data does; the
// logged variant shows what keeping every access costs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "kal/include/kalStandIn.h"
#include "regmaps/model/tPCIMemorySpaceAccessorDebug.h"
#include "simboard/SimBoard.h"

namespace {

using tAccessor = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;
constexpr uint64_t kBlockOffset = 0x80000;
constexpr uint64_t kBlockSize = 0x1000;

struct Bench {
  explicit Bench(simboard::LogPolicy policy)
      : block(board.addBlock(kBlockOffset, std::make_unique<simboard::RegisterBlock>(kBlockSize))),
        accessor(board.bar0Address() + kBlockOffset, kBlockSize) {
    block.setLogPolicy(policy);
  }
  simboard::SimBoard board;
  simboard::RegisterBlock& block;
  tAccessor accessor;
};

void report(benchmark::State& state, uint64_t allocationsBefore) {
  const uint64_t made = kalsim::allAllocationCallsOnThisThread() - allocationsBefore;
  state.counters["allocations/access"] =
      benchmark::Counter(static_cast<double>(made) / static_cast<double>(state.iterations()));
}

void BM_Read32Counted(benchmark::State& state) {
  Bench bench(simboard::LogPolicy::kCount);
  bench.accessor.read32(0x40);  // anything lazy happens before the count
  const uint64_t before = kalsim::allAllocationCallsOnThisThread();
  for (auto _ : state) benchmark::DoNotOptimize(bench.accessor.read32(0x40));
  report(state, before);
}
BENCHMARK(BM_Read32Counted);

void BM_Write32Counted(benchmark::State& state) {
  Bench bench(simboard::LogPolicy::kCount);
  bench.accessor.write32(0x40, 1);
  const uint64_t before = kalsim::allAllocationCallsOnThisThread();
  uint32_t value = 0;
  for (auto _ : state) bench.accessor.write32(0x40, ++value);
  report(state, before);
}
BENCHMARK(BM_Write32Counted);

void BM_Read32Logged(benchmark::State& state) {
  Bench bench(simboard::LogPolicy::kFull);
  const uint64_t before = kalsim::allAllocationCallsOnThisThread();
  for (auto _ : state) benchmark::DoNotOptimize(bench.accessor.read32(0x40));
  report(state, before);
}
BENCHMARK(BM_Read32Logged);

}  // namespace
