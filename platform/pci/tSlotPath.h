// The growable text that locates a PCI function in the bus hierarchy, for
// example "0000:00:08:00". Growth failures are remembered, not retried.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tSlotPath {
 public:
  tSlotPath() : characters_(nullptr), capacity_(0), length_(0), overflow_(false) {}
  ~tSlotPath();
  tSlotPath(const tSlotPath&) = delete;
  tSlotPath& operator=(const tSlotPath&) = delete;

  // False (and the overflow flag set) when the text could not grow.
  bool append(const char* text);
  // The text, or an empty one when nothing was built.
  const char* getText() const { return characters_ != nullptr ? characters_ : ""; }
  uint64_t getLength() const { return length_; }
  bool hasOverflowed() const { return overflow_; }

 private:
  char* characters_;
  uint64_t capacity_;
  uint64_t length_;
  bool overflow_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
