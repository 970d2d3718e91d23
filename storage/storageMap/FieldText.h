// The text of one string element as the string accessors hand it over: the
// characters without the element's zero fill. The driver's growing string
// serves: growth takes a status and fails with -52000, and a failed append
// leaves the text as it was.
#pragma once

#include "platform/containers/tString.h"

namespace storagemap {

typedef vorlan_driver::nKIVAPAL000::tString FieldText;

}  // namespace storagemap
