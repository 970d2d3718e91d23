// Plays the kernel layer's side of the driver: owns a driver record, calls
// the entry routine and then reaches the driver only through the callbacks
// the driver stored in that record, as the real layer does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kal/include/kalPci.h"
#include "kal/include/tDriverRecord.h"
#include "kal/include/tIOControlEnvelope.h"

namespace kalsim {

class tHostHarness {
 public:
  // The layer's record is larger than the part the driver fills.
  static constexpr size_t kRecordSize = 192;
  static constexpr uint8_t kLayerPattern = 0xA5;
  // What the layer would hold as its own handle of the added device.
  static constexpr uint64_t kLayerDeviceHandle = 0x1A7E0000;

  tHostHarness();
  // Removes and deletes a device still added, then unloads.
  ~tHostHarness();

  int32_t load();
  void unload();
  bool isLoaded() const { return loaded_; }

  const vorlan_driver::nKIVAPAL000::tDriverRecordView& record() const;
  const uint8_t* recordBytes() const { return record_.data(); }

  // ---- one device at a time
  // Offers the function to the add-device callback; the device word is the
  // context the callback left (0 after a failure).
  int32_t addDevice(PciFunction& function);
  // A PCI function with BAR 0 = the simulated board's range: the kernel
  // mapping of that range is the board's own memory.
  int32_t addSimulatedBoard(void* bar0, uint64_t bar0Size, PciFunctionSetup setup = PciFunctionSetup());
  void removeDevice();
  void deleteDevice();
  uint64_t deviceWord() const { return device_; }

  // ---- sessions, through the interface object the layer got at registration
  // 0 and the session, or the open's result and null.
  int32_t open(const std::string& interfaceName, void** session);
  void close(void* session);
  int32_t ioctl(void* session, uint32_t code, uint64_t argument);
  // One request through a 32-byte envelope in "user" memory; the envelope's
  // bytes-returned word as the call left it.
  int32_t request(void* session, uint32_t code, const void* inbound, uint32_t inboundSize, void* outbound,
                  uint32_t outboundSize, uint32_t* bytesReturned);
  int32_t read(void* session, void* buffer, uint64_t count, uint64_t* transferred);
  int32_t write(void* session, void* buffer, uint64_t count, uint64_t* transferred);
  int32_t mmap(void* session, uint16_t word, void* mapHandle, int32_t* made, void** mapObject);
  void munmap(void* mapObject);

 private:
  std::vector<uint8_t> record_;
  bool loaded_ = false;
  uint64_t device_ = 0;
  bool deviceAdded_ = false;
};

}  // namespace kalsim
