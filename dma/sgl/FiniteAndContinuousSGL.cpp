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
    finite_.commit(status);
    continuous_.commitLoop(false, status);
    finite_.chainTo(continuous_, status);
  }
}

}  // namespace tarntools
