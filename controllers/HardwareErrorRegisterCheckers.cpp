#include "controllers/HardwareErrorRegisterCheckers.h"

namespace vorlan_driver {

HardwareErrorRegisterCheckers::HardwareErrorRegisterCheckers(ErrorCheckerInterface& errors)
    : noChannel_(0, errors), allChannels_(kAllChannels, errors) {
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    channels_[c].bind(uint64_t{1} << c, errors);
    channelTable_[c] = &channels_[c];
  }
}

}  // namespace vorlan_driver
