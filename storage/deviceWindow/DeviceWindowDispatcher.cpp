#include "storage/deviceWindow/DeviceWindowDispatcher.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"
#include "storage/storageStatusCodes.h"

namespace devicewindow {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tEventDescriptor;
using vorlan_driver::nKIVAPAL000::tUserBuffer;

DeviceWindow* DeviceWindowDispatcher::lookUp(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                             tStatus& status) {
  DeviceWindow* window = nullptr;
  getRegistration(request, userName, nameLength, &window, status, nullptr);
  return status.isFatal() ? nullptr : window;
}

void DeviceWindowDispatcher::callWindow(DeviceWindow& window, Operation operation, uint8_t* buffer, uint64_t address,
                                        uint64_t count, bool force, tStatus& status) {
  switch (operation) {
    case kGet:
      window.get(address, count, buffer, status);
      break;
    case kRead:
      window.read(address, count, buffer, status);
      break;
    case kSet:
      window.set(buffer, address, count, status);
      break;
    case kWrite:
      window.write(buffer, address, count, force, status);
      break;
  }
}

void DeviceWindowDispatcher::transfer(Operation operation, const tEventDescriptor& request, void* userName,
                                      uint64_t nameLength, void* userBuffer, uint64_t address, uint64_t count,
                                      bool force, tStatus& status) {
  DeviceWindow* window = lookUp(request, userName, nameLength, status);
  if (window == nullptr) return;
  if (count == 0) {
    // No buffer exists for no bytes; the window answers as it does for a
    // missing buffer.
    callWindow(*window, operation, nullptr, address, 0, force, status);
    return;
  }
  // The caller's numbers size the kernel buffer, so they are bounded by the
  // window before anything is allocated. A range outside the window is
  // refused in the window's own words: one byte just past its end is outside
  // every window, and a window tests its range before it touches a buffer.
  const uint64_t size = window->getSizeInBytes();
  if (address > size || count > size - address) {
    uint8_t probe = 0;
    window->get(size, 1, &probe, status);
    if (status.isNotFatal()) vorlanSetCode(status, storagecodes::kOutOfRange);
    return;
  }
  if (count > kLargestTransfer) {
    vorlanSetCode(status, storagecodes::kOutOfRange);
    return;
  }

  uint8_t* buffer = static_cast<uint8_t*>(vorlan_driver::nKIVAPAL000::allocate(count, status, 0));
  if (buffer == nullptr) return;
  vorlan_driver::nKIVAPAL000::fillBytes(buffer, 0, count);
  const tUserBuffer caller(&request, reinterpret_cast<uint64_t>(userBuffer), count);
  const bool toCaller = operation == kGet || operation == kRead;
  if (!toCaller) caller.copyFromUser(0, buffer, static_cast<uint32_t>(count), status);
  // Each step runs only on a clean status: a failed copy-in leaves the window
  // untouched and a failed window operation copies nothing out.
  callWindow(*window, operation, buffer, address, count, force, status);
  if (toCaller) caller.copyToUser(0, buffer, static_cast<uint32_t>(count), status);
  vorlan_driver::nKIVAPAL000::release(buffer);
}

void DeviceWindowDispatcher::get(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                 uint64_t address, uint64_t count, void* userDestination, tStatus& status) {
  transfer(kGet, request, userName, nameLength, userDestination, address, count, false, status);
}

void DeviceWindowDispatcher::read(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                  uint64_t address, uint64_t count, void* userDestination, tStatus& status) {
  transfer(kRead, request, userName, nameLength, userDestination, address, count, false, status);
}

void DeviceWindowDispatcher::set(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                 void* userSource, uint64_t address, uint64_t count, tStatus& status) {
  transfer(kSet, request, userName, nameLength, userSource, address, count, false, status);
}

void DeviceWindowDispatcher::write(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                   void* userSource, uint64_t address, uint64_t count, bool force,
                                   tStatus& status) {
  transfer(kWrite, request, userName, nameLength, userSource, address, count, force, status);
}

void DeviceWindowDispatcher::flush(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                   uint64_t address, uint64_t count, bool force, tStatus& status) {
  DeviceWindow* window = lookUp(request, userName, nameLength, status);
  if (window != nullptr) window->flush(address, count, force, status);
}

void DeviceWindowDispatcher::refresh(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                     uint64_t address, uint64_t count, tStatus& status) {
  DeviceWindow* window = lookUp(request, userName, nameLength, status);
  if (window != nullptr) window->refresh(address, count, status);
}

uint64_t DeviceWindowDispatcher::getSizeInBytes(const tEventDescriptor& request, void* userName, uint64_t nameLength,
                                                tStatus& status) {
  DeviceWindow* window = lookUp(request, userName, nameLength, status);
  return window == nullptr ? 0 : window->getSizeInBytes();
}

}  // namespace devicewindow
