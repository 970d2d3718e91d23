#include "platform/device/tProperty.h"

#include "platform/quarks/kivString.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

bool tProperty::getLayerValue(const void** value, int32_t* size) const {
  switch (kind_) {
    case kKindInt32:
    case kKindUInt32:
      // Little-endian: the low half of the value field comes first.
      *value = &value_;
      *size = 4;
      return true;
    case kKindInt64:
    case kKindUInt64:
      *value = &value_;
      *size = 8;
      return true;
    case kKindString: {
      const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(value_));
      const uint64_t length = text == nullptr ? 0 : stringLength(text);
      if (length >= static_cast<uint64_t>(INT32_MAX)) return false;
      *value = text;
      *size = static_cast<int32_t>(length + 1);
      return true;
    }
    case kKindByteBlock:
      // The layer takes a 32-bit signed size: a larger block would be
      // published cut short or with a negative size.
      if (value_ > static_cast<uint64_t>(INT32_MAX)) return false;
      *value = data_;
      *size = static_cast<int32_t>(value_);
      return true;
    default:
      return false;
  }
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
