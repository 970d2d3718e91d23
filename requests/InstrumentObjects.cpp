#include "requests/InstrumentObjects.h"

#include "device/IsolatedRegMaps.h"
#include "device/NonIsolatedControllers.h"
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
  objects.registrar = &owner->getSubroutineRegistrar();
  objects.isolated = owner->getIsolatedControllers();
  IsolatedRegMaps* isolatedMaps = owner->getIsolatedRegMaps();
  if (isolatedMaps != nullptr) {
    objects.isoFpga = &isolatedMaps->getIsoFpgaMap();
    objects.channelMaps = isolatedMaps->getChannelMaps();
  }
  NonIsolatedControllers* nonIsolated = owner->getNonIsolatedControllers();
  if (nonIsolated != nullptr) {
    objects.nisoErrors = &nonIsolated->errors;
    objects.fifoOverflow = &nonIsolated->fifoOverflow;
    objects.coolingMode = &nonIsolated->coolingMode;
  }
  return objects;
}

}  // namespace requests
}  // namespace vorlan_driver
