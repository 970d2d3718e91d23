#include "dma/sgl/FiniteAndContinuousSGL.h"

namespace tarntools {

void FiniteAndContinuousSGL::commit(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  const bool finiteHasEntries = !finite_.isEmpty();
  const bool continuousHasEntries = !continuous_.isEmpty();
  if (finiteHasEntries && !continuousHasEntries) {
    if (openEnded_) {
      finite_.commit(status);
    } else {
      finite_.commitTerminated(status);
    }
  } else if (!finiteHasEntries && continuousHasEntries) {
    continuous_.commitLoop(true, status);
  } else if (finiteHasEntries && continuousHasEntries) {
    // The loop first, so that the header chaining the finite chain into it
    // names the loop's final first link, and is written before the finite
    // chain's commit fences and prepares its link memory for the device.
    continuous_.commitLoop(false, status);
    finite_.chainTo(continuous_, status);
    finite_.commit(status);
  }
}

}  // namespace tarntools
