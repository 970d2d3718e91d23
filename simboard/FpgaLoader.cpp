#include "simboard/FpgaLoader.h"

namespace simboard {

void FpgaLoader::start(uint64_t bytes, uint32_t portSelect) {
  ++starts_;
  expected_ = bytes;
  portSelect_ = portSelect;
  verified_ = false;
  const uint32_t target = portSelect == kIsoPortSelect ? 1 : portSelect == kNisoPortSelect ? 0 : 0xFFu;
  check_.begin(target, bytes);
  state_ = State::kReady;
  if (bytes == 0) finish();
}

void FpgaLoader::finish() {
  verified_ = check_.verified() && portSelect_ >= kNisoPortSelect && portSelect_ <= kIsoPortSelect;
  // A bad image keeps the loader taking data and never done; a good one
  // is done at once.
  if (!verified_) return;
  state_ = State::kDone;
  if (listener_) listener_(portSelect_);
}

uint32_t FpgaLoader::status() const {
  uint32_t status = 0;
  const uint32_t port = 1u << (portSelect_ & 7);
  if (state_ == State::kReady && (neverReady_ & port) == 0) status |= kReadyForData;
  if (state_ == State::kDone && (neverDone_ & port) == 0) status |= kDone;
  return status;
}

}  // namespace simboard
