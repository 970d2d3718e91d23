#include "platform/trace/assertion.h"

#include "platform/debug/kivsdbg.h"
#include "platform/quarks/kivString.h"
#include "platform/trace/globalTrace.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

// Every report carries this line number in its header.
constexpr uint64_t kReportLine = 105;

bool isWarning(const char* kind) { return kind != nullptr && stringEqual(kind, "warning"); }

}  // namespace

void reportAssertion(const char* kind, const char* component, uint32_t version, uint64_t number, const char* file,
                     const char* message) {
  // An assertion during load or unload has no stream to go to.
  if (!isTraceConstructed()) return;
  tTrace& trace = getTrace();
  trace.writeHeader(component, version, number, file, kReportLine, tTrace::kNoIndentChange);
  if (kind == nullptr || stringEqual(kind, "default")) {
    trace << "ASSERTION FAILED: ";
  } else if (isWarning(kind)) {
    trace << "ASSERTION WARNING: ";
  } else {
    trace << "ASSERTION FAILED (" << kind << "): ";
  }
  trace << message;
  trace.endLine();
}

void assertionDebugBreak(const char* kind) {
  if (isWarning(kind)) return;
  kivsdbg_haltHook(nullptr, "APAL debug break");
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
