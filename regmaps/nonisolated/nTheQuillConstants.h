// Constants of the board's non-isolated FPGA.
#pragma once

#include <stdint.h>

namespace vorlan_regmaps {
namespace nTheQuillConstants {

// The access windows with an accessor: one per channel, then the isolated
// FPGA's own. The map has two windows more, which nothing uses.
enum ChPortTypes : uint32_t {
  kChPort0 = 0,
  kChPortLast = 23,
  kIsoFpgaPort = 24,
  kChPortCount = 25,
};

constexpr uint32_t kChannelCount = 24;

}  // namespace nTheQuillConstants
}  // namespace vorlan_regmaps
