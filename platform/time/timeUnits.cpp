#include "platform/time/timeUnits.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

constexpr uint64_t kMaximum = 0xFFFFFFFFFFFFFFFFull;

// Factor between a unit and the next larger one.
constexpr uint64_t kStepUp[] = {1000, 1000, 1000, 1000, 60, 60};

constexpr bool isUnit(uint32_t unit) { return unit <= timeUnit::kHours; }

}  // namespace

uint64_t convertTime(uint64_t value, uint32_t fromUnit, uint32_t toUnit) {
  if (!isUnit(fromUnit) || !isUnit(toUnit)) return value;
  // A product that does not fit stays at the largest value: wrapping would
  // turn a very long time into a short one.
  for (uint32_t unit = fromUnit; unit > toUnit; --unit) {
    const uint64_t factor = kStepUp[unit - 1];
    value = value > kMaximum / factor ? kMaximum : value * factor;
  }
  for (uint32_t unit = fromUnit; unit < toUnit; ++unit) value /= kStepUp[unit];
  return value;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
