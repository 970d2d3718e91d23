// How a dispatcher reads the version texts of the objects it publishes.
// Register maps and storage maps answer getVersion and
// getOldestCompatibleVersion themselves; a type published without versions
// (device windows) specialises this to return null texts.
#pragma once

namespace kivregitools {

template <typename T>
struct RegisteredObjectTraits {
  static const char* getVersionText(T& object) { return object.getVersion(); }
  static const char* getOldestCompatibleVersionText(T& object) { return object.getOldestCompatibleVersion(); }
};

// Base for the specialisation of an unversioned type:
//   template <> struct RegisteredObjectTraits<Window> : UnversionedObjectTraits<Window> {};
template <typename T>
struct UnversionedObjectTraits {
  static const char* getVersionText(T&) { return nullptr; }
  static const char* getOldestCompatibleVersionText(T&) { return nullptr; }
};

}  // namespace kivregitools
