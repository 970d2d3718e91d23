// The firmware downloads of a start-up on the simulated board: the
// non-isolated FPGA's image through IO port 2 and the isolated FPGA's
// straight through the bridge's loader, each unpacked from its built-in
// block first. Reports simulated accesses per second and the time per
// access (goal: at most 0.3 us, image stores included).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "device/KeltRegMaps.h"
#include "device/firmware/AutoFirmware.h"
#include "device/firmware/AutoFirmwareDownloader.h"
#include "framework/armki/ARMDispatcher.h"
#include "kal/include/kalStandIn.h"
#include "simboard/QuillBoard.h"

namespace {

using vorlan_driver::AutoFirmware;
using vorlan_driver::AutoFirmwareDownloader;
using vorlan_driver::FirmwareDownloadTarget;

void BM_FpgaDownloads(benchmark::State& state) {
  kalsim::reset();
  kalsim::useVirtualClock();
  simboard::QuillBoard board;
  armki::ARMDispatcher dispatcher;
  nKIVAPALS100::tStatus status;
  vorlan_driver::KeltRegMaps maps(board.bar0Address(), simboard::SimBoard::kBar0Size, dispatcher, status);
  simboard::RegisterBlock* data = board.bar0Space().blockAt(simboard::BridgeCoreBlock::kLoadDataOffset);
  uint64_t accesses = 0;
  for (auto _ : state) {
    board.log().clear();
    data->resetCounters();
    for (FirmwareDownloadTarget target : {vorlan_driver::kNonIsolatedFpga, vorlan_driver::kIsolatedFpga}) {
      AutoFirmware image(nullptr, 0, 0, target, status);
      if (image.get() == nullptr) break;
      AutoFirmwareDownloader downloader(&maps, nullptr);
      downloader.download(*image.get(), status);
    }
    accesses += board.log().entries().size() + data->writes();
  }
  if (status.isFatal() || !board.bridgeCore().loader().lastLoadVerified()) state.SkipWithError("a download failed");
  state.counters["accesses_per_second"] = benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kIsRate);
  // An inverted rate prints as seconds with an SI prefix, e.g. "14.7ns".
  state.counters["time_per_access"] =
      benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel("both FPGA images: unpack, store, check");
}
BENCHMARK(BM_FpgaDownloads)->Unit(benchmark::kMillisecond);

}  // namespace
