// The one record both time bases read their tick lengths and units from. It
// is plain data, zero at load, and filled by the first reader that finds it
// not yet set up: every writer stores the same values, so no lock is needed.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tTimebaseRecord {
  bool initialized;
  uint64_t efficientTickLength;
  uint64_t preciseTickLength;
  uint32_t efficientUnit;
  uint32_t preciseUnit;
};
static_assert(sizeof(tTimebaseRecord) == 32, "time-base record layout");

// Fills the record; running it again writes the same values.
void initializeTimebase();
// The record, set up first when it is not yet.
const tTimebaseRecord& timebaseRecord();

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
