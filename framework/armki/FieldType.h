// Width class of a register field, as user mode sees it through the
// dynamic-access interface.
#pragma once

#include <stdint.h>

namespace arm {

enum FieldType : uint32_t {
  kFieldTypeBit = 0,       // one bit
  kFieldTypeUpTo8 = 1,     // two to eight bits
  kFieldTypeUpTo16 = 2,    // nine to sixteen bits
  kFieldTypeUpTo32 = 3,    // seventeen to thirty-two bits
  kFieldTypeUpTo64 = 4,    // thirty-three to sixty-four bits
};
static_assert(sizeof(FieldType) == 4, "the width class travels as 32 bits");

constexpr FieldType fieldTypeOfWidth(uint32_t width) {
  return width <= 1 ? kFieldTypeBit
                    : width <= 8 ? kFieldTypeUpTo8
                                 : width <= 16 ? kFieldTypeUpTo16 : width <= 32 ? kFieldTypeUpTo32 : kFieldTypeUpTo64;
}

}  // namespace arm
