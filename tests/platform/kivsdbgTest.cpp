#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/debug/kivsdbg.h"
#include "platform/debug/kivsdbg_VarLine.h"

extern "C" void __cxa_pure_virtual();

// The trap is what a partly built object's virtual table reaches. In a named
// namespace, so the compiler cannot assume it knows every implementation.
namespace kivsdbgTrapFixture {
class PartlyBuilt {
 public:
  __attribute__((noinline)) PartlyBuilt() {
    // Through a pointer the compiler cannot see through, so the call really
    // goes through the partly built object's table.
    PartlyBuilt* volatile self = this;
    self->work();
  }
  virtual ~PartlyBuilt() {}
  virtual void work() = 0;
};

class FullyBuilt : public PartlyBuilt {
 public:
  void work() override {}
};
}  // namespace kivsdbgTrapFixture

namespace {

const std::string kComponentField = "lan_driver";

class DebugPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    std::memset(kivsdbg_indentSlots, 0, sizeof(kivsdbg_indentSlots));
  }
  void TearDown() override {
    kivsdbg_componentFieldWidth = 10;
    kivsdbg_fileFieldWidth = 32;
    kivsdbg_lineFieldWidth = 4;
    std::memset(kivsdbg_indentSlots, 0, sizeof(kivsdbg_indentSlots));
    kalsim::reset();
  }

  static std::string onlyLine() {
    const std::vector<std::string> lines = kalsim::printedLines();
    EXPECT_EQ(lines.size(), 1u);
    kalsim::clearPrintedLines();
    return lines.empty() ? std::string() : lines.back();
  }

  static std::string printed(const char* file, int32_t line, const char* message) {
    const kivsdbg_Location location = {file, line, "\n"};
    kivsdbg_printLine(&location, "%s", message);
    return onlyLine();
  }
};

TEST_F(DebugPrint, TheConfigurationStartsWithItsDocumentedValues) {
  EXPECT_EQ(kivsdbg_lineFieldWidth, 4u);
  EXPECT_EQ(kivsdbg_fileFieldWidth, 32u);
  EXPECT_EQ(kivsdbg_componentFieldWidth, 10u);
  EXPECT_EQ(kivsdbg_levelThreshold, 4096);
  EXPECT_EQ(kivsdbg_prefixTable[8], nullptr);
  EXPECT_NE(kivsdbg_prefixTable[7], nullptr);
}

TEST_F(DebugPrint, AShortLineHasEveryFieldAtItsWidth) {
  const std::string line = printed("dma/dma.cpp", 5, "x");
  EXPECT_EQ(line, "[" + kComponentField + "|" + std::string(21, ' ') + "dma/dma.cpp|0005] x\n");
  EXPECT_EQ(line.size(), 53u);
}

TEST_F(DebugPrint, FieldsAreRightAlignedAndKeepTheirLastCharacters) {
  const std::string exact32 = "platform/debug/kivsdbg_Test1.cpp";
  ASSERT_EQ(exact32.size(), 32u);
  const std::string longPath = "a/very/long/path/that/keeps/going/" + exact32;
  struct Case {
    std::string file;
    int32_t line;
    std::string fileField;
    std::string lineField;
  };
  const Case cases[] = {
      {"f.c", 7, std::string(29, ' ') + "f.c", "0007"},
      {exact32, 12345, exact32, "2345"},
      {longPath, 0, exact32, "0000"},
      {"", 1234, std::string(32, ' '), "1234"},
  };
  for (const Case& c : cases) {
    const std::string line = printed(c.file.c_str(), c.line, "m");
    EXPECT_EQ(line, "[" + kComponentField + "|" + c.fileField + "|" + c.lineField + "] m\n") << c.file;
  }

  kivsdbg_componentFieldWidth = 15;
  kivsdbg_fileFieldWidth = 0;
  kivsdbg_lineFieldWidth = 0;
  EXPECT_EQ(printed(longPath.c_str(), 42, "m"), "[  vorlan_driver|" + longPath + "|42] m\n");
}

TEST_F(DebugPrint, ALongMessageIsCutSoTheLineIsExactly255CharactersWithItsSuffix) {
  const std::string message(400, 'a');
  const std::string line = printed("f.c", 1, message.c_str());
  ASSERT_EQ(line.size(), 255u);
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(line.substr(52, 202), std::string(202, 'a'));

  const kivsdbg_Location longSuffix = {"f.c", 1, "<end>\n"};
  kivsdbg_printLine(&longSuffix, "%s", message.c_str());
  const std::string cut = onlyLine();
  ASSERT_EQ(cut.size(), 255u);
  EXPECT_EQ(cut.substr(249), "<end>\n");

  // A suffix longer than the line leaves no room for the message; the line
  // is still bounded by its buffer.
  const std::string hugeSuffix(300, 's');
  const kivsdbg_Location hugeLocation = {"f.c", 1, hugeSuffix.c_str()};
  kivsdbg_printLine(&hugeLocation, "%s", message.c_str());
  EXPECT_EQ(onlyLine(), hugeSuffix.substr(0, 255));

  kivsdbg_printf("%s", message.c_str());
  EXPECT_EQ(onlyLine(), message.substr(0, 255));
}

TEST_F(DebugPrint, PlainPrintsCarryNoPrefixAndNoSuffix) {
  kivsdbg_printf("value %d", 42);
  EXPECT_EQ(onlyLine(), "value 42");
}

TEST_F(DebugPrint, LevelledPrintsAreWrittenFromTheThresholdUp) {
  const kivsdbg_Location location = {"f.c", 9, "\n"};
  kivsdbg_printLevel(4095, "below\n");
  kivsdbg_printLevelLine(4095, &location, "below");
  EXPECT_TRUE(kalsim::printedLines().empty());
  kivsdbg_printLevel(4096, "at\n");
  kivsdbg_printLevelLine(12288, &location, "%s%s%s", "a", "b", "c");
  const std::vector<std::string> lines = kalsim::printedLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "at\n");
  EXPECT_EQ(lines[1], "[" + kComponentField + "|" + std::string(29, ' ') + "f.c|0009] abc\n");
}

TEST_F(DebugPrint, AVarLinePrintsForTheLocationItHolds) {
  kivsdbg_VarLine line({"dma/dma.cpp", 77, "\n"}, "first", "second");
  line.print("%s%s%s", line.getFirstText(), "-", line.getSecondText());
  EXPECT_EQ(onlyLine(), "[" + kComponentField + "|" + std::string(21, ' ') + "dma/dma.cpp|0077] first-second\n");
}

TEST_F(DebugPrint, IndentationFollowsTheThreadsDepth) {
  kivsdbg_IndentSlot* slot = kivsdbg_indentEnter();
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(kivsdbg_indentEnter(), slot);
  EXPECT_EQ(slot->depth, 2);
  EXPECT_EQ(printed("f.c", 1, "m").substr(49), "]   m\n");
  kivsdbg_indentLeave(slot);
  EXPECT_EQ(printed("f.c", 1, "m").substr(49), "]  m\n");
  kivsdbg_indentLeave(slot);
  EXPECT_EQ(slot->inUse, 0);
  EXPECT_EQ(printed("f.c", 1, "m").substr(49), "] m\n");
}

TEST_F(DebugPrint, WithAllSlotsHeldByOtherThreadsEnteringFailsAndLinesStillPrint) {
  std::atomic<int> entered{0};
  std::atomic<bool> leave{false};
  std::vector<std::thread> holders;
  for (uint32_t i = 0; i < kivsdbg_kIndentSlots; ++i) {
    holders.emplace_back([&] {
      kivsdbg_IndentSlot* slot = kivsdbg_indentEnter();
      EXPECT_NE(slot, nullptr);
      ++entered;
      while (!leave) std::this_thread::yield();
      kivsdbg_indentLeave(slot);
    });
  }
  while (entered != static_cast<int>(kivsdbg_kIndentSlots)) std::this_thread::yield();
  EXPECT_EQ(kivsdbg_indentEnter(), nullptr);
  kivsdbg_indentLeave(nullptr);
  EXPECT_EQ(printed("f.c", 3, "m"), "[" + kComponentField + "|" + std::string(29, ' ') + "f.c|0003] m\n");
  leave = true;
  for (std::thread& holder : holders) holder.join();
  for (const kivsdbg_IndentSlot& slot : kivsdbg_indentSlots) EXPECT_EQ(slot.inUse, 0);
  kivsdbg_IndentSlot* slot = kivsdbg_indentEnter();
  ASSERT_NE(slot, nullptr);
  kivsdbg_indentLeave(slot);
}

TEST(DebugPrintText, ConcatenationKeepsWhatFitsAndCountsTheZero) {
  const char* const texts[] = {"ab", nullptr, "cde", ""};
  struct Case {
    uint64_t size;
    const char* text;
    uint64_t written;
  };
  const Case cases[] = {{16, "abcde", 6}, {6, "abcde", 6}, {4, "abc", 4}, {1, "", 1}};
  for (const Case& c : cases) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(kivsdbg_concatenate(buffer, c.size, 4, texts), c.written) << c.size;
    EXPECT_STREQ(buffer, c.text) << c.size;
    if (c.size < sizeof buffer) {
      EXPECT_EQ(buffer[c.size], 'x') << "nothing written beyond the size";
    }
  }
  char untouched = 'x';
  EXPECT_EQ(kivsdbg_concatenate(&untouched, 0, 4, texts), 0u);
  EXPECT_EQ(untouched, 'x');
  int value = 0;
  EXPECT_EQ(kivsdbg_identity(&value), &value);
}

class DebugPrintDeath : public DebugPrint {
 protected:
  void SetUp() override {
    DebugPrint::SetUp();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  }
};

TEST_F(DebugPrintDeath, HaltPassesItsLocationAndMessageToTheLayer) {
  const kivsdbg_Location location = {"dma/dma.cpp", 12, "\n"};
  EXPECT_DEATH(kivsdbg_halt(&location, "stop"), "halt: \\[vorlan_driver\\|dma/dma.cpp\\|12\\] stop");
  EXPECT_DEATH(kivsdbg_halt(&location, nullptr), "\\[vorlan_driver\\|dma/dma.cpp\\|12\\] halt\n");
  EXPECT_DEATH(kivsdbg_halt(nullptr, nullptr), "\\[vorlan_driver\\|platform/debug/kivsdbg.cpp\\|[0-9]+\\] halt\n");
}

TEST_F(DebugPrintDeath, APureVirtualCallReportsThenHaltsWithAssert) {
  EXPECT_DEATH(
      {
        kalsim::setEcho(true);
        __cxa_pure_virtual();
      },
      "^\\[vorlan_driver\\|platform/debug/pureVirtualTrap.cpp\\|[0-9]+\\] !!ASSERT!!\n"
      "BUG: A call to a pure virtual function was made!\n"
      "nKIVKAL250_halt: \\[vorlan_driver\\|platform/debug/pureVirtualTrap.cpp\\|[0-9]+\\] ASSERT\n");
}

TEST_F(DebugPrintDeath, ACallThroughAnUnimplementedSlotReachesTheTrap) {
  EXPECT_DEATH(
      {
        kalsim::setEcho(true);
        kivsdbgTrapFixture::FullyBuilt object;
      },
      "BUG: A call to a pure virtual function was made!\n.*\\] ASSERT");
}

}  // namespace
