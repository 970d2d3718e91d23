// Publishes device windows to user mode by name. Each window operation names
// a window by a text in the caller's memory and moves the caller's bytes
// through a kernel buffer. Windows are published without versions and are
// not owned; each window serialises its own operations, so no registration
// mutex is taken here.
#pragma once

#include <stdint.h>

#include "framework/kivregitools/Dispatcher.h"
#include "framework/kivregitools/RegisteredObjectTraits.h"
#include "framework/kivregitools/WrapperDispatcher.h"
#include "platform/memory/tUserBuffer.h"
#include "platform/status/tStatus.h"
#include "storage/deviceWindow/DeviceWindow.h"

namespace kivregitools {
template <>
struct RegisteredObjectTraits<devicewindow::DeviceWindow> : UnversionedObjectTraits<devicewindow::DeviceWindow> {};
}  // namespace kivregitools

namespace devicewindow {

class DeviceWindowDispatcher : public kivregitools::Dispatcher<DeviceWindow, kivregitools::WrapperDispatcher> {
 public:
  // One transfer moves at most this many bytes: the copy to or from the
  // caller moves a 32-bit length.
  static constexpr uint64_t kLargestTransfer = UINT32_MAX;

  DeviceWindowDispatcher() {}
  // The registry's own destruction withdraws whatever is still registered.
  ~DeviceWindowDispatcher() override {}

  // Copy count bytes of the window's memory copy (get) or of the freshly
  // reloaded device (read) to the caller; nothing is copied out unless the
  // window operation succeeded.
  void get(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
           uint64_t address, uint64_t count, void* userDestination, nKIVAPALS100::tStatus& status);
  void read(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
            uint64_t address, uint64_t count, void* userDestination, nKIVAPALS100::tStatus& status);
  // The window sees the caller's bytes only when all of them were copied in.
  void set(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
           void* userSource, uint64_t address, uint64_t count, nKIVAPALS100::tStatus& status);
  void write(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
             void* userSource, uint64_t address, uint64_t count, bool force, nKIVAPALS100::tStatus& status);
  void flush(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
             uint64_t address, uint64_t count, bool force, nKIVAPALS100::tStatus& status);
  void refresh(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName, uint64_t nameLength,
               uint64_t address, uint64_t count, nKIVAPALS100::tStatus& status);
  // 0 when the lookup fails.
  uint64_t getSizeInBytes(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName,
                          uint64_t nameLength, nKIVAPALS100::tStatus& status);

 private:
  enum Operation { kGet, kRead, kSet, kWrite };

  DeviceWindow* lookUp(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName,
                       uint64_t nameLength, nKIVAPALS100::tStatus& status);
  // Lookup, kernel buffer, copies and the window call of the four
  // buffered operations.
  void transfer(Operation operation, const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName,
                uint64_t nameLength, void* userBuffer, uint64_t address, uint64_t count, bool force,
                nKIVAPALS100::tStatus& status);
  static void callWindow(DeviceWindow& window, Operation operation, uint8_t* buffer, uint64_t address,
                         uint64_t count, bool force, nKIVAPALS100::tStatus& status);
};

}  // namespace devicewindow
