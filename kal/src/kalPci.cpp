// PCI side of the stand-in: simulated functions with a configuration space,
// bridges for the bus enumeration, MSI, DMA masks, interrupt reservation,
// deferred calls and kernel mappings of physical ranges.
//
// Deferred calls are queued, never run inside scheduleDPC: a real layer runs
// them after the interrupt routine has returned, and running them inline
// would nest them inside whatever lock the routine holds.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalPciState.h"
#include "kal/src/kalState.h"

namespace kalsim {

// Reaches the private state of a function from the layer's entry points.
struct PciAccess {
  static PciFunction* fromHandle(void* handle) { return static_cast<PciFunction*>(handle); }
  static PciFunction* fromRecord(void* record) {
    return fromHandle(reinterpret_cast<void*>(static_cast<vorlan_driver::nKIVAPAL000::tKalPCIRecord*>(record)->functionHandle));
  }
  static bool& failReads(PciFunction& f) { return f.failReads_; }
  static bool& failWrites(PciFunction& f) { return f.failWrites_; }
  static uint32_t& configWrites(PciFunction& f) { return f.configWrites_; }
  static std::array<uint8_t, 256>& config(PciFunction& f) { return f.config_; }
  static PciFunctionSetup& setup(PciFunction& f) { return f.setup_; }
  static bool refuse64(PciFunction& f) { return f.refuse64_; }
  static bool refuse32(PciFunction& f) { return f.refuse32_; }
  static void recordMask(PciFunction& f, uint64_t mask, bool accepted) {
    f.masks_.push_back(mask);
    if (accepted) f.mask_ = mask;
  }
  static uint32_t& msiRequests(PciFunction& f) { return f.msiRequests_; }
};

namespace {

constexpr int32_t kConfigFailure = -51202;
constexpr uint8_t kStatusRegister = 0x06;
constexpr uint16_t kStatusCapabilityList = 1u << 4;
constexpr uint8_t kCapabilityPointer = 0x34;
constexpr uint8_t kPowerManagementID = 0x01;
constexpr uint8_t kExpressID = 0x10;

std::mutex gPciMutex;
std::vector<std::unique_ptr<PciFunction>> gFunctions;
std::vector<PciBridge> gBridges;
uint32_t gEnumerations = 0;

struct Reservation {
  uint32_t interrupt;
  const nKIVKAL_tInterruptCallback* pair;
  nKIVKAL_tInterruptCallback callback;
  std::string component;
  uint32_t flags;
};
std::vector<Reservation> gReservations;
int32_t gReserveResult = 0;
uint32_t gRelinquishCalls = 0;
thread_local bool tInInterrupt = false;

struct Dpc {
  void (*routine)(void*);
  void* argument;
  bool queued;
  bool running;
};
// Deferred calls never run concurrently with themselves: a runner skips a
// call that is running elsewhere (that runner picks it up again), and
// destroyDPC waits until a running one has returned.
std::condition_variable gDpcIdle;
// Interrupt routines run one at a time; relinquish waits for a running one.
std::mutex gInterruptLine;
std::vector<const nKIVKAL_tInterruptCallback*> gRunningHandlers;
std::condition_variable gHandlerIdle;
std::deque<Dpc*> gDpcQueue;
std::atomic<uint64_t> gLiveDpcs{0};

std::atomic<uint32_t> gFailMappingNth{0};
std::vector<KernelMapping> gMappings;

// Physical ranges that map onto memory someone else owns (a simulated
// board's BAR): mapping them hands out that memory, unmapping frees nothing.
struct PhysicalRange {
  uint64_t physical;
  uint64_t length;
  void* address;
};
std::vector<PhysicalRange> gPhysicalRanges;
std::vector<void*> gBorrowedMappings;

}  // namespace

void PciFunction::setConfigWord(uint32_t offset, uint16_t value) {
  config_[offset & 0xFF] = static_cast<uint8_t>(value);
  config_[(offset + 1) & 0xFF] = static_cast<uint8_t>(value >> 8);
}

void PciFunction::removeCapabilityList() {
  setConfigWord(kStatusRegister, 0);
  config_[kCapabilityPointer] = 0;
}

void PciFunction::makeCapabilityListCyclic() {
  uint8_t offset = config_[kCapabilityPointer];
  const uint8_t first = offset;
  for (int guard = 0; offset != 0 && guard < 64; ++guard) {
    const uint8_t next = config_[offset + 1];
    if (next == 0) {
      config_[offset + 1] = first;
      return;
    }
    offset = next;
  }
}

PciFunction::PciFunction(const PciFunctionSetup& setup) : setup_(setup), record_() {
  record_.functionHandle = reinterpret_cast<uint64_t>(this);
  record_.bus = setup.bus;
  record_.device = setup.device;
  record_.function = setup.function;
  record_.vendorID = setup.vendorID;
  record_.deviceID = setup.deviceID;
  record_.subsystemVendorID = setup.subsystemVendorID;
  record_.subsystemID = setup.subsystemID;
  record_.revision = setup.revision;
  record_.hasLineInterrupt = setup.hasLineInterrupt ? 1 : 0;
  record_.interrupt = setup.hasLineInterrupt ? setup.lineInterrupt : 0;
  for (uint32_t i = 0; i < 6; ++i) {
    record_.resources[i].start = setup.resources[i].start;
    record_.resources[i].length = setup.resources[i].length;
    record_.resources[i].flags = setup.resources[i].flags;
  }
  setConfigWord(0x00, setup.vendorID);
  setConfigWord(0x02, setup.deviceID);
  setConfigWord(kStatusRegister, kStatusCapabilityList);
  config_[0x08] = static_cast<uint8_t>(setup.revision);
  setConfigWord(0x2C, setup.subsystemVendorID);
  setConfigWord(0x2E, setup.subsystemID);
  config_[kCapabilityPointer] = kFirstCapabilityOffset;
  config_[kFirstCapabilityOffset] = kPowerManagementID;
  config_[kFirstCapabilityOffset + 1] = setup.pciExpress ? kExpressCapabilityOffset : 0;
  if (setup.pciExpress) {
    config_[kExpressCapabilityOffset] = kExpressID;
    config_[kExpressCapabilityOffset + 1] = 0;
    setConfigWord(kExpressCapabilityOffset + 12, setup.linkCapabilities);
    setConfigWord(kExpressCapabilityOffset + 18, setup.linkStatus);
  }
}

PciFunction& addPciFunction(const PciFunctionSetup& setup) {
  HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(gPciMutex);
  gFunctions.emplace_back(new PciFunction(setup));
  return *gFunctions.back();
}

void addPciBridge(const PciBridge& bridge) {
  HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(gPciMutex);
  gBridges.push_back(bridge);
}

uint32_t busEnumerations() {
  std::lock_guard<std::mutex> lock(gPciMutex);
  return gEnumerations;
}

void setReserveInterruptResult(int32_t code) {
  std::lock_guard<std::mutex> lock(gPciMutex);
  gReserveResult = code;
}

std::vector<ReservedInterrupt> reservedInterrupts() {
  std::lock_guard<std::mutex> lock(gPciMutex);
  std::vector<ReservedInterrupt> out;
  for (const Reservation& r : gReservations) out.push_back({r.interrupt, r.component, r.flags});
  return out;
}

uint32_t relinquishCalls() {
  std::lock_guard<std::mutex> lock(gPciMutex);
  return gRelinquishCalls;
}

bool inInterruptContext() { return tInInterrupt; }

uint32_t pendingDPCs() {
  std::lock_guard<std::mutex> lock(gPciMutex);
  return static_cast<uint32_t>(gDpcQueue.size());
}

uint32_t runPendingDPCs() {
  uint32_t ran = 0;
  for (;;) {
    Dpc* dpc = nullptr;
    {
      std::lock_guard<std::mutex> lock(gPciMutex);
      auto next = std::find_if(gDpcQueue.begin(), gDpcQueue.end(), [](const Dpc* d) { return !d->running; });
      if (next == gDpcQueue.end()) return ran;
      dpc = *next;
      gDpcQueue.erase(next);
      dpc->queued = false;
      dpc->running = true;
    }
    dpc->routine(dpc->argument);
    {
      std::lock_guard<std::mutex> lock(gPciMutex);
      dpc->running = false;
    }
    gDpcIdle.notify_all();
    ++ran;
  }
}

uint64_t liveDPCs() { return gLiveDpcs.load(); }

int32_t raiseInterrupt(uint32_t interrupt) {
  nKIVKAL_tInterruptCallback callback{nullptr, nullptr};
  const nKIVKAL_tInterruptCallback* pair = nullptr;
  {
    std::lock_guard<std::mutex> lock(gPciMutex);
    for (const Reservation& r : gReservations) {
      if (r.interrupt == interrupt) {
        callback = r.callback;
        pair = r.pair;
      }
    }
    if (callback.function == nullptr) return -1;
    gRunningHandlers.push_back(pair);
  }
  int32_t answer = 0;
  std::thread line([&] {
    {
      std::lock_guard<std::mutex> serial(gInterruptLine);
      tInInterrupt = true;
      answer = callback.function(callback.context);
      tInInterrupt = false;
    }
    {
      std::lock_guard<std::mutex> lock(gPciMutex);
      gRunningHandlers.erase(std::find(gRunningHandlers.begin(), gRunningHandlers.end(), pair));
    }
    gHandlerIdle.notify_all();
    runPendingDPCs();
  });
  line.join();
  return answer;
}

void failKernelMapping(uint32_t nth) { gFailMappingNth = nth; }

uint64_t liveKernelMappings() {
  std::lock_guard<std::mutex> lock(gPciMutex);
  return gMappings.size();
}

std::vector<KernelMapping> kernelMappings() {
  std::lock_guard<std::mutex> lock(gPciMutex);
  return gMappings;
}

void mapPhysicalRangeTo(uint64_t physical, uint64_t length, void* address) {
  HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(gPciMutex);
  gPhysicalRanges.push_back({physical, length, address});
}

namespace detail {

void resetPciFunctions() {
  std::lock_guard<std::mutex> lock(gPciMutex);
  gFunctions.clear();
  gBridges.clear();
  gEnumerations = 0;
  gReservations.clear();
  gReserveResult = 0;
  gRelinquishCalls = 0;
  // DPC objects belong to their creators; only the queue is dropped.
  for (Dpc* dpc : gDpcQueue) dpc->queued = false;
  gDpcQueue.clear();
  gFailMappingNth = 0;
  for (const KernelMapping& m : gMappings) {
    if (std::find(gBorrowedMappings.begin(), gBorrowedMappings.end(), m.address) == gBorrowedMappings.end()) {
      std::free(m.address);
    }
  }
  gMappings.clear();
  gPhysicalRanges.clear();
  gBorrowedMappings.clear();
}

void resetPci() {
  resetPciFunctions();
  resetPublication();
  resetSockets();
  resetUserMemMaps();
}

}  // namespace detail
}  // namespace kalsim

using kalsim::PciAccess;
using kalsim::PciFunction;

extern "C" {

int32_t nKIVKAL1_getDeviceNUMANode(void* pciRecord) {
  return PciAccess::setup(*PciAccess::fromRecord(pciRecord)).numaNode;
}

int32_t nKIVKAL230_pciRequestMSI(void* pciRecord, uint32_t vectors) {
  PciFunction& function = *PciAccess::fromRecord(pciRecord);
  ++PciAccess::msiRequests(function);
  const kalsim::PciFunctionSetup& setup = PciAccess::setup(function);
  if (!setup.grantMSI || vectors != 1) return -51300;
  static_cast<vorlan_driver::nKIVAPAL000::tKalPCIRecord*>(pciRecord)->interrupt = setup.msiVector;
  return 0;
}

namespace {

int32_t configRead(void* handle, uint32_t offset, void* value, uint32_t size) {
  PciFunction& function = *PciAccess::fromHandle(handle);
  // Written so that an offset near the top of 32 bits cannot wrap past the check.
  if (PciAccess::failReads(function) || offset > 256 - size) return kalsim::kConfigFailure;
  std::memcpy(value, PciAccess::config(function).data() + offset, size);
  return 0;
}

}  // namespace

int32_t nKIVKAL100_pciConfigRead8(void* pciFunction, uint32_t offset, uint8_t* value) {
  return configRead(pciFunction, offset, value, 1);
}

int32_t nKIVKAL100_pciConfigRead16(void* pciFunction, uint32_t offset, uint16_t* value) {
  return configRead(pciFunction, offset, value, 2);
}

int32_t nKIVKAL100_pciConfigWrite16(void* pciFunction, uint32_t offset, uint16_t value) {
  PciFunction& function = *PciAccess::fromHandle(pciFunction);
  if (PciAccess::failWrites(function) || PciAccess::failReads(function) || offset > 256 - 2) {
    return kalsim::kConfigFailure;
  }
  ++PciAccess::configWrites(function);
  // The identifier words are read-only, as on the hardware.
  if (offset < 4) return 0;
  function.setConfigWord(offset, value);
  return 0;
}

int32_t nKIVKAL220_pciSetDMAMask(void* pciFunction, uint64_t mask) {
  // The record of masks asked for is the stand-in's, not the driver's.
  kalsim::HostAllocations hostAllocations;
  PciFunction& function = *PciAccess::fromHandle(pciFunction);
  const bool wide = mask > 0xFFFFFFFFull;
  const bool refused = wide ? PciAccess::refuse64(function) : PciAccess::refuse32(function);
  PciAccess::recordMask(function, mask, !refused);
  if (!refused) kalsim::detail::noteDeviceDmaMask(mask);
  return refused ? kalsim::kConfigFailure : 0;
}

int32_t nKIVKAL240_getPCIDomain(void* pciFunction) {
  return PciAccess::setup(*PciAccess::fromHandle(pciFunction)).domain;
}

// The callback receives (context, bridge record); a nonzero answer ends the walk.
int32_t nKIVKAL100_enumeratePCIBuses(nKIVKAL_tBridgeCallback callback, void* context, uint32_t) {
  kalsim::HostAllocations hostAllocations;
  std::vector<kalsim::PciBridge> bridges;
  {
    std::lock_guard<std::mutex> lock(kalsim::gPciMutex);
    ++kalsim::gEnumerations;
    bridges = kalsim::gBridges;
  }
  for (const kalsim::PciBridge& bridge : bridges) {
    vorlan_driver::nKIVAPAL000::tKalBridgeRecord record{};
    record.bus = bridge.bus;
    record.device = bridge.device;
    record.function = bridge.function;
    record.secondaryBus = bridge.secondaryBus;
    record.subordinateBus = bridge.subordinateBus;
    record.domain = bridge.domain;
    if (callback(context, &record) != 0) break;
  }
  return 0;
}

int32_t nKIVKAL1400_reserveInterrupt(uint32_t interrupt, nKIVKAL_tInterruptCallback* callback,
                                     const char* component, uint32_t flags) {
  kalsim::HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(kalsim::gPciMutex);
  if (kalsim::gReserveResult != 0) return kalsim::gReserveResult;
  if (callback == nullptr || callback->function == nullptr) return -51009;
  kalsim::gReservations.push_back({interrupt, callback, *callback, component != nullptr ? component : "", flags});
  return 0;
}

void nKIVKAL100_relinquishInterrupt(uint32_t interrupt, nKIVKAL_tInterruptCallback* callback) {
  kalsim::detail::noteRelease(kalsim::Release::kInterrupt);
  std::unique_lock<std::mutex> lock(kalsim::gPciMutex);
  ++kalsim::gRelinquishCalls;
  auto& list = kalsim::gReservations;
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const kalsim::Reservation& r) { return r.interrupt == interrupt && r.pair == callback; }),
             list.end());
  // Like synchronising the line: a routine already running finishes first.
  kalsim::gHandlerIdle.wait(lock, [&] {
    auto& running = kalsim::gRunningHandlers;
    return std::find(running.begin(), running.end(), callback) == running.end();
  });
}

void* nKIVKAL100_createDPC(void (*routine)(void* argument)) {
  kalsim::HostAllocations hostAllocations;
  if (routine == nullptr) return nullptr;
  ++kalsim::gLiveDpcs;
  return new kalsim::Dpc{routine, nullptr, false, false};
}

void nKIVKAL100_destroyDPC(void* dpc) {
  if (dpc == nullptr) return;
  kalsim::detail::noteRelease(kalsim::Release::kDeferredCall);
  {
    std::unique_lock<std::mutex> lock(kalsim::gPciMutex);
    kalsim::Dpc* call = static_cast<kalsim::Dpc*>(dpc);
    auto& queue = kalsim::gDpcQueue;
    queue.erase(std::remove(queue.begin(), queue.end(), call), queue.end());
    kalsim::gDpcIdle.wait(lock, [call] { return !call->running; });
  }
  --kalsim::gLiveDpcs;
  delete static_cast<kalsim::Dpc*>(dpc);
}

void nKIVKAL100_scheduleDPC(void* dpc, void* argument) {
  kalsim::HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(kalsim::gPciMutex);
  kalsim::Dpc* call = static_cast<kalsim::Dpc*>(dpc);
  if (call->queued) return;
  call->queued = true;
  call->argument = argument;
  kalsim::gDpcQueue.push_back(call);
}

void* nKIVKAL230_mapPhysicalToKernel(uint64_t physical, uint64_t length, uint32_t cacheMode) {
  kalsim::HostAllocations hostAllocations;
  if (length == 0 || kalsim::detail::countDown(kalsim::gFailMappingNth)) return nullptr;
  std::lock_guard<std::mutex> lock(kalsim::gPciMutex);
  for (const kalsim::PhysicalRange& range : kalsim::gPhysicalRanges) {
    if (physical >= range.physical && physical - range.physical < range.length &&
        length <= range.length - (physical - range.physical)) {
      void* address = static_cast<uint8_t*>(range.address) + (physical - range.physical);
      kalsim::gMappings.push_back({physical, length, cacheMode, address});
      kalsim::gBorrowedMappings.push_back(address);
      return address;
    }
  }
  void* address = std::calloc(1, length);
  if (address == nullptr) return nullptr;
  kalsim::gMappings.push_back({physical, length, cacheMode, address});
  return address;
}

void nKIVKAL230_unmapPhysicalFromKernel(void* address, uint32_t) {
  std::lock_guard<std::mutex> lock(kalsim::gPciMutex);
  auto& list = kalsim::gMappings;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->address == address) {
      auto& borrowed = kalsim::gBorrowedMappings;
      auto lent = std::find(borrowed.begin(), borrowed.end(), address);
      if (lent != borrowed.end()) {
        borrowed.erase(lent);
      } else {
        std::free(address);
      }
      list.erase(it);
      return;
    }
  }
}

}  // extern "C"
