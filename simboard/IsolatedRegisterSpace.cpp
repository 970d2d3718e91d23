#include "simboard/IsolatedRegisterSpace.h"

#include <array>
#include <cstddef>

namespace simboard {

namespace {

// The board's registers that do not simply keep what is written, as the
// FPGA design documents them (word offsets; a channel's relative to its
// block's start at 0x1000). Everything not listed is a plain register.
struct Entry {
  uint32_t first;
  uint32_t last;
  char kind;  // 'r' read-only, 's' split views, 'p' plain
  uint32_t strobes;
};

constexpr Entry kIsoFpga[] = {
    {0x000, 0x001, 'r', 0},          {0x006, 0x006, 'p', 0x0087FFFFu}, {0x007, 0x007, 'p', 0x80000304u},
    {0x008, 0x008, 'p', 0x3FFFFFFFu}, {0x009, 0x009, 'p', 0x00000111u}, {0x00A, 0x00D, 'r', 0},
    {0x00E, 0x00E, 'p', 0x03032BFFu}, {0x020, 0x021, 'r', 0},          {0x022, 0x022, 'p', 0xFF000000u},
    {0x024, 0x025, 'r', 0},          {0x027, 0x027, 'r', 0},          {0x02C, 0x032, 'r', 0},
    {0x050, 0x051, 'p', 0xFFFFFFFFu}, {0x054, 0x054, 'p', 0x07000000u}, {0x055, 0x056, 'r', 0},
    {0x057, 0x057, 'p', 0x0000000Fu}, {0x059, 0x05B, 'r', 0},          {0x074, 0x074, 'p', 0x0000003Cu},
    {0x080, 0x085, 'r', 0},          {0x09C, 0x09F, 'r', 0},          {0x104, 0x107, 'p', 0xFFFFFFFFu},
    {0x120, 0x121, 'p', 0x000000FFu}, {0x122, 0x122, 'p', 0x00000520u}, {0x123, 0x125, 'r', 0},
    {0x130, 0x130, 'p', 0x000F011Fu}, {0x131, 0x135, 'r', 0},          {0x150, 0x15F, 'r', 0},
    {0x166, 0x166, 'r', 0},          {0x167, 0x167, 'p', 0x00FFFFFFu}, {0x168, 0x168, 'p', 0x80008000u},
    {0x170, 0x170, 's', 0x00000100u}, {0x180, 0x180, 'p', 0x0000003Fu}, {0x210, 0x210, 'p', 0x00FFFFFFu},
    {0x220, 0x220, 'p', 0x0000000Fu},
};

constexpr Entry kChannel[] = {
    {0x01, 0x01, 'p', 0x00000003u}, {0x02, 0x02, 'p', 0x00000307u}, {0x03, 0x03, 'r', 0},
    {0x07, 0x07, 'r', 0},          {0x0E, 0x0E, 'p', 0x00000007u}, {0x0F, 0x0F, 'r', 0},
    {0x10, 0x13, 'p', 0xFFFFFFFFu}, {0x2E, 0x2E, 's', 0x00FFFFC0u}, {0x2F, 0x2F, 'p', 0xD7000010u},
    {0x32, 0x32, 'p', 0x0F31733Fu}, {0x35, 0x36, 'r', 0},          {0x39, 0x39, 'r', 0},
    {0x3A, 0x3A, 'p', 0x0000003Fu}, {0x3B, 0x3B, 'p', 0x00000007u}, {0x3F, 0x3F, 'p', 0x8001FFFFu},
    {0x56, 0x56, 'r', 0},          {0x57, 0x57, 'p', 0x8001FFFFu}, {0x58, 0x58, 'p', 0x83100000u},
    {0x5F, 0x5F, 'r', 0},          {0x6F, 0x6F, 'r', 0},          {0x70, 0x70, 's', 0x41000000u},
    {0x71, 0x72, 'r', 0},          {0x74, 0x74, 's', 0x1782A002u}, {0x75, 0x75, 'p', 0x80000000u},
    {0x78, 0x78, 'p', 0xFFFFFFFFu},
};

// The tables above spread over every offset once, so an access finds its
// register's behaviour in one step.
template <std::size_t Words, std::size_t N>
std::array<IsolatedRegisterSpace::Behaviour, Words> spread(const Entry (&table)[N]) {
  std::array<IsolatedRegisterSpace::Behaviour, Words> out;
  out.fill(IsolatedRegisterSpace::Behaviour{IsolatedRegisterSpace::Kind::kPlain, 0});
  for (const Entry& e : table) {
    const IsolatedRegisterSpace::Kind kind = e.kind == 'r'   ? IsolatedRegisterSpace::Kind::kReadOnly
                                             : e.kind == 's' ? IsolatedRegisterSpace::Kind::kSplit
                                                             : IsolatedRegisterSpace::Kind::kPlain;
    for (uint32_t a = e.first; a <= e.last; ++a) out[a] = IsolatedRegisterSpace::Behaviour{kind, e.strobes};
  }
  return out;
}

}  // namespace

IsolatedRegisterSpace::IsolatedRegisterSpace() : readView_(kWordCount, 0), writeView_(kWordCount, 0) {
  readView_[kSignatureAddress] = kSignature;
}

IsolatedRegisterSpace::Behaviour IsolatedRegisterSpace::behaviourOf(uint32_t address) {
  static const std::array<Behaviour, 0x1000> fpga = spread<0x1000>(kIsoFpga);
  static const std::array<Behaviour, kChannelBlockWords> channel = spread<kChannelBlockWords>(kChannel);
  return address < channelBase(0) ? fpga[address] : channel[address & (kChannelBlockWords - 1)];
}

bool IsolatedRegisterSpace::reaches(uint32_t window, uint32_t address) {
  address &= kAddressMask;
  if (window == kIsoFpgaWindow) return address < channelBase(0);
  return window < kChannelCount && (address & ~(kChannelBlockWords - 1)) == channelBase(window);
}

LogPolicy IsolatedRegisterSpace::policyFor(uint32_t window, uint32_t address) const {
  if (window != kIsoFpgaWindow) return policy_;
  if (SequencerLocalRam::owns(address)) return localRam_.logPolicy();
  // The CPLD image's words are bulk.
  if ((address & kAddressMask) == CpldJtagPort::kDataAddress) return cpldJtag_.logPolicy();
  return policy_;
}

void IsolatedRegisterSpace::note(uint32_t window, uint32_t address, Direction direction, uint32_t value) {
  const LogPolicy policy = policyFor(window, address);
  if (window == kIsoFpgaWindow && SequencerLocalRam::owns(address)) {
    if (policy != LogPolicy::kOff) localRam_.count(direction);
  } else if (policy != LogPolicy::kOff) {
    ++(direction == Direction::kRead ? reads_ : writes_);
  }
  if (policy == LogPolicy::kFull) {
    log_->add(simboard::Access{address, 32, direction, value, Space::kIsolated, static_cast<uint16_t>(window)});
  }
}

// One access to a relay CPLD: logged in the CPLD space (offset: the CPLD's
// register, via: the CPLD) as the side's policy says, and kept per CPLD and
// register.
void IsolatedRegisterSpace::cpldAccess(uint32_t word) {
  const uint32_t cpld = (word >> 28) % kCpldCount;
  const uint32_t reg = (word >> 24) & 0xFu;
  const uint32_t data = word & 0xFFFFFFu;
  cpldWords_.push_back(word);
  cpldLog_[cpld * kCpldRegisterCount + reg].push_back(data);
  if (policy_ == LogPolicy::kFull) {
    log_->add(simboard::Access{reg, 24, Direction::kWrite, data, Space::kCpld, static_cast<uint16_t>(cpld)});
  }
}

std::vector<IsolatedRegisterSpace::Access> IsolatedRegisterSpace::log() const {
  std::vector<Access> out;
  for (const simboard::Access& a : log_->entries()) {
    if (a.space != Space::kIsolated) continue;
    out.push_back(Access{a.via, static_cast<uint32_t>(a.offset), a.direction == Direction::kWrite,
                         static_cast<uint32_t>(a.value)});
  }
  return out;
}

void IsolatedRegisterSpace::poke(uint32_t address, uint32_t value) {
  readView_[address & kAddressMask] = value;
  writeView_[address & kAddressMask] = value;
}

uint32_t IsolatedRegisterSpace::read(uint32_t window, uint32_t address) {
  address &= kAddressMask;
  uint32_t value = reaches(window, address) ? readView_[address] : kNothing;
  if (window == kIsoFpgaWindow && value != kNothing) value = fpgaRead(address, value);
  if (window < kChannelCount && value != kNothing && (address & (kChannelBlockWords - 1)) == InterruptGenerator::kStatusOffset) {
    value |= interrupts_.activeBits(window);
  }
  note(window, address, Direction::kRead, value);
  return value;
}

void IsolatedRegisterSpace::write(uint32_t window, uint32_t address, uint32_t value) {
  address &= kAddressMask;
  note(window, address, Direction::kWrite, value);
  if (!reaches(window, address)) return;
  if (window == kIsoFpgaWindow) {
    if (address == kCpldAccessAddress) cpldAccess(value);
    fpgaWrite(address, value);
  }
  const Behaviour b = behaviourOf(address);
  if (b.kind == Kind::kReadOnly) return;
  writeView_[address] = value;
  if (b.kind == Kind::kPlain) readView_[address] = value & ~b.strobes;
  sequencerWrite(window, address, value);
  if (observer_) observer_(address, value);
}

// The models' bits join what the read view holds, so a test can still set
// any bit itself.
uint32_t IsolatedRegisterSpace::fpgaRead(uint32_t address, uint32_t value) {
  switch (address) {
    case ExternalPll::kStatusAddress:
      return value | pll_.statusRead();
    case CpldJtagPort::kInterfaceStatusAddress:
      return value | cpldJtag_.interfaceStatus();
    case CpldJtagPort::kFifoStatusAddress:
      return value | cpldJtag_.fifoStatusRead();
    default:
      return value;
  }
}

void IsolatedRegisterSpace::fpgaWrite(uint32_t address, uint32_t value) {
  switch (address) {
    case ExternalPll::kShiftAddress:
      pll_.wordWritten(value);
      return;
    case CpldJtagPort::kDataAddress:
      cpldJtag_.dataWritten(value);
      return;
    case CpldJtagPort::kConfigAddress:
      cpldJtag_.configWritten(value);
      return;
    default:
      return;
  }
}

// What the sequencer's RAM and interrupt generator make of a write the
// register took.
void IsolatedRegisterSpace::sequencerWrite(uint32_t window, uint32_t address, uint32_t value) {
  if (window == kIsoFpgaWindow) {
    if (address == SequencerLocalRam::kWriteAddress) {
      localRam_.commit(value, writeView_[SequencerLocalRam::kCommandHigh], writeView_[SequencerLocalRam::kCommandLow]);
    } else if (address == SequencerLocalRam::kReadAddress) {
      const SequencerLocalRam::Halves h = localRam_.load(value);
      poke(SequencerLocalRam::kCommandHigh, h.high);
      poke(SequencerLocalRam::kCommandLow, h.low);
    } else if (address == InterruptGenerator::kConfigAddress) {
      interrupts_.configWritten(value, writeView_[InterruptGenerator::kAddressAddress]);
    } else if (address == ChannelEngines::kTriggerOverride) {
      engines_.overrideWritten(value, &readView_[channelBase(0)]);
    }
  } else {
    if ((address & (kChannelBlockWords - 1)) == InterruptGenerator::kGenerateOffset) {
      interrupts_.generateWritten(window, value);
    }
    engines_.written(window, address & (kChannelBlockWords - 1), value, &readView_[channelBase(window)]);
  }
}

}  // namespace simboard
