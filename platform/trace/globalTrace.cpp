#include "platform/trace/globalTrace.h"

#include "platform/cppRuntime/cppRunTime.h"
#include "platform/trace/tConsoleTraceDestination.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

tStaticObject<tConsoleTraceDestination> gConsoleDestination;
tStaticObject<tTrace> gTrace;

}  // namespace

tTrace& getTrace() { return gTrace.get(); }

bool isTraceConstructed() { return gTrace.isConstructed(); }

void constructTraceStatics() {
  iTraceDestination* destination = &gConsoleDestination.construct();
  // Without its destination the trace is not built either (the load fails).
  if (gConsoleDestination.isConstructed()) gTrace.construct(destination);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
