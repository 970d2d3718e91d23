// A session's list of cleanup operations. Going away it undoes them, but
// only while the session is still valid: an invalidated session's work was
// undone by the teardown that invalidated it.
#pragma once

#include <stdint.h>

#include "framework/kdut/CleanupOperationComposite.h"
#include "framework/kdut/CleanupOperationSessionInterface.h"
#include "framework/kdut/InvalidatableSessionInterface.h"

namespace kdut {

class CleanupOperationSession : public CleanupOperationSessionInterface {
 public:
  CleanupOperationSession(uint64_t initialCapacity, const InvalidatableSessionInterface* validity,
                          nKIVAPALS100::tStatus& status)
      : composite_(initialCapacity, status), validity_(validity), usable_(status.isNotFatal()) {}
  ~CleanupOperationSession() override;

  CleanupOperationComposite& getCleanupOperationComposite() override { return composite_; }

 private:
  CleanupOperationComposite composite_;
  const InvalidatableSessionInterface* validity_;
  // False when the composite's lock could not be made (or was never tried).
  bool usable_;
};

}  // namespace kdut
