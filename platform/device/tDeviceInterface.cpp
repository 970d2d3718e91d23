#include "platform/device/tDeviceInterface.h"

#include "platform/device/tDeviceCore.h"
#include "platform/memory/tUserBuffer.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

uint64_t tDeviceInterface::decodeIOControl(const tEventDescriptor& descriptor, uint32_t code, uint64_t inboundPointer,
                                           uint32_t inboundSize, uint64_t outboundPointer, uint32_t outboundSize,
                                           nKIVAPALS100::tStatus& status) {
  tUserBuffer inbound(&descriptor, inboundPointer, inboundSize);
  tUserBuffer outbound(&descriptor, outboundPointer, outboundSize);
  return device_->ioControl(descriptor, code, inbound, outbound, status);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
