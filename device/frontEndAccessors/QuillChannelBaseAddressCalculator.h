// Channel c's register block starts at isolated word address 0x1000 | (c << 7).
#pragma once

#include "framework/frontEndAccessors/QuillicChannelBaseAddressCalculator.h"

namespace vorlan_driver {

using tQuillChannelBaseAddressCalculator = voltarissharedsource::QuillicChannelBaseAddressCalculator<1u, 12u, 7u>;

}  // namespace vorlan_driver
