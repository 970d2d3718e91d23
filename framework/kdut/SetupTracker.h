// How far the last setup got, what it aimed at and what stopped it, so that a
// request needing more than the device reached fails with that very code.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace kdut {

template <typename Level>
class SetupTracker {
 public:
  typedef typename Level::type LevelType;

  SetupTracker() : targetLevel_(Level::kFull), currentLevel_(0) {}

  void resetToTarget(LevelType target) {
    setupStatus_ = nKIVAPALS100::tStatus();
    targetLevel_ = target;
    currentLevel_ = 0;
  }

  // The step that completes level n calls this; setup never lowers the level.
  void advanceTo(LevelType level) {
    if (setupStatus_.isFatal()) return;
    if (asSigned(targetLevel_) >= asSigned(level) && asSigned(currentLevel_) < asSigned(level)) {
      currentLevel_ = level;
      checkTargetSetupLevel();
    }
  }

  // A setup that stopped at a target below full records why further steps
  // did not run.
  void checkTargetSetupLevel() {
    if (currentLevel_ == targetLevel_ && targetLevel_ != Level::kFull) {
      vorlanSetCode(setupStatus_, vorlan_driver::statusCodes::kSetupStopped);
    }
  }

  nKIVAPALS100::tStatus& getSetupStatus() { return setupStatus_; }
  const nKIVAPALS100::tStatus& getSetupStatus() const { return setupStatus_; }
  LevelType getTargetLevel() const { return targetLevel_; }
  LevelType getCurrentLevel() const { return currentLevel_; }
  bool hasReached(LevelType level) const { return asSigned(currentLevel_) >= asSigned(level); }

  static int32_t asSigned(LevelType level) { return static_cast<int32_t>(level); }

 private:
  nKIVAPALS100::tStatus setupStatus_;
  LevelType targetLevel_;
  LevelType currentLevel_;
};

}  // namespace kdut
