// Switches the command stream of one instrument channel's sequencer: on
// after its odd DMA channel starts, off before it stops. The hardware needs
// a pause after a stop, so a start within the hold-off of the last stop
// waits out the rest of it first.
#pragma once

#include <stdint.h>

#include "framework/kdut/CleanupOperationInterface.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "platform/time/tTimeWasterSpin.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"

namespace vorlan_driver {

class SequencerStreamController : public kdut::CleanupOperationInterface {
 public:
  using tChannelMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;
  static constexpr uint32_t kStartStream = 1u << 8;
  static constexpr uint32_t kStopStreamFirst = 1u << 9;
  static constexpr uint32_t kStopStreamSecond = 1u << 2;
  static constexpr uint64_t kHoldOffMicroseconds = 100;

  SequencerStreamController(tChannelMap& channel, nKIVAPALS100::tStatus& status);
  SequencerStreamController(const SequencerStreamController&) = delete;
  SequencerStreamController& operator=(const SequencerStreamController&) = delete;

  virtual void start(nKIVAPALS100::tStatus& status);
  virtual void stop(nKIVAPALS100::tStatus& status);
  virtual kdut::CleanupOperationInterface& getCleanupOperation() { return *this; }
  void cleanup(nKIVAPALS100::tStatus& status) override { stop(status); }

  bool isHoldOffPending() const { return holdOffPending_; }

 private:
  void strobe(uint32_t bit, nKIVAPALS100::tStatus& status);

  tChannelMap& channel_;
  nKIVAPAL000::tMutex mutex_;
  bool holdOffPending_;
  nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSpin, nKIVAPAL000::tTimebasePrecise> holdOff_;
};

}  // namespace vorlan_driver
