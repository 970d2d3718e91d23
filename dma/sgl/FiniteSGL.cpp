#include "dma/sgl/FiniteSGL.h"

#include "platform/status/statusCodes.h"

namespace tarntools {

void FiniteSGL::clear() {
  unchain();
  destroyAll();
}

void FiniteSGL::chainTo(ContinuousSGL& continuous, nKIVAPALS100::tStatus& status) {
  if (!hasLinks(status)) return;
  vorlan_driver::nKIVAPAL000::tTarnSGLChunkyLink* target = continuous.getFirst();
  if (target == nullptr) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kNoLinkMemory);
    return;
  }
  // Only the pointer and the header: the continuous chain's own links keep
  // their neighbours.
  getCurrent()->runInto(target);
  chained_ = true;
  getCurrent()->writeHeader();
}

void FiniteSGL::unchain() {
  if (getCurrent() == nullptr) return;
  getCurrent()->setNext(nullptr);
  getCurrent()->writeHeader();
  chained_ = false;
}

}  // namespace tarntools
