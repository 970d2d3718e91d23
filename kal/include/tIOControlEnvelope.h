// The record every request of user mode travels in: where its inbound and
// outbound records are, and how many bytes came back.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

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

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
