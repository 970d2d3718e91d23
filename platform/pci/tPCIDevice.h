// The platform device of a PCI function: its description, the PCI
// properties with the slot path, the PCI Express link, BAR mappings, the DMA
// mask and the reservation of its interrupt.
#pragma once

#include <stdint.h>

#include "platform/device/tDevice.h"
#include "platform/device/tProperty.h"
#include "platform/pci/tPCIDescription.h"
#include "platform/pci/tSlotPath.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class iPrimaryInterruptHandler;

class tPCIDevice : public tDevice {
 public:
  static constexpr uint32_t kPropertyCount = 16;
  static constexpr uint32_t kPlainPropertyCount = 12;
  static constexpr uint8_t kCapabilityIDExpress = 0x10;

  tPCIDevice(const tPCIDescription& description, nKIVAPALS100::tStatus& status);
  ~tPCIDevice() override;

  void refreshBusInformation(nKIVAPALS100::tStatus& status) override;
  void configureDMA(tDMAConfiguration::tDMAType type, nKIVAPALS100::tStatus& status) override;
  void buildBusProperties() override;
  tProperty** getBusProperties() override { return propertyList_; }

  virtual void reserveInterrupt(iPrimaryInterruptHandler* handler, nKIVAPALS100::tStatus& status, uint32_t flags);
  virtual void relinquishInterrupt();
  // The address of the interrupt lock the routine runs under, or null.
  virtual void** reserveInterruptWithLock(iPrimaryInterruptHandler* handler, nKIVAPALS100::tStatus& status,
                                          uint32_t flags);
  virtual void relinquishInterruptWithLock(void** lock);

  // The configuration-space offset of a capability; 0 and -52006 when absent.
  static uint8_t findCapability(uint8_t capabilityID, const tPCIDescription& description,
                                nKIVAPALS100::tStatus& status);
  void* mapBARToKernel(uint8_t memoryBarIndex, nKIVAPALS100::tStatus& status, uint32_t cacheMode);
  void unmapFromKernel(void* address, uint32_t cacheMode);

  const tPCIDescription& getDescription() const { return description_; }
  const char* getSlotPath() const { return slotPath_.getText(); }
  uint64_t getPropertyCount() const { return propertyCount_; }

 private:
  static int32_t primaryTrampoline(void* context);
  static int32_t lockedPrimaryTrampoline(void* context);
  void reserveWith(int32_t (*trampoline)(void*), iPrimaryInterruptHandler* handler, nKIVAPALS100::tStatus& status,
                   uint32_t flags);
  void buildSlotPath(nKIVAPALS100::tStatus& status);
  void readLinkRegister(uint32_t offset, uint8_t* speed, uint8_t* width, nKIVAPALS100::tStatus& status);

  tPCIDescription description_;
  tProperty properties_[kPropertyCount];
  tProperty* propertyList_[kPropertyCount + 1];
  uint64_t propertyCount_;
  void* interruptLock_;
  uint64_t savedInterruptState_;
  iPrimaryInterruptHandler* handler_;
  tSlotPath slotPath_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
