// What a dispatcher knows of one object published by name: its version, the
// oldest version its callers may still expect, and the mutex that serialises
// user-mode operations on the object.
#pragma once

#include "framework/kivregitools/Version.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace kivregitools {

class Registration {
 public:
  // An empty or null version text publishes the object without versioning.
  // Malformed texts and a mutex that cannot be created are reported in the
  // status; such a registration must not be published.
  Registration(const char* versionText, const char* oldestCompatibleVersionText, nKIVAPALS100::tStatus& status);
  virtual ~Registration() {}
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

  virtual bool getSupportsVersioning() const { return supportsVersioning_; }
  virtual Version getVersion() const { return version_; }
  virtual Version getOldestCompatibleVersion() const { return oldestCompatibleVersion_; }
  // {0, 0} requested means the caller named no version.
  virtual void checkVersion(Version requested, nKIVAPALS100::tStatus& status) const;

  vorlan_driver::nKIVAPAL000::tMutex& getMutex() { return mutex_; }

 private:
  bool supportsVersioning_;
  Version version_;
  Version oldestCompatibleVersion_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
};

}  // namespace kivregitools
