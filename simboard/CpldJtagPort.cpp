#include "simboard/CpldJtagPort.h"

namespace simboard {

void CpldJtagPort::restart() {
  check_.begin(kTarget, kImageBytes);
  pushWords_ = 0;
  error_ = false;
  accepted_ = false;
  ready_ = false;
  enabled_ = false;
}

void CpldJtagPort::reset() {
  restart();
  scriptNext_ = script_.size();
}

void CpldJtagPort::configWritten(uint32_t value) {
  if ((value & kResetStrobe) != 0) {
    ++resets_;
    restart();
  }
  if ((value & kEnableStrobe) != 0 && accepted_ && !interfaceNeverReady_) ready_ = true;
  if ((value & kEnableDoneStrobe) != 0 && ready_) enabled_ = true;
}

void CpldJtagPort::dataWritten(uint32_t word) {
  ++words_;
  if (pushWords_++ == 0 && refusals_ > 0) {
    --refusals_;
    error_ = true;
  }
  if (error_) return;
  check_.take(word, 4);
  if (!check_.intact()) {
    error_ = true;
    accepted_ = false;
    return;
  }
  accepted_ = check_.verified();
}

uint32_t CpldJtagPort::fifoStatusRead() {
  // The interface empties the FIFO into the CPLDs between two reads.
  uint32_t room = stuckFull_ ? 0 : kCapacity;
  if (scriptNext_ < script_.size()) room = script_[scriptNext_++];
  return (room & 0x7FFu) | (error_ ? kErrorBit : 0);
}

}  // namespace simboard
