#include "framework/frontEndAccessors/ChannelBasedFrontEndAccessor.h"

namespace voltarissharedsource {

ChannelBasedFrontEndAccessor::ChannelBasedFrontEndAccessor(PhysicalChannelNumber channel,
                                                           FrontEndAccessorInterface* inner,
                                                           const ChannelBaseAddressCalculatorInterface& calculator)
    : channelPrefix_(calculator.calculate(channel)), inner_(inner) {}

void ChannelBasedFrontEndAccessor::write32(uint32_t address, uint32_t value, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  inner_->write32(address | channelPrefix_, value, status);
}

uint32_t ChannelBasedFrontEndAccessor::read32(uint32_t address, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return 0xFFFFFFFFu;
  return inner_->read32(address | channelPrefix_, status);
}

}  // namespace voltarissharedsource
