#include "simboard/BusInterfaceBlock.h"

namespace simboard {

BusInterfaceBlock::BusInterfaceBlock() : RegisterBlock(kSize) {
  onWrite(kCommandOffset, [this](uint32_t, uint64_t value) { command(static_cast<uint32_t>(value)); });
  onRead(kCommandOffset, [this](uint32_t) { return status(); });
}

// The bridge loads the data of a read into 0x68C at once; only the ready
// flag waits. So a read that the driver gives up on still changes 0x68C.
void BusInterfaceBlock::command(uint32_t word) {
  ++commands_;
  const uint32_t port = (word >> 8) & 0x7u;
  const uint32_t selector = (word >> 20) & 0xFu;
  const uint32_t address = (word >> 24) & 0xFFu;
  poke(kCommandOffset, 32, word & ~(kWriteStrobe | kReadStrobe | kReadDataReady));
  readPending_ = false;
  ready_ = false;
  readsSinceCommand_ = 0;
  if ((word & kWriteStrobe) != 0) {
    ports_.write(port, selector, address, static_cast<uint32_t>(peek(kDataOffset, 32)));
  }
  if ((word & kReadStrobe) != 0) {
    poke(kDataOffset, 32, ports_.read(port, selector, address));
    readPending_ = true;
  }
}

uint32_t BusInterfaceBlock::status() {
  if (readPending_ && !ready_ && !neverReady_) {
    if (readsSinceCommand_ >= readyDelayReads_) ready_ = true;
    ++readsSinceCommand_;
  }
  return static_cast<uint32_t>(peek(kCommandOffset, 32)) | (ready_ ? kReadDataReady : 0u);
}

}  // namespace simboard
