// A channel's view of the isolated side: every address is placed inside the
// channel's register block and passed on to the channel's window. The window
// beneath serialises; this adds no lock of its own.
#pragma once

#include <stdint.h>

#include "framework/frontEndAccessors/ChannelBaseAddressCalculatorInterface.h"
#include "framework/frontEndAccessors/FrontEndAccessorInterface.h"

namespace voltarissharedsource {

class ChannelBasedFrontEndAccessor : public FrontEndAccessorInterface {
 public:
  ChannelBasedFrontEndAccessor(PhysicalChannelNumber channel, FrontEndAccessorInterface* inner,
                               const ChannelBaseAddressCalculatorInterface& calculator);
  ~ChannelBasedFrontEndAccessor() override {}

  void write32(uint32_t address, uint32_t value, nKIVAPALS100::tStatus& status) override;
  uint32_t read32(uint32_t address, nKIVAPALS100::tStatus& status) override;

  uint32_t getChannelPrefix() const { return channelPrefix_; }

 private:
  uint32_t channelPrefix_;
  FrontEndAccessorInterface* inner_;
};

}  // namespace voltarissharedsource
