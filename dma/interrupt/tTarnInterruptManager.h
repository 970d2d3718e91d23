// The bridge chip's interrupt block as the interrupt path drives it: the mask
// register 0x5C written with whole values, the status 0x60 that says whether
// the bridge requests an interrupt, and the queue 0x68 of notification keys.
// With a message-signalled interrupt the message itself says the interrupt
// is ours, so neither claim nor re-arm touches the hardware; arming at
// start-up does, in both modes.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tTarnInterruptManager {
 public:
  static constexpr uint32_t kMaskOffset = 0x5C;
  static constexpr uint32_t kStatusOffset = 0x60;
  static constexpr uint32_t kQueueOffset = 0x68;
  static constexpr uint32_t kAllOff = 0x54000500u;
  static constexpr uint32_t kArm = 0x80000000u;
  static constexpr uint32_t kMask = 0x40000000u;
  static constexpr uint32_t kRequesting = 1u << 31;
  static constexpr uint32_t kEntryMore = 1u << 30;
  static constexpr uint32_t kEntryNotification = 1u << 28;
  static constexpr uint32_t kEntryKey = 0x3FFFu;
  static constexpr uint32_t kNoDevice = 0xFFFFFFFFu;
  static constexpr uint32_t kSourceFlagsInterruptsOn = 0x10000000u;

  tTarnInterruptManager(volatile uint8_t* bridge, bool messageSignalled);
  virtual ~tTarnInterruptManager();

  virtual void deactivate();
  virtual void reactivate();
  virtual bool claimInterrupt();
  virtual void configure(uint32_t sourceFlags);
  // The next queue entry; a device that does not answer reads as none.
  virtual uint32_t dequeueInterrupt();
  // Unless message-signalled: the claim masked the bridge, arming undoes it.
  virtual void rearm();

  // Enables the bridge's interrupt once configured.
  void arm();

  // The raw queue read, all ones included: the deferred call ends on it.
  uint32_t readQueue();
  bool isMessageSignalled() const { return messageSignalled_; }

 private:
  void writeMask(uint32_t value);

  volatile uint8_t* bridge_;
  bool messageSignalled_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
