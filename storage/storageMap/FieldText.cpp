#include "storage/storageMap/FieldText.h"

#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "storage/storageStatusCodes.h"

namespace storagemap {

void FieldText::append(const char* characters, uint64_t size, nKIVAPALS100::tStatus& status) {
  if (status.isFatal() || size == 0) return;
  if (characters == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return;
  }
  uint64_t used = 0;
  while (used < size && characters[used] != '\0') ++used;
  if (used == 0) return;
  const uint64_t oldLength = length();
  // Length, room for the terminator, and no wrap-around.
  if (used > UINT64_MAX - oldLength - 1) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
    return;
  }
  if (!characters_.reserve(oldLength + used + 1, status)) return;
  characters_.resize(oldLength + used + 1, status);
  vorlan_driver::nKIVAPAL000::copyBytes(characters_.data() + oldLength, characters, used);
  characters_[oldLength + used] = '\0';
}

}  // namespace storagemap
