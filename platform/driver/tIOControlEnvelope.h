// The records user mode hands to ioctl: the envelope every request travels
// in, and the record that creates an I/O notifier.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

// Codes that carry no envelope.
constexpr uint32_t kIOControlCreateNotifier = 0x4010FF00u;
// Its argument, cut to 32 bits, is the selector of the notifier to destroy.
constexpr uint32_t kIOControlDestroyNotifier = 0xFF01u;

struct tIOControlEnvelope {
  uint64_t inboundPointer;
  uint64_t outboundPointer;
  uint32_t inboundSize;
  uint32_t outboundSize;
  uint32_t bytesReturned;
  uint32_t reserved;
};
static_assert(offsetof(tIOControlEnvelope, inboundPointer) == 0, "envelope: inbound pointer");
static_assert(offsetof(tIOControlEnvelope, outboundPointer) == 8, "envelope: outbound pointer");
static_assert(offsetof(tIOControlEnvelope, inboundSize) == 16, "envelope: inbound size");
static_assert(offsetof(tIOControlEnvelope, outboundSize) == 20, "envelope: outbound size");
static_assert(offsetof(tIOControlEnvelope, bytesReturned) == 24, "envelope: bytes returned");
static_assert(offsetof(tIOControlEnvelope, reserved) == 28, "envelope: reserved");
static_assert(sizeof(tIOControlEnvelope) == 32, "envelope is 32 bytes");

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
