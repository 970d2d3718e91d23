// The device's dispatcher of register maps by name: every generated map is
// published through the one dynamic-access interface.
#pragma once

#include "framework/kivregitools/Dispatcher.h"
#include "framework/kivregitools/WrapperDispatcher.h"
#include "platform/status/tStatus.h"
#include "framework/armki/DynamicAccessInterfaceBase.h"

namespace armki {

using tRegisterMapInterface = arm::DynamicAccessInterfaceBase<nKIVAPALS100::tStatus>;

class ARMDispatcher : public kivregitools::Dispatcher<tRegisterMapInterface, kivregitools::WrapperDispatcher> {
 public:
  ARMDispatcher() {}
  ~ARMDispatcher() override;
  ARMDispatcher(const ARMDispatcher&) = delete;
  ARMDispatcher& operator=(const ARMDispatcher&) = delete;
};

}  // namespace armki
