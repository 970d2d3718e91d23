// Gives the isolated side power and a configuration through the
// non-isolated FPGA: the transformer's soft start, the isolation link in
// its download mode, the isolated FPGA's image, the link in its run mode;
// later the isolated DC bus. Built on the stack for one start-up step over
// the non-isolated side's power and iso-comm controllers, which it does not
// own.
#pragma once

#include <stdint.h>

#include "controllers/IsoCommController.h"
#include "controllers/PowerController.h"
#include "framework/atut/Poller.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

class IsolatedFpgaBringUp {
 public:
  // The link's modes: the isolated FPGA takes its image in the first and
  // runs in the second.
  static constexpr uint8_t kDownloadMode = 1;
  static constexpr uint8_t kRunMode = 2;
  static constexpr uint64_t kLinkTimeoutMicroseconds = 1000000;
  static constexpr uint64_t kLinkPollInitialMicroseconds = 100;
  static constexpr uint64_t kLinkPollMaximumMicroseconds = 100000;
  // The bridge's load time-out, which the isolated FPGA's download may end
  // with while its image is good: the run mode then proves the load.
  static constexpr int64_t kForgivenLoadTimeout = statusCodes::fromWord(0xBFFA807Fu);

  IsolatedFpgaBringUp(PowerController& power, IsoCommController& isoComm) : power_(&power), isoComm_(&isoComm) {}

  // `download(status)` sends the isolated FPGA's image while the link is in
  // its download mode. Nothing happens with an error in the status.
  template <typename Download>
  void bringUpIsolatedFpga(Download download, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    power_->rampTransformer(PowerController::kRampFrequencyWord, PowerController::kRampStepDelayNanoseconds,
                            PowerController::kRampStartDuty, PowerController::kRampEndDuty,
                            PowerController::kRampStep, PowerController::kRampFinalDelayNanoseconds, status);
    enterLinkMode(kDownloadMode, status);
    if (status.isFatal()) return;
    download(status);
    if (status.getCode() == kForgivenLoadTimeout) status.clear();
    enterLinkMode(kRunMode, status);
  }

  // The DC-bus start strobe, then the wait until the bus is up
  // (0xBFFA4683 after 1 s).
  void startDcBus(nKIVAPALS100::tStatus& status);

 private:
  using tLinkTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebaseEfficient>;
  using tLinkPoller = atut::Poller<tLinkTimeout, uint32_t>;

  // Sends the mode, then waits until the link runs in it (0xBFFA4678 after
  // 1 s).
  void enterLinkMode(uint8_t mode, nKIVAPALS100::tStatus& status);
  tLinkPoller linkPoller(int64_t code) const {
    return tLinkPoller(kLinkPollInitialMicroseconds, kLinkPollMaximumMicroseconds, static_cast<int32_t>(code));
  }

  PowerController* power_;
  IsoCommController* isoComm_;
};

}  // namespace vorlan_driver
