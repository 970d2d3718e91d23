#include "framework/atut/safeCast.h"

#include "platform/status/statusCodes.h"

namespace atut {

void reportSafeCastFailure(nKIVAPALS100::tStatus& status, const char* file, uint64_t line) {
  status.setCode(vorlan_driver::statusCodes::kValueOutOfRange, kivComponentName, file, line);
}

}  // namespace atut
