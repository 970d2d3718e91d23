// The driver's CRC-32 beside zlib's on the same buffers.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "platform/status/tStatus.h"
#include "storage/storageMap/CRC32Checksum.h"

namespace {

std::vector<uint8_t> buffer(size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = 0x12345678u;
  for (uint8_t& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 24);
  }
  return bytes;
}

void BM_Crc32Driver(benchmark::State& state) {
  const std::vector<uint8_t> bytes = buffer(static_cast<size_t>(state.range(0)));
  storagemap::CRC32Checksum crc;
  nKIVAPALS100::tStatus status;
  for (auto _ : state) benchmark::DoNotOptimize(crc.compute(bytes.data(), bytes.size(), status));
  if (crc.compute(bytes.data(), bytes.size(), status) != crc32(0, bytes.data(), static_cast<uInt>(bytes.size()))) {
    state.SkipWithError("differs from zlib");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Crc32Zlib(benchmark::State& state) {
  const std::vector<uint8_t> bytes = buffer(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_Crc32Driver)->Arg(4 << 10)->Arg(1 << 20);
BENCHMARK(BM_Crc32Zlib)->Arg(4 << 10)->Arg(1 << 20);

}  // namespace
