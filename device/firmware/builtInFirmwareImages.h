// The built-in firmware images: each one LZ4 block in read-only data, its
// packed size and the size it unpacks to. The blocks are synthesised at
// build time (tools/firmwareimagegen); the unpacked sizes are the ones the
// hardware's loaders take, so the FPGA downloaders accept exactly these.
#pragma once

#include <stdint.h>

namespace vorlan_driver {

// What an image is loaded into.
enum FirmwareDownloadTarget : uint32_t {
  kNonIsolatedFpga = 0,
  kIsolatedFpga = 1,
  kSatelliteCpld = 2,
};
static_assert(sizeof(FirmwareDownloadTarget) == 4, "the target is a 32-bit value");

}  // namespace vorlan_driver

extern const uint8_t inlay_QuillNisoFpgaTop_bin[];
extern const uint64_t inlay_QuillNisoFpgaTop_bin_size;
constexpr uint64_t inlay_QuillNisoFpgaTop_bin_original_size = 3825788;

extern const uint8_t inlay_TheQuillIsoFpga_bin[];
extern const uint64_t inlay_TheQuillIsoFpga_bin_size;
constexpr uint64_t inlay_TheQuillIsoFpga_bin_original_size = 6692572;

extern const uint8_t inlay_TheQuillSatelliteCpld_bin[];
extern const uint64_t inlay_TheQuillSatelliteCpld_bin_size;
constexpr uint64_t inlay_TheQuillSatelliteCpld_bin_original_size = 1351876;
