// A growing NUL-terminated text. Growth takes a status and fails with -52000
// instead of throwing; a failed append leaves the text as it was.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tString {
 public:
  tString() {}
  tString(const tString&) = delete;
  tString& operator=(const tString&) = delete;

  uint64_t length() const { return characters_.isEmpty() ? 0 : characters_.count() - 1; }
  bool isEmpty() const { return length() == 0; }
  // Never null: an empty string gives "".
  const char* text() const { return characters_.isEmpty() ? "" : characters_.data(); }

  void clear() { characters_.clear(); }
  void append(const char* text, nKIVAPALS100::tStatus& status);
  void append(const char* text, uint64_t size, nKIVAPALS100::tStatus& status);
  void appendCharacter(char character, nKIVAPALS100::tStatus& status);

 private:
  // The characters followed by one NUL; no elements at all when empty.
  tVector<char> characters_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
