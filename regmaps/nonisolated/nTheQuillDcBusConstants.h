// Constants of the non-isolated FPGA's link to the isolated side.
#pragma once

#include <stdint.h>

namespace vorlan_regmaps {
namespace nTheQuillDcBusConstants {

// Bit 16 of an access window's address register.
enum IsoRegAccessType : uint32_t {
  kIsoRegAccessWrite = 0,
  kIsoRegAccessRead = 1,
};

}  // namespace nTheQuillDcBusConstants
}  // namespace vorlan_regmaps
