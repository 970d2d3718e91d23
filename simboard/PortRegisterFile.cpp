#include "simboard/PortRegisterFile.h"

#include <cstdio>
#include <memory>

namespace simboard {

namespace {
constexpr uint64_t kControlStatus = PortRegisterFile::offsetOf(
    PortRegisterFile::kIOPort2, PortRegisterFile::kIOPort2Selector, PortRegisterFile::kControlStatusAddress);
}  // namespace

// Every register is a word of storage; IO port 2's control/status register
// is the file's to answer.
class PortRegisterFile::Registers : public RegisterBlock {
 public:
  explicit Registers(PortRegisterFile& file) : RegisterBlock(1u << 15, 2) {
    onRead(kControlStatus, [&file](uint32_t) -> uint64_t { return file.readControlStatus(); });
    onWrite(kControlStatus, [&file](uint32_t, uint64_t value) { file.writeControlStatus(static_cast<uint32_t>(value)); });
  }
};

PortRegisterFile::PortRegisterFile()
    : space_(Space::kPortTunnel, 1u << 15, 0), registers_(&space_.add(0, std::make_unique<Registers>(*this))) {}

uint32_t PortRegisterFile::peek(uint32_t port, uint32_t selector, uint32_t address) const {
  return static_cast<uint32_t>(registers_->peek(offsetOf(port, selector, address), 32));
}

uint32_t PortRegisterFile::writesTo(uint32_t port, uint32_t selector, uint32_t address) const {
  const auto found = writeCounts_.find(offsetOf(port, selector, address));
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

void PortRegisterFile::writeControlStatus(uint32_t value) {
  // The locked bit is the port's to report; a write does not set it.
  value &= ~kLocked;
  if ((value & kReset) != 0) readsWhileLocking_ = 0;
  registers_->poke(kControlStatus, 32, value);
}

void PortRegisterFile::write(uint32_t port, uint32_t selector, uint32_t address, uint32_t value) {
  const uint64_t offset = offsetOf(port, selector, address);
  ++writeCounts_[offset];
  space_.write(offset, 32, value);
}

std::vector<std::string> PortRegisterFile::accessLog() const {
  std::vector<std::string> out;
  for (const simboard::Access& a : space_.log().entries()) {
    if (a.space != Space::kPortTunnel) continue;
    char text[64];
    std::snprintf(text, sizeof text, "%c %u.%u.0x%X=0x%X", a.direction == Direction::kWrite ? 'W' : 'R',
                  static_cast<unsigned>(a.offset >> 12), static_cast<unsigned>((a.offset >> 8) & 0xF),
                  static_cast<unsigned>(a.offset & 0xFF), static_cast<unsigned>(a.value));
    out.push_back(text);
  }
  return out;
}

}  // namespace simboard
