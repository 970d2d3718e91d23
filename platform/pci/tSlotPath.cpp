#include "platform/pci/tSlotPath.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {
constexpr uint64_t kInitialCapacity = 32;
}  // namespace

tSlotPath::~tSlotPath() { release(characters_); }

bool tSlotPath::append(const char* text) {
  if (overflow_) return false;
  const uint64_t added = stringLength(text);
  const uint64_t needed = length_ + added + 1;
  if (needed > capacity_) {
    uint64_t capacity = capacity_ == 0 ? kInitialCapacity : capacity_ * 2;
    while (capacity < needed) capacity *= 2;
    nKIVAPALS100::tStatus status;
    char* grown = static_cast<char*>(allocate(capacity, status, 0));
    if (grown == nullptr) {
      overflow_ = true;
      return false;
    }
    if (length_ != 0) copyBytes(grown, characters_, length_);
    release(characters_);
    characters_ = grown;
    capacity_ = capacity;
  }
  copyBytes(characters_ + length_, text, added);
  length_ += added;
  characters_[length_] = '\0';
  return true;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
