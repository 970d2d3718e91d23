// The one virtual interface through which user mode reaches every register of
// every published map, by register/field ID. No data of its own; the slot
// order of its operations is fixed, and getLock comes after them all.
#pragma once

#include <stdint.h>

#include "framework/armki/FieldType.h"
#include "platform/synchronization/tMutex.h"

namespace arm {

template <class tStatusType>
class DynamicAccessInterfaceBase {
 public:
  // The trailing u32 of the first six operations is carried for callers that
  // pass one; no map reads it.
  virtual void get(uint32_t id, uint64_t& value, tStatusType& status, uint32_t unused) = 0;
  virtual void set(uint32_t id, uint64_t value, tStatusType& status, uint32_t unused) = 0;
  virtual void read(uint32_t id, uint64_t& value, tStatusType& status, uint32_t unused) = 0;
  virtual void write(uint32_t id, uint64_t value, bool force, tStatusType& status, uint32_t unused) = 0;
  virtual void flush(uint32_t id, bool force, tStatusType& status, uint32_t unused) = 0;
  virtual void refresh(uint32_t id, tStatusType& status, uint32_t unused) = 0;
  virtual void getRegisterFormat(uint32_t id, uint32_t& count, FieldType* types, uint64_t* masks,
                                 tStatusType& status) const = 0;
  virtual void flushRegMap(bool force, tStatusType& status) = 0;
  virtual void refreshRegMap(tStatusType& status) = 0;
  virtual void markDirtyRegMap() = 0;
  virtual const char* getVersion() const = 0;
  virtual const char* getOldestCompatibleVersion() const = 0;
  virtual ~DynamicAccessInterfaceBase() {}
  // The lock the object's registration takes in place of a mutex of its
  // own; null for an object that keeps none.
  virtual vorlan_driver::nKIVAPAL000::tMutex* getLock() const { return nullptr; }
};

}  // namespace arm
