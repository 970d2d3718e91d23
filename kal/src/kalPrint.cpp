#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
std::mutex gPrintMutex;
std::vector<std::string> gLines;
bool gEcho = std::getenv("KAL_ECHO") != nullptr;
}  // namespace

std::vector<std::string> printedLines() {
  std::lock_guard<std::mutex> lock(gPrintMutex);
  return gLines;
}
void clearPrintedLines() {
  std::lock_guard<std::mutex> lock(gPrintMutex);
  gLines.clear();
}
// Under the print mutex: a print on another thread reads the flag.
void setEcho(bool echo) {
  std::lock_guard<std::mutex> lock(gPrintMutex);
  gEcho = echo;
}

namespace detail {
void resetPrint() { clearPrintedLines(); }
}  // namespace detail
}  // namespace kalsim

extern "C" {

void nKIVKAL100_printToDebugger(const char* text) {
  kalsim::HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(kalsim::gPrintMutex);
  kalsim::gLines.emplace_back(text);
  if (kalsim::gEcho) std::fputs(text, stderr);
}

int32_t nKIVKAL100_vsnPrintf(char* buffer, uint64_t size, const char* format, va_list arguments) {
  if (size == 0) return -1;
  const int needed = std::vsnprintf(buffer, size, format, arguments);
  // The layer reports text that did not fit as -1, not as the length needed.
  if (needed < 0 || static_cast<uint64_t>(needed) >= size) return -1;
  return needed;
}

int32_t nKIVKAL100_vsprintf(char* buffer, const char* format, va_list arguments) {
  return std::vsprintf(buffer, format, arguments);
}

void nKIVKAL250_halt(const char* component, const char* file, uint32_t line, const char* message) {
  std::fprintf(stderr, "nKIVKAL250_halt: [%s|%s|%u] %s\n", component, file, line, message);
  std::abort();
}

}  // extern "C"
