#include "storage/deviceWindow/memoryWindow/MemoryWindow.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "storage/storageStatusCodes.h"

namespace devicewindow {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::allocate;
using vorlan_driver::nKIVAPAL000::release;
using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;
namespace statusCodes = vorlan_driver::statusCodes;

namespace {

// Scratch for one run, zero-filled; null with -52000 when memory is short.
uint8_t* allocateRunBuffer(uint64_t length, tStatus& status) {
  uint8_t* buffer = static_cast<uint8_t*>(allocate(length, status, 0));
  if (buffer != nullptr) vorlan_driver::nKIVAPAL000::fillBytes(buffer, 0, length);
  return buffer;
}

constexpr uint64_t kLargestWindow = uint64_t(1) << 63;

}  // namespace

MemoryWindow::MemoryWindow(MemoryAccessorInterface& accessor, tStatus& status)
    : accessor_(&accessor), softCopy_(), mutex_(status), usable_(false) {
  if (status.isFatal()) return;
  const uint64_t size = accessor.getSizeInBytes();
  if (size >= kLargestWindow) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  softCopy_.resize(size, status);
  if (status.isFatal()) return;
  for (uint64_t i = 0; i < size; ++i) softCopy_[i].invalidate();
  usable_ = true;
}

bool MemoryWindow::checkArguments(const void* buffer, bool needsBuffer, uint64_t address, uint64_t length,
                                  tStatus& status) const {
  if (status.isFatal()) return false;
  if (!usable_) {
    vorlanSetCode(status, statusCodes::kResourceNotAvailable);
    return false;
  }
  if (needsBuffer && buffer == nullptr) {
    vorlanSetCode(status, storagecodes::kNullBuffer);
    return false;
  }
  const uint64_t size = getSizeInBytes();
  if (address > size || length > size - address) {
    vorlanSetCode(status, storagecodes::kOutOfRange);
    return false;
  }
  return true;
}

void MemoryWindow::copyOut(const SoftCopyByte* first, const SoftCopyByte* last, uint8_t* destination) {
  for (; first != last; ++first) *destination++ = first->getValue();
}

void MemoryWindow::copyIn(const uint8_t* source, SoftCopyByte* first, SoftCopyByte* last) {
  for (; first != last; ++first) first->setValue(*source++);
}

void MemoryWindow::readRun(SoftCopyByte* first, SoftCopyByte* last, ReadAccessGuard&, tStatus& status) {
  if (status.isFatal() || first == last) return;
  const uint64_t length = static_cast<uint64_t>(last - first);
  uint8_t* buffer = allocateRunBuffer(length, status);
  if (buffer == nullptr) return;
  accessor_->read(offsetOf(first), length, buffer, status);
  if (status.isNotFatal()) {
    const uint8_t* value = buffer;
    for (SoftCopyByte* byte = first; byte != last; ++byte) {
      byte->setValue(*value++);
      byte->markClean();
    }
  }
  release(buffer);
}

void MemoryWindow::writeRun(SoftCopyByte* first, SoftCopyByte* last, WriteAccessGuard&, tStatus& status) {
  if (status.isFatal() || first == last) return;
  const uint64_t length = static_cast<uint64_t>(last - first);
  uint8_t* buffer = allocateRunBuffer(length, status);
  if (buffer == nullptr) return;
  copyOut(first, last, buffer);
  accessor_->write(buffer, offsetOf(first), length, status);
  // A failed store leaves the device content unknown: the run is read again
  // before it is used.
  const bool stored = status.isNotFatal();
  for (SoftCopyByte* byte = first; byte != last; ++byte) {
    if (stored) {
      byte->markClean();
    } else {
      byte->invalidate();
    }
  }
  release(buffer);
}

void MemoryWindow::loadInvalid(SoftCopyByte* first, SoftCopyByte* last, tStatus& status) {
  SoftCopyByte* start = findIf(first, last, isInvalidByte);
  if (start == last || status.isFatal()) return;
  ReadAccessGuard guard(*accessor_, status);
  while (start != last && status.isNotFatal()) {
    SoftCopyByte* runEnd = findIf(start, last, isValidByte);
    readRun(start, runEnd, guard, status);
    start = findIf(runEnd, last, isInvalidByte);
  }
}

void MemoryWindow::flushDirty(SoftCopyByte* first, SoftCopyByte* last, tStatus& status) {
  SoftCopyByte* start = findIf(first, last, isDirtyByte);
  if (start == last || status.isFatal()) return;
  WriteAccessGuard guard(*accessor_, status);
  while (start != last && status.isNotFatal()) {
    SoftCopyByte* runEnd = findIf(start, last, isNotDirtyByte);
    writeRun(start, runEnd, guard, status);
    start = findIf(runEnd, last, isDirtyByte);
  }
}

void MemoryWindow::flushRange(SoftCopyByte* first, SoftCopyByte* last, bool force, tStatus& status) {
  if (status.isFatal()) return;
  if (!force) {
    flushDirty(first, last, status);
    return;
  }
  if (first == last) return;
  WriteAccessGuard guard(*accessor_, status);
  writeRun(first, last, guard, status);
}

void MemoryWindow::get(uint64_t address, uint64_t length, uint8_t* destination, tStatus& status) {
  if (!checkArguments(destination, true, address, length, status)) return;
  tAutoLock<tMutex> lock(mutex_);
  SoftCopyByte* first = softCopy_.data() + address;
  loadInvalid(first, first + length, status);
  if (status.isNotFatal()) copyOut(first, first + length, destination);
}

void MemoryWindow::set(const uint8_t* source, uint64_t address, uint64_t length, tStatus& status) {
  if (!checkArguments(source, true, address, length, status)) return;
  tAutoLock<tMutex> lock(mutex_);
  SoftCopyByte* first = softCopy_.data() + address;
  copyIn(source, first, first + length);
  noteChange();
}

void MemoryWindow::flush(uint64_t address, uint64_t length, bool force, tStatus& status) {
  if (!checkArguments(nullptr, false, address, length, status)) return;
  tAutoLock<tMutex> lock(mutex_);
  SoftCopyByte* first = softCopy_.data() + address;
  // Never-loaded bytes would otherwise go back as placeholders.
  loadInvalid(first, first + length, status);
  flushRange(first, first + length, force, status);
  noteChange();
}

void MemoryWindow::read(uint64_t address, uint64_t length, uint8_t* destination, tStatus& status) {
  if (!checkArguments(destination, true, address, length, status)) return;
  tAutoLock<tMutex> lock(mutex_);
  SoftCopyByte* first = softCopy_.data() + address;
  {
    ReadAccessGuard guard(*accessor_, status);
    readRun(first, first + length, guard, status);
  }
  if (status.isNotFatal()) copyOut(first, first + length, destination);
  noteChange();
}

void MemoryWindow::write(const uint8_t* source, uint64_t address, uint64_t length, bool force, tStatus& status) {
  if (!checkArguments(source, true, address, length, status)) return;
  tAutoLock<tMutex> lock(mutex_);
  SoftCopyByte* first = softCopy_.data() + address;
  copyIn(source, first, first + length);
  flushRange(first, first + length, force, status);
  noteChange();
}

void MemoryWindow::refresh(uint64_t address, uint64_t length, tStatus& status) {
  if (!checkArguments(nullptr, false, address, length, status)) return;
  tAutoLock<tMutex> lock(mutex_);
  SoftCopyByte* first = softCopy_.data() + address;
  ReadAccessGuard guard(*accessor_, status);
  readRun(first, first + length, guard, status);
  noteChange();
}

}  // namespace devicewindow
