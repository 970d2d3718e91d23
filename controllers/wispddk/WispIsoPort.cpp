#include "controllers/wispddk/WispIsoPort.h"

#include "kal/include/nKIVKAL.h"

namespace wispddk {

// The kit drives the window without the kernel layer: plain loads and
// stores, through the hooks that carry every plain BAR access.
namespace {
volatile void* at(uint8_t* base, uint32_t offset) {
  return reinterpret_cast<volatile void*>(reinterpret_cast<uintptr_t>(base) + offset);
}
}  // namespace

uint32_t WispIsoPort::load(uint8_t* base, uint32_t offset) const { return kalHook_memoryRead32(at(base, offset)); }

void WispIsoPort::store(uint8_t* base, uint32_t offset, uint32_t value) const {
  kalHook_memoryWrite32(at(base, offset), value);
}

WispIsoPort::WispIsoPort(uint8_t* bar, uint32_t windowOffset, nKIVAPALS100::tStatus& status)
    : versionView_(nullptr),
      controlView_(nullptr),
      router_{1, 2, nullptr},
      connection_{nullptr, WispConnectionDescriptor{false, 0, 0, 0, 0, 0}},
      windowBase_(nullptr),
      bar_(bar),
      windowOffset_(windowOffset) {
  // The window base may lie below the BAR: only offsets from kWindowBias up
  // are ever used on it.
  uint8_t* base = reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(bar) + windowOffset - kWindowBias);
  if (load(base, kSignatureOffset) != kSignature) {
    vorlanSetCode(status, kSignatureMismatch);
    return;
  }
  windowBase_ = base;
  versionView_ = base;
  controlView_ = base;
  router_.base = base;
  connection_.base = base;
}

WispIsoPort::~WispIsoPort() {
  windowBase_ = nullptr;
  bar_ = nullptr;
}

void WispIsoPort::getVersion(uint32_t& hardwareVersion, uint32_t& reserved0, uint32_t& reserved1,
                             uint32_t& kitVersion, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (versionView_ == nullptr) {
    vorlanSetCode(status, kNoWindow);
    return;
  }
  hardwareVersion = load(versionView_, kVersionOffset);
  reserved0 = 0;
  reserved1 = 0;
  kitVersion = kKitVersion;
}

void WispIsoPort::route(uint32_t routeWord, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (router_.base == nullptr || controlView_ == nullptr ||
      (load(controlView_, kControlOffset) & kRouteLockBit) != 0) {
    vorlanSetCode(status, kNoWindow);
    return;
  }
  if (router_.portA == 0 || router_.portB == 0) routeWord &= 0xFFFFu;
  for (uint32_t slot = 0; slot < kSlotCount; ++slot) {
    const uint8_t i = static_cast<uint8_t>(slot);
    switch ((routeWord >> (2 * slot)) & kRouteCodeMask) {
      case kRouteAToB:
        resetSlot(router_.portA, router_.portB, i);
        connect(router_.portA, router_.portB, i);
        break;
      case kRouteBToA:
        resetSlot(router_.portA, router_.portB, i);
        connect(router_.portB, router_.portA, i);
        break;
      case kRouteReset:
        resetSlot(router_.portA, router_.portB, i);
        break;
      default:
        break;
    }
  }
}

uint32_t WispIsoPort::connect(uint32_t fromPort, uint32_t toPort, uint8_t slot) {
  const uint32_t data = fromPort == 2 || (fromPort == 1 && toPort == 2) ? kDataConnectForward : kDataConnectOther;
  enableBlock(fromPort, slot);
  enableBlock(toPort, slot);
  storeBlock(toPort, slot, kCommand, kCommandConnect);
  storeBlock(toPort, slot, kData, data);
  return data;
}

void WispIsoPort::resetSlot(uint32_t portA, uint32_t portB, uint8_t channel) {
  resetBlock(portA, channel);
  resetBlock(portB, channel);
}

void WispIsoPort::resetBlock(uint32_t port, uint8_t channel) {
  storeBlock(port, channel, kCommand, kCommandReset);
  storeBlock(port, channel, kData, kDataIdle);
}

void WispIsoPort::closeBlock(uint32_t port, uint8_t channel) {
  storeBlock(port, channel, kCommand, kCommandClose);
  storeBlock(port, channel, kData, kDataIdle);
}

void WispIsoPort::enableBlock(uint32_t port, uint8_t channel) { storeBlock(port, channel, kEnable, 1); }

void WispIsoPort::setChannelData(uint32_t port, uint8_t channel, uint32_t lowBits) {
  storeBlock(port, channel, kCommand, kCommandConnect);
  storeBlock(port, channel, kData, lowBits | kDataConnectOther);
}

uint32_t WispIsoPort::addLine(uint32_t port, uint8_t channel, uint32_t line) {
  uint32_t mask = loadBlock(port, channel, kOpenLines);
  if (line >= kLineCount) return mask;
  if (mask == 0) {
    storeBlock(port, channel, kHandshake, 1);
    storeBlock(port, channel, kHandshake, 2);
  }
  mask |= 1u << line;
  storeBlock(port, channel, kOpenLines, mask);
  return mask;
}

void WispIsoPort::selectLine(uint32_t port, uint8_t channel, uint32_t line) {
  if (line >= kLineCount) return;
  storeBlock(port, channel, kData, ((1u << line) & kLineMask) | kDataIdle);
  storeBlock(port, channel, kMode, kModeLineOpen);
  storeBlock(port, channel, kCommand, kCommandConnect);
}

void WispIsoPort::removeLine(uint32_t port, uint8_t channel, uint32_t line) {
  if (line >= kLineCount) return;
  const uint32_t before = loadBlock(port, channel, kOpenLines);
  const uint32_t mask = before & ~(1u << line);
  storeBlock(port, channel, kOpenLines, mask);
  if (mask == 0 && before != 0) {
    storeBlock(port, channel, kHandshake, 1);
    storeBlock(port, channel, kMode, kModeNoLine);
  }
}

WispConnectionDescriptor WispIsoPort::openConnection(uint32_t sourcePort, uint8_t sourceChannel,
                                                     uint32_t destinationPort, uint8_t destinationChannel,
                                                     nKIVAPALS100::tStatus& status) {
  if (status.isNotFatal() && connection_.record.open) vorlanSetCode(status, kConnectionOpen);
  if (status.isNotFatal() && connection_.base == nullptr) vorlanSetCode(status, kNoWindow);
  if (status.isFatal()) return WispConnectionDescriptor{false, 0, 0, 0, 0, 0};
  enableBlock(sourcePort, sourceChannel);
  enableBlock(destinationPort, destinationChannel);
  addLine(sourcePort, sourceChannel, kConnectionLine);
  storeBlock(destinationPort, destinationChannel, kData, kDataIdle | (1u << kConnectionLine));
  storeBlock(destinationPort, destinationChannel, kMode, kModeLineOpen);
  storeBlock(destinationPort, destinationChannel, kCommand, kCommandConnect);
  connection_.record =
      WispConnectionDescriptor{true, sourcePort, sourceChannel, destinationPort, destinationChannel, kConnectionLine};
  return connection_.record;
}

void WispIsoPort::closeConnection(WispConnectionDescriptor& descriptor, nKIVAPALS100::tStatus& status) {
  if (status.isFatal() || !descriptor.open || connection_.base == nullptr) return;
  closeBlock(descriptor.destinationPort, descriptor.destinationChannel);
  removeLine(descriptor.sourcePort, descriptor.sourceChannel, descriptor.line);
  descriptor.open = false;
  connection_.record.open = false;
}

uint32_t WispIsoPort::setRouteLock(bool locked) {
  if (controlView_ == nullptr) return 0;
  const uint32_t before = load(controlView_, kControlOffset);
  store(controlView_, kControlOffset, (before & ~kRouteLockBit) | (locked ? kRouteLockBit : 0));
  return before & ~kRouteLockBit;
}

}  // namespace wispddk
