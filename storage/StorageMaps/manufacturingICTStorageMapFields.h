// The layout of the in-circuit-test manufacturing record, packed from byte 0,
// values little-endian. Bytes 12 to the record's end belong to no field.
#pragma once

#include <stdint.h>

#include "storage/storageMap/storageMapAccessors.h"
#include "storage/storageMap/storageMapTypes.h"

//  accessor form, element type, type code, field name, accessor stem, elements, bytes per element
#define VORLAN_MANUFACTURING_ICT_FIELDS(X) \
  X(ONE, ::storagemap::PackedVersion, kTypeVersion, mapVersion                , MapVersion                , 1, 4) \
  X(ONE, ::storagemap::PackedVersion, kTypeVersion, oldestCompatibleMapVersion, OldestCompatibleMapVersion, 1, 4) \
  X(ONE, uint32_t                   , kTypeUInt32 , boardSerialNumber         , BoardSerialNumber         , 1, 4)

namespace vorlan_storagemaps {
namespace manufacturingICTLayout {

enum Field : uint32_t {
#define VORLAN_MANUFACTURING_ICT_FIELDS_INDEX(form, T, code, name, Name, n, size) k##Name,
  VORLAN_MANUFACTURING_ICT_FIELDS(VORLAN_MANUFACTURING_ICT_FIELDS_INDEX)
#undef VORLAN_MANUFACTURING_ICT_FIELDS_INDEX
  kFieldCount
};

constexpr uint64_t kFieldBytes[] = {
#define VORLAN_MANUFACTURING_ICT_FIELDS_BYTES(form, T, code, name, Name, n, size) (n) * (size),
    VORLAN_MANUFACTURING_ICT_FIELDS(VORLAN_MANUFACTURING_ICT_FIELDS_BYTES)
#undef VORLAN_MANUFACTURING_ICT_FIELDS_BYTES
};

// A field's offset from the record's start, which is also its id.
constexpr uint32_t idOf(Field field) {
  return static_cast<uint32_t>(::storagemap::packedOffset(kFieldBytes, field));
}

constexpr uint64_t kRecordSize = 0x1000;
constexpr uint64_t kFieldsEnd = ::storagemap::packedOffset(kFieldBytes, kFieldCount);

static_assert(kFieldsEnd <= kRecordSize, "the fields lie inside the record");
static_assert(kFieldsEnd == 12, "the fields end at byte 12");
static_assert(idOf(kOldestCompatibleMapVersion) == 4 && idOf(kBoardSerialNumber) == 8, "field offsets");

}  // namespace manufacturingICTLayout
}  // namespace vorlan_storagemaps
