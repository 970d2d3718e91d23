// The engine every storage map shares. A concrete map supplies its field
// descriptor table (through getFieldInfo), its version texts, its place and
// size in the window and, when it has one, its checksum; the engine does the
// rest. It keeps no contents of its own: the window holds the image.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/containers/tVector.h"
#include "platform/synchronization/kivatomicopInteger.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/storageMap/ChecksumInterface.h"
#include "storage/storageMap/StorageMapInterface.h"

namespace storagemap {

class StorageMapCommon : public StorageMapInterface {
  enum Access { kTypedGet, kTypedSet, kRawGet, kRawSet };

 public:
  // One per field, in static tables built by the compiler.
  struct FieldInfo {
    const char* name;
    uint32_t id;
    uint64_t offset;       // of element 0 from the map's start
    uint64_t count;        // elements
    uint64_t stride;       // between element starts
    uint32_t type;         // TypeCode
    uint64_t elementSize;  // for a string, the longest text plus its zero
    bool swapWords;
  };

  enum ByteOrder : int32_t { kByteOrderAsInMemory = 0, kByteOrderReversed = 1 };

  // Stores its arguments only; touches no window and cannot fail. A map has
  // a checksum when both the checksum and its field are given.
  StorageMapCommon(const char* version, const char* oldestCompatibleVersion, int32_t byteOrder, uint64_t base,
                   uint64_t size, ChecksumInterface* checksum, const FieldInfo* checksumField,
                   devicewindow::DeviceWindow* window);
  ~StorageMapCommon() override {}

  // The overrides are one-line forwarders so that the class has no key
  // function: its vtable is emitted wherever a map class is defined.
  const char* getVersion() const override { return version_; }
  const char* getOldestCompatibleVersion() const override { return oldestCompatibleVersion_; }
  void flush(bool force, nKIVAPALS100::tStatus& status) override { flushMap(force, status); }
  void refresh(nKIVAPALS100::tStatus& status) override { refreshMap(status); }
  uint64_t getElementCount(uint32_t id, nKIVAPALS100::tStatus& status) const override {
    const FieldInfo* field = getFieldInfo(id, status);
    return field == nullptr ? 0 : field->count;
  }
  uint64_t getElementSize(uint32_t id, nKIVAPALS100::tStatus& status) const override {
    const FieldInfo* field = getFieldInfo(id, status);
    return field == nullptr ? 0 : field->elementSize;
  }
  void setRaw(uint32_t id, uint64_t first, uint64_t count, const void* data, uint64_t elementSize,
              nKIVAPALS100::tStatus& status) override {
    writeChecked(kRawSet, id, first, count, data, 0, elementSize, status);
  }
  void getRaw(uint32_t id, uint64_t first, uint64_t count, void* data, uint64_t elementSize,
              nKIVAPALS100::tStatus& status) override {
    readChecked(kRawGet, id, first, count, data, 0, elementSize, status);
  }

#define STORAGEMAP_OVERRIDE_SET_GET(T)                                                                        \
  void set(uint32_t id, uint64_t first, uint64_t count, const T* values, nKIVAPALS100::tStatus& status)         \
      override {                                                                                              \
    writeChecked(kTypedSet, id, first, count, values, TypeCodeOf<T>::value, sizeof(T), status);               \
  }                                                                                                           \
  void get(uint32_t id, uint64_t first, uint64_t count, T* values, nKIVAPALS100::tStatus& status) override {   \
    readChecked(kTypedGet, id, first, count, values, TypeCodeOf<T>::value, sizeof(T), status);                \
  }
  STORAGEMAP_TYPED_VALUES(STORAGEMAP_OVERRIDE_SET_GET)
#undef STORAGEMAP_OVERRIDE_SET_GET
  void setString(uint32_t id, uint64_t first, uint64_t count, const StringValue* values,
                 nKIVAPALS100::tStatus& status) override {
    setStrings(id, first, count, values, status);
  }
  void getString(uint32_t id, uint64_t first, uint64_t count, StringValue* values,
                 nKIVAPALS100::tStatus& status) override {
    getStrings(id, first, count, values, status);
  }

  bool isChecksumValid(nKIVAPALS100::tStatus& status) override { return checkChecksum(status); }

  // The descriptor whose id equals the key; null with -240035 otherwise.
  virtual const FieldInfo* getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const = 0;

  // getFieldInfo over a descriptor table, for the concrete maps.
  static const FieldInfo* findField(const FieldInfo* table, uint64_t count, uint32_t id,
                                    nKIVAPALS100::tStatus& status);

 protected:
  // The shapes of the concrete maps' named accessors: one element each.
  template <typename T>
  void setElement(uint32_t id, const T& value, uint64_t index, nKIVAPALS100::tStatus& status) {
    set(id, index, 1, &value, status);
  }
  template <typename T>
  T getElement(uint32_t id, uint64_t index, nKIVAPALS100::tStatus& status) {
    T value{};
    get(id, index, 1, &value, status);
    return value;
  }

 private:
  // The argument tests in their fixed order; the field when all pass.
  const FieldInfo* checkAccess(Access access, uint32_t id, const void* buffer, uint64_t first, uint64_t count,
                               uint32_t typeCode, uint64_t elementSize, nKIVAPALS100::tStatus& status) const;
  void writeChecked(Access access, uint32_t id, uint64_t first, uint64_t count, const void* data, uint32_t typeCode,
                    uint64_t elementSize, nKIVAPALS100::tStatus& status);
  void readChecked(Access access, uint32_t id, uint64_t first, uint64_t count, void* data, uint32_t typeCode,
                   uint64_t elementSize, nKIVAPALS100::tStatus& status);
  void setStrings(uint32_t id, uint64_t first, uint64_t count, const StringValue* values,
                  nKIVAPALS100::tStatus& status);
  void getStrings(uint32_t id, uint64_t first, uint64_t count, StringValue* values, nKIVAPALS100::tStatus& status);
  void flushMap(bool force, nKIVAPALS100::tStatus& status);
  void refreshMap(nKIVAPALS100::tStatus& status);
  bool checkChecksum(nKIVAPALS100::tStatus& status);

  uint64_t addressOf(const FieldInfo& field, uint64_t index) const;
  bool convertsBytes(const FieldInfo& field) const;
  void readElements(const FieldInfo& field, uint64_t first, uint64_t count, uint8_t* data,
                    nKIVAPALS100::tStatus& status);
  void writeElements(const FieldInfo& field, uint64_t first, uint64_t count, const uint8_t* data,
                     nKIVAPALS100::tStatus& status);

  bool hasChecksum() const { return checksum_ != nullptr && checksumField_ != nullptr; }
  bool isChecksumField(const FieldInfo& field) const {
    return hasChecksum() && field.id == checksumField_->id;
  }
  // Every byte of the map but the checksum field's, in address order.
  void gatherCovered(vorlan_driver::nKIVAPAL000::tVector<uint8_t>& bytes, nKIVAPALS100::tStatus& status);
  uint32_t computeCovered(nKIVAPALS100::tStatus& status);

  int32_t byteOrder_;
  uint64_t base_;
  uint64_t size_;
  ChecksumInterface* checksum_;
  const FieldInfo* checksumField_;
  devicewindow::DeviceWindow* window_;
  const char* version_;
  const char* oldestCompatibleVersion_;
  // The window's change count + 1 when the checksum last passed; 0: never.
  kivatomicop::Integer<uint64_t> passedAt_;
};

static_assert(sizeof(StorageMapCommon::FieldInfo) == 64 && offsetof(StorageMapCommon::FieldInfo, offset) == 16 &&
                  offsetof(StorageMapCommon::FieldInfo, type) == 40 &&
                  offsetof(StorageMapCommon::FieldInfo, swapWords) == 56,
              "field descriptor layout");

}  // namespace storagemap

// For a field list whose rows are (form, T, code, name, Name, n, size) over
// a packed layout: one descriptor per row, and a check that a typed field's
// element is exactly its value type. `layout` must name the map's layout
// namespace where these expand.
#define STORAGEMAP_PACKED_DESCRIPTOR(form, T, code, name, Name, n, size)                                       \
  {#name, layout::idOf(layout::k##Name), layout::idOf(layout::k##Name), (n), (size), ::storagemap::code, (size), \
   false},
#define STORAGEMAP_PACKED_ELEMENT_SIZE(form, T, code, name, Name, n, size) \
  static_assert(::storagemap::code == ::storagemap::kTypeString || sizeof(T) == (size), #name);
