#include "requests/InstrumentObjects.h"

#include "device/QuillHelper.h"

namespace vorlan_driver {
namespace requests {

InstrumentObjects instrumentObjectsOf(QuillHelper* owner) {
  InstrumentObjects objects = {};
  if (owner == nullptr) return objects;
  objects.wisp = owner->getWispController();
  return objects;
}

}  // namespace requests
}  // namespace vorlan_driver
