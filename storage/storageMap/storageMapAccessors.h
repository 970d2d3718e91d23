// The named accessors of the concrete maps, generated from each map's field
// list so that a field's name, type and place are written down once. A
// field's accessor form follows from its row:
//   CHECKSUM  getX(), getX(index)                     the map's checksum
//   ONE       setX(v), getX(), setX(v, index), getX(index)   one element
//   MANY      setX(v, index), getX(index)             several elements
//   RAW       none: reached through raw access only
//   STRING    setX(text), getX(text), setX(text, index), getX(text, index)
//             one string element; the getter fills the caller's text
// Each accessor moves one element through the engine's typed set or get;
// getters return a zero value when the status already holds an error.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "storage/storageMap/storageMapTypes.h"

namespace storagemap {

// Small integers are passed by value, the larger value types by reference.
template <typename T>
struct SetterArgument {
  typedef const T& type;
};
template <> struct SetterArgument<uint8_t> { typedef uint8_t type; };
template <> struct SetterArgument<uint16_t> { typedef uint16_t type; };
template <> struct SetterArgument<uint32_t> { typedef uint32_t type; };

// The offset of row `index` in a packed record: the sum of the sizes of the
// rows before it.
template <uint64_t N>
constexpr uint64_t packedOffset(const uint64_t (&sizes)[N], uint64_t index) {
  uint64_t offset = 0;
  for (uint64_t i = 0; i < index && i < N; ++i) offset += sizes[i];
  return offset;
}

}  // namespace storagemap

// ---- pure declarations, for a map's accessor interface
#define STORAGEMAP_DECLARE_ACCESSORS_CHECKSUM(T, Name, id)                   \
  virtual T get##Name(nKIVAPALS100::tStatus& status) = 0;                    \
  virtual T get##Name(uint64_t index, nKIVAPALS100::tStatus& status) = 0;

#define STORAGEMAP_DECLARE_ACCESSORS_ONE(T, Name, id)                                                      \
  virtual void set##Name(::storagemap::SetterArgument<T>::type value, nKIVAPALS100::tStatus& status) = 0; \
  virtual T get##Name(nKIVAPALS100::tStatus& status) = 0;                                                  \
  STORAGEMAP_DECLARE_ACCESSORS_MANY(T, Name, id)

#define STORAGEMAP_DECLARE_ACCESSORS_MANY(T, Name, id)                                                  \
  virtual void set##Name(::storagemap::SetterArgument<T>::type value, uint64_t index,                   \
                         nKIVAPALS100::tStatus& status) = 0;                                            \
  virtual T get##Name(uint64_t index, nKIVAPALS100::tStatus& status) = 0;

#define STORAGEMAP_DECLARE_ACCESSORS_RAW(T, Name, id)

#define STORAGEMAP_DECLARE_ACCESSORS_STRING(T, Name, id)                                                    \
  virtual void set##Name(const T& value, nKIVAPALS100::tStatus& status) = 0;                               \
  virtual void get##Name(T& value, nKIVAPALS100::tStatus& status) = 0;                                     \
  virtual void set##Name(const T& value, uint64_t index, nKIVAPALS100::tStatus& status) = 0;               \
  virtual void get##Name(T& value, uint64_t index, nKIVAPALS100::tStatus& status) = 0;

// ---- implementations, inside a concrete map (a StorageMapCommon)
#define STORAGEMAP_IMPLEMENT_ACCESSORS_CHECKSUM(T, Name, id)                                       \
  T get##Name(nKIVAPALS100::tStatus& status) override { return getElement<T>((id), 0, status); } \
  T get##Name(uint64_t index, nKIVAPALS100::tStatus& status) override { return getElement<T>((id), index, status); }

#define STORAGEMAP_IMPLEMENT_ACCESSORS_ONE(T, Name, id)                                                    \
  void set##Name(::storagemap::SetterArgument<T>::type value, nKIVAPALS100::tStatus& status) override {   \
    setElement<T>((id), value, 0, status);                                                                 \
  }                                                                                                        \
  T get##Name(nKIVAPALS100::tStatus& status) override { return getElement<T>((id), 0, status); }         \
  STORAGEMAP_IMPLEMENT_ACCESSORS_MANY(T, Name, id)

#define STORAGEMAP_IMPLEMENT_ACCESSORS_MANY(T, Name, id)                                           \
  void set##Name(::storagemap::SetterArgument<T>::type value, uint64_t index,                      \
                 nKIVAPALS100::tStatus& status) override {                                         \
    setElement<T>((id), value, index, status);                                                     \
  }                                                                                                \
  T get##Name(uint64_t index, nKIVAPALS100::tStatus& status) override { return getElement<T>((id), index, status); }

#define STORAGEMAP_IMPLEMENT_ACCESSORS_RAW(T, Name, id)

#define STORAGEMAP_IMPLEMENT_ACCESSORS_STRING(T, Name, id)                                                 \
  void set##Name(const T& value, nKIVAPALS100::tStatus& status) override {                                \
    setString((id), 0, 1, &value, status);                                                                 \
  }                                                                                                        \
  void get##Name(T& value, nKIVAPALS100::tStatus& status) override { getString((id), 0, 1, &value, status); } \
  void set##Name(const T& value, uint64_t index, nKIVAPALS100::tStatus& status) override {                \
    setString((id), index, 1, &value, status);                                                             \
  }                                                                                                        \
  void get##Name(T& value, uint64_t index, nKIVAPALS100::tStatus& status) override {                      \
    getString((id), index, 1, &value, status);                                                             \
  }
