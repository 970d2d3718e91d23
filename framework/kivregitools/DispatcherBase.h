// An ordered list of registrations by name. Lookups name a registration,
// optionally followed by "_Ver" and the version the caller expects, e.g.
// "Tarn_Ver23.3.0f121". Names compare exactly; when two entries share a
// name, lookups and removals take the earlier one. Each entry keeps its
// name's length and hash, so a lookup compares characters only with the
// entry that is almost certainly the one (many names share long prefixes).
//
// No lock of its own: entries are added and removed only while no request
// can reach the dispatcher (start-up, reset, teardown).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "framework/kivregitools/Version.h"
#include "framework/kivregitools/registrationStatusCodes.h"
#include "platform/containers/tString.h"
#include "platform/containers/tVector.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace kivregitools {

template <typename W>
class DispatcherBase {
 public:
  // Registration names are written into slots of this size, cut without a
  // terminator when they do not fit.
  static constexpr uint64_t kNameSlotSize = 64;
  // Registration names never contain it: it separates names in the list.
  static constexpr char kListSeparator = '\t';

  DispatcherBase() {}
  virtual ~DispatcherBase() {
    for (uint64_t i = 0; i < entries_.count(); ++i) delete[] entries_[i].name;
  }
  DispatcherBase(const DispatcherBase&) = delete;
  DispatcherBase& operator=(const DispatcherBase&) = delete;

  // Appends {copy of the name, registration}; the registration is not owned.
  virtual void add(const char* name, W& registration, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (name == nullptr) {
      vorlanSetCode(status, codes::kNullArgument);
      return;
    }
    const uint64_t size = vorlan_driver::nKIVAPAL000::stringLength(name) + 1;
    char* copy = new (status, static_cast<uint8_t>(0)) char[size];
    if (copy == nullptr) return;
    vorlan_driver::nKIVAPAL000::copyBytes(copy, name, size);
    entries_.pushBack(Entry{copy, &registration, size - 1, hashOf(name, size - 1)}, status);
    if (status.isFatal()) delete[] copy;
  }

  virtual W* remove(const char* name, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return nullptr;
    if (name == nullptr) {
      vorlanSetCode(status, codes::kNullArgument);
      return nullptr;
    }
    W* registration = remove(name);
    if (registration == nullptr) vorlanSetCode(status, codes::kRegistrationNotFound);
    return registration;
  }

  // Unlinks the first entry of that name and hands its registration back;
  // null when there is none.
  virtual W* remove(const char* name) {
    if (name == nullptr) return nullptr;
    return unlink(name);
  }

  // Hands back the registration and, when asked, its mutex (not taken). A
  // newer version than the registration's is served with a warning.
  virtual void getRegistration(const char* name, W** registration, nKIVAPALS100::tStatus& status,
                               vorlan_driver::nKIVAPAL000::tMutex** mutex) {
    if (status.isFatal()) return;
    if (name == nullptr) {
      vorlanSetCode(status, codes::kNullArgument);
      return;
    }
    // The name ends at the first "_Ver"; everything after it is the version.
    uint64_t nameLength = 0;
    const char* versionText = nullptr;
    for (const char* cursor = name; *cursor != '\0'; ++cursor) {
      if (cursor[0] == '_' && cursor[1] == 'V' && cursor[2] == 'e' && cursor[3] == 'r') {
        versionText = cursor + 4;
        break;
      }
      ++nameLength;
    }
    Version requested;
    if (versionText != nullptr) requested = Version(versionText, status);
    if (status.isFatal()) return;

    const uint64_t index = find(name, nameLength);
    if (index == kNotFound) {
      vorlanSetCode(status, codes::kRegistrationNotFound);
      return;
    }
    W* found = entries_[index].registration;
    found->checkVersion(requested, status);
    if (status.isFatal()) return;
    if (registration != nullptr) *registration = found;
    if (mutex != nullptr) *mutex = &found->getMutex();
  }

  virtual uint64_t getNumberOfRegistrations() { return entries_.count(); }

  // Name k goes into the 64-byte slot at 64 * k, with its NUL when it fits;
  // the rest of each slot is left as it was. The caller provides
  // 64 * getNumberOfRegistrations() bytes.
  virtual void getRegistrationNames(char* buffer, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (buffer == nullptr) {
      vorlanSetCode(status, codes::kNullArgument);
      return;
    }
    for (uint64_t i = 0; i < entries_.count(); ++i) {
      uint64_t size = vorlan_driver::nKIVAPAL000::stringLength(entries_[i].name) + 1;
      if (size > kNameSlotSize) size = kNameSlotSize;
      vorlan_driver::nKIVAPAL000::copyBytes(buffer + i * kNameSlotSize, entries_[i].name, size);
    }
  }

  // The length of the registration list plus its NUL.
  virtual uint64_t getSizeOfRegistrationList() {
    uint64_t length = 0;
    for (uint64_t i = 0; i < entries_.count(); ++i) {
      const uint64_t nameLength = vorlan_driver::nKIVAPAL000::stringLength(entries_[i].name);
      if (nameLength == 0) continue;
      if (length != 0) ++length;
      length += nameLength;
    }
    return length + 1;
  }

  // The names in list order joined by single TABs; empty names add nothing.
  // The list is emptied first, whatever the status holds.
  virtual void getRegistrationList(vorlan_driver::nKIVAPAL000::tString& list, nKIVAPALS100::tStatus& status) {
    list.clear();
    if (status.isFatal()) return;
    for (uint64_t i = 0; i < entries_.count() && status.isNotFatal(); ++i) {
      const char* name = entries_[i].name;
      if (*name == '\0') continue;
      if (!list.isEmpty()) list.appendCharacter(kListSeparator, status);
      list.append(name, status);
    }
  }

 protected:
  struct Entry {
    char* name;  // owned
    W* registration;
    uint64_t length;  // of the name
    uint64_t hash;    // hashOf the name
  };

  // Eight characters at a time, each word mixed in by a multiply: cheap per
  // name, and names that differ anywhere (many share long prefixes and
  // suffixes) still differ here.
  static uint64_t hashOf(const char* name, uint64_t length) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(name);
    uint64_t hash = length * 0x9E3779B97F4A7C15ull;
    const uint64_t whole = length & ~uint64_t{7};
    for (const uint8_t* word = bytes; word != bytes + whole; word += 8) {
      uint64_t value;
      __builtin_memcpy(&value, word, sizeof(value));  // one unaligned load
      hash = (hash ^ value) * 0xFF51AFD7ED558CCDull;
      hash ^= hash >> 32;
    }
    uint64_t i = whole;
    uint64_t tail = 0;
    for (uint32_t k = 0; i + k < length; ++k) tail |= static_cast<uint64_t>(bytes[i + k]) << (8 * k);
    hash = (hash ^ tail) * 0xC4CEB9FE1A85EC53ull;
    return hash ^ (hash >> 29);
  }

  static constexpr uint64_t kNotFound = UINT64_MAX;

  uint64_t entryCount() const { return entries_.count(); }
  W* registrationAt(uint64_t index) const { return entries_[index].registration; }

  // The first entry whose name is exactly the first `length` characters of `name`.
  uint64_t find(const char* name, uint64_t length) const {
    const uint64_t hash = hashOf(name, length);
    const Entry* entries = entries_.data();
    for (uint64_t i = 0; i < entries_.count(); ++i) {
      if (entries[i].hash != hash || entries[i].length != length) continue;
      if (vorlan_driver::nKIVAPAL000::bytesEqual(entries[i].name, name, length)) return i;
    }
    return kNotFound;
  }

  W* unlink(const char* name) {
    const uint64_t index = find(name, vorlan_driver::nKIVAPAL000::stringLength(name));
    if (index == kNotFound) return nullptr;
    W* registration = entries_[index].registration;
    delete[] entries_[index].name;
    entries_.eraseAt(index);
    return registration;
  }

 private:
  vorlan_driver::nKIVAPAL000::tVector<Entry> entries_;
};

}  // namespace kivregitools
