#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "kal/host/tHostHarness.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/debug/kivsdbg.h"
#include "platform/status/tStatus.h"
#include "platform/trace/assertion.h"
#include "platform/trace/globalTrace.h"
#include "platform/trace/tConsoleTraceDestination.h"
#include "platform/trace/tScopeTrace.h"
#include "platform/trace/tTrace.h"

namespace rt = vorlan_driver::nKIVAPAL000;
using nKIVAPALS100::tStatus;
using rt::tTrace;

namespace {

// Keeps every piece the stream hands over, and how it was switched.
class tCaptureDestination : public rt::iTraceDestination {
 public:
  explicit tCaptureDestination(const char* name = "capture", bool accepts = true) : name_(name), accepts_(accepts) {}

  void write(const char* text) override { pieces.emplace_back(text); }
  void write(const char* text, uint64_t length) override { pieces.emplace_back(text, length); }
  void flush() override {}
  void describe(char*, uint64_t, uint64_t* length) override { *length = 0; }
  bool attach() override {
    ++attaches;
    return accepts_;
  }
  void detach() override { ++detaches; }
  const char* getName() override { return name_; }

  std::string joined() const {
    std::string all;
    for (const std::string& piece : pieces) all += piece;
    return all;
  }

  std::vector<std::string> pieces;
  int attaches = 0;
  int detaches = 0;

 private:
  const char* name_;
  bool accepts_;
};

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }

  tCaptureDestination capture;
  tTrace trace{&capture};
};

std::string addressText(const void* address) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address)));
  return text;
}

std::string padded(std::string fields, char filler, size_t width) {
  fields.resize(width, filler);
  return fields;
}

TEST_F(TraceTest, DisabledStreamReachesNoDestination) {
  tCaptureDestination other("other");
  trace.clearEnabled();
  trace.writeHeader("comp", 0, 1, "file.cpp", 2, tTrace::kIndentAfter);
  trace << "text" << 'c' << true << uint64_t{7} << rt::inBase(int32_t{-3}, 2) << L"wide" << tStatus();
  trace.write("more", 4);
  trace.printf("%d", 5);
  const uint8_t bytes[20] = {};
  trace.hexDump(bytes, sizeof bytes, 1);
  trace << std::string(600, 'a').c_str();
  trace.endLine();
  EXPECT_EQ(trace.setDestination(&other), &capture);
  trace.endLine();
  EXPECT_TRUE(capture.pieces.empty());
  EXPECT_TRUE(other.pieces.empty());
}

TEST_F(TraceTest, HeaderFieldsPaddingAndCutting) {
  const uint32_t version = 0x0123C02D;  // 1.2.3f45
  struct Case {
    const char* name;
    std::function<void(tTrace&)> configure;
    std::string expected;
  };
  const std::string thread = [] {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", nKIVKAL100_getThreadID());
    return std::string(text);
  }();
  const Case cases[] = {
      {"no field shown: 49 spaces and two more",
       [](tTrace& t) {
         t.clearShowComponent();
         t.clearShowNumber();
         t.clearShowFile();
       },
       std::string(51, ' ')},
      {"every field in order, full path",
       [](tTrace& t) {
         t.setShowVersion();
         t.setShowThread();
         t.setShowTimer();
         t.setShowLine();
         t.setFullPath();
         t.clearPad();
         kalsim::advanceVirtualClock(3 * uint64_t{kalsim::kTickMicroseconds} * 1000);
       },
       "[comp--1.2.3f45--42--/src/dir/file.cpp--" + thread + "--3--7] "},
      {"no padding keeps the natural length", [](tTrace& t) { t.clearPad(); }, "[comp--42--file.cpp] "},
      {"a narrow width cuts the fields", [](tTrace& t) { t.setWidth(10); }, "[comp--42] "},
      {"width 0 with padding: no header at all", [](tTrace& t) { t.setWidth(0); }, ""},
      {"a long field is cut to the width",
       [](tTrace& t) {
         t.setFullPath();
         t.setWidth(20);
       },
       "[comp--42--/src/dir] "},
  };
  for (const Case& c : cases) {
    tCaptureDestination destination;
    tTrace local(&destination);
    c.configure(local);
    local.writeHeader("comp", version, 42, "/src/dir/file.cpp", 7, tTrace::kNoIndentChange);
    local.endLine();
    EXPECT_EQ(destination.joined(), c.expected + "\n") << c.name;
  }
}

TEST_F(TraceTest, BackslashPathsAndMissingTextsInTheHeader) {
  trace.clearPad();
  trace.writeHeader("comp", 0, 1, "C:\\src\\dir\\file.cpp", 0, tTrace::kNoIndentChange);
  trace.endLine();
  trace.writeHeader(nullptr, 0, 1, nullptr, 0, tTrace::kNoIndentChange);
  trace.endLine();
  EXPECT_EQ(capture.joined(), "[comp--1--file.cpp] \n[--1--] \n");
}

TEST_F(TraceTest, IndentationFollowsTheHeadersAndNeverGoesBelowZero) {
  trace.clearPad();
  trace.clearShowNumber();
  trace.clearShowFile();
  const tTrace::tIndentChange changes[] = {tTrace::kIndentAfter, tTrace::kIndentAfter, tTrace::kNoIndentChange,
                                           tTrace::kOutdentBefore, tTrace::kOutdentBefore, tTrace::kOutdentBefore,
                                           tTrace::kNoIndentChange};
  for (tTrace::tIndentChange change : changes) {
    trace.writeHeader("c", 0, 0, "", 0, change);
    trace << "x";
    trace.endLine();
  }
  EXPECT_EQ(capture.joined(),
            "[c] x\n"
            "[c]   x\n"
            "[c]     x\n"
            "[c]   x\n"
            "[c] x\n"
            "[c] x\n"  // outdent at depth 0: no indentation, depth stays 0
            "[c] x\n");
  EXPECT_EQ(trace.getDepth(), 0);

  capture.pieces.clear();
  trace.clearIndent();
  trace.writeHeader("c", 0, 0, "", 0, tTrace::kIndentAfter);
  trace.writeHeader("c", 0, 0, "", 0, tTrace::kNoIndentChange);
  EXPECT_EQ(trace.getDepth(), 1);
  trace.endLine();
  EXPECT_EQ(capture.joined(), "[c] [c] \n") << "indentation off writes no spaces";
}

TEST_F(TraceTest, LongTextReachesTheDestinationInPiecesOfOneBuffer) {
  const std::string text(600, 'a');
  trace << text.c_str();
  ASSERT_EQ(capture.pieces.size(), 2u);
  EXPECT_EQ(capture.pieces[0], std::string(253, 'a'));
  EXPECT_EQ(capture.pieces[1], std::string(253, 'a'));
  trace.endLine();
  ASSERT_EQ(capture.pieces.size(), 3u) << "the rest waits for the newline";
  EXPECT_EQ(capture.pieces[2], std::string(94, 'a') + "\n");

  capture.pieces.clear();
  trace.write("abcdef", 3);
  trace.write("gh\0ij", 5);
  trace.endLine();
  EXPECT_EQ(capture.joined(), "abcgh\n") << "write stops at the length or at the end of the text";
}

TEST_F(TraceTest, FormattedTextThatDoesNotFitIsCutAfterAWarning) {
  const std::string text(300, 'z');
  trace.printf("%s", text.c_str());
  trace.endLine();
  EXPECT_EQ(capture.joined(), "!!Formatted string exceeds kMaxTraceLine characters!!" + std::string(255, 'z') + "\n");

  capture.pieces.clear();
  trace.printf("%d-%s", 12, "ok");
  trace.endLine();
  EXPECT_EQ(capture.joined(), "12-ok\n");
}

TEST_F(TraceTest, InsertedValuesAndNumberBases) {
  struct tMarker : rt::tTraceManipulator {
    void apply(tTrace& t) const override { t << "<m>"; }
  };
  tStatus failed;
  vorlanSetCode(failed, -52005);
  struct Case {
    std::function<void(tTrace&)> insert;
    std::string expected;
  };
  const Case cases[] = {
      {[](tTrace& t) { t << uint16_t{65535}; }, "65535"},
      {[](tTrace& t) { t << int32_t{-3}; }, "-3"},
      {[](tTrace& t) { t << INT64_MIN; }, "-9223372036854775808"},
      {[](tTrace& t) { t << rt::inBase(uint32_t{255}, 16); }, "0xFF"},
      {[](tTrace& t) { t << rt::inHex(0xABCDEF0123456789u); }, "0xABCDEF0123456789"},
      {[](tTrace& t) { t << rt::inBase(int64_t{-255}, 16); }, "-0xFF"},
      {[](tTrace& t) { t << rt::inBase(uint64_t{5}, 2); }, "2#101"},
      {[](tTrace& t) { t << rt::inBase(int16_t{-8}, 8); }, "-8#10"},
      {[](tTrace& t) { t << rt::inBase(uint64_t{71}, 36); }, "36#1Z"},
      {[](tTrace& t) { t << rt::inBase(uint64_t{0}, 7); }, "7#0"},
      {[](tTrace& t) { t << rt::inBase(uint32_t{12}, 0) << rt::inBase(uint32_t{12}, 1); }, "1212"},
      {[](tTrace& t) { t << true << false; }, "true(1)false(0)"},
      {[](tTrace& t) { t << 'q' << "text" << static_cast<const char*>(nullptr); }, "qtext"},
      {[](tTrace& t) { t << L"W\u00e9de"; }, "L\"W\xe9" "de\""},
      {[&](tTrace& t) { t << failed; }, "\ntStatus contents:\n\tcode = -52005\n"},
      {[](tTrace& t) { t << tMarker(); }, "<m>"},
  };
  for (const Case& c : cases) {
    capture.pieces.clear();
    c.insert(trace);
    trace.endLine();
    EXPECT_EQ(capture.joined(), c.expected + "\n");
  }
}

TEST_F(TraceTest, BoundedWritesStopAtTheLimitAndCount) {
  uint64_t counter = 1;
  trace.number(123456, 10, 4, counter);
  EXPECT_EQ(counter, 4u);
  trace.boundedWrite("abc", 4, counter);
  EXPECT_EQ(counter, 4u);
  counter = 0;
  trace.boundedWrite("abc", 10, counter);
  EXPECT_EQ(counter, 3u);
  trace.endLine();
  EXPECT_EQ(capture.joined(), "123abc\n");
}

TEST_F(TraceTest, HexDumpLines) {
  // 18 bytes: a full line and a short one in every layout.
  uint8_t bytes[18];
  for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<uint8_t>('A' + i);
  bytes[1] = 0x07;
  bytes[17] = 0x7F;
  const std::string first = addressText(bytes) + ": ";
  const std::string second = addressText(bytes + 16) + ": ";
  struct Case {
    uint64_t length;
    uint64_t group;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {18, 1,
       {first + "41 07 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 : A.CDEFGHIJKLMNOP\n",
        second + "51 7F XX XX XX XX XX XX XX XX XX XX XX XX XX XX : Q.\n"}},
      {18, 2,
       {first + "0741 4443 4645 4847 4A49 4C4B 4E4D 504F : A.CDEFGHIJKLMNOP\n",
        second + "7F51 XXXX XXXX XXXX XXXX XXXX XXXX XXXX : Q.\n"}},
      // A group cut by the end shows its bytes one by one, in memory order.
      {18, 4,
       {first + "44430741 48474645 4C4B4A49 504F4E4D : A.CDEFGHIJKLMNOP\n",
        second + "517FXXXX XXXXXXXX XXXXXXXX XXXXXXXX : Q.\n"}},
      // Other sizes show each byte; 16 / 3 groups of 3 fill 15 bytes a line.
      {7, 3, {first + "410743 444546 47XXXX XXXXXX XXXXXX : A.CDEFG\n"}},
      // The group is cut to the length, and to 16.
      {3, 4, {first + "410743 XXXXXX XXXXXX XXXXXX XXXXXX : A.C\n"}},
      {16, 32, {first + "4107434445464748494A4B4C4D4E4F50 : A.CDEFGHIJKLMNOP\n"}},
      // Nothing to show, or nothing to show it from.
      {0, 4, {}},
  };
  for (const Case& c : cases) {
    capture.pieces.clear();
    trace.hexDump(bytes, c.length, c.group);
    EXPECT_EQ(capture.pieces, c.lines) << "group " << c.group << ", length " << c.length;
  }
  capture.pieces.clear();
  trace.hexDump(nullptr, 16, 1);
  trace.hexDump(bytes, 16, 0);
  ASSERT_EQ(capture.pieces.size(), 1u) << "group size 0 shows single bytes";
  EXPECT_EQ(capture.pieces[0], first + "41 07 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 : A.CDEFGHIJKLMNOP\n");
}

TEST_F(TraceTest, SwitchingDestinations) {
  struct Case {
    const char* name;
    bool sameDestination;
    bool accepts;
    bool switches;
  };
  const Case cases[] = {
      {"the current destination: only the line", true, true, false},
      {"another that accepts", false, true, true},
      {"another that refuses", false, false, false},
  };
  for (const Case& c : cases) {
    tCaptureDestination current("current");
    tCaptureDestination next("next", c.accepts);
    tTrace local(&current);
    rt::iTraceDestination* target = c.sameDestination ? &current : &next;
    EXPECT_EQ(local.setDestination(target), &current) << c.name;
    EXPECT_EQ(current.pieces,
              std::vector<std::string>{std::string("Switching trace destination to ") + target->getName() + "\n"})
        << c.name;
    EXPECT_EQ(current.attaches, 0) << c.name;
    EXPECT_EQ(next.attaches, c.sameDestination ? 0 : 1) << c.name;
    EXPECT_EQ(current.detaches, c.switches ? 1 : 0) << c.name;
    local << "after";
    local.endLine();
    EXPECT_EQ((c.switches ? next : current).pieces.back(), "after\n") << c.name;
  }
  EXPECT_EQ(trace.setDestination(nullptr), &capture);
  EXPECT_TRUE(capture.pieces.empty()) << "a null destination is refused without a line";
}

TEST_F(TraceTest, ScopeTraceIndentsItsBlock) {
  trace.clearPad();
  tStatus status;
  int object = 0;
  {
    rt::tScopeTrace outer("c", 0, 1, "f.cpp", 9, "outer", &object, &status, trace);
    {
      rt::tScopeTrace inner("c", 0, 1, "f.cpp", 9, nullptr, nullptr, nullptr, trace);
      EXPECT_EQ(trace.getDepth(), 2);
    }
    vorlanSetCode(status, -52005);
  }
  char address[32];
  std::snprintf(address, sizeof address, "0x%lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(&object)));
  EXPECT_EQ(capture.joined(), std::string("[c--1--f.cpp] outer; this=") + address +
                                  "; tStatus code=0 {\n"
                                  "[c--1--f.cpp]   {\n"
                                  "[c--1--f.cpp]   } \n"
                                  "[c--1--f.cpp] } tStatus code=-52005; outer\n");
  EXPECT_EQ(trace.getDepth(), 0);
}

TEST_F(TraceTest, LockingKeepsEachThreadsLinesWhole) {
  const uint64_t mutexes = kalsim::liveMutexes();
  trace.clearPad();
  trace.enableLocking();
  trace.enableLocking();
  ASSERT_TRUE(trace.isLocking());
  EXPECT_EQ(kalsim::liveMutexes(), mutexes + 1) << "enabling twice keeps one mutex";

  auto writer = [this](const char* name) {
    for (int i = 0; i < 300; ++i) {
      trace.writeHeader(name, 0, 0, "", 0, tTrace::kNoIndentChange);
      trace << name << "-line-" << int32_t{i};
      trace.endLine();
    }
  };
  std::thread first(writer, "one");
  std::thread second(writer, "two");
  first.join();
  second.join();
  ASSERT_EQ(capture.pieces.size(), 600u);
  for (const std::string& piece : capture.pieces) {
    const std::string name = piece.substr(1, 3);
    EXPECT_EQ(piece.rfind("[" + name + "--0--] " + name + "-line-", 0), 0u) << piece;
    EXPECT_EQ(piece.find('\n'), piece.size() - 1) << piece;
  }

  trace.disableLocking();
  EXPECT_FALSE(trace.isLocking());
  EXPECT_EQ(kalsim::liveMutexes(), mutexes);
}

TEST_F(TraceTest, LockedLinesReleaseOnlyWhatTheirHeaderTook) {
  trace.clearPad();
  trace.enableLocking();
  // A switch and a line end without a header hold nothing; a second header
  // on the same line does not wait for itself.
  tCaptureDestination other("other");
  trace.setDestination(&other);
  trace.endLine();
  trace.writeHeader("a", 0, 0, "", 0, tTrace::kNoIndentChange);
  trace.writeHeader("b", 0, 0, "", 0, tTrace::kNoIndentChange);
  trace.endLine();
  // Another thread can still begin and end a line.
  std::thread next([this] {
    trace.writeHeader("c", 0, 0, "", 0, tTrace::kNoIndentChange);
    trace.endLine();
  });
  next.join();
  EXPECT_EQ(other.joined(), "\n[a--0--] [b--0--] \n[c--0--] \n");

  // Disabling in the middle of a line gives the mutex back before it goes.
  trace.writeHeader("d", 0, 0, "", 0, tTrace::kNoIndentChange);
  trace.disableLocking();
  trace.endLine();
  EXPECT_FALSE(trace.isLocking());
}

TEST_F(TraceTest, LockingStaysOffWhenNoMutexCanBeCreated) {
  const uint64_t mutexes = kalsim::liveMutexes();
  kalsim::failMutexCreation(1);
  trace.enableLocking();
  EXPECT_FALSE(trace.isLocking());
  trace.writeHeader("c", 0, 0, "", 0, tTrace::kNoIndentChange);
  trace.endLine();
  EXPECT_EQ(capture.pieces.size(), 1u);
  {
    tTrace locked(&capture);
    locked.enableLocking();
    EXPECT_EQ(kalsim::liveMutexes(), mutexes + 1);
  }
  EXPECT_EQ(kalsim::liveMutexes(), mutexes) << "destruction frees the mutex";
}

TEST_F(TraceTest, ConsoleDestinationPrintsThroughTheDebugPrint) {
  rt::tConsoleTraceDestination console;
  console.write("line one\n");
  console.write("line twoXXXX", 8);
  EXPECT_EQ(kalsim::printedLines(), (std::vector<std::string>{"line one\n", "line two"}));
  EXPECT_STREQ(console.getName(), "kivsdbg_printf");
  EXPECT_TRUE(console.attach());

  char text[32];
  uint64_t length = 0;
  console.describe(text, sizeof text, &length);
  EXPECT_STREQ(text, " --destination apal");
  EXPECT_EQ(length, 19u);
  console.describe(text, 6, &length);
  EXPECT_STREQ(text, " --de");
  EXPECT_EQ(length, 19u);
}

// ---- the global stream, through the load and unload of the driver

class GlobalTraceTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
};

TEST_F(GlobalTraceTest, StreamExistsOnlyWhileTheDriverIsLoaded) {
  EXPECT_FALSE(rt::isTraceConstructed());
  kalsim::tHostHarness host;
  ASSERT_EQ(host.load(), 0);
  ASSERT_TRUE(rt::isTraceConstructed());
  tTrace& trace = rt::getTrace();
  EXPECT_TRUE(trace.isEnabled());
  EXPECT_FALSE(trace.isLocking());
  EXPECT_EQ(trace.getWidth(), 50u);
  EXPECT_EQ(trace.getDepth(), 0);

  // Built first of all static objects, so destroyed last: the stream, then
  // its console destination, end the destructor list.
  tCaptureDestination capture;
  rt::iTraceDestination* console = trace.setDestination(&capture);
  EXPECT_STREQ(console->getName(), "kivsdbg_printf");
  EXPECT_EQ(kalsim::printedLines(), std::vector<std::string>{"Switching trace destination to capture\n"});
  std::vector<void*> arguments;
  for (rt::tDestructorRecord* record = *rt::staticDestructorListHead(); record != nullptr; record = record->next) {
    arguments.push_back(record->argument);
  }
  ASSERT_GE(arguments.size(), 2u);
  EXPECT_EQ(arguments[arguments.size() - 2], static_cast<void*>(&trace));
  EXPECT_EQ(arguments.back(), static_cast<void*>(console));

  trace.setDestination(console);
  host.unload();
  EXPECT_FALSE(rt::isTraceConstructed());
  // An assertion after unload has nowhere to go and does nothing.
  rt::reportAssertion("default", "comp", 0, 1, "f.cpp", "late");
}

TEST_F(GlobalTraceTest, GlobalHeaderAndAssertionReports) {
  kalsim::tHostHarness host;
  ASSERT_EQ(host.load(), 0);
  tTrace& trace = rt::getTrace();
  tCaptureDestination capture;
  rt::iTraceDestination* console = trace.setDestination(&capture);

  trace.writeHeader("comp", 0x0123C02D, 42, "/src/dir/file.cpp", 7, tTrace::kNoIndentChange);
  trace << "x";
  trace.endLine();
  EXPECT_EQ(capture.joined(), padded("[comp--42--file.cpp", '-', 49) + "] x\n");

  struct Case {
    const char* kind;
    std::string text;
  };
  const Case cases[] = {
      {"default", "ASSERTION FAILED: broken"},
      {"warning", "ASSERTION WARNING: broken"},
      {"bounds", "ASSERTION FAILED (bounds): broken"},
  };
  trace.setShowLine();
  for (const Case& c : cases) {
    capture.pieces.clear();
    rt::reportAssertion(c.kind, "comp", 0, 3, "a/b.cpp", "broken");
    EXPECT_EQ(capture.joined(), padded("[comp--3--b.cpp--105", '-', 49) + "] " + c.text + "\n") << c.kind;
  }
  trace.clearShowLine();
  trace.setDestination(console);
}

std::vector<std::string> gHalts;
void recordHalt(const kivsdbg_Location* location, const char* message) {
  gHalts.push_back(std::string(location == nullptr ? "no location" : "location") + ": " + message);
}

TEST(AssertionDebugBreak, HaltsForEveryKindButWarning) {
  const kivsdbg_HaltHook saved = kivsdbg_haltHook;
  kivsdbg_haltHook = recordHalt;
  gHalts.clear();
  rt::assertionDebugBreak("warning");
  EXPECT_TRUE(gHalts.empty());
  rt::assertionDebugBreak("default");
  rt::assertionDebugBreak("bounds");
  kivsdbg_haltHook = saved;
  EXPECT_EQ(gHalts, (std::vector<std::string>{"no location: APAL debug break", "no location: APAL debug break"}));
}

}  // namespace
