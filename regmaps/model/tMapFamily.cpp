#include "regmaps/model/tMapFamily.h"

namespace arm {

uint32_t tMapFamily::childWindowSize(uint32_t windowStart, uint32_t windowSize, uint32_t partOffset,
                                     uint32_t partSize) {
  if (partOffset < windowStart) return 0;
  const uint32_t distance = partOffset - windowStart;
  if (distance >= windowSize) return 0;
  const uint32_t room = windowSize - distance;
  return room < partSize ? room : partSize;
}

}  // namespace arm
