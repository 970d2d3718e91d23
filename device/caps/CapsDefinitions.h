// The capability table: one row per instrument model of the platform, in
// a fixed order, built once at load from constants and read without locks
// afterwards. Rows never move once built, so a row pointer stays valid for
// the whole load.
#pragma once

#include <stdint.h>

#include "device/caps/Caps.h"

namespace basalt_caps {

class CapsDefinitions {
 public:
  static constexpr uint64_t kRowCount = 11;

  CapsDefinitions();
  ~CapsDefinitions();
  CapsDefinitions(const CapsDefinitions&) = delete;
  CapsDefinitions& operator=(const CapsDefinitions&) = delete;

  // The first row, in table order, with that identifier; end() when none.
  const Caps* find(uint32_t pciSubsystemId) const;
  const Caps* begin() const { return rows_; }
  const Caps* end() const { return rows_ + count_; }

 private:
  uint64_t capacity_;
  uint64_t count_;
  Caps* rows_;
};

CapsDefinitions& getCapsDefinitions();
// Null when the identifier has no row: the caller refuses the device.
const Caps* findCaps(uint32_t pciSubsystemId);
// Builds the table; run once from the driver's static constructor table.
void constructCapsStatics();

}  // namespace basalt_caps
