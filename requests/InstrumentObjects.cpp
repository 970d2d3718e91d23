#include "requests/InstrumentObjects.h"

#include "device/QuillDevice.h"
#include "device/QuillHelper.h"

namespace vorlan_driver {
namespace requests {

InstrumentObjects instrumentObjectsOf(QuillDevice& device) {
  InstrumentObjects objects = {};
  objects.pciSubsystemId = device.getDescription().subsystemID;
  QuillHelper* owner = device.getHardwareOwner();
  if (owner == nullptr) return objects;
  objects.wisp = owner->getWispController();
  return objects;
}

}  // namespace requests
}  // namespace vorlan_driver
