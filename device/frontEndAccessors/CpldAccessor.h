// The one path to the four relay CPLDs: each write is a CPLD access word
// (CPLD index, CPLD register, 24 data bits) sent through the isolated FPGA's
// CPLD access register. One per board, shared by the four CPLDs; its lock
// makes the word's update and its write one unit, so writes for different
// CPLDs never mix their fields. Lock order: this lock, then the window's.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class CpldAccessor {
 public:
  // Without a lock (the status held an error or no kernel mutex was had:
  // -52000) the accessor refuses every write with -52000.
  CpldAccessor(vorlan_regmaps::tTheQuillIsoFpgaRegMap* isoMap, nKIVAPALS100::tStatus& status);
  virtual ~CpldAccessor() {}
  CpldAccessor(const CpldAccessor&) = delete;
  CpldAccessor& operator=(const CpldAccessor&) = delete;

  // Exactly one hardware write per call, also when the word repeats the
  // last one. Only the low 2 bits of the index, 4 of the address and 24 of
  // the data fit the word; callers refuse anything wider.
  virtual void write(uint8_t index, uint32_t address, uint32_t data, nKIVAPALS100::tStatus& status);

 private:
  vorlan_regmaps::tTheQuillIsoFpgaRegMap* isoMap_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
