// A dispatcher that publishes objects directly: it wraps each object in a
// registration of its own (version texts, mutex) and owns those wrappers.
// The objects themselves are never deleted here.
#pragma once

#include <stdint.h>

#include "framework/kivregitools/DispatcherBase.h"
#include "framework/kivregitools/RegisteredObjectTraits.h"
#include "framework/kivregitools/RegistrationWrapper.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace kivregitools {

template <typename T>
class WrapperDispatcher : public DispatcherBase<RegistrationWrapper<T>> {
  using Base = DispatcherBase<RegistrationWrapper<T>>;

 public:
  using Wrapper = RegistrationWrapper<T>;
  using Base::add;
  using Base::getRegistration;

  WrapperDispatcher() {}
  // Withdraws every registration still published, in list order. Walks the
  // entries themselves: building the name list could fail for memory and
  // would skip empty names, leaving wrappers behind.
  ~WrapperDispatcher() override {
    for (uint64_t i = 0; i < this->entryCount(); ++i) delete this->registrationAt(i);
  }

  // Withdraws and deletes the registration whatever the status already
  // holds: teardown must not leave a registration to an object it destroys.
  Wrapper* remove(const char* name, nKIVAPALS100::tStatus& status) override {
    if (name == nullptr) {
      vorlanSetCode(status, codes::kNullArgument);
      return nullptr;
    }
    Wrapper* wrapper = this->unlink(name);
    if (wrapper == nullptr) {
      vorlanSetCode(status, codes::kRegistrationNotFound);
      return nullptr;
    }
    delete wrapper;
    return nullptr;
  }

  Wrapper* remove(const char* name) override {
    nKIVAPALS100::tStatus dropped;
    return remove(name, dropped);
  }

  // Publishes the object under the name; on any failure nothing is published.
  virtual void add(const char* name, T& object, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    Wrapper* wrapper = kivNew(status) Wrapper(object, RegisteredObjectTraits<T>::getVersionText(object),
                                              RegisteredObjectTraits<T>::getOldestCompatibleVersionText(object),
                                              status);
    if (wrapper == nullptr) return;
    if (status.isNotFatal()) Base::add(name, *wrapper, status);
    if (status.isFatal()) delete wrapper;
  }

  // The mutex of the first registration that publishes the object, or null
  // when none does. An owner that also drives a published object itself
  // takes it, so users reaching the object by name cannot break into its
  // sequences.
  vorlan_driver::nKIVAPAL000::tMutex* findMutexOf(const T& object) {
    for (uint64_t i = 0; i < this->entryCount(); ++i) {
      Wrapper* wrapper = this->registrationAt(i);
      if (wrapper->getObject() == &object) return &wrapper->getMutex();
    }
    return nullptr;
  }

  // The object of the registration, or null when the lookup failed.
  virtual void getRegistration(const char* name, T** object, nKIVAPALS100::tStatus& status,
                               vorlan_driver::nKIVAPAL000::tMutex** mutex) {
    Wrapper* wrapper = nullptr;
    Base::getRegistration(name, &wrapper, status, mutex);
    if (object != nullptr) *object = (status.isNotFatal() && wrapper != nullptr) ? wrapper->getObject() : nullptr;
  }
};

}  // namespace kivregitools
