// A byte-addressed view of device memory with a copy in driver memory:
// callers change and inspect the copy and move bytes between the copy and
// the device explicitly. Addresses are offsets from the window's start;
// address + length must lie inside the window. A source buffer comes first,
// a destination buffer last. Every operation does nothing when the status
// already holds an error.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace devicewindow {

class DeviceWindow {
 public:
  virtual ~DeviceWindow() {}

  // Copies bytes of the memory copy out; a window may first load bytes it
  // has never loaded.
  virtual void get(uint64_t address, uint64_t length, uint8_t* destination, nKIVAPALS100::tStatus& status) = 0;
  // Changes the memory copy only.
  virtual void set(const uint8_t* source, uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) = 0;
  // Stores the changed bytes of the range; with force, the whole range (or
  // its whole sectors) even when nothing changed.
  virtual void flush(uint64_t address, uint64_t length, bool force, nKIVAPALS100::tStatus& status) = 0;
  // refresh, then get.
  virtual void read(uint64_t address, uint64_t length, uint8_t* destination, nKIVAPALS100::tStatus& status) = 0;
  // set, then flush with the same force.
  virtual void write(const uint8_t* source, uint64_t address, uint64_t length, bool force,
                     nKIVAPALS100::tStatus& status) = 0;
  // Reloads the range from the device into the memory copy.
  virtual void refresh(uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) = 0;
  virtual uint64_t getSizeInBytes() const = 0;

 protected:
  DeviceWindow() {}
  DeviceWindow(const DeviceWindow&) = delete;
  DeviceWindow& operator=(const DeviceWindow&) = delete;
};

}  // namespace devicewindow
