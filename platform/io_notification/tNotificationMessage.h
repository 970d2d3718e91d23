// The one asynchronous message from the driver to user mode, 48 bytes on
// the kernel socket.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tNotificationMessage {
  static constexpr uint32_t kMaxPayload = 32;
  static constexpr uint32_t kTypeNotification = 1;
  static constexpr uint32_t kTypeClosing = 2;

  uint64_t identifier;
  uint32_t length;
  uint8_t payload[kMaxPayload];
  uint8_t reserved[4];
};
static_assert(offsetof(tNotificationMessage, identifier) == 0, "notification: identifier");
static_assert(offsetof(tNotificationMessage, length) == 8, "notification: length");
static_assert(offsetof(tNotificationMessage, payload) == 12, "notification: payload");
static_assert(offsetof(tNotificationMessage, reserved) == 44, "notification: reserved");
static_assert(sizeof(tNotificationMessage) == 48, "notification message is 48 bytes");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
