// The device core bound to the kernel layer: the layer's view of the device,
// its bus properties and the publication of the three property lists.
#pragma once

#include <stdint.h>

#include "platform/device/tDeviceCore.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tProperty;

class tDevice : public tDeviceCore {
 public:
  enum tPropertyScope : int32_t {
    kPropertyScopeDevice = 0,
    kPropertyScopeBus = 1,
    kPropertyScopeInterface = 2,
  };

  explicit tDevice(nKIVAPALS100::tStatus& status) : tDeviceCore(status), layerView_(nullptr) {}

  virtual void buildBusProperties() = 0;
  virtual tProperty** getBusProperties() = 0;

  // The layer's handle of this device: the second word of the layer view.
  void* getLayerDeviceHandle() const;

  // Schedules a deferred-call object whose second word is its layer handle.
  static void scheduleDPC(void* deferredCall);

  // Registers every property of a null-terminated list; a refusal
  // unregisters the ones this call registered and sets -52003.
  static void registerPropertyList(int32_t scope, void* owner, tProperty** list, nKIVAPALS100::tStatus& status);
  static void unregisterPropertyList(tProperty** list);

  static void registerBusProperties(tDevice& device, nKIVAPALS100::tStatus& status);
  static void registerDeviceProperties(tDevice& device, nKIVAPALS100::tStatus& status);
  static void registerInterfaceProperties(tDevice& device, nKIVAPALS100::tStatus& status);
  static void unregisterInterfaceProperties(tDevice& device);
  static void unregisterDeviceProperties(tDevice& device);
  static void unregisterBusProperties(tDevice& device);

 protected:
  void setLayerView(const void* view) { layerView_ = static_cast<const uint64_t*>(view); }

 private:
  const uint64_t* layerView_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
