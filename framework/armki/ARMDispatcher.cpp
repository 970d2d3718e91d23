#include "framework/armki/ARMDispatcher.h"

namespace armki {

// Out of line: this source is the one home of the dispatcher's vtable.
ARMDispatcher::~ARMDispatcher() {}

}  // namespace armki
