#include <gtest/gtest.h>

#include <string>

#include "kal/include/kalStandIn.h"
#include "platform/status/heapStatus.h"
#include "platform/status/tStatus.h"

using nKIVAPALS100::tStatus;
using nKIVAPALS100::tStatusExtended;

namespace {

struct SetCodeStep {
  int64_t code;
  bool taken;
  int64_t after;
};

TEST(StatusSetCode, ReplacementRuleAcrossASequence) {
  const SetCodeStep steps[] = {
      {0, false, 0},          {240000, true, 240000},  {1, false, 240000},
      {-52007, true, -52007}, {-52000, false, -52007}, {5, false, -52007},
      {0, false, -52007},
  };
  tStatus compact;
  tStatusExtended extended;
  for (const SetCodeStep& step : steps) {
    EXPECT_EQ(compact.setCode(step.code, "c", "f", 1), step.taken) << step.code;
    EXPECT_EQ(compact.getCode(), step.after);
    EXPECT_EQ(extended.setCode(step.code, "c", "f", 1), step.taken) << step.code;
    EXPECT_EQ(extended.getCode(), step.after);
  }
}

TEST(StatusSetCode, ExtendedFormKeepsComponentAndShortensLongPaths) {
  struct Case {
    size_t fileLength;
    std::string expectedFile;
  };
  const std::string head(49, 'h');
  const std::string tail(49, 't');
  const std::string exact100(100, 'x');
  const Case cases[] = {
      {100, exact100},
      {101, head + ".." + tail},
      {300, head + ".." + tail},
  };
  for (const Case& c : cases) {
    std::string file = c.fileLength == 100 ? exact100 : head + std::string(c.fileLength - 98, 'm') + tail;
    tStatusExtended status;
    status.getStack()[0] = 0x1234;
    ASSERT_TRUE(status.setCode(-52005, "component13ch", file.c_str(), 77));
    EXPECT_STREQ(status.getComponent(), "component");
    EXPECT_EQ(std::string(status.getFile()), c.expectedFile) << c.fileLength;
    EXPECT_EQ(status.getLine(), 77u);
    EXPECT_EQ(status.getStack()[0], 0u);
  }
}

TEST(StatusMerge, LocationAndStackFollowTheSourceForm) {
  tStatus compactSource;
  compactSource.setCode(-52005, "x", "y", 3);
  tStatusExtended intoExtended;
  EXPECT_TRUE(intoExtended.merge(compactSource));
  EXPECT_EQ(intoExtended.getCode(), -52005);
  EXPECT_STREQ(intoExtended.getComponent(), "");
  EXPECT_STREQ(intoExtended.getFile(), "");
  EXPECT_EQ(intoExtended.getLine(), 0u);

  tStatusExtended extendedSource;
  extendedSource.setCode(-52007, "comp", "file.cpp", 9);
  const uint64_t stack[] = {0x10, 0x20, 0x30, 0, 0x99};
  for (int i = 0; i < 5; ++i) extendedSource.getStack()[i] = stack[i];
  tStatusExtended target;
  for (int i = 0; i < 10; ++i) target.getStack()[i] = 0xEE;
  EXPECT_TRUE(target.merge(extendedSource));
  EXPECT_STREQ(target.getFile(), "file.cpp");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(target.getStack()[i], stack[i]) << i;
  EXPECT_EQ(target.getStack()[4], 0xEEu) << "copying stops after the terminating 0";

  tStatus clean;
  EXPECT_FALSE(target.merge(clean));
  EXPECT_EQ(target.getCode(), -52007);
}

TEST(StatusToText, CompactShowsOnlyTheCodeAndReportsShortBuffers) {
  tStatus status;
  status.setCode(-52007, "c", "f", 1);
  char buffer[128];
  const std::string expected = "\ntStatus contents:\n\tcode = -52007\n";
  ASSERT_EQ(expected.size(), 34u);
  EXPECT_EQ(status.toText(buffer, sizeof buffer), 34);
  EXPECT_EQ(std::string(buffer), expected);
  EXPECT_EQ(status.toText(buffer, 34), -1);

  tStatusExtended clean;
  EXPECT_EQ(clean.toText(buffer, sizeof buffer), static_cast<int32_t>(std::string("\ntStatus contents:\n\tcode = 0\n").size()));
}

TEST(StatusToText, ExtendedPrintsLocationAndStackUpToTheZero) {
  tStatusExtended status;
  status.setCode(-52000, "vorlan_driver", "a.cpp", 12);
  status.getStack()[0] = 0xABC;
  status.getStack()[1] = 0;
  char buffer[512];
  const int32_t n = status.toText(buffer, sizeof buffer);
  const std::string expected =
      "\ntStatus contents:\n\tcode = -52000\n"
      "\tcomponent name = vorlan_dr\n\tfile name: a.cpp\n\tline number = 12\n\tstack trace:\n"
      "\t\t0x0000000000000abc\n\t\t0x0000000000000000\n";
  EXPECT_EQ(std::string(buffer), expected);
  EXPECT_EQ(n, static_cast<int32_t>(expected.size()));
  EXPECT_EQ(status.toText(buffer, 60), -1);
}

TEST(HeapStatus, IsACleanCompactStatusOrNullWithoutMemory) {
  kalsim::reset();
  tStatus* status = nKIVAPALS100::createHeapStatus();
  ASSERT_NE(status, nullptr);
  EXPECT_FALSE(status->isExtended());
  EXPECT_EQ(status->getCode(), 0);
  status->setCode(-52003, "t", "t", 0);
  EXPECT_EQ(status->getCode(), -52003);
  nKIVAPALS100::freeHeapStatus(status);

  kalsim::failAllocationOnThisThread(1);
  EXPECT_EQ(nKIVAPALS100::createHeapStatus(), nullptr);
  kalsim::failAllocationOnThisThread(0);
  nKIVAPALS100::freeHeapStatus(nullptr);
}

}  // namespace
