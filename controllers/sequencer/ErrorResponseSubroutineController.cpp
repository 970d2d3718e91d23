#include "controllers/sequencer/ErrorResponseSubroutineController.h"

#include "controllers/subroutine/subroutineIds.h"

namespace vorlan_driver {

ErrorResponseSubroutineController::ErrorResponseSubroutineController(IsoInterruptGeneratorController& generator,
                                                                     uint32_t pciSubsystemID)
    : generator_(generator),
      defaults_{subroutineIds::forSubsystem(pciSubsystemID).errorResponse[0],
                subroutineIds::forSubsystem(pciSubsystemID).errorResponse[1]} {}

void ErrorResponseSubroutineController::issueResponses(harrowtools::SubroutineId type0,
                                                       harrowtools::SubroutineId type1,
                                                       nKIVAPALS100::tStatus& status) {
  generator_.issueToBoard(IsoInterruptGeneratorController::kErrorResponseType0, type0, status);
  generator_.issueToBoard(IsoInterruptGeneratorController::kErrorResponseType1, type1, status);
}

void ErrorResponseSubroutineController::configureDefaultResponses(nKIVAPALS100::tStatus& status) {
  issueResponses(defaults_[0], defaults_[1], status);
}

void ErrorResponseSubroutineController::cleanup(nKIVAPALS100::tStatus& status) { configureDefaultResponses(status); }

void ErrorResponseSubroutineController::configureResponses(kdut::CleanupOperationComposite& composite,
                                                           harrowtools::SubroutineId type0,
                                                           harrowtools::SubroutineId type1,
                                                           nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  issueResponses(type0, type1, status);
  if (status.isNotFatal()) {
    composite.add(this, status);
    return;
  }
  nKIVAPALS100::tStatus scratch;
  configureDefaultResponses(scratch);
  status.merge(scratch);
}

void ErrorResponseSubroutineController::resetResponses(kdut::CleanupOperationComposite& composite,
                                                       nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  configureDefaultResponses(status);
  composite.remove(this, status);
}

}  // namespace vorlan_driver
