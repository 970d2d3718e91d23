// Refuses a request that needs more setup than the device reached, with the
// code that stopped the setup.
#pragma once

#include "framework/kdut/IOGateSentryInterface.h"
#include "framework/kdut/SetupTracker.h"
#include "platform/status/statusCodes.h"

namespace kdut {

template <typename Level>
class SetupLevelIOGateSentry : public IOGateSentryInterface {
 public:
  typedef typename Level::type LevelType;

  SetupLevelIOGateSentry(const SetupTracker<Level>* tracker, LevelType requiredLevel)
      : tracker_(tracker), requiredLevel_(requiredLevel) {}
  ~SetupLevelIOGateSentry() override {}

  void onEnterIOGate(nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    if (SetupTracker<Level>::asSigned(requiredLevel_) <= SetupTracker<Level>::asSigned(tracker_->getCurrentLevel())) {
      return;
    }
    status.merge(tracker_->getSetupStatus());
    // A tracker below the level with a clean status (a setup that never
    // recorded why it stopped) must still refuse: the hardware the request
    // needs is not there.
    if (status.isNotFatal()) vorlanSetCode(status, vorlan_driver::statusCodes::kSetupStopped);
  }

 private:
  const SetupTracker<Level>* tracker_;
  LevelType requiredLevel_;
};

}  // namespace kdut
