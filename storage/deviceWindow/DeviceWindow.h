// A byte-addressed view of device memory with a copy in driver memory:
// callers change and inspect the copy and move bytes between the copy and
// the device explicitly. Addresses are offsets from the window's start;
// address + length must lie inside the window. A source buffer comes first,
// a destination buffer last. Every operation does nothing when the status
// already holds an error.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "platform/synchronization/kivatomicopInteger.h"

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

  // Grows after every operation that may have changed the memory copy (all
  // but get), whether or not it succeeded: while it stands still, what get
  // delivers stays the same, so a verdict on the bytes may be kept. A window
  // that forwards to another answers with that one's count.
  virtual uint64_t getChangeCount() const { return changes_.getValue(); }

 protected:
  DeviceWindow() {}
  // Called by every implementation at the end of each such operation.
  void noteChange() { changes_.increment(); }
  DeviceWindow(const DeviceWindow&) = delete;
  DeviceWindow& operator=(const DeviceWindow&) = delete;

 private:
  kivatomicop::Integer<uint64_t> changes_;
};

}  // namespace devicewindow
