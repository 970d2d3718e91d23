#include "tools/topographycheck/TopographyValidator.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <set>

namespace vorlan_tools {

namespace {

constexpr uint32_t kLines = 8;
constexpr uint32_t kNisoTrigOutConfig = 0x80000028;
constexpr uint32_t kIsoEventFirst = 0x80000200;
constexpr uint32_t kIsoEventLast = 0x80000207;
constexpr uint32_t kChannelEventRegisters[] = {0x80001037, 0x80001041, 0x80001042, 0x80001043};

std::vector<std::pair<std::string, uint32_t>> shapes(uint32_t single, uint32_t doubled, uint32_t lineOut) {
  std::vector<std::pair<std::string, uint32_t>> result = {
      {"ch,26,27", single},
      {"1,26,27,0,26,27,28,29", lineOut},
      {"28,29,0,26,27,1,26,27", 8},
      {"0,26,27,28,29", 8},
      {"28,29,0,26,27", 8},
      {"", 16}};
  if (doubled != 0) result.push_back({"ch,26,27,ch,26,27", doubled});
  return result;
}

bool isIsoEventCode(uint32_t value) {
  return value == 14 || (value >= 1000 && value <= 1071) || (value >= 1120 && value <= 1215) ||
         (value >= 1240 && value <= 1263);
}

class Checker {
 public:
  Checker(const kivark::TopInfo& info, const TopographyFacts& facts) : info_(info), facts_(facts) {}

  std::vector<std::string> run() {
    if (!checkDescriptor()) return failures_;
    findSources();
    checkTerminalRecords();
    checkIncomingLists();
    checkEdgeRecords();
    checkDefaultEdges();
    checkProgramRanges();
    checkNoParallelEdges();
    checkClasses();
    checkPrograms();
    return failures_;
  }

 private:
  void fail(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char line[256];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    failures_.push_back(line);
  }

  const kivark::Edge& edge(uint32_t index) const { return info_.edges[index]; }
  const kivark::Terminal& terminal(uint32_t index) const { return info_.terminals[index]; }

  bool checkDescriptor() {
    if (info_.name == nullptr || strcmp(info_.name, facts_.name) != 0) fail("descriptor: name is not %s", facts_.name);
    if (info_.terminalCount != facts_.terminals)
      fail("descriptor: %u terminals, not %u", info_.terminalCount, facts_.terminals);
    if (info_.edgeCount != facts_.edges) fail("descriptor: %u edges, not %u", info_.edgeCount, facts_.edges);
    if (info_.unread64 != 0 || info_.unread68 != 1) fail("descriptor: words at 64 and 68 are not 0 and 1");
    static const uint8_t zeros[sizeof(kivark::TerminalGroup) * 2] = {};
    if (info_.zeroRecord == nullptr || memcmp(info_.zeroRecord, zeros, 16) != 0)
      fail("descriptor: the 16-byte record is not all zero");
    if (info_.groups == nullptr || memcmp(info_.groups, zeros, sizeof zeros) != 0)
      fail("groups: the table does not hold two all-zero records");
    // Nothing further can be read safely over tables of another size.
    return failures_.empty();
  }

  // An edge's source is the terminal whose outgoing range holds it.
  void findSources() {
    source_.assign(info_.edgeCount, UINT32_MAX);
    uint32_t next = 0;
    for (uint32_t t = 0; t < info_.terminalCount; ++t) {
      const kivark::Terminal& term = terminal(t);
      if (term.firstOutgoing != next) fail("terminal %u: outgoing range starts at %u, not %u", t, term.firstOutgoing, next);
      for (uint32_t e = term.firstOutgoing; e < term.firstOutgoing + term.outgoingCount && e < info_.edgeCount; ++e)
        source_[e] = t;
      next = term.firstOutgoing + term.outgoingCount;
    }
    if (next != info_.edgeCount) fail("terminals: outgoing ranges end at %u, not at the edge count", next);
  }

  void checkTerminalRecords() {
    for (uint32_t t = 0; t < info_.terminalCount; ++t) {
      const kivark::Terminal& term = terminal(t);
      if (term.id != t + 1) fail("terminal %u: id %u", t, term.id);
      if (term.programmerArgument != 0) fail("terminal %u: programmer argument %u", t, term.programmerArgument);
      if (term.group != 0) fail("terminal %u: group %u", t, term.group);
      if (term.flags > 7) fail("terminal %u: flags 0x%x", t, term.flags);
    }
  }

  void checkIncomingLists() {
    std::vector<uint32_t> seen(info_.edgeCount, 0);
    uint64_t entries = 0;
    for (uint32_t t = 0; t < info_.terminalCount; ++t) {
      const kivark::Terminal& term = terminal(t);
      entries += term.incomingCount;
      if (uint64_t(term.firstIncoming) + term.incomingCount > info_.edgeCount) {
        fail("terminal %u: incoming range beyond the list", t);
        continue;
      }
      for (uint32_t i = 0; i < term.incomingCount; ++i) {
        uint32_t e = info_.incomingEdges[term.firstIncoming + i];
        if (e >= info_.edgeCount) {
          fail("terminal %u: incoming entry names edge %u", t, e);
          continue;
        }
        ++seen[e];
        if (edge(e).target != t) fail("terminal %u: incoming edge %u ends at %u", t, e, edge(e).target);
      }
    }
    if (entries != info_.edgeCount) fail("incoming list: %llu entries, not one per edge", (unsigned long long)entries);
    for (uint32_t e = 0; e < info_.edgeCount; ++e)
      if (seen[e] != 1) fail("edge %u: listed %u times as an incoming edge", e, seen[e]);
  }

  void checkEdgeRecords() {
    for (uint32_t e = 0; e < info_.edgeCount; ++e) {
      const kivark::Edge& ed = edge(e);
      if (ed.target >= info_.terminalCount) fail("edge %u: target %u", e, ed.target);
      if (ed.zeroRecord != info_.zeroRecord) fail("edge %u: does not point at the descriptor's zero record", e);
      if (ed.reserved != 0) fail("edge %u: word at 16 is %u", e, ed.reserved);
      if ((ed.flags & 0xFFFF00FFu) != 0) fail("edge %u: inversion or upper flag bits set (0x%x)", e, ed.flags);
      if ((ed.flags & 0xFF00u) != 0 && (ed.flags & 0xFF00u) != 0x100u) fail("edge %u: default marker 0x%x", e, ed.flags);
    }
  }

  // Rule 1: a terminal's first incoming edge is its default edge; the
  // default edges are exactly the outgoing edges of terminal id 1.
  void checkDefaultEdges() {
    uint32_t withIncoming = 0;
    for (uint32_t t = 0; t < info_.terminalCount; ++t) {
      const kivark::Terminal& term = terminal(t);
      if (term.incomingCount == 0 || term.firstIncoming >= info_.edgeCount) continue;
      ++withIncoming;
      uint32_t e = info_.incomingEdges[term.firstIncoming];
      if (e >= info_.edgeCount) continue;
      if (source_[e] != 0 || edge(e).cost != 0 || edge(e).flags != 0x100)
        fail("terminal %u: first incoming edge %u is not a cost-0 default edge from terminal id 1", t, e);
    }
    for (uint32_t e = 0; e < info_.edgeCount; ++e) {
      bool marked = (edge(e).flags & 0xFF00u) != 0;
      if (marked != (source_[e] == 0)) fail("edge %u: default marker does not match a source of terminal id 1", e);
    }
    if (terminal(0).outgoingCount != withIncoming)
      fail("terminal id 1: %u outgoing edges for %u terminals with incoming edges", terminal(0).outgoingCount, withIncoming);
  }

  // Rule 2: the pair ranges tile the pair table; only the 16 edges into the
  // exclusive lines are empty.
  void checkProgramRanges() {
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    uint32_t empty = 0;
    for (uint32_t e = 0; e < info_.edgeCount; ++e) {
      const kivark::Edge& ed = edge(e);
      if (ed.pairCount == 0) {
        ++empty;
        const kivark::Terminal& target = terminal(ed.target);
        bool lineEdge = target.flags == 3 && (source_[e] == 0 || ed.cost == 6);
        if (!lineEdge) fail("edge %u: empty program but neither default nor cost 6 into a line", e);
        continue;
      }
      ranges.push_back({ed.firstPair, ed.pairCount});
    }
    if (empty != 16) fail("%u edges without a program, not 16", empty);
    std::sort(ranges.begin(), ranges.end());
    uint64_t next = 0;
    for (const auto& range : ranges) {
      if (range.first != next) fail("pair table: a range starts at %u where %llu was expected", range.first, (unsigned long long)next);
      next = uint64_t(range.first) + range.second;
    }
    if (next != facts_.programPairs)
      fail("pair table: ranges cover %llu pairs, not %u", (unsigned long long)next, facts_.programPairs);
  }

  // Rule 3.
  void checkNoParallelEdges() {
    std::set<std::pair<uint32_t, uint32_t>> joined;
    for (uint32_t e = 0; e < info_.edgeCount; ++e) {
      if (source_[e] == edge(e).target) fail("edge %u: returns to its source", e);
      if (!joined.insert({source_[e], edge(e).target}).second)
        fail("edge %u: a second edge from %u to %u", e, source_[e], edge(e).target);
    }
  }

  void expectClass(uint32_t t, uint32_t flags, uint32_t outLow, uint32_t outHigh, uint32_t inLow, uint32_t inHigh) {
    const kivark::Terminal& term = terminal(t);
    if (term.flags != flags) fail("terminal %u: flags %u, not %u", t, term.flags, flags);
    if (term.outgoingCount < outLow || term.outgoingCount > outHigh)
      fail("terminal %u: %u outgoing edges, not %u-%u", t, term.outgoingCount, outLow, outHigh);
    if (term.incomingCount < inLow || term.incomingCount > inHigh)
      fail("terminal %u: %u incoming edges, not %u-%u", t, term.incomingCount, inLow, inHigh);
  }

  void checkClasses() {
    const uint32_t n = facts_.inputs;
    const uint32_t firstLine = 2 + 2 * n;
    if (firstLine + 3 * kLines != info_.terminalCount) {
      fail("classes: %u terminals do not make %u inputs, %u sources and eight lines", info_.terminalCount, n, n);
      return;
    }
    expectClass(0, 4, terminal(0).outgoingCount, terminal(0).outgoingCount, 0, 0);
    expectClass(1, 4, facts_.offSourceOut, facts_.offSourceOut, 0, 0);
    uint32_t lowest = UINT32_MAX, highest = 0;
    for (uint32_t t = 2; t < 2 + n; ++t) {
      expectClass(t, 1, facts_.inputOut, facts_.inputOut, facts_.inputInLow, facts_.inputInHigh);
      lowest = std::min(lowest, terminal(t).incomingCount);
      highest = std::max(highest, terminal(t).incomingCount);
    }
    if (lowest != facts_.inputInLow || highest != facts_.inputInHigh)
      fail("inputs: incoming counts span %u-%u, not %u-%u", lowest, highest, facts_.inputInLow, facts_.inputInHigh);
    lowest = UINT32_MAX, highest = 0;
    for (uint32_t t = 2 + n; t < firstLine; ++t) {
      expectClass(t, 1, facts_.sourceOutLow, facts_.sourceOutHigh, 0, 0);
      lowest = std::min(lowest, terminal(t).outgoingCount);
      highest = std::max(highest, terminal(t).outgoingCount);
    }
    if (lowest != facts_.sourceOutLow || highest != facts_.sourceOutHigh)
      fail("sources: outgoing counts span %u-%u", lowest, highest);
    for (uint32_t t = firstLine; t < firstLine + kLines; ++t) {
      expectClass(t, 3, 1, 1, 2, 2);
      const kivark::Terminal& term = terminal(t);
      if (term.firstIncoming + 1 < info_.edgeCount && edge(info_.incomingEdges[term.firstIncoming + 1]).cost != 6)
        fail("line %u: second incoming edge is not of cost 6", t);
    }
    for (uint32_t t = firstLine + kLines; t < info_.terminalCount; t += 2) {
      expectClass(t, 0, facts_.triggerInOut, facts_.triggerInOut, 2, 2);
      expectClass(t + 1, 0, 1, 1, facts_.triggerOutIn, facts_.triggerOutIn);
    }
  }

  void checkPrograms() {
    std::set<uint32_t> costs, lengths;
    std::map<std::string, uint32_t> shapeCounts;
    for (uint32_t e = 0; e < info_.edgeCount; ++e) {
      const kivark::Edge& ed = edge(e);
      costs.insert(ed.cost);
      lengths.insert(ed.pairCount);
      if (uint64_t(ed.firstPair) + ed.pairCount > facts_.programPairs) continue;
      shapeCounts[checkProgram(e, info_.programPairs + ed.firstPair, ed.pairCount)]++;
    }
    if (costs != std::set<uint32_t>(facts_.costs.begin(), facts_.costs.end())) fail("edge costs in use differ");
    if (lengths != std::set<uint32_t>(facts_.programLengths.begin(), facts_.programLengths.end()))
      fail("program lengths in use differ");
    std::map<std::string, uint32_t> expected(facts_.programShapes.begin(), facts_.programShapes.end());
    if (shapeCounts != expected) {
      for (const auto& shape : shapeCounts)
        if (expected[shape.first] != shape.second)
          fail("program shape [%s]: %u edges, not %u", shape.first.c_str(), shape.second, expected[shape.first]);
    }
    static const kivark::ProgramPair first[] = {{28, 0x7}, {29, 0x3}, {0, 0x0}, {26, 0x80000028},
                                                {27, 0x800000}, {1, 0x0}, {26, 0x80000207}, {27, 0xE}};
    const kivark::Edge& e0 = edge(0);
    if (source_[0] != 0 || e0.target != info_.terminalCount - 1 || e0.pairCount != 8 ||
        memcmp(info_.programPairs + e0.firstPair, first, sizeof first) != 0)
      fail("edge 0: not the default edge of the last terminal with its eight pairs");
  }

  // Returns the program's shape; every write goes to a register the route
  // programmer can reach, after a map and register selection of its own.
  std::string checkProgram(uint32_t e, const kivark::ProgramPair* pairs, uint32_t count) {
    std::string shape;
    int map = -1;  // 0 non-isolated, 1 isolated, 2 channel
    bool haveRegister = false, haveSlot = false;
    uint32_t reg = 0;
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t op = pairs[i].opcode, value = pairs[i].value;
      if (!shape.empty()) shape += ",";
      shape += (op >= 2 && op <= 25) ? std::string("ch") : std::to_string(op);
      if (op <= 25) {
        map = op < 2 ? int(op) : 2;
        haveRegister = false;
      } else if (op == 26) {
        reg = value;
        haveRegister = true;
        bool known = (map == 0 && reg == kNisoTrigOutConfig) || (map == 1 && reg >= kIsoEventFirst && reg <= kIsoEventLast) ||
                     (map == 2 && std::find(std::begin(kChannelEventRegisters), std::end(kChannelEventRegisters), reg) !=
                                      std::end(kChannelEventRegisters));
        if (!known) fail("edge %u: register 0x%x is not a routing register of the selected map", e, reg);
      } else if (op == 27) {
        if (map < 0 || !haveRegister) fail("edge %u: write without map and register selected in its program", e);
        if (map == 1 && !isIsoEventCode(value)) fail("edge %u: event code %u on a trigger line", e, value);
        if (map == 2 && value > 0xFFFF) fail("edge %u: channel event code 0x%x is wider than 16 bits", e, value);
      } else if (op == 28) {
        haveSlot = true;
        if (value >= kLines) fail("edge %u: isolated-port slot %u", e, value);
      } else if (op == 29) {
        if (!haveSlot) fail("edge %u: slot route without a slot set in its program", e);
        if (value < 1 || value > 3) fail("edge %u: slot route code %u", e, value);
      } else {
        fail("edge %u: opcode %u", e, op);
      }
    }
    return shape;
  }

  const kivark::TopInfo& info_;
  const TopographyFacts& facts_;
  std::vector<uint32_t> source_;
  std::vector<std::string> failures_;
};

}  // namespace

TopographyFacts TopographyFacts::lark() {
  return {"QuillTopographyLark", 122, 5572, 24252, 48, 36, 53, 98, 102, 52, 53, 48, 97,
          {0, 6, 100, 196, 302, 304, 310}, {0, 3, 5, 6, 8}, shapes(3540, 1224, 768)};
}

TopographyFacts TopographyFacts::wren() {
  return {"QuillTopographyWren", 218, 20320, 68664, 96, 72, 101, 194, 198, 100, 101, 96, 193,
          {0, 6, 196, 388, 590, 592, 598}, {0, 3, 5, 8}, shapes(18744, 0, 1536)};
}

std::vector<std::string> validateTopography(const kivark::TopInfo& info, const TopographyFacts& facts) {
  return Checker(info, facts).run();
}

}  // namespace vorlan_tools
