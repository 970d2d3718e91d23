// The layout of the header record, packed from byte 0, values little-endian.
// A text field holds its longest text plus a terminating zero. Bytes 1068 to
// the record's end belong to no field but are covered by the checksum.
#pragma once

#include <stdint.h>

#include "storage/storageMap/StorageMapInterface.h"
#include "storage/storageMap/storageMapAccessors.h"
#include "storage/storageMap/storageMapTypes.h"

//  accessor form, element type, type code, field name, accessor stem, elements, bytes per element
#define VORLAN_HEADER_FIELDS(X) \
  X(CHECKSUM, uint32_t                   , kTypeUInt32 , checksum                  , Checksum                  , 1, 4) \
  X(ONE     , ::storagemap::PackedVersion, kTypeVersion, mapVersion                , MapVersion                , 1, 4) \
  X(ONE     , ::storagemap::PackedVersion, kTypeVersion, oldestCompatibleMapVersion, OldestCompatibleMapVersion, 1, 4) \
  X(STRING  , ::storagemap::StringValue  , kTypeString , password                  , Password                  , 1, 32) \
  X(STRING  , ::storagemap::StringValue  , kTypeString , comments                  , Comments                  , 1, 1024)

namespace voltariscalibrationtools {
namespace headerLayout {

enum Field : uint32_t {
#define VORLAN_HEADER_FIELDS_INDEX(form, T, code, name, Name, n, size) k##Name,
  VORLAN_HEADER_FIELDS(VORLAN_HEADER_FIELDS_INDEX)
#undef VORLAN_HEADER_FIELDS_INDEX
  kFieldCount
};

constexpr uint64_t kFieldBytes[] = {
#define VORLAN_HEADER_FIELDS_BYTES(form, T, code, name, Name, n, size) (n) * (size),
    VORLAN_HEADER_FIELDS(VORLAN_HEADER_FIELDS_BYTES)
#undef VORLAN_HEADER_FIELDS_BYTES
};

// A field's offset from the record's start, which is also its id.
constexpr uint32_t idOf(Field field) {
  return static_cast<uint32_t>(::storagemap::packedOffset(kFieldBytes, field));
}

constexpr uint64_t kRecordSize = 0x1000;
constexpr uint64_t kFieldsEnd = ::storagemap::packedOffset(kFieldBytes, kFieldCount);

static_assert(kFieldsEnd <= kRecordSize, "the fields lie inside the record");
static_assert(kFieldsEnd == 1068, "the fields end at byte 1068");
static_assert(idOf(kPassword) == 12 && idOf(kComments) == 44, "field offsets");

}  // namespace headerLayout
}  // namespace voltariscalibrationtools
