// An object that acts on a trace stream when inserted into it, for settings
// or text that belong to one place in a line.
#pragma once

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tTrace;

class tTraceManipulator {
 public:
  virtual void apply(tTrace& trace) const = 0;
  virtual ~tTraceManipulator() {}
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
