// The device's dispatcher of register maps by name: every generated map is
// published through the one dynamic-access interface.
#pragma once

#include "framework/kivregitools/Dispatcher.h"
#include "framework/kivregitools/WrapperDispatcher.h"
#include "platform/status/tStatus.h"
#include "framework/armki/DynamicAccessInterfaceBase.h"

namespace armki {

using tRegisterMapInterface = arm::DynamicAccessInterfaceBase<nKIVAPALS100::tStatus>;

}  // namespace armki

namespace kivregitools {

// A published map lends its own lock: a request by name holds the lock
// that every other user of the map's shadows takes.
template <>
struct RegisteredObjectTraits<armki::tRegisterMapInterface> {
  static const char* getVersionText(armki::tRegisterMapInterface& map) { return map.getVersion(); }
  static const char* getOldestCompatibleVersionText(armki::tRegisterMapInterface& map) {
    return map.getOldestCompatibleVersion();
  }
  static vorlan_driver::nKIVAPAL000::tMutex* getLock(armki::tRegisterMapInterface& map) { return map.getLock(); }
};

}  // namespace kivregitools

namespace armki {

class ARMDispatcher : public kivregitools::Dispatcher<tRegisterMapInterface, kivregitools::WrapperDispatcher> {
 public:
  ARMDispatcher() {}
  ~ARMDispatcher() override;
  ARMDispatcher(const ARMDispatcher&) = delete;
  ARMDispatcher& operator=(const ARMDispatcher&) = delete;
};

}  // namespace armki
