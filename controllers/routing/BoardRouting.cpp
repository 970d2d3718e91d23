#include "controllers/routing/BoardRouting.h"

#include "controllers/routing/RoutingResourcesFactory.h"
#include "platform/cppRuntime/cppNewDelete.h"

namespace vorlan_driver {

void BoardRouting::makeObjects(uint32_t pciSubsystemID, tRegMap* nisoFpgaMap, tRegMap* isoFpgaMap,
                               IsolatedPortRouter* isolatedPort, nKIVAPALS100::tStatus& status) {
  programmer_ = kivNew(status) RegMapRouteProgrammer(nisoFpgaMap, isoFpgaMap, channelMaps_, isolatedPort);
  if (programmer_ == nullptr) return;
  RoutingResourcesFactory factory;
  resources_ = factory.createRoutingResources(pciSubsystemID, programmer_, status);
  if (resources_ == nullptr) return;
  manager_ = factory.createRoutingResourcesManager(pciSubsystemID, status);
}

void BoardRouting::destroyRouting() {
  if (manager_ != nullptr) manager_->withdrawRoutingResources();
  delete manager_;
  manager_ = nullptr;
  delete resources_;
  resources_ = nullptr;
  delete programmer_;
  programmer_ = nullptr;
}

}  // namespace vorlan_driver
