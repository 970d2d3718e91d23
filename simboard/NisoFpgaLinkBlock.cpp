#include "simboard/NisoFpgaLinkBlock.h"

namespace simboard {

NisoFpgaLinkBlock::NisoFpgaLinkBlock() {
  for (uint32_t p = 0; p < kWindowCount; ++p) {
    onRead(windowRegister(p, kStatusOffset), [this, p](uint32_t) -> uint64_t { return windowStatus(p); });
    onWrite(windowRegister(p, kStatusOffset), [](uint32_t, uint64_t) {});
    onWrite(windowRegister(p, kAddressOffset), [this, p](uint32_t width, uint64_t value) {
      poke(windowRegister(p, kAddressOffset), width, value);
      startWindowAccess(p, static_cast<uint32_t>(value));
    });
    onWrite(windowRegister(p, kWriteDataOffset), [this, p](uint32_t width, uint64_t value) {
      openTransaction(windows_[p]);
      poke(windowRegister(p, kWriteDataOffset), width, value);
    });
    // The read-data register holds what the isolated side delivered; its
    // read ends a read access.
    onWrite(windowRegister(p, kReadDataOffset), [](uint32_t, uint64_t) {});
    onRead(windowRegister(p, kReadDataOffset), [this, p](uint32_t width) -> uint64_t {
      windows_[p].open = false;
      return peek(windowRegister(p, kReadDataOffset), width);
    });
  }
  onWrite(kPowerMonitorCommandOffset, [this](uint32_t width, uint64_t value) {
    poke(kPowerMonitorCommandOffset, width, value);
    powerMonitorCommand(static_cast<uint32_t>(value));
  });
  onRead(kPowerMonitorReadOffset, [this](uint32_t) -> uint64_t { return powerMonitorReadBack(); });
  onWrite(kPowerMonitorReadOffset, [](uint32_t, uint64_t) {});

  onWrite(IsolationSupply::kLinkConfigOffset, [this](uint32_t width, uint64_t value) {
    poke(IsolationSupply::kLinkConfigOffset, width, value);
    supply_.linkConfigWritten(static_cast<uint32_t>(value), isolated_.isPowered());
  });
  onRead(IsolationSupply::kLinkStatusOffset, [this](uint32_t) -> uint64_t { return supply_.linkStatus(); });
  for (uint64_t offset : {IsolationSupply::kFrequencyOffset, IsolationSupply::kDutyCycleOffset}) {
    onWrite(offset, [this, offset](uint32_t width, uint64_t value) {
      poke(offset, width, value);
      supply_.transformerWritten(offset, static_cast<uint32_t>(value));
      if (offset == IsolationSupply::kFrequencyOffset || supply_.isRunning()) isolated_.setPowered(supply_.isRunning());
    });
  }
  onRead(AnalogMonitor::kTemperatureOffset, [this](uint32_t) -> uint64_t { return analogMonitor_.temperatureRegister(); });
  onRead(ErrorManager::kStatusOffset, [this](uint32_t) -> uint64_t { return errorManager_.status(); });
  for (uint32_t i = 0; i < ErrorManager::kVectorWords; ++i) {
    onRead(ErrorManager::kFirstVectorOffset + 4 * i, [this, i](uint32_t) -> uint64_t {
      return errorManager_.vectorWord(i);
    });
  }
  onRead(ErrorManager::kOverflowOffset, [this](uint32_t) -> uint64_t { return errorManager_.overflow(); });
  isolated_.observeWrites([this](uint32_t address, uint32_t value) {
    if (address == kClearChannelErrorAddress) errorManager_.clearChannels(value);
    analogMonitor_.isolatedWrite(address, value, isolated_.writeView(AnalogMonitor::kWindowLimitsAddress));
  });
}

void NisoFpgaLinkBlock::resetIsolatedSide() {
  supply_.reset();
  isolated_.setPowered(false);
  isolated_.resetFpga();
}

void NisoFpgaLinkBlock::splitViewWritten(uint64_t offset, uint64_t value) {
  if (offset == ErrorManager::kStatusOffset) errorManager_.controlWritten(static_cast<uint32_t>(value));
}

uint32_t NisoFpgaLinkBlock::windowStatus(uint32_t window) {
  Window& w = windows_[window];
  openTransaction(w);
  uint32_t status = w.lastAddress;
  if (w.error) status |= kErrorBit;
  if (w.busyReads > 0) {
    --w.busyReads;
    return status;
  }
  // Every window crosses the isolation link: nothing is ready before the
  // isolated side is powered.
  if (!w.neverReady && isolated_.isPowered()) status |= kReadyBit;
  if (w.response) status |= kResponseBit;
  return status;
}

void NisoFpgaLinkBlock::startWindowAccess(uint32_t window, uint32_t word) {
  Window& w = windows_[window];
  const uint32_t address = word & IsolatedRegisterSpace::kAddressMask;
  w.lastAddress = address;
  w.response = false;
  w.busyReads = w.busyReadsPerAccess;
  if ((word & kReadAccessBit) == 0) {
    if (isolated_.policyFor(window, address) != LogPolicy::kFull) foldTransaction(window);
    w.open = false;
    isolated_.write(window, address, static_cast<uint32_t>(peek(windowRegister(window, kWriteDataOffset), 32)));
    return;
  }
  w.open = false;
  if (w.noResponse) return;
  poke(windowRegister(window, kReadDataOffset), 32, isolated_.read(window, address));
  w.response = true;
}

void NisoFpgaLinkBlock::foldTransaction(uint32_t window) {
  Window& w = windows_[window];
  keepAccessOutOfLog();
  if (!w.open || log_ == nullptr) return;
  const std::vector<Access>& entries = log_->entries();
  const uint64_t first = kBar0Offset + windowRegister(window, 0);
  for (size_t i = w.firstEntry; i < entries.size(); ++i) {
    const Access& a = entries[i];
    if (a.space != Space::kBar0 || a.block != this || a.offset < first || a.offset >= first + kWindowStride) return;
  }
  log_->truncate(w.firstEntry);
}

void NisoFpgaLinkBlock::powerMonitorCommand(uint32_t word) {
  const uint32_t chipRegister = (word >> 16) & 0x7u;
  monitorReadPending_ = false;
  if ((word & kPowerMonitorWriteStrobe) != 0) {
    powerMonitor_.write(chipRegister, static_cast<uint16_t>(word));
    monitorBusyReads_ = monitorBusyReadsPerCommand_;
  }
  if ((word & kPowerMonitorReadStrobe) != 0) {
    monitorData_ = powerMonitor_.read(chipRegister);
    monitorReadPending_ = true;
    monitorReadDoneCountdown_ = monitorReadDoneDelayReads_;
    monitorBusyReads_ = monitorBusyReadsPerCommand_;
  }
}

uint32_t NisoFpgaLinkBlock::powerMonitorReadBack() {
  uint32_t value = 0;
  bool busy = monitorStuckBusy_;
  if (monitorBusyReads_ > 0) {
    busy = true;
    if (monitorBusyReads_ != kForever) --monitorBusyReads_;
  }
  if (busy) value |= kPowerMonitorBusy;
  if (monitorReadPending_ && !monitorNeverReadDone_) {
    if (monitorReadDoneCountdown_ > 0) {
      --monitorReadDoneCountdown_;
    } else {
      value |= kPowerMonitorReadDone | monitorData_;
    }
  }
  return value;
}

}  // namespace simboard
