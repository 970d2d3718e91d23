// The layout of the Posc block: one field of single bytes over the whole
// record.
#pragma once

#include <stdint.h>

#include "storage/storageMap/storageMapAccessors.h"
#include "storage/storageMap/storageMapTypes.h"

//  accessor form, element type, type code, field name, accessor stem, elements, bytes per element
#define VORLAN_POSC_FIELDS(X) \
  X(MANY, uint8_t, kTypeUInt8, POSC, POSC, 32768, 1)

namespace vorlan_storagemaps {
namespace poscLayout {

enum Field : uint32_t {
#define VORLAN_POSC_FIELDS_INDEX(form, T, code, name, Name, n, size) k##Name,
  VORLAN_POSC_FIELDS(VORLAN_POSC_FIELDS_INDEX)
#undef VORLAN_POSC_FIELDS_INDEX
  kFieldCount
};

constexpr uint64_t kFieldBytes[] = {
#define VORLAN_POSC_FIELDS_BYTES(form, T, code, name, Name, n, size) (n) * (size),
    VORLAN_POSC_FIELDS(VORLAN_POSC_FIELDS_BYTES)
#undef VORLAN_POSC_FIELDS_BYTES
};

// A field's offset from the record's start, which is also its id.
constexpr uint32_t idOf(Field field) {
  return static_cast<uint32_t>(::storagemap::packedOffset(kFieldBytes, field));
}

constexpr uint64_t kRecordSize = 0x8000;
constexpr uint64_t kFieldsEnd = ::storagemap::packedOffset(kFieldBytes, kFieldCount);

static_assert(kFieldsEnd <= kRecordSize, "the fields lie inside the record");
static_assert(kFieldsEnd == kRecordSize, "the POSC bytes fill the record");

}  // namespace poscLayout
}  // namespace vorlan_storagemaps
