// The isolation link's configuration strobe, and what the start-up's link
// polls need: the link registers and their time-out codes.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class IsoCommController {
 public:
  static constexpr int64_t kDcBusStartupTimeout = statusCodes::fromWord(0xBFFA4683u);
  static constexpr int64_t kLinkModeTimeout = statusCodes::fromWord(0xBFFA4678u);

  // The map is not owned and must outlive the controller.
  explicit IsoCommController(vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso)
      : niso_(&niso), config_(&niso.IsoCommConfigReg), status_(&niso.IsoCommStatusReg) {}
  virtual ~IsoCommController() {}
  IsoCommController(const IsoCommController&) = delete;
  IsoCommController& operator=(const IsoCommController&) = delete;

  // Always sent; the strobe (and the mode and DC-bus strobes) act once.
  void strobeConfig(nKIVAPALS100::tStatus& status);

  vorlan_regmaps::tTheQuillNisoFpgaRegMap& getMap() const { return *niso_; }
  vorlan_regmaps::tTheQuillNisoFpgaRegMap::tIsoCommConfigReg& getConfigReg() const { return *config_; }
  vorlan_regmaps::tTheQuillNisoFpgaRegMap::tIsoCommStatusReg& getStatusReg() const { return *status_; }
  int64_t getDcBusStartupTimeoutCode() const { return kDcBusStartupTimeout; }
  int64_t getLinkModeTimeoutCode() const { return kLinkModeTimeout; }

 private:
  vorlan_regmaps::tTheQuillNisoFpgaRegMap* niso_;
  vorlan_regmaps::tTheQuillNisoFpgaRegMap::tIsoCommConfigReg* config_;
  vorlan_regmaps::tTheQuillNisoFpgaRegMap::tIsoCommStatusReg* status_;
};

}  // namespace vorlan_driver
