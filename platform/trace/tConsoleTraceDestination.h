// Sends trace lines to the kernel log through the debug print. Stateless, so
// any number of streams may share one.
#pragma once

#include <stdint.h>

#include "platform/trace/iTraceDestination.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tConsoleTraceDestination : public iTraceDestination {
 public:
  tConsoleTraceDestination() {}
  ~tConsoleTraceDestination() override;

  void write(const char* text) override;
  void write(const char* text, uint64_t length) override;
  void flush() override;
  void describe(char* buffer, uint64_t size, uint64_t* length) override;
  bool attach() override;
  void detach() override;
  const char* getName() override;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
