#include "simboard/IsolatedPortSwitchBlock.h"

namespace simboard {

IsolatedPortSwitchBlock::IsolatedPortSwitchBlock() : RegisterBlock(kSize) {
  poke(kSignatureOffset, 32, kSignature);
  poke(kVersionOffset, 32, kHardwareVersion);
  for (uint32_t port = 1; port <= 2; ++port) {
    for (uint32_t slot = 0; slot < kSlotCount; ++slot) {
      const uint64_t command = slotBlock(port, slot) + kCommandOffset;
      onWrite(command, [this, port, slot, command](uint32_t width, uint64_t value) {
        poke(command, width, value);
        commandWritten(port, slot, static_cast<uint32_t>(value));
      });
    }
  }
}

void IsolatedPortSwitchBlock::setRouteLock(bool locked) {
  const uint32_t control = static_cast<uint32_t>(peek(kControlOffset, 32));
  poke(kControlOffset, 32, locked ? control | kRouteLockBit : control & ~kRouteLockBit);
}

// A connect lands on the block of the port the slot is connected to.
void IsolatedPortSwitchBlock::commandWritten(uint32_t port, uint32_t slot, uint32_t value) {
  if (value == kCommandReset) routes_[slot] = Route::kReset;
  if (value == kCommandConnect) routes_[slot] = port == 2 ? Route::kPort1To2 : Route::kPort2To1;
}

}  // namespace simboard
