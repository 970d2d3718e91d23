// The PCI functions the driver serves: one vendor and device pair under four
// subsystem identifiers, two per board variant. The identity table text the
// layer reads holds the same four.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tPCIIdentity {
  uint16_t vendorID;
  uint16_t deviceID;
  uint16_t subsystemVendorID;
  uint16_t subsystemID;
};

constexpr uint32_t kSupportedIdentityCount = 4;
extern const tPCIIdentity kSupportedIdentities[kSupportedIdentityCount];

// The board variants: the first two subsystem identifiers of the table are
// the Lark variant, the last two the Wren variant (the 24-channel model).
// Any other identifier is taken for Lark.
bool isWrenSubsystemID(uint32_t subsystemID);

bool isSupportedIdentity(uint16_t vendorID, uint16_t deviceID, uint16_t subsystemVendorID, uint16_t subsystemID);

// The text block between "nKIVKAL200_beginPCIIDTable" and
// "nKIVKAL200_endPCIIDTable", zero-terminated.
const char* getPCIIdentityTable();

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
