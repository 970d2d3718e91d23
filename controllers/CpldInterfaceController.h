// Brings the relay CPLDs' interface up once their image is in, then enables
// each CPLD and its temperature sensor. A plain record over the isolated
// FPGA's map and the CPLDs' maps; it owns none of them and touches no
// hardware when it is built or destroyed.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillCpldRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class CpldInterfaceController {
 public:
  using tCpldMap = vorlan_regmaps::tTheQuillCpldRegMap;

  static constexpr int64_t kInterfaceNotReady = statusCodes::fromWord(0xBFFA4684u);
  static constexpr uint64_t kReadyTimeoutMicroseconds = 1000000;
  static constexpr uint64_t kReadyPollInitialMicroseconds = 100;
  static constexpr uint64_t kReadyPollMaximumMicroseconds = 100000;

  // `cplds` holds `count` maps, enabled in that order.
  CpldInterfaceController(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, tCpldMap* const* cplds, uint64_t count)
      : iso_(&iso), cplds_(cplds), count_(count) {}

  // The enable strobe, the wait for the interface, each CPLD's enable bit,
  // each CPLD's sensor enable bit, then the done strobe. Nothing after a
  // failed step: an interface that never comes up leaves every CPLD alone.
  void enableCplds(nKIVAPALS100::tStatus& status);

 private:
  vorlan_regmaps::tTheQuillIsoFpgaRegMap* iso_;
  tCpldMap* const* cplds_;
  uint64_t count_;
};

}  // namespace vorlan_driver
