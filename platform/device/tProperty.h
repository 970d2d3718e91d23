// One value the kernel layer publishes for a device. The layer reads the
// value through the pointer it was given, so a record must outlive its
// registration.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tProperty {
 public:
  enum tKind : uint64_t {
    kKindInt32 = 50,
    kKindUInt32 = 51,
    kKindString = 85,
    kKindInt64 = 100,
    kKindUInt64 = 101,
    kKindByteBlock = 187,
  };

  tProperty() : name_(""), kind_(kKindUInt32), handle_(nullptr), value_(0), data_(nullptr) {}
  tProperty(const char* name, tKind kind) : name_(name), kind_(kind), handle_(nullptr), value_(0), data_(nullptr) {}

  const char* getName() const { return name_; }
  void setName(const char* name) { name_ = name; }
  uint64_t getKind() const { return kind_; }
  void* getHandle() const { return handle_; }
  void setHandle(void* handle) { handle_ = handle; }

  void setInt32(int32_t value) { value_ = static_cast<uint32_t>(value); }
  void setUInt32(uint32_t value) { value_ = value; }
  void setUInt64(uint64_t value) { value_ = value; }
  void setString(const char* text) { value_ = reinterpret_cast<uintptr_t>(text); }
  void setByteBlock(const void* data, uint64_t size) {
    value_ = size;
    data_ = data;
  }
  uint64_t getValue() const { return value_; }

  // What the layer is given for this kind; false for a kind it cannot take.
  bool getLayerValue(const void** value, int32_t* size) const;

 private:
  const char* name_;
  uint64_t kind_;
  void* handle_;
  uint64_t value_;
  const void* data_;
};

static_assert(sizeof(tProperty) == 40, "property record is 40 bytes");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
