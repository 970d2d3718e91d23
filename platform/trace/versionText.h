// The text of a packed version word, for trace lines that show one. Declared
// here for the trace and defined where versions are read and written
// (framework/kivregitools/Version.cpp), so the two never disagree.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

constexpr uint32_t kVersionTextSize = 32;

// Always terminates `text`, which holds kVersionTextSize characters; empty
// when the word cannot be written as a version.
void formatVersionText(uint32_t version, char* text);

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
