// Stops a channel's DMA when the session that started it goes away.
#pragma once

#include "framework/kdut/CleanupOperationInterface.h"

namespace tarntools {

class TarnDMAStreamController;

class DMACleanupOperation : public kdut::CleanupOperationInterface {
 public:
  explicit DMACleanupOperation(TarnDMAStreamController& controller) : controller_(&controller) {}
  void cleanup(nKIVAPALS100::tStatus& status) override;

 private:
  TarnDMAStreamController* controller_;
};

}  // namespace tarntools
