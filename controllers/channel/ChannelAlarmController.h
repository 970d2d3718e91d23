// One channel's hardware alarm. Its response is a sequencer subroutine of
// the package, whose address start-up loads into the board-wide macro
// register; the channel's alarm control then arms the response. No lock:
// start-up runs alone and requests hold the channel first.
#pragma once

#include <stdint.h>

#include "controllers/subroutine/SubroutineId.h"
#include "controllers/subroutine/SubroutineRegistrar.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class ChannelAlarmController {
 public:
  static constexpr uint8_t kCommand = 5;

  // The map and the registrar are not owned and must outlive the
  // controller; the identifier chooses the variant's response subroutine.
  ChannelAlarmController(vorlan_regmaps::tTheQuillIsoChannelRegMap& channelMap, SubroutineRegistrar& registrar,
                         uint32_t pciSubsystemID);
  ~ChannelAlarmController() {}
  ChannelAlarmController(const ChannelAlarmController&) = delete;
  ChannelAlarmController& operator=(const ChannelAlarmController&) = delete;

  // Loads the response's address (written once while it stays the same)
  // and arms the channel's response in seven control writes.
  void configureAlarmResponse(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, nKIVAPALS100::tStatus& status);
  // Loads the response's address into the board-wide macro register (which
  // all channels share); `force` writes it even when the shadow agrees.
  // 0xBFFA4309 with nothing written when the package lacks the response.
  void writeAlarmMacro(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, bool force, nKIVAPALS100::tStatus& status);
  // Re-arms the response after the channel's sequence engine was reset.
  void resetAlarmResponse(nKIVAPALS100::tStatus& status);
  bool getAlarmRaised(nKIVAPALS100::tStatus& status);
  void clearAlarm(nKIVAPALS100::tStatus& status);
  void maskAlarm(nKIVAPALS100::tStatus& status);
  void unmaskAlarm(nKIVAPALS100::tStatus& status);

  harrowtools::SubroutineId getResponseId() const { return responseId_; }

 private:
  vorlan_regmaps::tTheQuillIsoChannelRegMap& map_;
  SubroutineRegistrar& registrar_;
  harrowtools::SubroutineId responseId_;
};

}  // namespace vorlan_driver
