// The non-isolated FPGA map family's tests: their status codes and write
// flags, over the shared board fixture (tests/support/nisoFpgaBoard.h).
#pragma once

#include <cstdint>

#include "platform/status/tStatus.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"
#include "tests/support/nisoFpgaBoard.h"

namespace nisotest {

using boardtest::BlockAccess;
using boardtest::NisoBoard;
using boardtest::R32;
using boardtest::W32;
using boardtest::W64;
using nKIVAPALS100::tStatus;
using vorlan_regmaps::tKivDmaCompanionRegMap;
using vorlan_regmaps::tKivDmaRegMap;
using vorlan_regmaps::tStreamCircuitRegMap;
using vorlan_regmaps::tTheQuillNisoFpgaRegMap;
using tAccessor = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;

constexpr int64_t kOutOfMemory = -52000;
constexpr int64_t kNotSupported = -52002;
constexpr int64_t kInvalidArgument = -52005;
constexpr int64_t kNotAccessible = -52006;
constexpr int64_t kBufferTooSmall = -52019;

constexpr uint32_t kWhole = 0x80000000u;
constexpr uint32_t kReadSide = 0x40000000u;

}  // namespace nisotest
