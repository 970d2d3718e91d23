// The board's two error-response subroutines (command types 0 and 1, which
// the board runs itself on an error). Start-up installs the variant's
// default pair; a session may install a pair of its own, and the defaults
// come back when it resets them or closes: configuring adds this controller
// to the session's cleanup composite, and its cleanup issues the defaults.
// It relies on the generator's lock.
#pragma once

#include <stdint.h>

#include "controllers/sequencer/IsoInterruptGeneratorController.h"
#include "controllers/subroutine/SubroutineId.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "framework/kdut/CleanupOperationInterface.h"

namespace vorlan_driver {

class ErrorResponseSubroutineController : public kdut::CleanupOperationInterface {
 public:
  // The generator is not owned; the identifier chooses the variant's pair.
  ErrorResponseSubroutineController(IsoInterruptGeneratorController& generator, uint32_t pciSubsystemID);
  ~ErrorResponseSubroutineController() override {}

  // Issues the session's pair and, when that worked, adds one cleanup entry
  // per call. When it failed, the defaults are issued again and the first
  // error is the one reported.
  void configureResponses(kdut::CleanupOperationComposite& composite, harrowtools::SubroutineId type0,
                          harrowtools::SubroutineId type1, nKIVAPALS100::tStatus& status);
  // Issues the defaults, then takes one entry out of the composite (-52006
  // when there is none); when the defaults failed, the entry stays.
  void resetResponses(kdut::CleanupOperationComposite& composite, nKIVAPALS100::tStatus& status);
  void configureDefaultResponses(nKIVAPALS100::tStatus& status);
  // Issues a pair without registering anything.
  void issueResponses(harrowtools::SubroutineId type0, harrowtools::SubroutineId type1, nKIVAPALS100::tStatus& status);

  void cleanup(nKIVAPALS100::tStatus& status) override;

  harrowtools::SubroutineId getDefaultResponse(uint32_t type) const { return defaults_[type & 1]; }

 private:
  IsoInterruptGeneratorController& generator_;
  harrowtools::SubroutineId defaults_[2];
};

}  // namespace vorlan_driver
