// The register maps behind the isolation barrier: the isolated FPGA behind
// access window 24, the 24 channel blocks behind windows 0-23 (each through
// its channel's address prefix) and the four relay CPLDs behind the FPGA's
// CPLD access path. Built after the isolated FPGA is loaded and published by
// name while they exist; building and destroying them touches no hardware.
//
// Each window serialises its port with a lock of its own, and an error the
// window reports is checked by the checker of its channel (window 24: the
// board-only checker).
#pragma once

#include <stdint.h>

#include "controllers/HardwareErrorRegisterCheckers.h"
#include "controllers/channel/ChannelArray.h"
#include "device/frontEndAccessors/CpldAccessor.h"
#include "device/frontEndAccessors/CpldFrontEndAccessor.h"
#include "device/frontEndAccessors/QuillChannelBaseAddressCalculator.h"
#include "device/frontEndAccessors/WindowedFrontEndAccessor.h"
#include "framework/armki/ARMDispatcher.h"
#include "framework/frontEndAccessors/ChannelBasedFrontEndAccessor.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillCpldRegMap.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class IsolatedRegMaps {
 public:
  using tIsoFpgaMap = vorlan_regmaps::tTheQuillIsoFpgaRegMap;
  using tChannelMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;
  using tCpldMap = vorlan_regmaps::tTheQuillCpldRegMap;
  using tIsoPortAccessor = WindowedFrontEndAccessor<static_cast<vorlan_regmaps::nTheQuillConstants::ChPortTypes>(24)>;

  static constexpr uint32_t kChannelCount = 24;
  static constexpr uint32_t kCpldCount = 4;
  // The FPGA, then the channels, then the CPLDs: the order of publication.
  static constexpr uint32_t kPublicationCount = 1 + kChannelCount + kCpldCount;

  // The FPGA map, the dispatcher and the checkers are not owned and must
  // outlive the aggregate. With an error in the status on entry (or after
  // a refused lock: -52000) the members are built but no further lock is
  // made and nothing is published.
  IsolatedRegMaps(vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso, armki::ARMDispatcher& dispatcher,
                  HardwareErrorRegisterCheckers& checkers, nKIVAPALS100::tStatus& status);
  // Withdraws what was published (the CPLDs, the channels, then the FPGA),
  // each withdrawal on its own; reports nothing.
  virtual ~IsolatedRegMaps();
  IsolatedRegMaps(const IsolatedRegMaps&) = delete;
  IsolatedRegMaps& operator=(const IsolatedRegMaps&) = delete;

  tIsoFpgaMap& getIsoFpgaMap() { return iso_; }
  // 24 and 4 entries in order; all null unless construction succeeded.
  tChannelMap* const* getChannelMaps() const { return channelMaps_; }
  tCpldMap* const* getCpldMaps() const { return cpldMaps_; }
  CpldAccessor& getCpldAccessor() { return cpldAccessor_; }

 private:
  // Window ch, its channel's prefix over it, and the channel's map.
  struct ChannelPort {
    ChannelPort(vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso, uint32_t channel,
                kdut::HardwareStateCheckerInterface* checker,
                const voltarissharedsource::ChannelBaseAddressCalculatorInterface& calculator,
                nKIVAPALS100::tStatus& status);
    ChannelPort(const ChannelPort&) = delete;
    ChannelPort& operator=(const ChannelPort&) = delete;

    tNisoWindowedFrontEndAccessor window;
    voltarissharedsource::ChannelBasedFrontEndAccessor channel;
    tChannelMap map;
  };
  // The CPLD's word path and its map.
  struct CpldPort {
    CpldPort(uint8_t index, CpldAccessor& accessor, nKIVAPALS100::tStatus& status);
    CpldPort(const CpldPort&) = delete;
    CpldPort& operator=(const CpldPort&) = delete;

    CpldFrontEndAccessor frontEnd;
    tCpldMap map;
  };

  // Publication i's map; its name is written into `name`.
  armki::tRegisterMapInterface& publication(uint32_t i, char (&name)[64]);

  armki::ARMDispatcher& dispatcher_;
  tQuillChannelBaseAddressCalculator calculator_;
  tIsoPortAccessor isoPort_;
  ChannelArray<ChannelPort, kChannelCount> channels_;
  tIsoFpgaMap iso_;
  tChannelMap* channelMaps_[kChannelCount];
  CpldAccessor cpldAccessor_;
  ChannelArray<CpldPort, kCpldCount> cplds_;
  tCpldMap* cpldMaps_[kCpldCount];
  // Publications made, a prefix of the publication order.
  uint32_t published_;
};

}  // namespace vorlan_driver
