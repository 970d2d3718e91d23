// Route calculation over the two board topographies.
//
//   ./build/vorlan_benchmarks --benchmark_filter=Route
//
// Typical requests route one source to one input or onto the trigger lines;
// the widest one starts at every channel event source and asks for every
// input, so that the search relaxes every edge those sources have. The
// resources-level figures include adding the routes to the database and
// destroying them again; the search-only figures are one pass of the
// search over an arena.
#include <benchmark/benchmark.h>

#include <vector>

#include "routing/routing-resources/QuillTopographyLarkRoutingResources.h"
#include "routing/routing-resources/QuillTopographyWrenRoutingResources.h"

namespace {

using kivark::RouteCalculationSeedBase;
using nKIVAPALS100::tStatus;

class QuietProgrammer : public kivark::RouteProgrammerInterface {
 public:
  void begin(tStatus&) override {}
  void execute(uint32_t, uint32_t, uint32_t, tStatus&) override {}
  void end(tStatus&) override {}
};

// Terminal ids of a topography with n inputs: inputs 3 .. n+2, sources
// n+3 .. 2n+2, trigger lines 2n+3 .. 2n+10.
struct Request {
  std::vector<RouteCalculationSeedBase> seeds;
  std::vector<uint32_t> destinations;
};

Request request(const kivark::TopInfo& info, uint32_t inputs, int kind) {
  Request r;
  const uint32_t firstInput = 3, firstSource = inputs + 3, firstLine = 2 * inputs + 3;
  switch (kind) {
    case 0: {  // one source to the last input it drives
      const kivark::Terminal& source = info.terminals[firstSource + 4];
      uint32_t target = 0;
      for (uint32_t e = source.firstOutgoing; e < source.firstOutgoing + source.outgoingCount; ++e)
        if (info.edges[e].target + 1 < firstSource) target = info.edges[e].target;
      r.seeds.push_back({source.id, 0, 0, {}});
      r.destinations.push_back(target + 1);
      break;
    }
    case 1:  // one input onto every trigger line
      r.seeds.push_back({firstInput + 1, 0, 0, {}});
      for (uint32_t k = 0; k < 8; ++k) r.destinations.push_back(firstLine + k);
      break;
    default:  // every source to every input
      for (uint32_t s = 0; s < inputs; ++s) r.seeds.push_back({firstSource + s, 0, 0, {}});
      for (uint32_t j = 0; j < inputs; ++j) r.destinations.push_back(firstInput + j);
      break;
  }
  return r;
}

const char* kKinds[] = {"one source to one input", "one input onto 8 lines", "every source to every input"};

template <typename Resources>
void resourcesCalculation(benchmark::State& state, const kivark::TopInfo& info, uint32_t inputs) {
  QuietProgrammer programmer;
  tStatus status;
  Resources* resources = new (status, 0) Resources(&programmer, status);
  Request r = request(info, inputs, static_cast<int>(state.range(0)));
  kivark::RoutePossibilityBase* results = nullptr;
  uint32_t capacity = 0;
  for (auto _ : state) {
    uint32_t count = capacity;
    tStatus run;
    resources->calculateRoute(1, r.seeds.data(), static_cast<uint32_t>(r.seeds.size()), r.destinations.data(),
                              static_cast<uint32_t>(r.destinations.size()), 0, results, count, run);
    if (run.isFatal() || count == 0) state.SkipWithError("no route");
    if (count > capacity) capacity = count;
    for (uint32_t i = count; i-- > 0;) resources->destroyRoute(results[i].routeId);
  }
  state.SetLabel(kKinds[state.range(0)]);
  resources->getAllocHelper().function(results, 0, nullptr);
  delete resources;
}

void searchOnly(benchmark::State& state, const kivark::TopInfo& info, uint32_t inputs) {
  std::vector<kivark::TerminalNode> terminals(info.terminalCount);
  std::vector<kivark::EdgeNode> edges(info.edgeCount);
  std::vector<kivark::TerminalNode*> queue(info.terminalCount);
  kivark::Topography topography(info, terminals.data(), edges.data(), queue.data());
  Request r = request(info, inputs, static_cast<int>(state.range(0)));
  auto any = [](const RouteCalculationSeedBase&) { return true; };
  for (auto _ : state) {
    kivark::GrowOnlyHeap arena(2048, 8);
    topography.setAllocationContext(&arena);
    kivark::Route** routes = nullptr;
    uint32_t count = 0;
    tStatus run;
    topography.calculateRoute(1, r.seeds.data(), static_cast<uint32_t>(r.seeds.size()), any, r.destinations.data(),
                              static_cast<uint32_t>(r.destinations.size()), 0, routes, count, run);
    if (run.isFatal() || count == 0) state.SkipWithError("no route");
    benchmark::DoNotOptimize(routes);
    topography.setAllocationContext(nullptr);
  }
  state.SetLabel(kKinds[state.range(0)]);
}

void BM_RouteCalculationLark(benchmark::State& state) {
  resourcesCalculation<QuillTopographyLark::RoutingResources>(state, QuillTopographyLark::kTopInfo, 48);
}
void BM_RouteCalculationWren(benchmark::State& state) {
  resourcesCalculation<QuillTopographyWren::RoutingResources>(state, QuillTopographyWren::kTopInfo, 96);
}
void BM_RouteSearchLark(benchmark::State& state) { searchOnly(state, QuillTopographyLark::kTopInfo, 48); }
void BM_RouteSearchWren(benchmark::State& state) { searchOnly(state, QuillTopographyWren::kTopInfo, 96); }

BENCHMARK(BM_RouteCalculationLark)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RouteCalculationWren)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RouteSearchLark)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RouteSearchWren)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
