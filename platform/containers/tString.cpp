#include "platform/containers/tString.h"

#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

void tString::append(const char* text, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (text == nullptr) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  append(text, stringLength(text), status);
}

void tString::append(const char* text, uint64_t size, nKIVAPALS100::tStatus& status) {
  if (status.isFatal() || size == 0) return;
  if (text == nullptr) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  const uint64_t oldLength = length();
  if (size > UINT64_MAX - 1 - oldLength) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  characters_.resize(oldLength + size + 1, status);
  if (status.isFatal()) return;
  copyBytes(characters_.data() + oldLength, text, size);
  characters_[oldLength + size] = '\0';
}

void tString::appendCharacter(char character, nKIVAPALS100::tStatus& status) { append(&character, 1, status); }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
