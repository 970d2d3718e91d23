// Test controls of the stand-in's PCI side: simulated PCI functions with
// their configuration space, bridges, interrupts and deferred calls, the
// registrations the driver publishes (properties, device interfaces, add
// events), kernel sockets, kernel mappings of physical ranges and user
// memory maps. kalsim::reset() returns all of it to a fresh layer.
#pragma once

#include <stdint.h>

#include <array>
#include <string>
#include <vector>

#include "kal/include/tKalBridgeRecord.h"
#include "kal/include/tKalPCIRecord.h"

namespace kalsim {

// ---- PCI functions
struct PciResource {
  uint64_t start = 0;
  uint64_t length = 0;
  uint32_t flags = 0;  // bit 0 I/O space, bit 1 memory space
};

struct PciFunctionSetup {
  uint16_t bus = 1;
  uint16_t device = 0;
  uint16_t function = 0;
  uint16_t vendorID = 0xF0E1;
  uint16_t deviceID = 0x7A31;
  uint16_t subsystemVendorID = 0xF0E1;
  uint16_t subsystemID = 0x7A01;
  uint16_t revision = 2;
  bool hasLineInterrupt = true;
  uint32_t lineInterrupt = 11;
  bool grantMSI = true;
  uint32_t msiVector = 40;
  int32_t numaNode = 0;
  int32_t domain = 0;
  std::array<PciResource, 6> resources{};
  // A PCI Express capability in the list; the link registers as given.
  bool pciExpress = true;
  uint16_t linkCapabilities = 0x0083;  // 8 lanes, 8 GT/s
  uint16_t linkStatus = 0x0043;        // 4 lanes, 8 GT/s
};

// Where the default configuration space keeps its capability list: a power
// management capability at 0x40, then (with pciExpress) PCI Express at 0x60.
constexpr uint8_t kFirstCapabilityOffset = 0x40;
constexpr uint8_t kExpressCapabilityOffset = 0x60;

class PciFunction;

// Creates a function; the returned object lives until kalsim::reset().
PciFunction& addPciFunction(const PciFunctionSetup& setup = PciFunctionSetup());

class PciFunction {
 public:
  // The record the layer hands to the add-device callback.
  vorlan_driver::nKIVAPAL000::tKalPCIRecord* record() { return &record_; }
  // The handle stored at record offset 0.
  void* handle() { return this; }
  const PciFunctionSetup& setup() const { return setup_; }

  // Raw configuration space (256 bytes).
  uint8_t configByte(uint32_t offset) const { return config_[offset & 0xFF]; }
  void setConfigByte(uint32_t offset, uint8_t value) { config_[offset & 0xFF] = value; }
  void setConfigWord(uint32_t offset, uint16_t value);
  // Clears the capability-list bit of the Status register and the pointer.
  void removeCapabilityList();
  // Points the last capability of the list back at the first.
  void makeCapabilityListCyclic();
  // Every configuration read (and write) from now on fails with -51202.
  void failConfigReads(bool fail) { failReads_ = fail; }
  void failConfigWrites(bool fail) { failWrites_ = fail; }
  uint32_t configWrites() const { return configWrites_; }

  // DMA masks: a refused mask answers -51202; masks set are recorded.
  void refuseDMAMask64(bool refuse) { refuse64_ = refuse; }
  void refuseDMAMask32(bool refuse) { refuse32_ = refuse; }
  const std::vector<uint64_t>& dmaMasksRequested() const { return masks_; }
  uint64_t dmaMask() const { return mask_; }

  uint32_t msiRequests() const { return msiRequests_; }

 private:
  friend struct PciAccess;
  friend PciFunction& addPciFunction(const PciFunctionSetup& setup);
  explicit PciFunction(const PciFunctionSetup& setup);

  PciFunctionSetup setup_;
  vorlan_driver::nKIVAPAL000::tKalPCIRecord record_;
  std::array<uint8_t, 256> config_{};
  bool failReads_ = false;
  bool failWrites_ = false;
  uint32_t configWrites_ = 0;
  bool refuse64_ = false;
  bool refuse32_ = false;
  std::vector<uint64_t> masks_;
  uint64_t mask_ = 0;
  uint32_t msiRequests_ = 0;
};

// ---- bus enumeration: bridges in the order the layer reports them
struct PciBridge {
  uint16_t bus = 0;
  uint16_t device = 0;
  uint16_t function = 0;
  uint16_t secondaryBus = 0;
  uint16_t subordinateBus = 0;
  uint16_t domain = 0;
};
void addPciBridge(const PciBridge& bridge);
uint32_t busEnumerations();

// ---- interrupts
struct ReservedInterrupt {
  uint32_t interrupt;
  std::string component;
  uint32_t flags;
};
// A refused reservation answers this kernel-layer code (0 disarms).
void setReserveInterruptResult(int32_t code);
std::vector<ReservedInterrupt> reservedInterrupts();
uint32_t relinquishCalls();
// Calls the routine reserved for the interrupt from a thread of its own that
// is flagged as interrupt context, then runs the deferred calls scheduled
// meanwhile on that thread at deferred-call level. Returns the routine's
// answer, or -1 when nothing is reserved for the interrupt. Routines run one
// at a time, however many threads raise; relinquishing waits for a running
// one to return.
int32_t raiseInterrupt(uint32_t interrupt);
// True on a thread the stand-in runs as interrupt context.
bool inInterruptContext();

// ---- deferred procedure calls: queued when scheduled, run by
// raiseInterrupt() after the routine returns or by runPendingDPCs(). A call
// scheduled while it runs runs again afterwards, never beside itself;
// destroying one waits for a running one.
uint32_t pendingDPCs();
uint32_t runPendingDPCs();
uint64_t liveDPCs();

// ---- kernel mappings of physical ranges. Unknown ranges map to fresh
// zeroed memory of the range's length.
void failKernelMapping(uint32_t nth);
uint64_t liveKernelMappings();
struct KernelMapping {
  uint64_t physical;
  uint64_t length;
  uint32_t cacheMode;
  void* address;
};
std::vector<KernelMapping> kernelMappings();
// From now on, mapping a physical range inside [physical, physical + length)
// hands out the memory at `address` (a simulated board's BAR) instead of
// fresh memory; unmapping it frees nothing.
void mapPhysicalRangeTo(uint64_t physical, uint64_t length, void* address);

// ---- registrations
struct RegisteredProperty {
  int32_t scope;
  void* owner;
  std::string name;
  const void* value;
  int32_t size;
  void* handle;
};
// The Nth property registration from now on fails (1 = next); 0 disarms.
void failPropertyRegistration(uint32_t nth);
// Properties currently registered, in registration order.
std::vector<RegisteredProperty> registeredProperties();
uint32_t propertyUnregistrations();

struct RegisteredInterface {
  void* driver;
  void* layerDevice;
  std::string name;
  uint32_t index;
  void* interfaceObject;
  void* handle;
};
void failInterfaceRegistration(uint32_t nth);
std::vector<RegisteredInterface> registeredInterfaces();
uint32_t interfaceUnregistrations();
// Interface handles announced to user space, in order.
std::vector<void*> userspaceAddEvents();

// ---- kernel sockets. A send takes over the buffer only on success.
struct SocketMessage {
  uint32_t port;
  uint32_t type;
  std::array<uint8_t, 48> bytes;
};
void failSocketBufferCreation(uint32_t nth);
// The Nth send from now on fails with the code (1 = next).
void failSocketSend(uint32_t nth, int32_t code = -51202);
std::vector<SocketMessage> socketMessages();
uint64_t liveSocketBuffers();

// ---- user memory maps, as the layer hands them to the mmap callback
void* createUserMemMap(uint64_t size, void* address, uint32_t accessMode);
struct UserMemMapCall {
  void* map;
  bool physical;
  void* pageList;
  uint64_t firstPageOrOffset;
  uint64_t pageCountOrPhysical;
  uint32_t cached;
};
std::vector<UserMemMapCall> userMemMapCalls();
void setUserMemMapResult(int32_t code);

}  // namespace kalsim
