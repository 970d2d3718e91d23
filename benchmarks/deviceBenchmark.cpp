// Through the whole driver over the simulated board: a field of a storage
// map as start-up reads it, and a fixed-size request through the session's
// gate beside a real system call.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdint>

#include "device/QuillDevice.h"
#include "device/QuillHelper.h"
#include "kal/host/tHostHarness.h"
#include "kal/include/kalStandIn.h"
#include "simboard/QuillBoard.h"

namespace {

constexpr uint32_t kRoutingNotifier = 0x80000000u;
constexpr uint32_t kDestroyNotifier = 0xFF01u;

struct LoadedDriver {
  LoadedDriver() {
    kalsim::reset();
    loaded = host.load() == 0 && host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size) == 0 &&
             host.open("smu_vorlan", &session) == 0;
  }
  ~LoadedDriver() {
    if (session != nullptr) host.close(session);
    host.removeDevice();
    host.deleteDevice();
    host.unload();
  }
  vorlan_driver::QuillHelper* owner() {
    const auto* device = reinterpret_cast<const vorlan_driver::QuillDevice*>(
        reinterpret_cast<vorlan_driver::nKIVAPAL000::tDevice*>(host.deviceWord()));
    return device->getHardwareOwner();
  }
  simboard::QuillBoard board;
  kalsim::tHostHarness host;
  void* session = nullptr;
  bool loaded = false;
};

void BM_StorageMapFieldRead(benchmark::State& state) {
  LoadedDriver driver;
  if (!driver.loaded || driver.owner() == nullptr) {
    state.SkipWithError("the driver did not come up");
    return;
  }
  nKIVAPALS100::tStatus status;
  for (auto _ : state) benchmark::DoNotOptimize(driver.owner()->readSerialNumber(status));
  if (status.isFatal()) state.SkipWithError("read failed");
  state.SetLabel("manufacturing record: checks, then the serial number");
}
BENCHMARK(BM_StorageMapFieldRead);

// Closing the routing notifier that is not open: the request enters the
// device's gate, finds nothing to do and leaves.
void BM_RequestThroughTheGate(benchmark::State& state) {
  LoadedDriver driver;
  if (!driver.loaded) {
    state.SkipWithError("the driver did not come up");
    return;
  }
  int32_t result = 0;
  const uint64_t allocations = kalsim::allocationCallsOnThisThread();
  for (auto _ : state) result |= driver.host.ioctl(driver.session, kDestroyNotifier, kRoutingNotifier);
  if (result != 0) state.SkipWithError("the request failed");
  state.counters["allocations/request"] = benchmark::Counter(
      static_cast<double>(kalsim::allocationCallsOnThisThread() - allocations), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RequestThroughTheGate);

// The system call a request rides on: an ioctl the kernel answers at once.
void BM_RealSystemCall(benchmark::State& state) {
  const int fd = open("/dev/null", O_RDONLY);
  int pending = 0;
  for (auto _ : state) benchmark::DoNotOptimize(ioctl(fd, FIONREAD, &pending));
  close(fd);
  state.SetLabel("ioctl(/dev/null, FIONREAD)");
}
BENCHMARK(BM_RealSystemCall);

}  // namespace
