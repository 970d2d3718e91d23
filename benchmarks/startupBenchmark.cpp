// A whole start-up on the simulated board, as far as start-up climbs today:
// the driver's add-device over a fresh board, both FPGA images, the CPLD
// image and every register step in between. Reports the level reached, the
// simulated accesses (image stores and CPLD words included) and the time
// per access (goal: at most 0.3 us, so that start-up to level 20 stays
// under half a second).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "device/QuillDevice.h"
#include "device/QuillHelper.h"
#include "kal/host/tHostHarness.h"
#include "kal/include/kalStandIn.h"
#include "simboard/QuillBoard.h"

namespace {

void BM_StartUp(benchmark::State& state) {
  kalsim::reset();
  kalsim::useVirtualClock();
  uint64_t accesses = 0;
  uint32_t level = 0;
  bool loaded = true;
  for (auto _ : state) {
    state.PauseTiming();
    auto board = std::make_unique<simboard::QuillBoard>();
    auto host = std::make_unique<kalsim::tHostHarness>();
    loaded = loaded && host->load() == 0;
    state.ResumeTiming();
    loaded = loaded && host->addSimulatedBoard(board->bar0(), simboard::SimBoard::kBar0Size) == 0;
    state.PauseTiming();
    if (loaded) {
      const auto* device = reinterpret_cast<const vorlan_driver::QuillDevice*>(
          reinterpret_cast<vorlan_driver::nKIVAPAL000::tDevice*>(host->deviceWord()));
      level = device->getSetupTracker().getCurrentLevel();
    }
    accesses += board->bar0Space().accesses();
    host.reset();
    board.reset();
    state.ResumeTiming();
  }
  if (!loaded) state.SkipWithError("the driver did not take the board");
  state.counters["level"] = level;
  state.counters["accesses"] = benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kAvgIterations);
  state.counters["accesses_per_second"] = benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kIsRate);
  // An inverted rate prints as seconds with an SI prefix, e.g. "14.7ns".
  state.counters["time_per_access"] =
      benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

}  // namespace
