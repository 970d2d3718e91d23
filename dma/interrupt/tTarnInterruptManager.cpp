#include "dma/interrupt/tTarnInterruptManager.h"

#include "kal/include/nKIVKAL.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tTarnInterruptManager::tTarnInterruptManager(volatile uint8_t* bridge, bool messageSignalled)
    : bridge_(bridge), messageSignalled_(messageSignalled) {
  writeMask(kAllOff);
}

tTarnInterruptManager::~tTarnInterruptManager() { writeMask(kMask); }

void tTarnInterruptManager::writeMask(uint32_t value) { nKIVKAL100_memoryWrite32(bridge_ + kMaskOffset, value); }

void tTarnInterruptManager::deactivate() { writeMask(kMask); }

void tTarnInterruptManager::reactivate() { writeMask(kAllOff); }

bool tTarnInterruptManager::claimInterrupt() {
  if (messageSignalled_) return true;
  const uint32_t status = nKIVKAL100_memoryRead32(bridge_ + kStatusOffset);
  if (status == kNoDevice || (status & kRequesting) == 0) return false;
  writeMask(kMask);
  return true;
}

void tTarnInterruptManager::configure(uint32_t sourceFlags) {
  if (sourceFlags == 0) {
    writeMask(kAllOff);
    return;
  }
  // One bit of each set/clear pair: the source's enable when its flag is
  // given, else its disable.
  uint32_t value = 1u << 31;
  value |= (sourceFlags & 0x1000000u) != 0 ? 1u << 29 : 1u << 28;
  value |= (sourceFlags & 0x200u) != 0 ? 1u << 9 : 1u << 8;
  value |= (sourceFlags & 0x800u) != 0 ? 1u << 11 : 1u << 10;
  value |= (sourceFlags & 0x2000000u) != 0 ? 1u << 27 : 1u << 26;
  writeMask(value);
}

uint32_t tTarnInterruptManager::readQueue() { return nKIVKAL100_memoryRead32(bridge_ + kQueueOffset); }

uint32_t tTarnInterruptManager::dequeueInterrupt() {
  const uint32_t entry = readQueue();
  return entry == kNoDevice ? 0 : entry;
}

void tTarnInterruptManager::arm() { writeMask(kArm); }

void tTarnInterruptManager::rearm() {
  if (!messageSignalled_) arm();
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
