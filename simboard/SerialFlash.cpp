#include "simboard/SerialFlash.h"

#include "simboard/GoldenFlashImage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace simboard {

bool FlashEvent::operator==(const FlashEvent& other) const {
  if (kind != other.kind) return false;
  if (kind != Kind::kTransaction) return true;
  return opcode == other.opcode && hasAddress == other.hasAddress && (!hasAddress || address == other.address) &&
         hasData == other.hasData && (!hasData || data == other.data) && accepted == other.accepted;
}

std::string describe(const FlashEvent& event) {
  switch (event.kind) {
    case FlashEvent::Kind::kWriteProtectRaised: return "WP high";
    case FlashEvent::Kind::kWriteProtectLowered: return "WP low";
    case FlashEvent::Kind::kTransaction: break;
  }
  char text[64];
  int used = std::snprintf(text, sizeof text, "op %02X", event.opcode);
  if (event.hasAddress) used += std::snprintf(text + used, sizeof text - used, " @%06X", event.address);
  if (event.hasData) used += std::snprintf(text + used, sizeof text - used, " =%02X", event.data);
  if (!event.accepted) std::snprintf(text + used, sizeof text - used, " ignored");
  return text;
}

std::vector<uint8_t> defaultFlashImage() {
  static_assert(goldenflash::kSize == SerialFlash::kSize, "the factory image fills the flash");
  // Built once per process and copied: every board starts from it.
  static const std::vector<uint8_t> factory = buildGoldenFlashImage();
  return factory;
}

SerialFlash::SerialFlash(std::function<bool()> writeProtectPin)
    : writeProtectPin_(std::move(writeProtectPin)), image_(defaultFlashImage()) {
  lastPinHigh_ = pinHigh();
}

void SerialFlash::loadImage(std::vector<uint8_t> image) {
  if (image.size() != kSize) {
    std::fprintf(stderr, "simboard: a flash image of %zu bytes; the flash holds %llu\n", image.size(),
                 static_cast<unsigned long long>(kSize));
    std::abort();
  }
  image_ = std::move(image);
}

void SerialFlash::notePin() {
  const bool high = pinHigh();
  if (high == lastPinHigh_) return;
  lastPinHigh_ = high;
  if (policy_ == LogPolicy::kFull) {
    log_->add(Access{0, 0, Direction::kWrite, high ? 1u : 0u, Space::kSerialFlash, kViaPinChange});
  }
}

std::vector<FlashEvent> SerialFlash::log() {
  notePin();
  std::vector<FlashEvent> out;
  for (const Access& a : log_->entries()) {
    if (a.space != Space::kSerialFlash) continue;
    if ((a.via & kViaPinChange) != 0) {
      out.push_back(FlashEvent{a.value != 0 ? FlashEvent::Kind::kWriteProtectRaised
                                            : FlashEvent::Kind::kWriteProtectLowered,
                               0, false, 0, false, 0, true});
      continue;
    }
    out.push_back(FlashEvent{FlashEvent::Kind::kTransaction, static_cast<uint8_t>(a.via), (a.via & kViaHasAddress) != 0,
                             static_cast<uint32_t>(a.offset), a.width != 0, static_cast<uint8_t>(a.value),
                             (a.via & kViaIgnored) == 0});
  }
  return out;
}

void SerialFlash::clearLog() {
  notePin();
  log_->clear(Space::kSerialFlash);
}

// Program and erase need the latch, the pin high and no protected block.
// Any protection bit protects the whole array here: the driver only ever
// protects everything or nothing.
bool SerialFlash::mayModify() const {
  return (status_ & kWriteEnableLatch) != 0 && pinHigh() && (status_ & kBlockProtectionBits) == 0;
}

void SerialFlash::startBusy(uint32_t reads) {
  status_ |= kBusy;
  busyReadsLeft_ = reads;
  if (reads == 0 && !busyStuck_) status_ &= static_cast<uint8_t>(~(kBusy | kWriteEnableLatch));
}

uint8_t SerialFlash::readStatus() {
  const uint8_t value = status_;
  if ((status_ & kBusy) != 0 && !busyStuck_) {
    if (busyReadsLeft_ > 0) --busyReadsLeft_;
    // The operation ends; the latch goes with it.
    if (busyReadsLeft_ == 0) status_ &= static_cast<uint8_t>(~(kBusy | kWriteEnableLatch));
  }
  return value;
}

uint8_t SerialFlash::transact(const FlashTransaction& transaction) {
  notePin();
  uint8_t answer = kErased;
  const bool accepted = run(transaction, answer);
  if (policy_ == LogPolicy::kOff) return answer;
  const Direction direction = transaction.read ? Direction::kRead : Direction::kWrite;
  ++(transaction.read ? reads_ : writes_);
  if (policy_ == LogPolicy::kFull) {
    const uint16_t via = static_cast<uint16_t>(transaction.opcode | (transaction.addressBits != 0 ? kViaHasAddress : 0) |
                                               (accepted ? 0 : kViaIgnored));
    log_->add(Access{transaction.address, transaction.dataBits != 0 ? 8u : 0u, direction,
                     transaction.read ? answer : transaction.dataOut, Space::kSerialFlash, via});
  }
  return answer;
}

bool SerialFlash::run(const FlashTransaction& t, uint8_t& answer) {
  const uint32_t address = t.address & static_cast<uint32_t>(kSize - 1);
  const bool busy = (status_ & kBusy) != 0;
  if (t.opcode == kReadStatus) {
    if (!t.read || t.dataBits != 8 || t.addressBits != 0) return false;
    answer = readStatus();
    return true;
  }
  // While busy the flash answers nothing but its status.
  if (busy) return false;
  switch (t.opcode) {
    case kRead:
      if (!t.read || t.dataBits != 8 || t.addressBits != 24) return false;
      answer = image_[address];
      return true;
    case kWriteEnable:
      if (t.read || t.dataBits != 0 || t.addressBits != 0) return false;
      if (!writeEnableNeverSets_) status_ |= kWriteEnableLatch;
      return true;
    case kWriteDisable:
      if (t.read || t.dataBits != 0 || t.addressBits != 0) return false;
      status_ &= static_cast<uint8_t>(~kWriteEnableLatch);
      return true;
    case kEnableWriteStatus:
      if (t.read || t.dataBits != 0 || t.addressBits != 0) return false;
      statusWriteEnabled_ = true;
      return true;
    case kWriteStatus: {
      if (t.read || t.dataBits != 8 || t.addressBits != 0) return false;
      const bool enabled = statusWriteEnabled_ || (status_ & kWriteEnableLatch) != 0;
      const bool locked = (status_ & kBlockProtectionLock) != 0 && !pinHigh();
      statusWriteEnabled_ = false;
      if (!enabled || locked) return false;
      const uint8_t writable = kBlockProtectionBits | kBlockProtectionLock;
      status_ = static_cast<uint8_t>((status_ & ~writable & ~kWriteEnableLatch) | (t.dataOut & writable));
      return true;
    }
    case kSectorErase: {
      if (t.read || t.dataBits != 0 || t.addressBits != 24) return false;
      if (!mayModify()) {
        status_ &= static_cast<uint8_t>(~kWriteEnableLatch);
        return false;
      }
      const uint32_t start = address & ~static_cast<uint32_t>(kSectorSize - 1);
      std::fill(image_.begin() + start, image_.begin() + start + kSectorSize, kErased);
      startBusy(eraseBusyReads_);
      return true;
    }
    case kByteProgram:
      if (t.read || t.dataBits != 8 || t.addressBits != 24) return false;
      if (!mayModify()) {
        status_ &= static_cast<uint8_t>(~kWriteEnableLatch);
        return false;
      }
      if (!programmingIgnored_) image_[address] &= t.dataOut;
      startBusy(programBusyReads_);
      return true;
    default:
      return false;
  }
}

}  // namespace simboard
