// The isolated-port switch kit: drives the switch's register window on a
// memory BAR with plain 32-bit loads and stores. Two ports (1 and 2), each
// with a page of per-channel blocks; a channel slot can be reset or
// connected from one port to the other, and a block can carry numbered
// lines.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace wispddk {

struct WispConnectionDescriptor {
  bool open;
  uint32_t sourcePort;
  uint8_t sourceChannel;
  uint32_t destinationPort;
  uint8_t destinationChannel;
  uint8_t line;
};
static_assert(sizeof(WispConnectionDescriptor) == 20, "connection descriptor layout");

class WispIsoPort {
 public:
  static constexpr int64_t kNoWindow = -700000;
  static constexpr int64_t kSignatureMismatch = -700001;
  static constexpr int64_t kConnectionOpen = -700020;

  static constexpr uint32_t kSignature = 0x3D5A9E00u;
  static constexpr uint32_t kKitVersion = 0x31C000u;
  // Offsets from the window base, which lies kWindowBias below the window's
  // offset in the BAR.
  static constexpr uint32_t kWindowBias = 0x1F0000u;
  static constexpr uint32_t kSignatureOffset = 0x1F0000u;
  static constexpr uint32_t kVersionOffset = 0x1F0004u;
  static constexpr uint32_t kControlOffset = 0x1F0010u;
  static constexpr uint32_t kRouteLockBit = 1u << 2;
  static constexpr uint32_t kPortPageOffset = 0x1F1000u;
  static constexpr uint32_t kPortPageStride = 0x1000u;
  static constexpr uint32_t kBlockStride = 0x80u;
  // Registers of a channel block.
  static constexpr uint32_t kEnable = 0x00;
  static constexpr uint32_t kCommand = 0x0C;
  static constexpr uint32_t kData = 0x10;
  static constexpr uint32_t kMode = 0x18;
  static constexpr uint32_t kHandshake = 0x2C;
  static constexpr uint32_t kOpenLines = 0x3C;
  // Words written to them.
  static constexpr uint32_t kCommandConnect = 0x4204u;
  static constexpr uint32_t kCommandReset = 0x4101u;
  static constexpr uint32_t kCommandClose = 0x101u;
  static constexpr uint32_t kDataIdle = 0x10000000u;
  static constexpr uint32_t kDataConnectForward = 0x10700000u;
  static constexpr uint32_t kDataConnectOther = 0x10600000u;
  static constexpr uint32_t kLineMask = 0xFFFFFFu;
  static constexpr uint32_t kLineCount = 24;
  static constexpr uint32_t kModeLineOpen = 2;
  static constexpr uint32_t kModeNoLine = 1;
  static constexpr uint8_t kConnectionLine = 10;

  // Route words: two bits per slot, slots 0-9.
  static constexpr uint32_t kSlotCount = 10;
  static constexpr uint32_t kRouteLeave = 0;
  static constexpr uint32_t kRouteAToB = 1;
  static constexpr uint32_t kRouteBToA = 2;
  static constexpr uint32_t kRouteReset = 3;
  static constexpr uint32_t kRouteCodeMask = 3;

  // Reads the signature whatever the status holds; without it every later
  // operation reports kNoWindow.
  WispIsoPort(uint8_t* bar, uint32_t windowOffset, nKIVAPALS100::tStatus& status);
  ~WispIsoPort();
  WispIsoPort(const WispIsoPort&) = delete;
  WispIsoPort& operator=(const WispIsoPort&) = delete;

  void getVersion(uint32_t& hardwareVersion, uint32_t& reserved0, uint32_t& reserved1, uint32_t& kitVersion,
                  nKIVAPALS100::tStatus& status);
  // Refused with kNoWindow, writing nothing, while the route lock is set.
  void route(uint32_t routeWord, nKIVAPALS100::tStatus& status);

  uint32_t connect(uint32_t fromPort, uint32_t toPort, uint8_t slot);
  void resetSlot(uint32_t portA, uint32_t portB, uint8_t channel);
  void resetBlock(uint32_t port, uint8_t channel);
  void closeBlock(uint32_t port, uint8_t channel);
  void enableBlock(uint32_t port, uint8_t channel);
  void setChannelData(uint32_t port, uint8_t channel, uint32_t lowBits);
  // Lines outside 0-23 change nothing.
  uint32_t addLine(uint32_t port, uint8_t channel, uint32_t line);
  void selectLine(uint32_t port, uint8_t channel, uint32_t line);
  void removeLine(uint32_t port, uint8_t channel, uint32_t line);
  WispConnectionDescriptor openConnection(uint32_t sourcePort, uint8_t sourceChannel, uint32_t destinationPort,
                                          uint8_t destinationChannel, nKIVAPALS100::tStatus& status);
  void closeConnection(WispConnectionDescriptor& descriptor, nKIVAPALS100::tStatus& status);
  uint32_t setRouteLock(bool locked);

  bool hasWindow() const { return windowBase_ != nullptr; }

 private:
  uint32_t load(uint8_t* base, uint32_t offset) const;
  void store(uint8_t* base, uint32_t offset, uint32_t value) const;
  static uint32_t blockOffset(uint32_t port, uint8_t channel) {
    return kPortPageOffset + port * kPortPageStride + uint32_t{channel} * kBlockStride;
  }
  void storeBlock(uint32_t port, uint8_t channel, uint32_t reg, uint32_t value) {
    store(windowBase_, blockOffset(port, channel) + reg, value);
  }
  uint32_t loadBlock(uint32_t port, uint8_t channel, uint32_t reg) {
    return load(windowBase_, blockOffset(port, channel) + reg);
  }

  struct Router {
    uint32_t portA;
    uint32_t portB;
    uint8_t* base;
  };
  struct Connection {
    uint8_t* base;
    WispConnectionDescriptor record;
  };

  uint8_t* versionView_;
  uint8_t* controlView_;
  Router router_;
  Connection connection_;
  uint8_t* windowBase_;
  uint8_t* bar_;
  [[maybe_unused]] uint32_t windowOffset_;
};

}  // namespace wispddk
