// The driver's object for one board: the request methods behind the two
// device interfaces (the request layer, which generates the interfaces,
// adds them: requests/QuillRequestDevice), the device properties, the
// channel reservations of its sessions and the hardware owner that start-up
// and reset build.
#pragma once

#include <stdint.h>

#include "controllers/CoolingModeController.h"
#include "device/CustomResetParameters.h"
#include "device/SetupLevel.h"
#include "framework/kdut/Device.h"
#include "framework/kdut/ResourceReservationManager.h"
#include "device/KernelSession.h"
#include "platform/pci/tPCIDevice.h"

namespace vorlan_driver {

class DeviceDMA;
class QuillHelper;

typedef kdut::Device<nKIVAPAL000::tPCIDevice, vorlan_shared::SetupLevel, meridansharedsource::KernelSession,
                     vorlan_driver_codegen::CustomResetParameters>
    tQuillDeviceBase;

class QuillDevice : public tQuillDeviceBase {
 public:
  static constexpr uint64_t kChannelMask = 0xFFFFFF;
  static constexpr uint64_t kSessionCleanupCapacity = 480;
  // The notifier a session's routing session announces withdrawals through.
  static constexpr uint32_t kRoutingNotifierSelector = 0x80000000u;
  // The chassis cooling mode a device assumes until user mode says otherwise.
  static constexpr uint32_t kInitialCoolingMode = 16;
  // Serial number, model name, maker's name and geographic address.
  static constexpr uint64_t kPropertyCount = 4;

  QuillDevice(const nKIVAPAL000::tPCIDescription& description, nKIVAPALS100::tStatus& status);
  ~QuillDevice() override;

  void createIONotifier(const tEventDescriptor& descriptor, uint32_t selector,
                        nKIVAPAL000::tIONotifierParams& params, nKIVAPALS100::tStatus& status) override;
  void destroyIONotifier(const tEventDescriptor& descriptor, uint32_t selector) override;

  QuillHelper* getHardwareOwner() const { return hardwareOwner_; }
  // Kept here, not in the owner, so that a reset keeps the mode user mode chose.
  CoolingModeWord& getCoolingMode() { return coolingMode_; }

  // ---- the request methods, one per request of the two interfaces
#include "device/QuillDeviceRequestMethods.inc"
  kdut::ResourceReservationManager& getReservationManager() { return reservationManager_; }

 protected:
  void setup(const tEventDescriptor& descriptor, const vorlan_driver_codegen::CustomResetParameters* parameters,
             kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker) override;
  void onStart() override;
  void teardown() override;
  meridansharedsource::KernelSession* createSession(const tEventDescriptor& descriptor, tDeviceInterface* interface,
                                                    nKIVAPALS100::tStatus& status) override;
  void destroySession(const tEventDescriptor& descriptor, meridansharedsource::KernelSession* session) override;
  void collectProperties(nKIVAPALS100::tStatus& status) override;
  bool onSuspendIOProcessing(const tEventDescriptor& descriptor, tSuspendReason reason, bool failIfBusy) override;
  void onResumeIOProcessing(const tEventDescriptor& descriptor) override;

 private:
  bool canRoute() const;
  void handOutRoutingResources();
  // The DMA side whose waits the I/O suspension releases and the resumption
  // takes back; null before start-up built it.
  DeviceDMA* suspendableDma();
  // The owner's list of session cleanups; null without an owner or when the
  // owner could not build its locks.
  kdut::CleanupOperationComposite* getOwnerComposite();

  kdut::ResourceReservationManager reservationManager_;
  QuillHelper* hardwareOwner_;
  // User mode's word for what is plugged into the board; never interpreted,
  // kept across resets.
  uint32_t connectedAccessory_;
  CoolingModeWord coolingMode_;
  // The layer reads the value through the record for as long as it is
  // registered, so the record lives with the device.
  nKIVAPAL000::tProperty pxiGeographicAddressProperty_;
};

}  // namespace vorlan_driver
