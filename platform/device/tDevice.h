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
  // Last registered first; interfaces never registered are skipped.
  static void unregisterDeviceInterfaces(tDevice& device);

  // ---- the kernel layer's device callbacks (the driver record points here)
  // The context word holds the interface on entry and the session on success.
  static int32_t kalOpen(void* unused, void** context);
  static void kalClose(void* session);
  static int32_t kalRead(void* session, void* userBuffer, uint64_t count, uint64_t unused, uint64_t* transferred);
  static int32_t kalWrite(void* session, void* userBuffer, uint64_t count, uint64_t unused, uint64_t* transferred);
  static int32_t kalIOControl(void* session, uint32_t code, uint64_t argument);
  static int32_t kalMapMemory(void* session, uint16_t word, void* mapHandle, int32_t* made, void** mapObject);
  static void kalUnmapMemory(void* mapObject);
  // Also add device's rollback; a second call does nothing.
  static void removeDevice(void* device);
  static void kalDeleteDevice(void* device);

 protected:
  void setLayerView(const void* view) { layerView_ = static_cast<const uint64_t*>(view); }

 private:
  const uint64_t* layerView_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
