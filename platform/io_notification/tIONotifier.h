// Sends fixed-size notifications to a kernel socket user mode listens on.
// Takes no lock: its owner serialises its use.
#pragma once

#include <stdint.h>

#include "platform/io_notification/tIONotifierParams.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tIONotifier {
 public:
  tIONotifier() : identifier_(0), buffer_(nullptr), port_(0) {}

  // Opening an open notifier closes the old one first, so user mode hears
  // the old identifier's closing message and the old buffer is not lost.
  virtual void initialize(const tIONotifierParams& params, nKIVAPALS100::tStatus& status);
  virtual void close();
  virtual ~tIONotifier();
  // Payload up to 32 bytes; the low 32 bits of the length count.
  virtual void notify(const void* payload, uint64_t length, nKIVAPALS100::tStatus& status);

  bool isOpen() const { return buffer_ != nullptr; }
  uint64_t getIdentifier() const { return identifier_; }
  uint32_t getPort() const { return port_; }

  tIONotifier(const tIONotifier&) = delete;
  tIONotifier& operator=(const tIONotifier&) = delete;

 private:
  uint64_t identifier_;
  void* buffer_;
  uint32_t port_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
