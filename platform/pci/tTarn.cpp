#include "platform/pci/tTarn.h"

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tTarn::tTarn(tPCIDevice* device, void* bar0, uint64_t bar0Length)
    : device_(device),
      bar0_(bar0),
      bar0Length_(bar0Length),
      mode_(kAccessDirect),
      savedWindowControl_(0),
      savedWindowSelect_(0),
      windowOffset_(0),
      currentWindowSelect_(0),
      windowMask_(0),
      chainStart_(0) {}

uint32_t tTarn::readWindowRegister(uint32_t offset) const { return nKIVKAL100_memoryRead32(at(offset)); }

void tTarn::writeWindowRegister(uint32_t offset, uint32_t value) const {
  nKIVKAL100_memoryWrite32(const_cast<volatile void*>(at(offset)), value);
}

void tTarn::saveWindow() {
  savedWindowControl_ = readWindowRegister(kWindowControlOffset);
  savedWindowSelect_ = readWindowRegister(kWindowSelectOffset);
}

void tTarn::openWindow() {
  const uint32_t control = readWindowRegister(kWindowControlOffset);
  windowOffset_ = control & kWindowOffsetMask;
  windowMask_ = ~0u << (control & kWindowSizeExponentMask);
  writeWindowRegister(kWindowControlOffset, savedWindowControl_ | kWindowEnable);
  writeWindowRegister(kWindowSelectOffset, currentWindowSelect_);
  mode_ = kAccessWindowed;
}

void tTarn::restoreWindow() {
  writeWindowRegister(kWindowControlOffset, savedWindowControl_);
  writeWindowRegister(kWindowSelectOffset, savedWindowSelect_);
  currentWindowSelect_ = savedWindowSelect_;
}

void tTarn::useDirectAccess() {
  windowOffset_ = 0;
  mode_ = kAccessDirect;
}

// The window's placement comes from the hardware, so a bad control value
// must not send a read past the end of the mapping.
bool tTarn::locate(uint32_t address, uint32_t width, uint64_t& barOffset, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  uint32_t inside = address;
  if (mode_ == kAccessWindowed) {
    const uint32_t select = address & windowMask_;
    if (select != currentWindowSelect_) {
      writeWindowRegister(kWindowSelectOffset, select);
      currentWindowSelect_ = select;
    }
    inside = address & ~windowMask_;
  }
  barOffset = static_cast<uint64_t>(windowOffset_) + inside;
  if (bar0Length_ < width || barOffset > bar0Length_ - width) {
    vorlanSetCode(status, statusCodes::kNotFound);
    return false;
  }
  return true;
}

uint8_t tTarn::read8(uint32_t address, nKIVAPALS100::tStatus& status) {
  uint64_t offset = 0;
  if (!locate(address, 1, offset, status)) return 0xFFu;
  return nKIVKAL100_memoryRead8(at(offset));
}

uint16_t tTarn::read16(uint32_t address, nKIVAPALS100::tStatus& status) {
  uint64_t offset = 0;
  if (!locate(address, 2, offset, status)) return 0xFFFFu;
  return nKIVKAL100_memoryRead16(at(offset));
}

uint32_t tTarn::read32(uint32_t address, nKIVAPALS100::tStatus& status) {
  uint64_t offset = 0;
  if (!locate(address, 4, offset, status)) return 0xFFFFFFFFu;
  return nKIVKAL100_memoryRead32(at(offset));
}

void tTarn::setUp(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (bar0_ == nullptr || bar0Length_ < kWindowSelectOffset + 4) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  useDirectAccess();
  saveWindow();
  openWindow();
  const uint32_t directory = read32(kDirectoryPointerAddress, status);
  if (status.isNotFatal() && (directory == 0 || (directory & 0x3u) != 0)) {
    restoreWindow();
    vorlanSetCode(status, statusCodes::kNotSupported);
    return;
  }
  const uint32_t directoryWord = read32(directory, status);
  const uint32_t start =
      read32((directoryWord & 0x1u) != 0 ? kAlternateChainStartAddress : kChainStartAddress, status);
  if (status.isNotFatal() && (start == 0 || (start & 0x3u) != 0)) {
    restoreWindow();
    vorlanSetCode(status, statusCodes::kNotSupported);
    return;
  }
  if (status.isNotFatal()) chainStart_ = start;
  restoreWindow();
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
