// Where the trace stream's finished lines go. A destination receives
// zero-terminated pieces of at most one line buffer each; it decides how
// they leave the driver.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

class iTraceDestination {
 public:
  virtual ~iTraceDestination() {}

  virtual void write(const char* text) = 0;
  virtual void write(const char* text, uint64_t length) = 0;
  // Hands on whatever the destination holds back; most hold nothing.
  virtual void flush() = 0;
  // Copies a short description into buffer, cut to size, and reports the
  // length of the whole description.
  virtual void describe(char* buffer, uint64_t size, uint64_t* length) = 0;
  // Asked before the destination becomes current; false refuses.
  virtual bool attach() = 0;
  // Told when it stops being current.
  virtual void detach() = 0;
  virtual const char* getName() = 0;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
