#include "regmaps/model/tWindowedRegisterMap.h"

namespace arm {

void tWindowedRegisterMap::reinitialize() {
  placeRegistersWithChildren();
}

}  // namespace arm
