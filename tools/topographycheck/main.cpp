// Build-time check of the generated topographies: the build fails when a
// table breaks one of the graph's rules.
#include <stdio.h>

#include "routing/topography/QuillTopographyLark.h"
#include "routing/topography/QuillTopographyWren.h"
#include "tools/topographycheck/TopographyValidator.h"

int main() {
  int failures = 0;
  auto check = [&failures](const kivark::TopInfo& info, const vorlan_tools::TopographyFacts& facts) {
    for (const std::string& line : vorlan_tools::validateTopography(info, facts)) {
      fprintf(stderr, "%s: %s\n", facts.name, line.c_str());
      ++failures;
    }
  };
  check(QuillTopographyLark::kTopInfo, vorlan_tools::TopographyFacts::lark());
  check(QuillTopographyWren::kTopInfo, vorlan_tools::TopographyFacts::wren());
  return failures == 0 ? 0 : 1;
}
