#include "platform/trace/tScopeTrace.h"

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tScopeTrace::tScopeTrace(const char* component, uint32_t version, uint64_t number, const char* file,
                         uint64_t line, const char* name, const void* object, const nKIVAPALS100::tStatus* status,
                         tTrace& trace)
    : component_(component),
      version_(version),
      number_(number),
      file_(file),
      line_(line),
      name_(name),
      status_(status),
      trace_(&trace) {
  enter(object);
}

tScopeTrace::~tScopeTrace() { exit(); }

void tScopeTrace::enter(const void* object) {
  tTrace& trace = *trace_;
  trace.writeHeader(component_, version_, number_, file_, line_, tTrace::kIndentAfter);
  if (name_ != nullptr) trace << name_ << "; ";
  if (object != nullptr) trace << "this=" << inHex(reinterpret_cast<uintptr_t>(object)) << "; ";
  if (status_ != nullptr) trace << "tStatus code=" << status_->getCode() << " ";
  trace << "{";
  trace.endLine();
}

void tScopeTrace::exit() {
  tTrace& trace = *trace_;
  trace.writeHeader(component_, version_, number_, file_, line_, tTrace::kOutdentBefore);
  trace << "} ";
  if (status_ != nullptr) trace << "tStatus code=" << status_->getCode() << "; ";
  if (name_ != nullptr) trace << name_;
  trace.endLine();
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
