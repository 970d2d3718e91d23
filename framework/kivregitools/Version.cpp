#include "framework/kivregitools/Version.h"

#include "framework/kivregitools/registrationStatusCodes.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "platform/trace/versionText.h"

namespace kivregitools {

namespace {

using nKIVAPALS100::tStatus;

vorlan_driver::nKIVAPAL000::tStaticObject<Version> gNoVersion;

const char kPhaseLetters[4] = {'d', 'a', 'b', 'f'};

bool isDigit(char character) { return character >= '0' && character <= '9'; }

bool phaseOfLetter(char letter, uint32_t& phase) {
  for (uint32_t i = 0; i < 4; ++i) {
    if (kPhaseLetters[i] == letter) {
      phase = i;
      return true;
    }
  }
  return false;
}

// Reads the run of decimal digits at the cursor and moves past it. A run
// whose value passes 32 bits is refused rather than wrapped, so no text
// turns into a different, valid version.
uint32_t readNumber(const char*& cursor, tStatus& status) {
  if (status.isFatal()) return 0;
  if (!isDigit(*cursor)) {
    vorlanSetCode(status, codes::kMalformedVersionText);
    return 0;
  }
  uint64_t value = 0;
  bool tooLarge = false;
  for (; isDigit(*cursor); ++cursor) {
    if (tooLarge) continue;
    value = value * 10 + static_cast<uint64_t>(*cursor - '0');
    if (value > UINT32_MAX) tooLarge = true;
  }
  if (tooLarge) {
    vorlanSetCode(status, codes::kVersionFieldOutOfRange);
    return 0;
  }
  return static_cast<uint32_t>(value);
}

void expectCharacter(const char*& cursor, char expected, tStatus& status) {
  if (status.isFatal()) return;
  if (*cursor != expected) {
    vorlanSetCode(status, codes::kMalformedVersionText);
    return;
  }
  ++cursor;
}

uint32_t readPhase(const char*& cursor, tStatus& status) {
  if (status.isFatal()) return 0;
  uint32_t phase = 0;
  if (!phaseOfLetter(*cursor, phase)) {
    vorlanSetCode(status, codes::kMalformedVersionText);
    return 0;
  }
  ++cursor;
  return phase;
}

uint32_t readSingleDigit(const char*& cursor, tStatus& status) {
  if (status.isFatal()) return 0;
  if (!isDigit(*cursor)) {
    vorlanSetCode(status, codes::kMalformedVersionText);
    return 0;
  }
  return static_cast<uint32_t>(*cursor++ - '0');
}

bool containsDot(const char* text) {
  for (; *text != '\0'; ++text) {
    if (*text == '.') return true;
  }
  return false;
}

}  // namespace

Version::Version(uint32_t major, uint32_t minor, uint32_t update, uint32_t phase, uint32_t build, tStatus& status)
    : packedWord_(0), buildWord_(0) {
  pack(major, minor, update, phase, build, status);
}

Version::Version(const char* text, tStatus& status) : packedWord_(0), buildWord_(0) { parse(text, status); }

void Version::pack(uint32_t major, uint32_t minor, uint32_t update, uint32_t phase, uint32_t build,
                   tStatus& status) {
  if (status.isFatal()) return;
  if (major > 255 || minor > 15 || update > 15 || phase > 3) {
    vorlanSetCode(status, codes::kVersionFieldOutOfRange);
    return;
  }
  packedWord_ = major << 24 | minor << 20 | update << 16 | phase << 14;
  if (build < kFirstLargeBuild) {
    packedWord_ |= build;
  } else {
    buildWord_ = build;
  }
}

void Version::parse(const char* text, tStatus& status) {
  if (status.isFatal() || text == nullptr || *text == '\0') return;
  const char* cursor = text;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t update = 0;
  uint32_t phase = 0;
  if (containsDot(text)) {
    major = readNumber(cursor, status);
    expectCharacter(cursor, '.', status);
    minor = readNumber(cursor, status);
    expectCharacter(cursor, '.', status);
    update = readNumber(cursor, status);
    phase = readPhase(cursor, status);
  } else {
    if (vorlan_driver::nKIVAPAL000::stringLength(text) <= 4) {
      vorlanSetCode(status, codes::kMalformedVersionText);
      return;
    }
    major = readSingleDigit(cursor, status);
    minor = readSingleDigit(cursor, status);
    update = readSingleDigit(cursor, status);
    phase = readPhase(cursor, status);
  }
  const uint32_t build = readNumber(cursor, status);
  if (status.isFatal()) return;
  if (*cursor != '\0') {
    vorlanSetCode(status, codes::kMalformedVersionText);
    return;
  }
  pack(major, minor, update, phase, build, status);
}

uint32_t Version::toPackedWord(tStatus& status) const {
  if (status.isFatal()) return 0;
  if (buildWord_ != 0) {
    vorlanSetCode(status, codes::kBuildDoesNotFitPackedWord);
    return 0;
  }
  return packedWord_;
}

void Version::toString(char* buffer, tStatus& status) const {
  if (status.isFatal()) return;
  if (buffer == nullptr) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
    return;
  }
  const uint32_t build = buildWord_ != 0 ? buildWord_ : (packedWord_ & (kFirstLargeBuild - 1));
  vorlan_driver::nKIVAPAL000::boundedFormat(buffer, kTextSize, "%u.%u.%u%c%u", packedWord_ >> 24,
                                            (packedWord_ >> 20) & 0xF, (packedWord_ >> 16) & 0xF,
                                            kPhaseLetters[(packedWord_ >> 14) & 0x3], build);
}

const Version& Version::noVersion() { return gNoVersion.get(); }

void constructVersionStatics() { gNoVersion.construct(); }

}  // namespace kivregitools

namespace vorlan_driver {
namespace nKIVAPAL000 {

static_assert(kVersionTextSize >= kivregitools::Version::kTextSize, "room for any version text");

void formatVersionText(uint32_t version, char* text) {
  text[0] = '\0';
  nKIVAPALS100::tStatus status;
  kivregitools::Version(version).toString(text, status);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
