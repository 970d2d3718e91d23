// The layout of the manufacturing record, packed from byte 0, values
// little-endian. Bytes 18 to the record's end belong to no field but are
// covered by the checksum.
#pragma once

#include <stdint.h>

#include "storage/storageMap/storageMapAccessors.h"
#include "storage/storageMap/storageMapTypes.h"

//  accessor form, element type, type code, field name, accessor stem, elements, bytes per element
#define VORLAN_MANUFACTURING_FIELDS(X) \
  X(CHECKSUM, uint32_t                   , kTypeUInt32 , checksum                     , Checksum                     , 1, 4) \
  X(ONE     , ::storagemap::PackedVersion, kTypeVersion, mapVersion                   , MapVersion                   , 1, 4) \
  X(ONE     , ::storagemap::PackedVersion, kTypeVersion, oldestCompatibleMapVersion   , OldestCompatibleMapVersion   , 1, 4) \
  X(ONE     , uint32_t                   , kTypeUInt32 , boardSerialNumber            , BoardSerialNumber            , 1, 4) \
  X(ONE     , uint8_t                    , kTypeUInt8  , boardRevision                , BoardRevision                , 1, 1) \
  X(ONE     , uint8_t                    , kTypeUInt8  , oldestCompatibleBoardRevision, OldestCompatibleBoardRevision, 1, 1)

namespace vorlan_storagemaps {
namespace manufacturingLayout {

enum Field : uint32_t {
#define VORLAN_MANUFACTURING_FIELDS_INDEX(form, T, code, name, Name, n, size) k##Name,
  VORLAN_MANUFACTURING_FIELDS(VORLAN_MANUFACTURING_FIELDS_INDEX)
#undef VORLAN_MANUFACTURING_FIELDS_INDEX
  kFieldCount
};

constexpr uint64_t kFieldBytes[] = {
#define VORLAN_MANUFACTURING_FIELDS_BYTES(form, T, code, name, Name, n, size) (n) * (size),
    VORLAN_MANUFACTURING_FIELDS(VORLAN_MANUFACTURING_FIELDS_BYTES)
#undef VORLAN_MANUFACTURING_FIELDS_BYTES
};

// A field's offset from the record's start, which is also its id.
constexpr uint32_t idOf(Field field) {
  return static_cast<uint32_t>(::storagemap::packedOffset(kFieldBytes, field));
}

constexpr uint64_t kRecordSize = 0x1000;
constexpr uint64_t kFieldsEnd = ::storagemap::packedOffset(kFieldBytes, kFieldCount);

static_assert(kFieldsEnd <= kRecordSize, "the fields lie inside the record");
static_assert(kFieldsEnd == 18, "the fields end at byte 18");
static_assert(idOf(kBoardSerialNumber) == 12 && idOf(kBoardRevision) == 16 &&
                  idOf(kOldestCompatibleBoardRevision) == 17,
              "field offsets");

}  // namespace manufacturingLayout
}  // namespace vorlan_storagemaps
