#include "framework/kdut/CleanupOperationSession.h"

namespace kdut {

CleanupOperationSession::~CleanupOperationSession() {
  if (!usable_ || validity_ == nullptr || !validity_->isValid()) return;
  // Nobody is left to hear about a failure here.
  nKIVAPALS100::tStatus dropped;
  composite_.cleanup(dropped);
}

}  // namespace kdut
