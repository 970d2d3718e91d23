// The generated topographies against their validator, the validator against
// tables with one rule broken, and routes over the real graphs.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "routing/routing-resources/QuillTopographyLarkRoutingResources.h"
#include "routing/routing-resources/QuillTopographyWrenRoutingResources.h"
#include "tests/routing/TinyTopography.h"
#include "tools/topographycheck/TopographyValidator.h"

namespace {

using kivark::TopInfo;
using nKIVAPALS100::tStatus;
using routing_test::RecordingProgrammer;
using vorlan_tools::TopographyFacts;
using vorlan_tools::validateTopography;
using Calls = std::vector<std::string>;

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TEST(TopographyTablesTest, BothTopographiesHoldEveryRule) {
  EXPECT_EQ(joined(validateTopography(QuillTopographyLark::kTopInfo, TopographyFacts::lark())), "");
  EXPECT_EQ(joined(validateTopography(QuillTopographyWren::kTopInfo, TopographyFacts::wren())), "");
  EXPECT_NE(joined(validateTopography(QuillTopographyLark::kTopInfo, TopographyFacts::wren())), "");
}

// A writable copy of the Lark tables.
class TableCopy {
 public:
  explicit TableCopy(const TopInfo& from)
      : terminals(from.terminals, from.terminals + from.terminalCount),
        edges(from.edges, from.edges + from.edgeCount),
        incoming(from.incomingEdges, from.incomingEdges + from.edgeCount),
        info(from) {
    uint32_t pairCount = 0;
    for (const kivark::Edge& edge : edges) pairCount = std::max(pairCount, edge.firstPair + edge.pairCount);
    pairs.assign(from.programPairs, from.programPairs + pairCount);
  }
  const TopInfo& bind() {
    info.terminals = terminals.data();
    info.edges = edges.data();
    info.programPairs = pairs.data();
    info.incomingEdges = incoming.data();
    return info;
  }
  // The index of the first pair with this opcode and value.
  uint32_t pairIndex(uint32_t opcode, uint32_t value) const {
    for (uint32_t i = 0; i < pairs.size(); ++i)
      if (pairs[i].opcode == opcode && pairs[i].value == value) return i;
    return 0;
  }

  std::vector<kivark::Terminal> terminals;
  std::vector<kivark::Edge> edges;
  std::vector<uint32_t> incoming;
  std::vector<kivark::ProgramPair> pairs;
  TopInfo info;
};

// Each case breaks one rule of an otherwise sound copy; the validator names it.
TEST(TopographyTablesTest, TheValidatorFindsOneBrokenRule) {
  // Lark: input terminal 2 has its default edge first, then others.
  struct Case {
    const char* rule;
    const char* found;
    std::function<void(TableCopy&)> breakIt;
  } cases[] = {
      {"default edge first", "first incoming edge",
       [](TableCopy& t) { std::swap(t.incoming[t.terminals[2].firstIncoming], t.incoming[t.terminals[2].firstIncoming + 1]); }},
      {"program ranges apart", "pair table",
       [](TableCopy& t) { t.edges[200].firstPair = t.edges[199].firstPair + 1; }},
      {"no inversion", "inversion", [](TableCopy& t) { t.edges[300].flags |= 1; }},
      {"one edge per pair of terminals", "a second edge",
       [](TableCopy& t) {
         // Terminal 2's last two edges lead to two trigger outputs; point
         // the last at the other and move its incoming entry along.
         const kivark::Terminal& source = t.terminals[2];
         uint32_t last = source.firstOutgoing + source.outgoingCount - 1;
         uint32_t from = t.edges[last].target, to = t.edges[last - 1].target;
         t.edges[last].target = to;
         uint32_t* entry = &t.incoming[t.terminals[from].firstIncoming];
         while (*entry != last) ++entry;
         *entry = last - 1;  // keeps the list's length; edge last-1 is now listed twice
       }},
      {"programmer arguments 0", "programmer argument", [](TableCopy& t) { t.terminals[7].programmerArgument = 1; }},
      {"the first edge's pairs", "edge 0", [](TableCopy& t) { t.pairs[4].value = 0x400000; }},
      {"routing registers only", "not a routing register",
       [](TableCopy& t) { t.pairs[t.pairIndex(26, 0x80001041)].value = 0x80001038; }},
      {"line class", "flags", [](TableCopy& t) { t.terminals[98].flags = 1; }},
  };
  for (const Case& c : cases) {
    TableCopy copy(QuillTopographyLark::kTopInfo);
    ASSERT_EQ(joined(validateTopography(copy.bind(), TopographyFacts::lark())), "") << "the copy is sound";
    c.breakIt(copy);
    std::string report = joined(validateTopography(copy.bind(), TopographyFacts::lark()));
    EXPECT_NE(report.find(c.found), std::string::npos) << c.rule << ":\n" << report;
  }
}

class TopographyRoutesTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }

  template <typename Resources>
  static Calls programRoute(Resources& resources, RecordingProgrammer& programmer, uint32_t from, uint32_t to,
                            uint32_t expectedCost) {
    const kivark::RouteCalculationSeedBase seed = {from, 0, 0, {}};
    kivark::RoutePossibilityBase* results = nullptr;
    uint32_t count = 0;
    tStatus status;
    resources.calculateRoute(1, &seed, 1, &to, 1, 0, results, count, status);
    EXPECT_EQ(count, 1u);
    if (count != 1) return {};
    EXPECT_EQ(results[0].cost, expectedCost);
    uint32_t id = results[0].routeId;
    resources.getAllocHelper().function(results, 0, nullptr);
    kivark::RouteConflict* conflicts = nullptr;
    resources.reserveRoute(id, conflicts, count, status);
    programmer.calls.clear();
    resources.programRoute(id, status);
    EXPECT_EQ(status.getCode(), 0);
    return programmer.calls;
  }
};

// A channel event source drives PXI trigger line 0 through the line's
// trigger output: the event register, the trigger-out configuration and the
// isolated-port slot; the last step onto the line writes nothing. Giving it
// up drives the trigger output back to its default, as the table's first
// edge does for line 7.
TEST_F(TopographyRoutesTest, ASourceOntoATriggerLine) {
  RecordingProgrammer programmer;
  tStatus status;
  QuillTopographyLark::RoutingResources lark(&programmer, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(programRoute(lark, programmer, 51, 99, 106),
            (Calls{"begin", "1:0", "26:2147484160", "27:1048", "0:0", "26:2147483688", "27:1", "28:0", "29:1", "end"}));
  programmer.calls.clear();
  lark.unprogramRoute(1);
  EXPECT_EQ(programmer.calls, (Calls{"begin", "28:0", "29:3", "0:0", "26:2147483688", "27:65536", "1:0",
                                     "26:2147484160", "27:14", "end"}));
}

// The "off" source onto the third event register of channel 22.
TEST_F(TopographyRoutesTest, TheOffSourceOntoAChannelRegister) {
  RecordingProgrammer programmer;
  tStatus status;
  QuillTopographyWren::RoutingResources wren(&programmer, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(programRoute(wren, programmer, 2, 93, 598), (Calls{"begin", "24:0", "26:2147487810", "27:15", "end"}));
}

}  // namespace
