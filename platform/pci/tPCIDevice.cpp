#include "platform/pci/tPCIDevice.h"

#include "kal/include/nKIVKAL.h"
#include "platform/driver/kalStatus.h"
#include "platform/pci/iPrimaryInterruptHandler.h"
#include "kal/include/tKalBridgeRecord.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

constexpr uint8_t kStatusRegister = 0x06;
constexpr uint16_t kStatusCapabilityList = 1u << 4;
constexpr uint8_t kCapabilityPointer = 0x34;
// No real function has more capabilities than this; a longer walk is a
// broken or cyclic list.
constexpr uint32_t kMaxCapabilities = 48;
constexpr uint8_t kFallbackProbeOffset = 0x00;
constexpr uint16_t kFallbackProbeValue = 0x5A5A;
constexpr uint8_t kFallbackPointerOffset = 0x0F;
constexpr uint8_t kFallbackLowestOffset = 0x3F;
constexpr uint8_t kLinkCapabilities = 12;
constexpr uint8_t kLinkStatus = 18;

constexpr uint32_t kBusTypePCI = 0x20706369;      // " pci"
constexpr uint32_t kBusSubTypeExpress = 0x70636965;  // "pcie"

constexpr uint32_t kInterruptFlagShared = 1u << 0;

enum tPropertyIndex : uint32_t {
  kBusType,
  kBusSubType,
  kBusNumber,
  kDeviceNumber,
  kFunctionNumber,
  kVendorID,
  kDeviceID,
  kSubsystemVendorID,
  kSubsystemID,
  kRevision,
  kNumaNode,
  kSlotPath,
  kMaxLinkWidth,
  kLinkWidth,
  kMaxTransferRate,
  kTransferRate,
};

const char* const kPropertyNames[tPCIDevice::kPropertyCount] = {
    "busType",        "busSubType",       "pciBusNumber",         "pciDeviceNumber",
    "pciFunctionNumber", "pciVendorID",   "pciDeviceID",          "pciSubsystemVendorID",
    "pciSubsystemID", "pciRevision",      "numaNode",             "pciSlotPath",
    "pcieMaxLinkWidth", "pcieLinkWidth",  "pcieMaxTransferRate",  "pcieTransferRate",
};

void* functionHandle(const tPCIDescription& description) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(description.pciFunctionHandle));
}

uint8_t deviceAndFunction(uint32_t device, uint32_t function) {
  return static_cast<uint8_t>(device * 8 + function % 8);
}

// The walk over the layer's bridges that finds the hops down to one bus.
struct tSlotPathSearch {
  static constexpr uint32_t kMaxHops = 256;

  uint32_t targetBus;
  uint32_t domain;
  uint32_t rootBusIndex;
  uint32_t highestSubordinate;
  uint8_t hops[kMaxHops];
  uint32_t hopCount;
  bool done;

  static int32_t visit(void* context, const void* record) {
    tSlotPathSearch& search = *static_cast<tSlotPathSearch*>(context);
    const tKalBridgeRecord& bridge = *static_cast<const tKalBridgeRecord*>(record);
    if (search.done || bridge.domain != search.domain) return 0;
    if (search.highestSubordinate != 0 && bridge.bus >= search.highestSubordinate) ++search.rootBusIndex;
    if (bridge.subordinateBus > search.highestSubordinate) search.highestSubordinate = bridge.subordinateBus;
    if (bridge.secondaryBus <= search.targetBus && search.targetBus <= bridge.subordinateBus) {
      // A bridge table that never reaches the target stops adding hops
      // once the list is full instead of writing past it.
      if (search.hopCount < kMaxHops) search.hops[search.hopCount++] = deviceAndFunction(bridge.device, bridge.function);
      if (bridge.secondaryBus == search.targetBus) search.done = true;
    }
    return 0;
  }
};

}  // namespace

tPCIDevice::tPCIDevice(const tPCIDescription& description, nKIVAPALS100::tStatus& status)
    : tDevice(status),
      description_(description),
      propertyCount_(0),
      interruptLock_(nullptr),
      savedInterruptState_(0),
      handler_(nullptr),
      slotPath_() {
  for (uint32_t i = 0; i < kPropertyCount; ++i) {
    const tProperty::tKind kind =
        i == kNumaNode ? tProperty::kKindInt32 : (i == kSlotPath ? tProperty::kKindString : tProperty::kKindUInt32);
    properties_[i] = tProperty("", kind);
    propertyList_[i] = nullptr;
  }
  propertyList_[kPropertyCount] = nullptr;
  description_.device = reinterpret_cast<uintptr_t>(this);
  setLayerView(&description_.device);
  buildSlotPath(status);
}

tPCIDevice::~tPCIDevice() {
  // A reservation that outlived its owner would call into a freed device.
  relinquishInterrupt();
  if (interruptLock_ != nullptr) nKIVKAL100_destroySpinLock(interruptLock_);
}

// ---- slot path and properties

void tPCIDevice::buildSlotPath(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  tSlotPathSearch search;
  search.targetBus = description_.bus;
  const int32_t domain = nKIVKAL240_getPCIDomain(functionHandle(description_));
  search.domain = domain < 0 ? 0 : static_cast<uint32_t>(domain);
  search.rootBusIndex = 0;
  search.highestSubordinate = 0;
  search.hopCount = 0;
  search.done = false;
  nKIVKAL100_enumeratePCIBuses(&tSlotPathSearch::visit, &search, 0);
  if (search.hopCount < tSlotPathSearch::kMaxHops) {
    search.hops[search.hopCount++] = deviceAndFunction(description_.deviceNumber, description_.functionNumber);
  }

  // Wide enough for domains beyond 16 bits, which some hosts number.
  char text[24];
  boundedFormat(text, sizeof(text), "%04X:%02X", search.domain, search.rootBusIndex);
  bool grown = slotPath_.append(text);
  for (uint32_t i = 0; grown && i < search.hopCount; ++i) {
    boundedFormat(text, sizeof(text), ":%02X", search.hops[i]);
    grown = slotPath_.append(text);
  }
  if (!grown) vorlanSetCode(status, statusCodes::kOutOfMemory);
}

void tPCIDevice::buildBusProperties() {
  const bool express = description_.pcieLinkWidth != 0;
  for (uint32_t i = 0; i < kPropertyCount; ++i) properties_[i].setName(kPropertyNames[i]);
  properties_[kBusType].setUInt32(kBusTypePCI);
  properties_[kBusSubType].setUInt32(express ? kBusSubTypeExpress : kBusTypePCI);
  properties_[kBusNumber].setUInt32(description_.bus);
  properties_[kDeviceNumber].setUInt32(description_.deviceNumber);
  properties_[kFunctionNumber].setUInt32(description_.functionNumber);
  properties_[kVendorID].setUInt32(description_.vendorID);
  properties_[kDeviceID].setUInt32(description_.deviceID);
  properties_[kSubsystemVendorID].setUInt32(description_.subsystemVendorID);
  properties_[kSubsystemID].setUInt32(description_.subsystemID);
  properties_[kRevision].setUInt32(description_.revision);
  properties_[kNumaNode].setInt32(description_.numaNode);
  properties_[kSlotPath].setString(slotPath_.getText());
  properties_[kMaxLinkWidth].setUInt32(description_.pcieMaxLinkWidth);
  properties_[kLinkWidth].setUInt32(description_.pcieLinkWidth);
  properties_[kMaxTransferRate].setUInt32(description_.pcieMaxLinkSpeed);
  properties_[kTransferRate].setUInt32(description_.pcieLinkSpeed);

  propertyCount_ = express ? kPropertyCount : kPlainPropertyCount;
  for (uint32_t i = 0; i <= kPropertyCount; ++i) propertyList_[i] = i < propertyCount_ ? &properties_[i] : nullptr;
}

// ---- configuration space

uint8_t tPCIDevice::findCapability(uint8_t capabilityID, const tPCIDescription& description,
                                   nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return 0;
  void* function = functionHandle(description);
  uint16_t statusRegister = 0;
  if (nKIVKAL100_pciConfigRead16(function, kStatusRegister, &statusRegister) != 0) {
    vorlanSetCode(status, statusCodes::kKernelLayerFailure);
    return 0;
  }
  if ((statusRegister & kStatusCapabilityList) != 0) {
    uint8_t offset = 0;
    if (nKIVKAL100_pciConfigRead8(function, kCapabilityPointer, &offset) != 0) {
      vorlanSetCode(status, statusCodes::kKernelLayerFailure);
      return 0;
    }
    for (uint32_t visited = 0; offset != 0 && visited < kMaxCapabilities; ++visited) {
      uint16_t entry = 0;
      if (nKIVKAL100_pciConfigRead16(function, offset, &entry) != 0) {
        vorlanSetCode(status, statusCodes::kKernelLayerFailure);
        return 0;
      }
      if (static_cast<uint8_t>(entry) == capabilityID) return offset;
      offset = static_cast<uint8_t>(entry >> 8);
    }
  }
  if (capabilityID == kCapabilityIDExpress) {
    // Functions that hide their list may still point at the PCI Express
    // capability from the byte at 0x0F.
    uint8_t pointer = 0;
    if (nKIVKAL100_pciConfigWrite16(function, kFallbackProbeOffset, kFallbackProbeValue) != 0 ||
        nKIVKAL100_pciConfigRead8(function, kFallbackPointerOffset, &pointer) != 0) {
      vorlanSetCode(status, statusCodes::kKernelLayerFailure);
      return 0;
    }
    const uint8_t offset = static_cast<uint8_t>(pointer * 4);
    if (offset > kFallbackLowestOffset) {
      uint8_t identifier = 0;
      if (nKIVKAL100_pciConfigRead8(function, offset, &identifier) != 0) {
        vorlanSetCode(status, statusCodes::kKernelLayerFailure);
        return 0;
      }
      if (identifier == kCapabilityIDExpress) return offset;
    }
  }
  vorlanSetCode(status, statusCodes::kNotFound);
  return 0;
}

void tPCIDevice::readLinkRegister(uint32_t offset, uint8_t* speed, uint8_t* width, nKIVAPALS100::tStatus& status) {
  uint16_t value = 0;
  if (nKIVKAL100_pciConfigRead16(functionHandle(description_), offset, &value) != 0) {
    vorlanSetCode(status, statusCodes::kKernelLayerFailure);
    value = 0;
  }
  *speed = static_cast<uint8_t>(value & 0xF);
  *width = static_cast<uint8_t>((value >> 4) & 0x3F);
}

void tPCIDevice::refreshBusInformation(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  description_.pcieMaxLinkSpeed = 0;
  description_.pcieMaxLinkWidth = 0;
  description_.pcieLinkSpeed = 0;
  description_.pcieLinkWidth = 0;
  // A function without the capability is plain PCI, not a failure.
  nKIVAPALS100::tStatus searchStatus;
  const uint8_t capability = findCapability(kCapabilityIDExpress, description_, searchStatus);
  if (capability == 0 || searchStatus.isFatal()) return;
  // Offsets past the end of the space are refused by the layer rather
  // than wrapped back into the header.
  const uint32_t base = capability;
  readLinkRegister(base + kLinkCapabilities, &description_.pcieMaxLinkSpeed, &description_.pcieMaxLinkWidth, status);
  readLinkRegister(base + kLinkStatus, &description_.pcieLinkSpeed, &description_.pcieLinkWidth, status);
}

// ---- BARs and DMA

void* tPCIDevice::mapBARToKernel(uint8_t memoryBarIndex, nKIVAPALS100::tStatus& status, uint32_t cacheMode) {
  if (status.isFatal()) return nullptr;
  if (memoryBarIndex >= description_.memoryBarCount || memoryBarIndex >= tPCIDescription::kMaxBars) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return nullptr;
  }
  const tPCIBarRange& bar = description_.memoryBars[memoryBarIndex];
  void* address = nKIVKAL230_mapPhysicalToKernel(bar.start, bar.length, cacheMode == 1 ? 1u : 0u);
  if (address == nullptr) vorlanSetCode(status, statusCodes::kOutOfMemory);
  return address;
}

void tPCIDevice::unmapFromKernel(void* address, uint32_t cacheMode) {
  if (address == nullptr) return;
  nKIVKAL230_unmapPhysicalFromKernel(address, cacheMode == 1 ? 1u : 0u);
}

void tPCIDevice::configureDMA(tDMAConfiguration::tDMAType type, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  void* function = functionHandle(description_);
  if (type == tDMAConfiguration::kDMAType64Bit) {
    if (nKIVKAL220_pciSetDMAMask(function, ~0ull) == 0) {
      dmaConfiguration().record(tDMAConfiguration::kDMAType64Bit, &description_);
      return;
    }
  }
  kivTranslateKalStatus(nKIVKAL220_pciSetDMAMask(function, 0xFFFFFFFFull), status);
  if (status.isFatal()) return;
  dmaConfiguration().record(type == tDMAConfiguration::kDMAType64Bit ? tDMAConfiguration::kDMAType32Bit : type,
                            &description_);
}

// ---- interrupts

int32_t tPCIDevice::primaryTrampoline(void* context) {
  tPCIDevice* device = static_cast<tPCIDevice*>(context);
  iPrimaryInterruptHandler* handler = device->handler_;
  return handler != nullptr && handler->handlePrimaryInterrupt() ? 1 : 0;
}

int32_t tPCIDevice::lockedPrimaryTrampoline(void* context) {
  tPCIDevice* device = static_cast<tPCIDevice*>(context);
  const uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(device->interruptLock_);
  device->savedInterruptState_ = saved;
  const int32_t handled = primaryTrampoline(context);
  nKIVKAL110_releaseSpinLockInterrupt(device->interruptLock_, device->savedInterruptState_);
  return handled;
}

void tPCIDevice::reserveWith(int32_t (*trampoline)(void*), iPrimaryInterruptHandler* handler,
                             nKIVAPALS100::tStatus& status, uint32_t flags) {
  handler_ = handler;
  description_.interruptCallback.function = trampoline;
  description_.interruptCallback.context = this;
  kivTranslateKalStatus(nKIVKAL1400_reserveInterrupt(description_.interrupt, &description_.interruptCallback,
                                                     reinterpret_cast<const char*>(description_.componentName),
                                                     flags | kInterruptFlagShared),
                        status);
  // Without a reservation there is nothing for relinquishInterrupt to undo.
  if (status.isFatal()) handler_ = nullptr;
}

void tPCIDevice::reserveInterrupt(iPrimaryInterruptHandler* handler, nKIVAPALS100::tStatus& status, uint32_t flags) {
  if (status.isFatal()) return;
  reserveWith(&tPCIDevice::primaryTrampoline, handler, status, flags);
}

void tPCIDevice::relinquishInterrupt() {
  if (handler_ == nullptr) return;
  nKIVKAL100_relinquishInterrupt(description_.interrupt, &description_.interruptCallback);
  handler_ = nullptr;
}

void** tPCIDevice::reserveInterruptWithLock(iPrimaryInterruptHandler* handler, nKIVAPALS100::tStatus& status,
                                            uint32_t flags) {
  if (status.isFatal()) return nullptr;
  interruptLock_ = nKIVKAL100_createSpinLock();
  if (interruptLock_ == nullptr) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return nullptr;
  }
  reserveWith(&tPCIDevice::lockedPrimaryTrampoline, handler, status, flags);
  if (status.isFatal()) {
    nKIVKAL100_destroySpinLock(interruptLock_);
    interruptLock_ = nullptr;
    return nullptr;
  }
  return &interruptLock_;
}

void tPCIDevice::relinquishInterruptWithLock(void** lock) {
  if (lock == nullptr) return;
  relinquishInterrupt();
  if (interruptLock_ != nullptr) nKIVKAL100_destroySpinLock(interruptLock_);
  interruptLock_ = nullptr;
  savedInterruptState_ = 0;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
