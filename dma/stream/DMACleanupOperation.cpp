#include "dma/stream/DMACleanupOperation.h"

#include "dma/stream/TarnDMAStreamController.h"

namespace tarntools {

void DMACleanupOperation::cleanup(nKIVAPALS100::tStatus& status) {
  nKIVAPALS100::tStatus scratch;
  controller_->stop(scratch);
  status.merge(scratch);
}

}  // namespace tarntools
