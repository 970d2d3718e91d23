// The storage-map type codes and the value types their typed accessors move.
// A field's code fixes the size of its elements; the typed accessors serve
// exactly one code each.
#pragma once

#include <stdint.h>

namespace storagemap {

enum TypeCode : uint32_t {
  kTypeInt64 = 0,
  kTypeString = 1,
  kTypeInt8 = 2,
  kTypeReserved3 = 3,  // no typed access
  kTypeInt16 = 4,
  kTypeVersion = 5,
  kTypeUInt16 = 6,
  kTypeInt32 = 7,
  kTypeTimeStamp = 8,
  kTypeUInt8 = 9,
  kTypeEightBytes = 10,  // raw access only
  kTypeUInt64 = 11,
  kTypeUInt32 = 12,
  kTypeFloat32Bits = 13,
  kTypeFloat64Bits = 14,
};

// One packed version word: major in bits 24-31, minor 20-23, update 16-19,
// phase 14-15 (d, a, b, f), build 0-13.
struct PackedVersion {
  uint32_t word;
};
static_assert(sizeof(PackedVersion) == 4, "a stored version is one 32-bit word");

// Moved as one 16-byte unit; whoever writes it defines its inside.
struct TimeStamp {
  uint8_t bytes[16];
};
static_assert(sizeof(TimeStamp) == 16, "a stored time stamp is 16 bytes");

// Floating-point values are carried as their bit patterns: the driver moves
// them and never computes with them.
struct Float32Bits {
  uint32_t bits;
};
static_assert(sizeof(Float32Bits) == 4, "a stored 32-bit float is 4 bytes");

struct Float64Bits {
  uint64_t bits;
};
static_assert(sizeof(Float64Bits) == 8, "a stored 64-bit float is 8 bytes");

// An 8-byte value of code 10: read and written raw only.
struct EightBytes {
  uint8_t bytes[8];
};
static_assert(sizeof(EightBytes) == 8, "a code-10 value is 8 bytes");

// The code of each value type; the element size is the type's size.
template <typename T>
struct TypeCodeOf;
template <> struct TypeCodeOf<int64_t> { static constexpr TypeCode value = kTypeInt64; };
template <> struct TypeCodeOf<int8_t> { static constexpr TypeCode value = kTypeInt8; };
template <> struct TypeCodeOf<int16_t> { static constexpr TypeCode value = kTypeInt16; };
template <> struct TypeCodeOf<PackedVersion> { static constexpr TypeCode value = kTypeVersion; };
template <> struct TypeCodeOf<uint16_t> { static constexpr TypeCode value = kTypeUInt16; };
template <> struct TypeCodeOf<int32_t> { static constexpr TypeCode value = kTypeInt32; };
template <> struct TypeCodeOf<TimeStamp> { static constexpr TypeCode value = kTypeTimeStamp; };
template <> struct TypeCodeOf<uint8_t> { static constexpr TypeCode value = kTypeUInt8; };
template <> struct TypeCodeOf<EightBytes> { static constexpr TypeCode value = kTypeEightBytes; };
template <> struct TypeCodeOf<uint64_t> { static constexpr TypeCode value = kTypeUInt64; };
template <> struct TypeCodeOf<uint32_t> { static constexpr TypeCode value = kTypeUInt32; };
template <> struct TypeCodeOf<Float32Bits> { static constexpr TypeCode value = kTypeFloat32Bits; };
template <> struct TypeCodeOf<Float64Bits> { static constexpr TypeCode value = kTypeFloat64Bits; };

// Byte conversions apply to elements no larger than the largest value type.
constexpr uint64_t kLargestConvertedElement = 16;

}  // namespace storagemap
