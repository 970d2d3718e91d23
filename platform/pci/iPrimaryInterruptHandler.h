// The routine the PCI device's trampoline calls in interrupt context.
#pragma once

namespace vorlan_driver {
namespace nKIVAPAL000 {

class iPrimaryInterruptHandler {
 public:
  virtual ~iPrimaryInterruptHandler() {}
  // True when the interrupt came from this device. Runs in interrupt
  // context: no blocking, no driver mutex.
  virtual bool handlePrimaryInterrupt() = 0;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
