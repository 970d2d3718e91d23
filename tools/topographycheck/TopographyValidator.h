// Checks a topography's tables against what the board's routing graph must
// be: the table format's rules, the counts and terminal classes of the
// variant, and the shapes and targets of the edge programs. Host code: it
// runs at build time over the tables the driver was built with, and in the
// tests.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "routing/topography/TopInfo.h"

namespace vorlan_tools {

struct TopographyFacts {
  const char* name;
  uint32_t terminals;
  uint32_t edges;
  uint32_t programPairs;
  uint32_t inputs;  // the endpoint-only terminals that are driven
  uint32_t offSourceOut;
  uint32_t inputOut;
  uint32_t inputInLow, inputInHigh;
  uint32_t sourceOutLow, sourceOutHigh;
  uint32_t triggerInOut;
  uint32_t triggerOutIn;
  std::vector<uint32_t> costs;
  std::vector<uint32_t> programLengths;
  // "ch" stands for a channel-map selection (opcodes 2-25).
  std::vector<std::pair<std::string, uint32_t>> programShapes;

  static TopographyFacts lark();
  static TopographyFacts wren();
};

// Every rule the tables break, one line each; empty when they hold.
std::vector<std::string> validateTopography(const kivark::TopInfo& info, const TopographyFacts& facts);

}  // namespace vorlan_tools
