#include "controllers/routing/RoutingResourcesFactory.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/driver/pciIdentity.h"
#include "routing/routing-resources/QuillTopographyLarkRoutingResources.h"
#include "routing/routing-resources/QuillTopographyWrenRoutingResources.h"

namespace vorlan_driver {

namespace {

bool isKnownSubsystemID(uint32_t pciSubsystemID) {
  for (const nKIVAPAL000::tPCIIdentity& identity : nKIVAPAL000::kSupportedIdentities) {
    if (identity.subsystemID == pciSubsystemID) return true;
  }
  return false;
}

bool checkVariant(uint32_t pciSubsystemID, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  if (!isKnownSubsystemID(pciSubsystemID)) {
    vorlanSetCode(status, RoutingResourcesFactory::kUnknownVariant);
    return false;
  }
  return true;
}

// Constructs in place; a construction that failed is undone here so the
// caller sees only null or a working object.
template <typename Resources>
kivark::RoutingResourcesInterface* make(kivark::RouteProgrammerInterface* programmer,
                                        nKIVAPALS100::tStatus& status) {
  Resources* resources = kivNew(status) Resources(programmer, status);
  if (resources != nullptr && status.isFatal()) {
    delete resources;
    return nullptr;
  }
  return resources;
}

}  // namespace

kivark::RoutingResourcesInterface* RoutingResourcesFactory::createRoutingResources(
    uint32_t pciSubsystemID, kivark::RouteProgrammerInterface* programmer, nKIVAPALS100::tStatus& status) {
  if (!checkVariant(pciSubsystemID, status)) return nullptr;
  if (nKIVAPAL000::isWrenSubsystemID(pciSubsystemID)) return make<QuillTopographyWren::RoutingResources>(programmer, status);
  return make<QuillTopographyLark::RoutingResources>(programmer, status);
}

kivark::RoutingResourcesManager* RoutingResourcesFactory::createRoutingResourcesManager(
    uint32_t pciSubsystemID, nKIVAPALS100::tStatus& status) {
  if (!checkVariant(pciSubsystemID, status)) return nullptr;
  kivark::RoutingResourcesManager* manager = kivNew(status) kivark::RoutingResourcesManager(status);
  if (manager != nullptr && status.isFatal()) {
    delete manager;
    return nullptr;
  }
  return manager;
}

}  // namespace vorlan_driver
