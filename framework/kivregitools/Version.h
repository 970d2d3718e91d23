// A release version packed into one 32-bit word:
//   major << 24 | minor << 20 | update << 16 | phase << 14 | build,
// with phases d, a, b, f (0 to 3). Builds from 0x4000 on do not fit the 14
// build bits; they live in a second word and leave the build bits 0.
// Flash records and map bounds keep versions as packed words, so the word's
// layout is fixed.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace kivregitools {

class Version {
 public:
  static constexpr uint32_t kFirstLargeBuild = 0x4000;
  // toString needs a buffer of at least this many characters.
  static constexpr uint32_t kTextSize = 32;

  enum Phase : uint32_t { kDevelopment = 0, kAlpha = 1, kBeta = 2, kFinal = 3 };

  // {0, 0}: no version.
  Version() : packedWord_(0), buildWord_(0) {}
  explicit Version(uint32_t packedWord) : packedWord_(packedWord), buildWord_(0) {}
  Version(uint32_t major, uint32_t minor, uint32_t update, uint32_t phase, uint32_t build,
          nKIVAPALS100::tStatus& status);
  // "1.2.3f45" or the compact "123f45"; null or empty text is no version.
  Version(const char* text, nKIVAPALS100::tStatus& status);

  // The packed word; a build that lives in the second word cannot be packed.
  uint32_t toPackedWord(nKIVAPALS100::tStatus& status) const;
  uint32_t getPackedWord() const { return packedWord_; }
  uint32_t getBuildWord() const { return buildWord_; }

  bool operator==(const Version& other) const {
    return packedWord_ == other.packedWord_ && buildWord_ == other.buildWord_;
  }
  bool operator!=(const Version& other) const { return !(*this == other); }
  bool operator<(const Version& other) const {
    return packedWord_ < other.packedWord_ || (packedWord_ == other.packedWord_ && buildWord_ < other.buildWord_);
  }
  bool operator>(const Version& other) const { return other < *this; }

  void toString(char* buffer, nKIVAPALS100::tStatus& status) const;

  // The shared no-version value, built at load.
  static const Version& noVersion();

 private:
  void pack(uint32_t major, uint32_t minor, uint32_t update, uint32_t phase, uint32_t build,
            nKIVAPALS100::tStatus& status);
  void parse(const char* text, nKIVAPALS100::tStatus& status);

  uint32_t packedWord_;
  uint32_t buildWord_;
};

static_assert(sizeof(Version) == 8, "a version is the packed word and the build word");

// Builds the shared no-version value; listed in the static-constructor table.
void constructVersionStatics();

}  // namespace kivregitools
