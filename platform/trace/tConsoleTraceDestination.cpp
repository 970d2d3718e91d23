#include "platform/trace/tConsoleTraceDestination.h"

#include "platform/debug/kivsdbg.h"
#include "platform/quarks/kivString.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

const char kDescription[] = " --destination apal";

}  // namespace

tConsoleTraceDestination::~tConsoleTraceDestination() {}

void tConsoleTraceDestination::write(const char* text) {
  if (text == nullptr) return;
  kivsdbg_printf("%s", text);
}

void tConsoleTraceDestination::write(const char* text, uint64_t length) {
  if (text == nullptr) return;
  // The debug print keeps at most one line buffer's worth, so a longer
  // precision changes nothing but could overflow printf's int.
  const uint64_t longest = kivsdbg_kLineSize - 1;
  if (length > longest) length = longest;
  char format[8];
  boundedFormat(format, sizeof(format), "%%.%us", static_cast<uint32_t>(length));
  kivsdbg_printf(format, text);
}

void tConsoleTraceDestination::flush() {}

void tConsoleTraceDestination::describe(char* buffer, uint64_t size, uint64_t* length) {
  if (buffer != nullptr && size != 0) stringCopy(buffer, size, kDescription);
  if (length != nullptr) *length = sizeof(kDescription) - 1;
}

bool tConsoleTraceDestination::attach() { return true; }

void tConsoleTraceDestination::detach() {}

const char* tConsoleTraceDestination::getName() { return "kivsdbg_printf"; }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
