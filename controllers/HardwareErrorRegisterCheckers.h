// The device's error checkers over one error manager: one per channel
// (checker c with mask 1 << c, also reached through a table), one for no
// channel (board faults only) and one for every channel.
#pragma once

#include <stdint.h>

#include "controllers/ErrorCheckerInterface.h"
#include "controllers/HardwareErrorRegisterChecker.h"

namespace vorlan_driver {

class HardwareErrorRegisterCheckers {
 public:
  static constexpr uint32_t kChannelCount = 24;
  static constexpr uint64_t kAllChannels = 0xFFFFFF;

  // The error checker is not owned and must outlive the set.
  explicit HardwareErrorRegisterCheckers(ErrorCheckerInterface& errors);
  HardwareErrorRegisterCheckers(const HardwareErrorRegisterCheckers&) = delete;
  HardwareErrorRegisterCheckers& operator=(const HardwareErrorRegisterCheckers&) = delete;

  HardwareErrorRegisterChecker* const* channelTable() const { return channelTable_; }
  HardwareErrorRegisterChecker& channel(uint32_t c) { return channels_[c % kChannelCount]; }
  HardwareErrorRegisterChecker& noChannel() { return noChannel_; }
  HardwareErrorRegisterChecker& allChannels() { return allChannels_; }

 private:
  HardwareErrorRegisterChecker channels_[kChannelCount];
  HardwareErrorRegisterChecker* channelTable_[kChannelCount];
  HardwareErrorRegisterChecker noChannel_;
  HardwareErrorRegisterChecker allChannels_;
};

}  // namespace vorlan_driver
