// The text of one string element as the string accessors hand it over: the
// characters without the element's zero fill. Growth takes a status and
// fails with -52000; a failed append leaves the text as it was.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"
#include "platform/status/tStatus.h"

namespace storagemap {

class FieldText {
 public:
  FieldText() {}
  FieldText(const FieldText&) = delete;
  FieldText& operator=(const FieldText&) = delete;

  uint64_t length() const { return characters_.isEmpty() ? 0 : characters_.count() - 1; }
  bool isEmpty() const { return length() == 0; }
  // Never null: an empty text gives "".
  const char* text() const { return characters_.isEmpty() ? "" : characters_.data(); }

  void clear() { characters_.clear(); }
  // Appends size characters; a zero among them ends the text there.
  void append(const char* characters, uint64_t size, nKIVAPALS100::tStatus& status);

 private:
  // The characters followed by one zero; no elements at all when empty.
  vorlan_driver::nKIVAPAL000::tVector<char> characters_;
};

}  // namespace storagemap
