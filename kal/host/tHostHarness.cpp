#include "kal/host/tHostHarness.h"

#include "kal/include/kalStandIn.h"

#include <cstring>

namespace kalsim {

tHostHarness::tHostHarness() : record_(kRecordSize, kLayerPattern) {}

tHostHarness::~tHostHarness() {
  if (deviceAdded_) {
    removeDevice();
    deleteDevice();
  }
  if (loaded_) unload();
}

int32_t tHostHarness::load() {
  const int32_t result = nKIVAPAL200_driverEntry(record_.data());
  loaded_ = result >= 0;
  return result;
}

void tHostHarness::unload() {
  if (!loaded_) return;
  record().unload(this);
  loaded_ = false;
}

const vorlan_driver::nKIVAPAL000::tDriverRecordView& tHostHarness::record() const {
  return *reinterpret_cast<const vorlan_driver::nKIVAPAL000::tDriverRecordView*>(record_.data());
}

int32_t tHostHarness::addDevice(PciFunction& function) {
  device_ = kLayerDeviceHandle;
  const int32_t result = record().addDevice(function.record(), nullptr, &device_);
  deviceAdded_ = result >= 0 && device_ != 0;
  return result;
}

int32_t tHostHarness::addSimulatedBoard(void* bar0, uint64_t bar0Size, PciFunctionSetup setup) {
  const uint64_t physical = reinterpret_cast<uintptr_t>(bar0);
  mapPhysicalRangeTo(physical, bar0Size, bar0);
  setup.resources[0] = PciResource{physical, bar0Size, 1u << 1};
  return addDevice(addPciFunction(setup));
}

void tHostHarness::removeDevice() {
  if (device_ != 0) record().remove(reinterpret_cast<void*>(device_));
}

void tHostHarness::deleteDevice() {
  if (device_ != 0) record().deleteDevice(reinterpret_cast<void*>(device_));
  device_ = 0;
  deviceAdded_ = false;
}

int32_t tHostHarness::open(const std::string& interfaceName, void** session) {
  *session = nullptr;
  void* context = nullptr;
  {
    // The layer's own lookup: no allocation of the driver's.
    HostAllocations layer;
    for (const RegisteredInterface& interface : registeredInterfaces()) {
      if (interface.name == interfaceName) context = interface.interfaceObject;
    }
  }
  if (context == nullptr) return -51150;
  const int32_t result = record().open(nullptr, &context);
  if (result >= 0) *session = context;
  return result;
}

void tHostHarness::close(void* session) { record().close(session); }

int32_t tHostHarness::ioctl(void* session, uint32_t code, uint64_t argument) {
  return record().ioControl(session, code, argument);
}

int32_t tHostHarness::request(void* session, uint32_t code, const void* inbound, uint32_t inboundSize,
                              void* outbound, uint32_t outboundSize, uint32_t* bytesReturned) {
  vorlan_driver::nKIVAPAL000::tIOControlEnvelope envelope{};
  envelope.inboundPointer = reinterpret_cast<uintptr_t>(inbound);
  envelope.outboundPointer = reinterpret_cast<uintptr_t>(outbound);
  envelope.inboundSize = inboundSize;
  envelope.outboundSize = outboundSize;
  envelope.bytesReturned = bytesReturned != nullptr ? *bytesReturned : 0;
  const int32_t result = ioctl(session, code, reinterpret_cast<uintptr_t>(&envelope));
  if (bytesReturned != nullptr) *bytesReturned = envelope.bytesReturned;
  return result;
}

int32_t tHostHarness::read(void* session, void* buffer, uint64_t count, uint64_t* transferred) {
  return record().read(session, buffer, count, 0, transferred);
}

int32_t tHostHarness::write(void* session, void* buffer, uint64_t count, uint64_t* transferred) {
  return record().write(session, buffer, count, 0, transferred);
}

int32_t tHostHarness::mmap(void* session, uint16_t word, void* mapHandle, int32_t* made, void** mapObject) {
  return record().mapMemory(session, word, mapHandle, made, mapObject);
}

void tHostHarness::munmap(void* mapObject) { record().unmapMemory(mapObject); }

}  // namespace kalsim
