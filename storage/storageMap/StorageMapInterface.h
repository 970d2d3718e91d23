// What every storage map is registered and reached through: a named,
// versioned record over a byte range of a device window, with typed, raw and
// string access to the elements of its fields. Every operation but the two
// version getters takes the status last and does nothing when it already
// holds an error.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "storage/storageMap/FieldText.h"
#include "storage/storageMap/storageMapTypes.h"

// The value types of the typed set and get overloads, in slot order (codes
// 9, 14, 12, 13, 4, 6, 2, 7, 11, 8, 0, 5).
#define STORAGEMAP_TYPED_VALUES(X)  \
  X(uint8_t)                        \
  X(::storagemap::Float64Bits)      \
  X(uint32_t)                       \
  X(::storagemap::Float32Bits)      \
  X(int16_t)                        \
  X(uint16_t)                       \
  X(int8_t)                         \
  X(int32_t)                        \
  X(uint64_t)                       \
  X(::storagemap::TimeStamp)        \
  X(int64_t)                        \
  X(::storagemap::PackedVersion)

namespace storagemap {

// The text type of string fields.
typedef FieldText StringValue;

class StorageMapInterface {
 public:
  virtual ~StorageMapInterface() {}

  virtual const char* getVersion() const = 0;
  virtual const char* getOldestCompatibleVersion() const = 0;
  virtual void flush(bool force, nKIVAPALS100::tStatus& status) = 0;
  virtual void refresh(nKIVAPALS100::tStatus& status) = 0;
  // 0 when the field is not defined.
  virtual uint64_t getElementCount(uint32_t id, nKIVAPALS100::tStatus& status) const = 0;
  virtual uint64_t getElementSize(uint32_t id, nKIVAPALS100::tStatus& status) const = 0;
  // Buffers hold count elements packed, elementSize bytes each.
  virtual void setRaw(uint32_t id, uint64_t first, uint64_t count, const void* data, uint64_t elementSize,
                      nKIVAPALS100::tStatus& status) = 0;
  virtual void getRaw(uint32_t id, uint64_t first, uint64_t count, void* data, uint64_t elementSize,
                      nKIVAPALS100::tStatus& status) = 0;

#define STORAGEMAP_DECLARE_SET(T) \
  virtual void set(uint32_t id, uint64_t first, uint64_t count, const T* values, nKIVAPALS100::tStatus& status) = 0;
  STORAGEMAP_TYPED_VALUES(STORAGEMAP_DECLARE_SET)
#undef STORAGEMAP_DECLARE_SET
  virtual void setString(uint32_t id, uint64_t first, uint64_t count, const StringValue* values,
                         nKIVAPALS100::tStatus& status) = 0;

#define STORAGEMAP_DECLARE_GET(T) \
  virtual void get(uint32_t id, uint64_t first, uint64_t count, T* values, nKIVAPALS100::tStatus& status) = 0;
  STORAGEMAP_TYPED_VALUES(STORAGEMAP_DECLARE_GET)
#undef STORAGEMAP_DECLARE_GET
  virtual void getString(uint32_t id, uint64_t first, uint64_t count, StringValue* values,
                         nKIVAPALS100::tStatus& status) = 0;

  // Whether the stored checksum matches the map's current image.
  virtual bool isChecksumValid(nKIVAPALS100::tStatus& status) = 0;

 protected:
  StorageMapInterface() {}
  StorageMapInterface(const StorageMapInterface&) = delete;
  StorageMapInterface& operator=(const StorageMapInterface&) = delete;
};

}  // namespace storagemap
