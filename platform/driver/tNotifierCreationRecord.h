// What user mode hands to the ioctl that creates an I/O notifier, and the two
// codes that carry no envelope.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

// Its argument points at a tNotifierCreationRecord.
constexpr uint32_t kIOControlCreateNotifier = 0x4010FF00u;
// Its argument, cut to 32 bits, is the selector of the notifier to destroy.
constexpr uint32_t kIOControlDestroyNotifier = 0xFF01u;

struct tNotifierCreationRecord {
  uint64_t identifier;
  uint32_t port;
  uint32_t selector;
};
static_assert(offsetof(tNotifierCreationRecord, identifier) == 0, "notifier record: identifier");
static_assert(offsetof(tNotifierCreationRecord, port) == 8, "notifier record: port");
static_assert(offsetof(tNotifierCreationRecord, selector) == 12, "notifier record: selector");
static_assert(sizeof(tNotifierCreationRecord) == 16, "notifier record is 16 bytes");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
