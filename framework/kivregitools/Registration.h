// What a dispatcher knows of one object published by name: its version, the
// oldest version its callers may still expect, and the mutex that serialises
// user-mode operations on the object: the object's own lock where it lends
// one (a register map does: everyone else who reaches the map takes that
// lock too), else a mutex of the registration's own.
#pragma once

#include "framework/kivregitools/Version.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace kivregitools {

class Registration {
 public:
  // An empty or null version text publishes the object without versioning.
  // Malformed texts, a mutex that cannot be created and a lent one that was
  // never made (-52000) are reported in the status; such a registration must
  // not be published. A lent mutex must outlive the registration.
  Registration(const char* versionText, const char* oldestCompatibleVersionText,
               vorlan_driver::nKIVAPAL000::tMutex* lentMutex, nKIVAPALS100::tStatus& status);
  virtual ~Registration() {}
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

  virtual bool getSupportsVersioning() const { return supportsVersioning_; }
  virtual Version getVersion() const { return version_; }
  virtual Version getOldestCompatibleVersion() const { return oldestCompatibleVersion_; }
  // {0, 0} requested means the caller named no version.
  virtual void checkVersion(Version requested, nKIVAPALS100::tStatus& status) const {
    compareWith(requested, status);
  }

  vorlan_driver::nKIVAPAL000::tMutex& getMutex() { return *mutex_; }

 private:
  // Every virtual operation is inline, so the class has no key function and
  // each user emits its own tables: hosts built with type information can
  // derive from it although the driver is built without.
  void compareWith(Version requested, nKIVAPALS100::tStatus& status) const;

  bool supportsVersioning_;
  Version version_;
  Version oldestCompatibleVersion_;
  vorlan_driver::nKIVAPAL000::tMutex ownMutex_;
  vorlan_driver::nKIVAPAL000::tMutex* mutex_;
};

}  // namespace kivregitools
