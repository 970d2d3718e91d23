// One request through the driver record's ioctl callback (envelope copy,
// decode, record copies, gate, method, copy-out) beside a real system call
// made in the same binary. Goal: the driver's share at most a tenth of the
// system call, and no heap allocation for a fixed-size request. Run by hand:
//   ./build/vorlan_benchmarks --benchmark_filter=Request
#include <benchmark/benchmark.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

#include "device/QuillHelper.h"
#include "kal/host/tHostHarness.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/include/tIOControlEnvelope.h"
#include "requests/RequestRecords.h"
#include "simboard/QuillBoard.h"

namespace {

namespace records = vorlan_driver::requests;
using vorlan_driver::nKIVAPAL000::tIOControlEnvelope;

uint64_t address(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer); }

// A started driver on the simulated board with one session open.
struct StartedDriver {
  StartedDriver() {
    kalsim::reset();
    host.load();
    host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size);
    host.open("smu_vorlan", &session);
  }
  ~StartedDriver() { host.close(session); }

  simboard::QuillBoard board;
  kalsim::tHostHarness host;
  void* session = nullptr;
};

// Runs the request the envelope describes until the state ends; counts the
// heap allocations made meanwhile.
void runRequests(benchmark::State& state, StartedDriver& driver, uint32_t code, tIOControlEnvelope& envelope,
                 const int32_t& statusWord) {
  const uint64_t allocations = kalsim::allocationCallsOnThisThread();
  for (auto _ : state) {
    const int32_t result = driver.host.ioctl(driver.session, code, address(&envelope));
    benchmark::DoNotOptimize(result);
  }
  state.counters["allocations"] = benchmark::Counter(
      static_cast<double>(kalsim::allocationCallsOnThisThread() - allocations), benchmark::Counter::kAvgIterations);
  if (statusWord != 0) state.SkipWithError("the request failed");
}

void BM_RequestSetupLevel(benchmark::State& state) {
  StartedDriver driver;
  records::vorlan_getSetupLevel::In in{};
  records::vorlan_getSetupLevel::Out out{};
  tIOControlEnvelope envelope{address(&in), address(&out), sizeof in, sizeof out, 0, 0};
  runRequests(state, driver, records::vorlan_getSetupLevel::kCode, envelope, out.status);
}
BENCHMARK(BM_RequestSetupLevel);

void BM_RequestArmReadByName(benchmark::State& state) {
  StartedDriver driver;
  const std::string name = "Tarn_Ver23.3.0f121";
  records::arm_read::In in{};
  in.namePointer = address(name.data());
  in.nameLength = name.size();
  in.registerId = 0xC0000000u;
  records::arm_read::Out out{};
  tIOControlEnvelope envelope{address(&in), address(&out), sizeof in, sizeof out, 0, 0};
  runRequests(state, driver, records::arm_read::kCode, envelope, out.status);
}
BENCHMARK(BM_RequestArmReadByName);

// What the stand-in layer spends on one such request, not the driver: the
// envelope and record copies in, the record and byte count out.
void BM_RequestStandInCopies(benchmark::State& state) {
  kalsim::reset();
  tIOControlEnvelope envelope{};
  records::vorlan_getSetupLevel::In in{};
  records::vorlan_getSetupLevel::Out out{};
  tIOControlEnvelope kernelEnvelope;
  records::vorlan_getSetupLevel::In kernelIn;
  for (auto _ : state) {
    nKIVKAL100_replicateInboundIOControlBuffer(&kernelEnvelope, &envelope, sizeof envelope);
    nKIVKAL100_replicateInboundIOControlBuffer(&kernelIn, &in, sizeof in);
    nKIVKAL100_replicateOutboundIOControlBuffer(&out, &out, sizeof out);
    nKIVKAL100_replicateOutboundIOControlBuffer(&envelope.bytesReturned, &kernelEnvelope.bytesReturned, 4);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RequestStandInCopies);

// The yardstick: a system call that does next to nothing in the kernel.
void BM_RequestYardstickSystemCall(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(syscall(SYS_getppid));
}
BENCHMARK(BM_RequestYardstickSystemCall);

}  // namespace
