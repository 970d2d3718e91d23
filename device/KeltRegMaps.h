// The register maps of the bridge chip and the timing chip on BAR 0, built
// together and published by name in the device's register-map dispatcher
// while they exist. Building and destroying them touches no hardware.
#pragma once

#include <stdint.h>

#include "framework/armki/ARMDispatcher.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/KeltPortAccessor.h"
#include "regmaps/bridge/tIOPort2RegMapWithOffset.h"
#include "regmaps/bridge/tIsolationPortRegMapWithOffset.h"
#include "regmaps/bridge/tSwitchedTarnBimRegMapWithOffset.h"
#include "regmaps/bridge/tTarnConfigPortSPIWithOffset.h"
#include "regmaps/bridge/tTarnConfigPortWindowWithOffset.h"
#include "regmaps/bridge/tTarnWithOffset.h"
#include "regmaps/bridge/tTriggersWithOffset.h"
#include "regmaps/model/tPCIMemorySpaceAccessorDebug.h"
#include "regmaps/timing/tDO.h"

namespace vorlan_driver {

class KeltRegMaps {
 public:
  using tMemorySpace = nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;
  using tBusInterfaceMap = tarntools::tSwitchedTarnBimRegMapWithOffset<0u>;
  using tCoreMap = tarntools::tTarnWithOffset<0u>;
  using tIsolationPortMap = tarntools::tIsolationPortRegMapWithOffset<0u>;
  using tIOPort2Map = tarntools::tIOPort2RegMapWithOffset<0u>;
  using tConfigPortWindowMap = tarntools::tTarnConfigPortWindowWithOffset<0u>;
  using tConfigPortSPIMap = tarntools::tTarnConfigPortSPIWithOffset<0u>;
  using tTriggersMap = tarntools::tTriggersWithOffset<0u>;
  using tDOMap = kelt_regmaps::tDO;

  static constexpr uint32_t kRegistrationCount = 8;

  // `bar0` is the kernel address of the mapped BAR 0; `bar0Size` is kept
  // with it. The maps are published only while the status is clean; a
  // registration that cannot be made leaves its failure in the status and
  // the maps published before it in place (the destructor withdraws them).
  KeltRegMaps(uint64_t bar0, uint64_t bar0Size, armki::ARMDispatcher& dispatcher, nKIVAPALS100::tStatus& status);
  // Withdraws what was published, the last first.
  ~KeltRegMaps();
  KeltRegMaps(const KeltRegMaps&) = delete;
  KeltRegMaps& operator=(const KeltRegMaps&) = delete;

  static const char* registrationName(uint32_t index);
  uint32_t getPublishedCount() const { return published_; }

  tBusInterfaceMap& getBusInterfaceMap() { return busInterface_; }
  tCoreMap& getCoreMap() { return core_; }
  // The space the core map lies in, for the FPGA loader's direct stores.
  const tMemorySpace& getCoreSpace() const { return coreSpace_; }
  tarntools::KeltPortAccessor& getPortAccessor() { return portAccessor_; }
  tIsolationPortMap& getIsolationPortMap() { return isolationPort_; }
  tIOPort2Map& getIOPort2Map() { return ioPort2_; }
  tConfigPortWindowMap& getConfigPortWindowMap() { return configPortWindow_; }
  tConfigPortSPIMap& getConfigPortSPIMap() { return configPortSPI_; }
  tTriggersMap& getTriggersMap() { return triggers_; }
  tDOMap& getDOMap() { return do_; }
  // Where the maps are published.
  armki::ARMDispatcher& getDispatcher() { return dispatcher_; }

 private:
  armki::tRegisterMapInterface& publishedMap(uint32_t index);

  tMemorySpace bar0Space_;
  tMemorySpace busInterfaceSpace_;
  tMemorySpace coreSpace_;
  tMemorySpace configPortWindowSpace_;
  tMemorySpace configPortSPISpace_;
  tMemorySpace triggersSpace_;
  tMemorySpace doSpace_;
  tBusInterfaceMap busInterface_;
  tCoreMap core_;
  tarntools::KeltPortAccessor portAccessor_;
  tIsolationPortMap isolationPort_;
  tIOPort2Map ioPort2_;
  tConfigPortWindowMap configPortWindow_;
  tConfigPortSPIMap configPortSPI_;
  tTriggersMap triggers_;
  tDOMap do_;
  armki::ARMDispatcher& dispatcher_;
  uint32_t published_;
};

}  // namespace vorlan_driver
