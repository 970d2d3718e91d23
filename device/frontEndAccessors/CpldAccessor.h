// The one path to the four relay CPLDs: each write is a CPLD access word
// (CPLD index, CPLD register, 24 data bits) sent through the isolated FPGA's
// CPLD access register. One per board, shared by the four CPLDs; the
// isolated map's lock makes the word's update and its write one unit, so
// neither writes for different CPLDs nor a by-name write of the register
// mix their fields.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class CpldAccessor {
 public:
  // A map without its lock refuses every write with -52000.
  explicit CpldAccessor(vorlan_regmaps::tTheQuillIsoFpgaRegMap* isoMap);
  virtual ~CpldAccessor() {}
  CpldAccessor(const CpldAccessor&) = delete;
  CpldAccessor& operator=(const CpldAccessor&) = delete;

  // Exactly one hardware write per call, also when the word repeats the
  // last one. Only the low 2 bits of the index, 4 of the address and 24 of
  // the data fit the word; callers refuse anything wider.
  virtual void write(uint8_t index, uint32_t address, uint32_t data, nKIVAPALS100::tStatus& status);

 private:
  vorlan_regmaps::tTheQuillIsoFpgaRegMap* isoMap_;
};

}  // namespace vorlan_driver
