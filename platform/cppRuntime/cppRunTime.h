// The driver's own static construction and destruction: there is no language
// runtime in the kernel, so static objects live in raw storage, are built by
// the constructor table at load and register their destructors, which run
// last-registered-first at unload.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tDestructorRecord {
  tDestructorRecord* next;
  void (*function)(void* argument);
  void* argument;
};
static_assert(sizeof(tDestructorRecord) == 24, "destructor record is 24 bytes");

typedef void (*tStaticConstructor)(void);

// False when a static object could not be built for want of memory: the
// load is then refused and finalizeRunTime() undoes what was built.
bool initializeRunTime();
void finalizeRunTime();
// 0 when registered, -1 when the record could not be allocated.
int32_t registerStaticDestructor(void (*function)(void* argument), void* argument, tDestructorRecord** head);
// What a static object whose destructor could not be registered reports.
void noteStaticObjectNotBuilt();

// The list every static constructor registers on, and the load count.
tDestructorRecord** staticDestructorListHead();
uint32_t runTimeReferenceCount();

// The version record: nine "nKIVVersion_<name>=<value>" strings and a null.
const char* const* getVersionRecord();

// Storage for one static object; construct() builds it in place and
// registers its destruction on the driver's destructor list.
template <typename T>
class tStaticObject {
 public:
  T& get() { return *reinterpret_cast<T*>(storage_); }
  bool isConstructed() const { return constructed_; }

  template <typename... Args>
  T& construct(Args&... arguments);

 private:
  static void destroy(void* self) {
    tStaticObject* object = static_cast<tStaticObject*>(self);
    object->get().~T();
    object->constructed_ = false;
  }
  alignas(T) unsigned char storage_[sizeof(T)];
  bool constructed_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver

#include "platform/cppRuntime/cppNewDelete.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename T>
template <typename... Args>
T& tStaticObject<T>::construct(Args&... arguments) {
  T* object = new (storage_, kPlacement) T(arguments...);
  constructed_ = true;
  // Nothing would ever destroy it (nor free what it holds): it goes at once
  // and the load fails.
  if (registerStaticDestructor(&tStaticObject::destroy, this, staticDestructorListHead()) != 0) {
    destroy(this);
    noteStaticObjectNotBuilt();
  }
  return *object;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
