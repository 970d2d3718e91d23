// Codes of versions and of registrations by name.
#pragma once

#include <stdint.h>

namespace kivregitools {
namespace codes {

constexpr int64_t kIncompatibleVersion = -240000;       // older than the oldest compatible version
constexpr int64_t kNewerVersionWarning = 240000;        // newer than the registration: still served
constexpr int64_t kMalformedVersionText = -240008;
constexpr int64_t kVersioningNotSupported = -240022;    // a version named for an unversioned object
constexpr int64_t kVersionRequired = -240023;           // no version named for a versioned object
constexpr int64_t kRegistrationNotFound = -240024;
constexpr int64_t kVersionFieldOutOfRange = -240026;
constexpr int64_t kNullArgument = -240031;
constexpr int64_t kBuildDoesNotFitPackedWord = -240046;

}  // namespace codes
}  // namespace kivregitools
