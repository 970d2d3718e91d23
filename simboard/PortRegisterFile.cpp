#include "simboard/PortRegisterFile.h"

#include <cstdio>

namespace simboard {

namespace {
std::string describe(char direction, uint32_t port, uint32_t selector, uint32_t address, uint32_t value) {
  char text[64];
  std::snprintf(text, sizeof text, "%c %u.%u.0x%X=0x%X", direction, port, selector, address, value);
  return text;
}

bool isControlStatus(uint32_t port, uint32_t selector, uint32_t address) {
  return port == PortRegisterFile::kIOPort2 && selector == PortRegisterFile::kIOPort2Selector &&
         address == PortRegisterFile::kControlStatusAddress;
}
}  // namespace

uint32_t PortRegisterFile::peek(uint32_t port, uint32_t selector, uint32_t address) const {
  const auto found = registers_.find(Key{port, selector, address});
  return found == registers_.end() ? 0u : found->second;
}

uint32_t PortRegisterFile::writesTo(uint32_t port, uint32_t selector, uint32_t address) const {
  const auto found = writeCounts_.find(Key{port, selector, address});
  return found == writeCounts_.end() ? 0u : found->second;
}

bool PortRegisterFile::canLock() const {
  const uint32_t control = peek(kIOPort2, kIOPort2Selector, kControlStatusAddress);
  const uint32_t mode = peek(kIOPort2, kIOPort2Selector, kModeAddress) & 0x3u;
  const uint32_t pll = peek(kIOPort2, kIOPort2Selector, kPllAddress);
  return !neverLocks_ && mode == kLockingMode && pll != 0 && (control & kReset) == 0;
}

uint32_t PortRegisterFile::readControlStatus() {
  const uint32_t held = peek(kIOPort2, kIOPort2Selector, kControlStatusAddress);
  uint32_t value = held & ~(kReset | kLocked);
  if ((held & kReset) != 0 && !neverInReset_) value |= kReset;
  if (canLock()) {
    if (readsWhileLocking_ >= lockDelayReads_) value |= kLocked;
    ++readsWhileLocking_;
  } else {
    readsWhileLocking_ = 0;
  }
  return value;
}

uint32_t PortRegisterFile::read(uint32_t port, uint32_t selector, uint32_t address) {
  const uint32_t value =
      isControlStatus(port, selector, address) ? readControlStatus() : peek(port, selector, address);
  log_.push_back(describe('R', port, selector, address, value));
  return value;
}

void PortRegisterFile::write(uint32_t port, uint32_t selector, uint32_t address, uint32_t value) {
  const Key key{port, selector, address};
  ++writeCounts_[key];
  log_.push_back(describe('W', port, selector, address, value));
  if (isControlStatus(port, selector, address)) {
    // The locked bit is the port's to report; a write does not set it.
    value &= ~kLocked;
    if ((value & kReset) != 0) readsWhileLocking_ = 0;
  }
  registers_[key] = value;
}

}  // namespace simboard
