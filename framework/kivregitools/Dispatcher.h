// A wrapper dispatcher that also looks up names lying in user memory. The
// register-map, storage-map and device-window dispatchers are
// Dispatcher<Interface, WrapperDispatcher>.
#pragma once

#include <stdint.h>

#include "framework/kivregitools/WrapperDispatcher.h"
#include "kal/include/nKIVKAL.h"
#include "platform/memory/tUserBuffer.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace kivregitools {

template <typename T, template <typename> class WrapperDispatcherT>
class Dispatcher : public WrapperDispatcherT<T> {
  using Base = WrapperDispatcherT<T>;

 public:
  using Base::getRegistration;

  // The largest name length taken from user memory. A name with its version
  // text takes tens of characters; a caller that passes the size of a fixed
  // buffer holding one passes a few kilobytes at most. The length sizes the
  // kernel copy, so anything longer is refused before the kernel is asked
  // for gigabytes; the copy, with its NUL, stays within 64 KiB.
  static constexpr uint64_t kMaximumUserNameLength = 0xFFFF;

  // `nameLength` counts the characters without a terminator; whatever
  // follows a NUL inside them is ignored. When the status held an error or
  // the name could not be copied, `object` is left untouched.
  virtual void getRegistration(const vorlan_driver::nKIVAPAL000::tEventDescriptor& request, void* userName,
                               uint64_t nameLength, T** object, nKIVAPALS100::tStatus& status,
                               vorlan_driver::nKIVAPAL000::tMutex** mutex) {
    if (status.isFatal()) return;
    // Refused before anything is allocated.
    if (nameLength > kMaximumUserNameLength) {
      vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
      return;
    }
    // A name that fits is copied to the stack; only longer ones reach the
    // heap. The copy fills every byte before the NUL, or fails and is unused.
    char local[kLocalNameSize];
    char* name = local;
    if (nameLength + 1 > sizeof(local)) {
      name = static_cast<char*>(nKIVKAL100_malloc(nameLength + 1));
      if (name == nullptr) {
        vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
        return;
      }
    }
    const vorlan_driver::nKIVAPAL000::tUserBuffer source(&request, reinterpret_cast<uint64_t>(userName), nameLength);
    source.copyFromUser(0, name, static_cast<uint32_t>(nameLength), status);
    name[nameLength] = '\0';
    if (status.isNotFatal()) getRegistration(name, object, status, mutex);
    if (name != local) nKIVKAL100_free(name);
  }

 private:
  // Room on the stack for a name and its NUL: as much as the longest name a
  // map family publishes.
  static constexpr uint64_t kLocalNameSize = 256;
};

}  // namespace kivregitools
