// Where a calculation may start: also the record user mode hands in.
#pragma once

#include <stdint.h>

namespace kivark {

struct RouteCalculationSeedBase {
  uint32_t terminalId;
  uint32_t initialCost;
  // Nonzero: every route started here has its inversion parity flipped.
  uint8_t hasInversionConstraint;
  uint8_t padding[3];
};

static_assert(sizeof(RouteCalculationSeedBase) == 12, "seed record is 12 bytes");
static_assert(__builtin_offsetof(RouteCalculationSeedBase, hasInversionConstraint) == 8, "seed record layout");

}  // namespace kivark
