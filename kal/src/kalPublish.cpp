// What the driver publishes to the layer: properties, device interfaces and
// the user-space add events. Handles are small counters, never pointers the
// driver could mistake for its own objects.
#include <mutex>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalPciState.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
std::mutex gMutex;
std::atomic<uint32_t> gFailPropertyNth{0};
std::atomic<uint32_t> gFailInterfaceNth{0};
std::vector<RegisteredProperty> gProperties;
std::vector<RegisteredInterface> gInterfaces;
std::vector<void*> gAddEvents;
uint32_t gPropertyUnregistrations = 0;
uint32_t gInterfaceUnregistrations = 0;
uintptr_t gNextHandle = 0x1000;

void* nextHandle() {
  gNextHandle += 0x10;
  return reinterpret_cast<void*>(gNextHandle);
}

// Unknown handles are ignored, so a double unregistration shows up only in
// the count.
template <typename Registered>
void unregister(std::vector<Registered>& list, uint32_t& unregistrations, void* handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  ++unregistrations;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->handle == handle) {
      list.erase(it);
      return;
    }
  }
}
}  // namespace

void failPropertyRegistration(uint32_t nth) { gFailPropertyNth = nth; }
void failInterfaceRegistration(uint32_t nth) { gFailInterfaceNth = nth; }

std::vector<RegisteredProperty> registeredProperties() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gProperties;
}

uint32_t propertyUnregistrations() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gPropertyUnregistrations;
}

std::vector<RegisteredInterface> registeredInterfaces() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gInterfaces;
}

uint32_t interfaceUnregistrations() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gInterfaceUnregistrations;
}

std::vector<void*> userspaceAddEvents() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gAddEvents;
}

namespace detail {
void resetPublication() {
  std::lock_guard<std::mutex> lock(gMutex);
  gFailPropertyNth = 0;
  gFailInterfaceNth = 0;
  gProperties.clear();
  gInterfaces.clear();
  gAddEvents.clear();
  gPropertyUnregistrations = 0;
  gInterfaceUnregistrations = 0;
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

void* nKIVKAL200_registerProperty(int32_t scope, void* owner, const char* name, const void* value, int32_t size) {
  kalsim::HostAllocations hostAllocations;
  if (kalsim::detail::countDown(kalsim::gFailPropertyNth)) return nullptr;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  void* handle = kalsim::nextHandle();
  kalsim::gProperties.push_back({scope, owner, name != nullptr ? name : "", value, size, handle});
  return handle;
}

void nKIVKAL200_unregisterProperty(void* propertyHandle) {
  kalsim::unregister(kalsim::gProperties, kalsim::gPropertyUnregistrations, propertyHandle);
}

void* nKIVKAL240_registerDeviceInterface(void* driverHandle, void* layerDevice, const char* name, uint32_t index,
                                         void* interfaceObject) {
  kalsim::HostAllocations hostAllocations;
  if (kalsim::detail::countDown(kalsim::gFailInterfaceNth)) return nullptr;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  void* handle = kalsim::nextHandle();
  kalsim::gInterfaces.push_back(
      {driverHandle, layerDevice, name != nullptr ? name : "", index, interfaceObject, handle});
  return handle;
}

void nKIVKAL200_unregisterDeviceInterface(void* interfaceHandle) {
  kalsim::unregister(kalsim::gInterfaces, kalsim::gInterfaceUnregistrations, interfaceHandle);
}

int32_t nKIVKAL240_notifyUserspaceAddEvent(void* interfaceHandle) {
  kalsim::HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  kalsim::gAddEvents.push_back(interfaceHandle);
  return 0;
}

}  // extern "C"
