// A registration together with the object it publishes. The object is not
// owned: destroying the wrapper destroys only its own mutex, if it made one.
#pragma once

#include "framework/kivregitools/RegisteredObjectTraits.h"
#include "framework/kivregitools/Registration.h"
#include "platform/status/tStatus.h"

namespace kivregitools {

template <typename T>
class RegistrationWrapper : public Registration {
 public:
  RegistrationWrapper(T& object, const char* versionText, const char* oldestCompatibleVersionText,
                      nKIVAPALS100::tStatus& status)
      : Registration(versionText, oldestCompatibleVersionText, RegisteredObjectTraits<T>::getLock(object), status),
        object_(&object) {}
  ~RegistrationWrapper() override {}

  T* getObject() const { return object_; }

 private:
  T* object_;
};

}  // namespace kivregitools
