#include "platform/io_notification/tIONotifier.h"

#include "kal/include/nKIVKAL.h"
#include "platform/driver/kalStatus.h"
#include "platform/io_notification/tNotificationMessage.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {
constexpr uint32_t kMessageSize = sizeof(tNotificationMessage);
}  // namespace

tIONotifier::~tIONotifier() { close(); }

void tIONotifier::initialize(const tIONotifierParams& params, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  void* buffer = nKIVKAL250_createKernelSocketBuffer(kMessageSize);
  if (buffer == nullptr) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  close();
  buffer_ = buffer;
  identifier_ = params.identifier;
  port_ = params.port;
}

void tIONotifier::notify(const void* payload, uint64_t length, nKIVAPALS100::tStatus& status) {
  const uint32_t count = static_cast<uint32_t>(length);
  if (count > tNotificationMessage::kMaxPayload) vorlanSetCode(status, statusCodes::kInvalidArgument);
  if (status.isFatal()) return;
  void* buffer = nKIVKAL250_createKernelSocketBuffer(kMessageSize);
  if (buffer == nullptr) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  tNotificationMessage message;
  fillBytes(&message, 0, sizeof(message));
  message.identifier = identifier_;
  message.length = count;
  if (count != 0) copyBytes(message.payload, payload, count);
  kivTranslateKalStatus(
      nKIVKAL250_kernelSocketSend(buffer, port_, tNotificationMessage::kTypeNotification, &message, kMessageSize),
      status);
  if (status.isFatal()) nKIVKAL250_releaseKernelSocketBuffer(buffer);
}

void tIONotifier::close() {
  if (!isOpen()) return;
  tNotificationMessage message;
  fillBytes(&message, 0, sizeof(message));
  message.identifier = identifier_;
  // Nobody is told when the closing message is lost, but the buffer the
  // send did not take over is still ours to release.
  if (nKIVKAL250_kernelSocketSend(buffer_, port_, tNotificationMessage::kTypeClosing, &message, kMessageSize) != 0) {
    nKIVKAL250_releaseKernelSocketBuffer(buffer_);
  }
  port_ = 0;
  buffer_ = nullptr;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
