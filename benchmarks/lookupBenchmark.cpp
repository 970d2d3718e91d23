// Register lookup by ID in the largest map and registration lookup by name
// among the 98 names of the non-isolated map family, the last one in each.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/armki/ARMDispatcher.h"
#include "kal/include/kalStandIn.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/status/tStatus.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace {

using nKIVAPALS100::tStatus;
using vorlan_regmaps::tTheQuillNisoFpgaRegMap;

constexpr uint32_t kWholeRegister = 0x80000000u;

// The map over plain memory: the lookups read only shadows.
struct NisoMap {
  NisoMap() : memory(0x100000), accessor(reinterpret_cast<uintptr_t>(memory.data()), memory.size()) {
    kalsim::reset();
    tStatus status;
    map = std::make_unique<tTheQuillNisoFpgaRegMap>(&accessor, status, 0, 0, 0xFFFFFFFFu);
  }
  std::vector<uint8_t> memory;
  tTheQuillNisoFpgaRegMap::tAccessor accessor;
  std::unique_ptr<tTheQuillNisoFpgaRegMap> map;
};

// The whole-register ID of register object `index` in declaration order,
// with the read-side bit a read-only register is named with.
uint32_t wholeRegisterId(const arm::tRegisterMap& map, uint32_t index) {
  const arm::tRegisterDescriptor& reg = map.getDescriptor().registers[index];
  return kWholeRegister | reg.offset | (reg.kind == arm::kReadOnly || reg.kind == arm::kUnshadowedReadOnly ? 0x40000000u : 0u);
}

void lookUpId(benchmark::State& state, uint32_t index) {
  NisoMap niso;
  const uint32_t id = wholeRegisterId(*niso.map, index);
  tStatus status;
  uint64_t value = 0;
  for (auto _ : state) {
    niso.map->get(id, value, status, 0);
    benchmark::DoNotOptimize(value);
  }
  if (status.isFatal()) state.SkipWithError(("lookup failed: " + std::to_string(status.getCode())).c_str());
  state.SetLabel("register " + std::to_string(index + 1) + " of " +
                 std::to_string(tTheQuillNisoFpgaRegMap::kRegisterCount));
}

void BM_IdLookupFourthRegister(benchmark::State& state) { lookUpId(state, 3); }
void BM_IdLookupLastRegister(benchmark::State& state) { lookUpId(state, tTheQuillNisoFpgaRegMap::kRegisterCount - 1); }
BENCHMARK(BM_IdLookupFourthRegister);
BENCHMARK(BM_IdLookupLastRegister);

// The family published as the device publishes it, and the name of its last
// child.
struct NisoFamily : NisoMap {
  NisoFamily() {
    tStatus status;
    map->addToDispatcher(dispatcher, status, nullptr, false);
    const uint64_t count = dispatcher.getNumberOfRegistrations();
    std::vector<char> slots(count * armki::ARMDispatcher::kNameSlotSize);
    dispatcher.getRegistrationNames(slots.data(), status);
    // Looked up as user mode does: with the version it expects.
    last = std::string(slots.data() + (count - 1) * armki::ARMDispatcher::kNameSlotSize) + "_Ver" +
           map->getChild(tTheQuillNisoFpgaRegMap::kChildCount - 1)->getVersion();
  }
  ~NisoFamily() {
    tStatus status;
    map->removeFromDispatcher(dispatcher, status, nullptr, false);
  }
  armki::ARMDispatcher dispatcher;
  std::string last;
};

const vorlan_driver::nKIVAPAL000::tEventDescriptor& someRequest() {
  alignas(16) static unsigned char bytes[64];
  return *reinterpret_cast<const vorlan_driver::nKIVAPAL000::tEventDescriptor*>(bytes);
}

void BM_NameLookupLastOf98(benchmark::State& state) {
  NisoFamily family;
  tStatus status;
  for (auto _ : state) {
    armki::tRegisterMapInterface* object = nullptr;
    family.dispatcher.getRegistration(family.last.c_str(), &object, status, nullptr);
    benchmark::DoNotOptimize(object);
  }
  if (status.isFatal()) state.SkipWithError(("lookup failed: " + std::to_string(status.getCode())).c_str());
  state.SetLabel(std::to_string(family.dispatcher.getNumberOfRegistrations()) + " names, last: " + family.last);
}
BENCHMARK(BM_NameLookupLastOf98);

// The same name from user memory, as a request hands it over.
void BM_NameLookupLastOf98FromUserMemory(benchmark::State& state) {
  NisoFamily family;
  tStatus status;
  const uint64_t allocations = kalsim::allocationCallsOnThisThread();
  for (auto _ : state) {
    armki::tRegisterMapInterface* object = nullptr;
    family.dispatcher.getRegistration(someRequest(), const_cast<char*>(family.last.data()), family.last.size(),
                                      &object, status, nullptr);
    benchmark::DoNotOptimize(object);
  }
  if (status.isFatal()) state.SkipWithError(("lookup failed: " + std::to_string(status.getCode())).c_str());
  state.counters["allocations/lookup"] = benchmark::Counter(
      static_cast<double>(kalsim::allocationCallsOnThisThread() - allocations), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_NameLookupLastOf98FromUserMemory);

}  // namespace
