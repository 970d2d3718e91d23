#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "framework/kivregitools/Version.h"
#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppRunTime.h"

using kivregitools::Version;
using nKIVAPALS100::tStatus;

namespace {

std::string printed(const Version& version) {
  char buffer[Version::kTextSize];
  tStatus status;
  version.toString(buffer, status);
  EXPECT_EQ(status.getCode(), 0);
  return buffer;
}

struct ParseCase {
  const char* text;
  int64_t code;
  uint32_t packedWord;
  uint32_t buildWord;
};

TEST(VersionParse, TextsGiveTheirWordsOrFailToNoVersion) {
  const ParseCase cases[] = {
      {nullptr, 0, 0, 0},
      {"", 0, 0, 0},
      {"1.0.0d0", 0, 0x1000000, 0},
      {"1.0.0d5", 0, 0x1000005, 0},
      {"1.0.0d7", 0, 0x1000007, 0},
      {"100d7", 0, 0x1000007, 0},
      {"01.00.000d0007", 0, 0x1000007, 0},
      {"230f5", 0, 0x230C005, 0},
      {"2.1.0d19", 0, 0x2100013, 0},
      {"23.3.0f121", 0, 0x1730C079, 0},
      {"255.15.15f16383", 0, 0xFFFFFFFF, 0},
      {"1.0.0f16384", 0, 0x100C000, 16384},
      {"1.0.0a4294967295", 0, 0x1004000, 0xFFFFFFFF},
      // Syntax.
      {"1.0.0", -240008, 0, 0},
      {"1.0.0d", -240008, 0, 0},
      {"1.0.0D7", -240008, 0, 0},
      {"1.0.0d7x", -240008, 0, 0},
      {"1.0.0.1d2", -240008, 0, 0},
      {".1.0d0", -240008, 0, 0},
      {"100d", -240008, 0, 0},
      {"1x0d5", -240008, 0, 0},
      {"100e5", -240008, 0, 0},
      {"1.0.0d-1", -240008, 0, 0},
      {"1.0.0d 7", -240008, 0, 0},
      // Field ranges.
      {"256.0.0d0", -240026, 0, 0},
      {"1.16.0d0", -240026, 0, 0},
      {"1.0.16d0", -240026, 0, 0},
      // Digit runs past 32 bits are refused, not wrapped into a valid field.
      {"1.0.0d4294967296", -240026, 0, 0},
      {"1.0.0d4294967297", -240026, 0, 0},
      {"4294967297.0.0d0", -240026, 0, 0},
      {"1.0.0d99999999999999999999999999", -240026, 0, 0},
      {"1.0.0d99999999999999999999999999x", -240026, 0, 0},
  };
  for (const ParseCase& c : cases) {
    const std::string label = c.text == nullptr ? "(null)" : c.text;
    tStatus status;
    const Version version(c.text, status);
    EXPECT_EQ(status.getCode(), c.code) << label;
    EXPECT_EQ(version.getPackedWord(), c.packedWord) << label;
    EXPECT_EQ(version.getBuildWord(), c.buildWord) << label;
  }
}

TEST(VersionParse, AnErrorOnEntryLeavesTheStatusAndGivesNoVersion) {
  tStatus status;
  status.setCode(-52007, "c", "f", 1);
  const Version version("2.1.0d19", status);
  EXPECT_EQ(status.getCode(), -52007);
  EXPECT_EQ(version, Version());

  tStatus warned;
  warned.setCode(240000, "c", "f", 1);
  EXPECT_EQ(Version("2.1.0d19", warned).getPackedWord(), 0x2100013u) << "a warning does not stop the parse";
  EXPECT_EQ(Version("2.1.0dx", warned).getPackedWord(), 0u);
  EXPECT_EQ(warned.getCode(), -240008);
}

TEST(VersionFields, PackOrRefuseOutOfRangeFields) {
  struct Case {
    uint32_t major, minor, update, phase, build;
    int64_t code;
    uint32_t packedWord, buildWord;
  } const cases[] = {
      {2, 1, 0, 0, 19, 0, 0x2100013, 0},
      {255, 15, 15, 3, 0x3FFF, 0, 0xFFFFFFFF, 0},
      {1, 0, 0, 3, 0x4000, 0, 0x100C000, 0x4000},
      {256, 0, 0, 0, 0, -240026, 0, 0},
      {0, 16, 0, 0, 0, -240026, 0, 0},
      {0, 0, 16, 0, 0, -240026, 0, 0},
      {0, 0, 0, 4, 0, -240026, 0, 0},
  };
  for (const Case& c : cases) {
    tStatus status;
    const Version version(c.major, c.minor, c.update, c.phase, c.build, status);
    EXPECT_EQ(status.getCode(), c.code) << c.major << "." << c.minor << "." << c.update << " " << c.phase;
    EXPECT_EQ(version.getPackedWord(), c.packedWord);
    EXPECT_EQ(version.getBuildWord(), c.buildWord);
  }
}

TEST(VersionText, PrintsEveryFormAndParsesBack) {
  const char* const texts[] = {"0.0.0d0", "1.0.0d7", "2.1.0d19", "23.3.0f121", "255.15.15f16383",
                               "1.0.0f16384", "9.8.7b4294967295", "0.0.0a1"};
  for (const char* text : texts) {
    tStatus status;
    const Version version(text, status);
    ASSERT_EQ(status.getCode(), 0) << text;
    EXPECT_EQ(printed(version), text);
    EXPECT_EQ(Version(printed(version).c_str(), status), version) << text;
  }
  EXPECT_EQ(printed(Version()), "0.0.0d0");
  EXPECT_EQ(printed(Version(0x230C005u)), "2.3.0f5") << "the compact text prints dotted";
}

TEST(VersionText, ToStringWritesNothingAfterAnError) {
  char buffer[Version::kTextSize] = "untouched";
  tStatus status;
  status.setCode(-52000, "c", "f", 1);
  Version(0x2100013u).toString(buffer, status);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(status.getCode(), -52000);
}

TEST(VersionPackedWord, LargeBuildsCannotBePacked) {
  tStatus status;
  EXPECT_EQ(Version("2.1.0d19", status).toPackedWord(status), 0x2100013u);
  const Version large("1.0.0f16384", status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(large.toPackedWord(status), 0u);
  EXPECT_EQ(status.getCode(), -240046);
  EXPECT_EQ(Version(0x2100013u).toPackedWord(status), 0u) << "nothing after an error";
}

TEST(VersionOrder, PackedWordFirstThenBuildWord) {
  tStatus status;
  auto v = [&status](const char* text) { return Version(text, status); };
  // Each row: lower < higher.
  const std::pair<Version, Version> ordered[] = {
      {v("1.0.0d999"), v("1.0.0a0")}, {v("1.0.0a0"), v("1.0.0b0")},   {v("1.0.0b0"), v("1.0.0f0")},
      {v("1.0.0f0"), v("1.0.0f16384")}, {v("1.0.0f16384"), v("1.0.0f1")}, {v("1.0.0f16384"), v("1.0.0f16385")},
      {v("1.15.15f16383"), v("2.0.0d0")}, {v("23.3.0f121"), v("23.3.0f122")}, {Version(), v("0.0.0d1")},
  };
  ASSERT_EQ(status.getCode(), 0);
  for (const auto& pair : ordered) {
    const std::string label = printed(pair.first) + " < " + printed(pair.second);
    EXPECT_TRUE(pair.first < pair.second) << label;
    EXPECT_FALSE(pair.second < pair.first) << label;
    EXPECT_TRUE(pair.second > pair.first) << label;
    EXPECT_FALSE(pair.first > pair.second) << label;
    EXPECT_TRUE(pair.first != pair.second) << label;
  }
  const Version same = v("2.1.0d19");
  EXPECT_FALSE(same < v("2.1.0d19"));
  EXPECT_FALSE(same > v("2.1.0d19"));
  EXPECT_TRUE(same == v("2.1.0d19"));
  EXPECT_NE(Version(0x100C000u), v("1.0.0f16384")) << "equality compares the build word too";
}

TEST(VersionNoVersion, BuiltAtLoadAndDestroyedAtUnload) {
  kalsim::reset();
  using namespace vorlan_driver::nKIVAPAL000;
  ASSERT_EQ(runTimeReferenceCount(), 0u);
  const uint64_t liveBefore = kalsim::liveAllocations();
  initializeRunTime();
  EXPECT_EQ(Version::noVersion(), Version());
  EXPECT_NE(*staticDestructorListHead(), nullptr) << "its destructor is registered";
  finalizeRunTime();
  EXPECT_EQ(*staticDestructorListHead(), nullptr);
  EXPECT_EQ(kalsim::liveAllocations(), liveBefore);
}

}  // namespace
