#include "requests/InstrumentObjects.h"

#include "device/QuillHelper.h"

namespace vorlan_driver {
namespace requests {

InstrumentObjects instrumentObjectsOf(QuillHelper* owner) {
  InstrumentObjects objects = {};
  // Start-up builds none of the instrument controllers yet.
  (void)owner;
  return objects;
}

}  // namespace requests
}  // namespace vorlan_driver
