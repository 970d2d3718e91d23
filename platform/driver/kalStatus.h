// The two translations between driver status codes and kernel-layer codes.
// They are not inverses: -52007 leaves as -51550, which comes back as -52008.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

int32_t toKalStatus(int64_t driverCode);
int64_t fromKalStatus(int32_t kalCode);
// Sets the translated code on the status, with the caller's location.
void translateKalStatus(int32_t kalCode, nKIVAPALS100::tStatus& status, const char* file, uint64_t line);

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver

#define kivTranslateKalStatus(kalCode, status) \
  ::vorlan_driver::nKIVAPAL000::translateKalStatus((kalCode), (status), __FILE__, __LINE__)
