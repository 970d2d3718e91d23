#include "platform/driver/pciIdentity.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

// Private-use identifiers: no maker holds vendor 0xF0E1.
const tPCIIdentity kSupportedIdentities[kSupportedIdentityCount] = {
    {0xF0E1, 0x7A31, 0xF0E1, 0x7A01},
    {0xF0E1, 0x7A31, 0xF0E1, 0x7A02},
    {0xF0E1, 0x7A31, 0xF0E1, 0x7A11},
    {0xF0E1, 0x7A31, 0xF0E1, 0x7A12},
};

namespace {

// The layer expects it at the start of the driver's writable data: the
// partial link puts this section first (tools/driverObject.ld). The driver
// never reads it except to hand it to tests.
__attribute__((used, aligned(16), section(".data.pciIdentityTable"))) char gPCIIdentityTable[] =
    "nKIVKAL200_beginPCIIDTable\n"
    "0xF0E1 0x7A31 0xF0E1 0x7A01 none none\n"
    "0xF0E1 0x7A31 0xF0E1 0x7A02 none none\n"
    "0xF0E1 0x7A31 0xF0E1 0x7A11 none none\n"
    "0xF0E1 0x7A31 0xF0E1 0x7A12 none none\n"
    "nKIVKAL200_endPCIIDTable\n";

}  // namespace

bool isSupportedIdentity(uint16_t vendorID, uint16_t deviceID, uint16_t subsystemVendorID, uint16_t subsystemID) {
  for (const tPCIIdentity& identity : kSupportedIdentities) {
    if (identity.vendorID == vendorID && identity.deviceID == deviceID &&
        identity.subsystemVendorID == subsystemVendorID && identity.subsystemID == subsystemID) {
      return true;
    }
  }
  return false;
}

bool isWrenSubsystemID(uint32_t subsystemID) {
  return subsystemID == kSupportedIdentities[2].subsystemID || subsystemID == kSupportedIdentities[3].subsystemID;
}

const char* getPCIIdentityTable() { return gPCIIdentityTable; }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
