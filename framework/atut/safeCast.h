// Checked narrowing of counts that arrive as 64-bit values.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace atut {

void reportSafeCastFailure(nKIVAPALS100::tStatus& status, const char* file, uint64_t line);

inline uint32_t safeCastImpl(uint64_t value, nKIVAPALS100::tStatus& status, const char* file, uint64_t line) {
  if (status.isFatal()) return 0;
  if (value > 0xFFFFFFFFull) {
    reportSafeCastFailure(status, file, line);
    return 0;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace atut

// The failure names the caller's file and line.
#define atutSafeCast(value, status) ::atut::safeCastImpl((value), (status), __FILE__, __LINE__)
