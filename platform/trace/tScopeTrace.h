// Traces the entry and exit of a block: a line ending in "{" on
// construction, one beginning with "}" on destruction, indented between.
#pragma once

#include <stdint.h>

#include "platform/trace/tTrace.h"

namespace nKIVAPALS100 {
class tStatus;
}  // namespace nKIVAPALS100

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tScopeTrace {
 public:
  // name, object and status may be null; a status is shown as it stands at
  // entry and again at exit. version is a packed version word.
  tScopeTrace(const char* component, uint32_t version, uint64_t number, const char* file, uint64_t line,
              const char* name, const void* object, const nKIVAPALS100::tStatus* status, tTrace& trace);
  ~tScopeTrace();
  tScopeTrace(const tScopeTrace&) = delete;
  tScopeTrace& operator=(const tScopeTrace&) = delete;

  void enter(const void* object);
  void exit();

 private:
  const char* component_;
  uint32_t version_;
  uint64_t number_;
  const char* file_;
  uint64_t line_;
  const char* name_;
  const nKIVAPALS100::tStatus* status_;
  tTrace* trace_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
