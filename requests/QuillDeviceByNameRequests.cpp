// The requests that reach register maps, device windows and storage maps by
// the name they are registered under. Register-map operations run under
// their registration's mutex; windows and storage maps serialise themselves.
#include "device/QuillDevice.h"
#include "device/QuillHelper.h"
#include "framework/armki/ARMDispatcher.h"
#include "framework/kivregitools/registrationStatusCodes.h"
#include "platform/containers/tString.h"
#include "platform/memory/tUserBuffer.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "platform/synchronization/tAutoLock.h"
#include "requests/RequestRecords.h"
#include "requests/tRequestGate.h"

namespace vorlan_driver {

namespace {

using nKIVAPAL000::tEventDescriptor;
using nKIVAPALS100::tStatus;

// Every by-name request is served from the same level.
constexpr uint32_t kByNameLevel = requests::arm_read::kSetupLevel;
// The Ex forms hand the register map a 24-bit selector.
constexpr uint64_t kLargestSelector = 0xFFFFFF;
// The most fields a register format reports.
constexpr uint32_t kFormatCapacity = 64;

void* userAddress(uint64_t pointer) { return reinterpret_cast<void*>(static_cast<uintptr_t>(pointer)); }

// Past the gate, runs `operation` on the hardware owner.
template <typename Operation>
void withOwner(QuillDevice& device, const tEventDescriptor& descriptor, tStatus& status, Operation operation) {
  requests::tRequestGate gate(device, descriptor, kByNameLevel, status);
  // No owner only while a reset rebuilds it, and the gate keeps requests out then.
  QuillHelper* owner = gate.passed() ? device.getHardwareOwner() : nullptr;
  if (owner != nullptr) operation(*owner);
}

// Looks the register map up, checks the selector the map is to be handed
// (the plain forms pass 0) and runs `operation` on the map under the
// registration's mutex.
template <typename Operation>
void withRegisterMap(QuillDevice& device, const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                     uint64_t selector, tStatus& status, Operation operation) {
  withOwner(device, descriptor, status, [&](QuillHelper& owner) {
    if (status.isFatal()) return;
    armki::tRegisterMapInterface* map = nullptr;
    nKIVAPAL000::tMutex* mutex = nullptr;
    owner.getRegisterDispatcher().getRegistration(descriptor, userAddress(namePointer), nameLength, &map, status,
                                                  &mutex);
    if (status.isFatal() || map == nullptr || mutex == nullptr) return;
    if (selector > kLargestSelector) {
      vorlanSetCode(status, statusCodes::kNotSupported);
      return;
    }
    nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(*mutex);
    operation(*map, static_cast<uint32_t>(selector));
  });
}

// The plain forms answer in 32 bits; a wider value is refused, not cut.
uint32_t narrowed(uint64_t value, tStatus& status) {
  if (status.isFatal()) return 0;
  if (value > UINT32_MAX) {
    vorlanSetCode(status, statusCodes::kValueOutOfRange);
    return 0;
  }
  return static_cast<uint32_t>(value);
}

// Copies `size` kernel bytes to the caller's buffer.
void copyOut(const tEventDescriptor& descriptor, uint64_t userPointer, const void* source, uint64_t size,
             tStatus& status) {
  if (status.isFatal() || size == 0) return;
  if (size > UINT32_MAX) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  const nKIVAPAL000::tUserBuffer destination(&descriptor, userPointer, size);
  destination.copyToUser(0, source, static_cast<uint32_t>(size), status);
}

// One 64-byte slot per registration, in registration order.
template <typename Dispatcher>
void copyRegistrationNames(QuillDevice& device, const tEventDescriptor& descriptor, Dispatcher& (QuillHelper::*of)(),
                           uint64_t namesBuffer, tStatus& status) {
  withOwner(device, descriptor, status, [&](QuillHelper& owner) {
    if (status.isFatal()) return;
    Dispatcher& dispatcher = (owner.*of)();
    const uint64_t count = dispatcher.getNumberOfRegistrations();
    if (count == 0) {
      vorlanSetCode(status, kivregitools::codes::kNullArgument);
      return;
    }
    const uint64_t size = count * Dispatcher::kNameSlotSize;
    char* names = new (status, static_cast<uint8_t>(0)) char[size];
    if (names == nullptr) return;
    nKIVAPAL000::fillBytes(names, 0, size);
    dispatcher.getRegistrationNames(names, status);
    copyOut(descriptor, namesBuffer, names, size, status);
    delete[] names;
  });
}

template <typename Dispatcher>
uint64_t countRegistrations(QuillDevice& device, const tEventDescriptor& descriptor, Dispatcher& (QuillHelper::*of)(),
                            tStatus& status) {
  uint64_t count = 0;
  withOwner(device, descriptor, status, [&](QuillHelper& owner) { count = (owner.*of)().getNumberOfRegistrations(); });
  return count;
}

}  // namespace

// ---- register maps

using tMap = armki::tRegisterMapInterface;

void QuillDevice::arm_write(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                            uint32_t registerId, uint32_t value, uint8_t force, tStatus& status) {
  withRegisterMap(*this, descriptor, namePointer, nameLength, 0, status,
                  [&](tMap& map, uint32_t selector) { map.write(registerId, value, force != 0, status, selector); });
}

uint32_t QuillDevice::arm_read(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                               uint32_t registerId, tStatus& status) {
  return narrowed(arm_readEx(descriptor, namePointer, nameLength, registerId, 0, status), status);
}

void QuillDevice::arm_set(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                          uint32_t registerId, uint32_t value, tStatus& status) {
  withRegisterMap(*this, descriptor, namePointer, nameLength, 0, status,
                  [&](tMap& map, uint32_t selector) { map.set(registerId, value, status, selector); });
}

uint32_t QuillDevice::arm_get(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                              uint32_t registerId, tStatus& status) {
  return narrowed(arm_getEx(descriptor, namePointer, nameLength, registerId, 0, status), status);
}

void QuillDevice::arm_flushRegister(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                    uint32_t registerId, uint8_t force, tStatus& status) {
  arm_flushRegisterEx(descriptor, namePointer, nameLength, registerId, 0, force, status);
}

void QuillDevice::arm_refreshRegister(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                      uint32_t registerId, tStatus& status) {
  arm_refreshRegisterEx(descriptor, namePointer, nameLength, registerId, 0, status);
}

void QuillDevice::arm_flushRegMap(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                  uint8_t force, tStatus& status) {
  withRegisterMap(*this, descriptor, namePointer, nameLength, 0, status,
                  [&](tMap& map, uint32_t) { map.flushRegMap(force != 0, status); });
}

void QuillDevice::arm_writeEx(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                              uint32_t registerId, uint64_t selector, uint64_t value, uint8_t force, tStatus& status) {
  withRegisterMap(*this, descriptor, namePointer, nameLength, selector, status,
                  [&](tMap& map, uint32_t checked) { map.write(registerId, value, force != 0, status, checked); });
}

uint64_t QuillDevice::arm_readEx(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                 uint32_t registerId, uint64_t selector, tStatus& status) {
  uint64_t value = 0;
  withRegisterMap(*this, descriptor, namePointer, nameLength, selector, status,
                  [&](tMap& map, uint32_t checked) { map.read(registerId, value, status, checked); });
  return status.isNotFatal() ? value : 0;
}

void QuillDevice::arm_setEx(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                            uint32_t registerId, uint64_t selector, uint64_t value, tStatus& status) {
  withRegisterMap(*this, descriptor, namePointer, nameLength, selector, status,
                  [&](tMap& map, uint32_t checked) { map.set(registerId, value, status, checked); });
}

uint64_t QuillDevice::arm_getEx(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                uint32_t registerId, uint64_t selector, tStatus& status) {
  uint64_t value = 0;
  withRegisterMap(*this, descriptor, namePointer, nameLength, selector, status,
                  [&](tMap& map, uint32_t checked) { map.get(registerId, value, status, checked); });
  return status.isNotFatal() ? value : 0;
}

void QuillDevice::arm_flushRegisterEx(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                      uint32_t registerId, uint64_t selector, uint8_t force, tStatus& status) {
  withRegisterMap(*this, descriptor, namePointer, nameLength, selector, status,
                  [&](tMap& map, uint32_t checked) { map.flush(registerId, force != 0, status, checked); });
}

void QuillDevice::arm_refreshRegisterEx(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                        uint32_t registerId, uint64_t selector, tStatus& status) {
  withRegisterMap(*this, descriptor, namePointer, nameLength, selector, status,
                  [&](tMap& map, uint32_t checked) { map.refresh(registerId, status, checked); });
}

void QuillDevice::arm_getRegisterFormat(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                        uint32_t registerId, uint32_t fieldCapacity, uint64_t fieldTypesPointer,
                                        uint64_t fieldMasksPointer, uint32_t* fieldCount, tStatus& status) {
  withRegisterMap(*this, descriptor, namePointer, nameLength, 0, status, [&](tMap& map, uint32_t) {
    arm::FieldType types[kFormatCapacity];
    uint64_t masks[kFormatCapacity];
    uint32_t count = fieldCapacity < kFormatCapacity ? fieldCapacity : kFormatCapacity;
    map.getRegisterFormat(registerId, count, types, masks, status);
    if (status.isFatal()) return;
    uint8_t typeBytes[kFormatCapacity];
    for (uint32_t i = 0; i < count; ++i) typeBytes[i] = static_cast<uint8_t>(types[i]);
    copyOut(descriptor, fieldTypesPointer, typeBytes, count, status);
    copyOut(descriptor, fieldMasksPointer, masks, uint64_t{count} * sizeof(masks[0]), status);
    if (status.isNotFatal()) *fieldCount = count;
  });
}

uint64_t QuillDevice::arm_getNumberOfRegistrations(const tEventDescriptor& descriptor, tStatus& status) {
  return countRegistrations(*this, descriptor, &QuillHelper::getRegisterDispatcher, status);
}

void QuillDevice::arm_getRegistrationNames(const tEventDescriptor& descriptor, uint64_t namesBuffer, tStatus& status) {
  copyRegistrationNames(*this, descriptor, &QuillHelper::getRegisterDispatcher, namesBuffer, status);
}

uint64_t QuillDevice::arm_getSizeOfRegistrationList(const tEventDescriptor& descriptor, tStatus& status) {
  uint64_t size = 0;
  withOwner(*this, descriptor, status,
            [&](QuillHelper& owner) { size = owner.getRegisterDispatcher().getSizeOfRegistrationList(); });
  return size;
}

void QuillDevice::arm_getRegistrationList(const tEventDescriptor& descriptor, uint64_t listBuffer, tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    if (status.isFatal()) return;
    nKIVAPAL000::tString list;
    owner.getRegisterDispatcher().getRegistrationList(list, status);
    // The caller sized its buffer from the list size and ends the text itself.
    copyOut(descriptor, listBuffer, list.text(), list.length(), status);
  });
}

// ---- device windows

void QuillDevice::deviceWindow_get(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                   uint64_t byteOffset, uint64_t byteCount, uint64_t dataPointer, tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getDeviceWindowDispatcher().get(descriptor, userAddress(namePointer), nameLength, byteOffset, byteCount,
                                          userAddress(dataPointer), status);
  });
}

void QuillDevice::deviceWindow_read(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                    uint64_t byteOffset, uint64_t byteCount, uint64_t dataPointer, tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getDeviceWindowDispatcher().read(descriptor, userAddress(namePointer), nameLength, byteOffset, byteCount,
                                           userAddress(dataPointer), status);
  });
}

void QuillDevice::deviceWindow_set(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                   uint64_t dataPointer, uint64_t byteOffset, uint64_t byteCount, tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getDeviceWindowDispatcher().set(descriptor, userAddress(namePointer), nameLength, userAddress(dataPointer),
                                          byteOffset, byteCount, status);
  });
}

void QuillDevice::deviceWindow_write(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                     uint64_t dataPointer, uint64_t byteOffset, uint64_t byteCount, uint8_t force,
                                     tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getDeviceWindowDispatcher().write(descriptor, userAddress(namePointer), nameLength, userAddress(dataPointer),
                                            byteOffset, byteCount, force != 0, status);
  });
}

void QuillDevice::deviceWindow_flush(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                     uint64_t byteOffset, uint64_t byteCount, uint8_t force, tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getDeviceWindowDispatcher().flush(descriptor, userAddress(namePointer), nameLength, byteOffset, byteCount,
                                            force != 0, status);
  });
}

void QuillDevice::deviceWindow_refresh(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                       uint64_t byteOffset, uint64_t byteCount, tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getDeviceWindowDispatcher().refresh(descriptor, userAddress(namePointer), nameLength, byteOffset, byteCount,
                                              status);
  });
}

uint64_t QuillDevice::deviceWindow_getSizeInBytes(const tEventDescriptor& descriptor, uint64_t namePointer,
                                                  uint64_t nameLength, tStatus& status) {
  uint64_t answer = 0;
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    answer = owner.getDeviceWindowDispatcher().getSizeInBytes(descriptor, userAddress(namePointer), nameLength, status);
  });
  return answer;
}

uint64_t QuillDevice::deviceWindow_getNumberOfRegistrations(const tEventDescriptor& descriptor, tStatus& status) {
  return countRegistrations(*this, descriptor, &QuillHelper::getDeviceWindowDispatcher, status);
}

void QuillDevice::deviceWindow_getRegistrationNames(const tEventDescriptor& descriptor, uint64_t namesBuffer,
                                                    tStatus& status) {
  copyRegistrationNames(*this, descriptor, &QuillHelper::getDeviceWindowDispatcher, namesBuffer, status);
}

// ---- storage maps

void QuillDevice::storageMap_getRaw(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                    uint32_t fieldKey, uint64_t firstElement, uint64_t elementCount,
                                    uint64_t dataPointer, uint64_t elementSize, tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getStorageMapDispatcher().getRaw(descriptor, userAddress(namePointer), nameLength, fieldKey, firstElement,
                                           elementCount, userAddress(dataPointer), elementSize, status);
  });
}

void QuillDevice::storageMap_setRaw(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                    uint32_t fieldKey, uint64_t firstElement, uint64_t elementCount,
                                    uint64_t dataPointer, uint64_t elementSize, tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getStorageMapDispatcher().setRaw(descriptor, userAddress(namePointer), nameLength, fieldKey, firstElement,
                                           elementCount, userAddress(dataPointer), elementSize, status);
  });
}

uint64_t QuillDevice::storageMap_getElementCount(const tEventDescriptor& descriptor, uint64_t namePointer,
                                                 uint64_t nameLength, uint32_t fieldKey, tStatus& status) {
  uint64_t answer = 0;
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    answer = owner.getStorageMapDispatcher().getElementCount(descriptor, userAddress(namePointer), nameLength, fieldKey,
                                                             status);
  });
  return answer;
}

uint64_t QuillDevice::storageMap_getElementSize(const tEventDescriptor& descriptor, uint64_t namePointer,
                                                uint64_t nameLength, uint32_t fieldKey, tStatus& status) {
  uint64_t answer = 0;
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    answer = owner.getStorageMapDispatcher().getElementSize(descriptor, userAddress(namePointer), nameLength, fieldKey,
                                                            status);
  });
  return answer;
}

void QuillDevice::storageMap_flush(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                   uint8_t force, tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getStorageMapDispatcher().flush(descriptor, userAddress(namePointer), nameLength, force != 0, status);
  });
}

void QuillDevice::storageMap_refresh(const tEventDescriptor& descriptor, uint64_t namePointer, uint64_t nameLength,
                                     tStatus& status) {
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    owner.getStorageMapDispatcher().refresh(descriptor, userAddress(namePointer), nameLength, status);
  });
}

uint8_t QuillDevice::storageMap_isChecksumValid(const tEventDescriptor& descriptor, uint64_t namePointer,
                                                uint64_t nameLength, tStatus& status) {
  bool valid = false;
  withOwner(*this, descriptor, status, [&](QuillHelper& owner) {
    valid = owner.getStorageMapDispatcher().isChecksumValid(descriptor, userAddress(namePointer), nameLength, status);
  });
  return status.isNotFatal() && valid ? 1 : 0;
}

uint64_t QuillDevice::storageMap_getNumberOfRegistrations(const tEventDescriptor& descriptor, tStatus& status) {
  return countRegistrations(*this, descriptor, &QuillHelper::getStorageMapDispatcher, status);
}

void QuillDevice::storageMap_getRegistrationNames(const tEventDescriptor& descriptor, uint64_t namesBuffer,
                                                  tStatus& status) {
  copyRegistrationNames(*this, descriptor, &QuillHelper::getStorageMapDispatcher, namesBuffer, status);
}

}  // namespace vorlan_driver
