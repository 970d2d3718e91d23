// How a dispatcher reads the version texts of the objects it publishes, and
// the lock an object lends its registration. Register maps and storage maps
// answer getVersion and getOldestCompatibleVersion themselves; a type
// published without versions (device windows) specialises this to return
// null texts. An object that lends no lock (null) gets a registration mutex
// of its own.
#pragma once

#include "platform/synchronization/tMutex.h"

namespace kivregitools {

template <typename T>
struct RegisteredObjectTraits {
  static const char* getVersionText(T& object) { return object.getVersion(); }
  static const char* getOldestCompatibleVersionText(T& object) { return object.getOldestCompatibleVersion(); }
  static vorlan_driver::nKIVAPAL000::tMutex* getLock(T&) { return nullptr; }
};

// Base for the specialisation of an unversioned type:
//   template <> struct RegisteredObjectTraits<Window> : UnversionedObjectTraits<Window> {};
template <typename T>
struct UnversionedObjectTraits {
  static const char* getVersionText(T&) { return nullptr; }
  static const char* getOldestCompatibleVersionText(T&) { return nullptr; }
  static vorlan_driver::nKIVAPAL000::tMutex* getLock(T&) { return nullptr; }
};

}  // namespace kivregitools
