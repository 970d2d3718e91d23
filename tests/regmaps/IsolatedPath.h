// The isolated side reached as the driver reaches it: the non-isolated FPGA
// block with its access windows, the isolated FPGA map behind window 24,
// the 24 channel maps behind theirs and the 4 CPLD maps behind the FPGA's
// CPLD access register.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "device/frontEndAccessors/CpldAccessor.h"
#include "device/frontEndAccessors/CpldFrontEndAccessor.h"
#include "device/frontEndAccessors/QuillChannelBaseAddressCalculator.h"
#include "device/frontEndAccessors/WindowedFrontEndAccessor.h"
#include "framework/frontEndAccessors/ChannelBasedFrontEndAccessor.h"
#include "regmaps/isolated/tTheQuillCpldRegMap.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "simboard/IsolatedRegisterSpace.h"
#include "tests/framework/frontEndTestSupport.h"

namespace isomaptest {

// The isolated register maps of one board: the windows, the channel
// accessors, the isolated FPGA, 24 channel and 4 CPLD maps.
class IsolatedPath : public frontendtest::FrontEndBoard {
 public:
  using tStatus = nKIVAPALS100::tStatus;
  using Access = simboard::IsolatedRegisterSpace::Access;
  using CpldAccessor = vorlan_driver::CpldAccessor;
  using CpldFrontEndAccessor = vorlan_driver::CpldFrontEndAccessor;
  using tTheQuillCpldRegMap = vorlan_regmaps::tTheQuillCpldRegMap;
  using tTheQuillIsoChannelRegMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;
  using tTheQuillIsoFpgaRegMap = vorlan_regmaps::tTheQuillIsoFpgaRegMap;
  static constexpr uint32_t kIsoWindow = 24;
  // The channel channel() answers: the one the traffic tables use.
  static constexpr uint32_t kSampleChannel = 5;

  IsolatedPath() {
    tStatus built;
    for (uint32_t p = 0; p < vorlan_regmaps::nTheQuillConstants::kChPortCount; ++p) {
      windows.push_back(std::make_unique<vorlan_driver::tNisoWindowedFrontEndAccessor>(
          map->IsoRegAccessStatusRegType[p], map->IsoRegAccessAddrRegType[p], map->IsoRegAccessWriteDataRegType[p],
          map->IsoRegAccessReadDataRegType[p], &checker, built));
    }
    iso = std::make_unique<tTheQuillIsoFpgaRegMap>(*windows[kIsoWindow], 0u, 0u, 0xFFFFFFFFu);
    for (uint32_t c = 0; c < 24; ++c) {
      channelAccessors.push_back(
          std::make_unique<voltarissharedsource::ChannelBasedFrontEndAccessor>(c, windows[c].get(), calculator));
      channels.push_back(std::make_unique<tTheQuillIsoChannelRegMap>(*channelAccessors[c], 0u, 0u, 0xFFFFFFFFu));
    }
    cpldAccessor = std::make_unique<CpldAccessor>(iso.get());
    for (uint8_t k = 0; k < 4; ++k) {
      cpldFrontEnds.push_back(std::make_unique<CpldFrontEndAccessor>(k, cpldAccessor.get()));
      cplds.push_back(std::make_unique<tTheQuillCpldRegMap>(*cpldFrontEnds[k], 0u, 0u, 0xFFFFFFFFu));
    }
    EXPECT_EQ(built.getCode(), 0);
  }

  simboard::IsolatedRegisterSpace& side() { return block.isolatedSide(); }
  tTheQuillIsoChannelRegMap& channel() { return *channels[kSampleChannel]; }
  std::vector<Access> take() {
    std::vector<Access> log = side().log();
    side().clearLog();
    return log;
  }

  frontendtest::FakeChecker checker;
  vorlan_driver::tQuillChannelBaseAddressCalculator calculator;
  std::vector<std::unique_ptr<vorlan_driver::tNisoWindowedFrontEndAccessor>> windows;
  std::unique_ptr<tTheQuillIsoFpgaRegMap> iso;
  std::vector<std::unique_ptr<voltarissharedsource::ChannelBasedFrontEndAccessor>> channelAccessors;
  std::vector<std::unique_ptr<tTheQuillIsoChannelRegMap>> channels;
  std::unique_ptr<CpldAccessor> cpldAccessor;
  std::vector<std::unique_ptr<CpldFrontEndAccessor>> cpldFrontEnds;
  std::vector<std::unique_ptr<tTheQuillCpldRegMap>> cplds;
};

}  // namespace isomaptest
