// A device window over memory that an accessor reads and writes at byte
// granularity. Each device byte has a soft-copy byte with its own state, so
// the window loads only bytes it has never loaded and, unless forced, stores
// back only the runs of bytes that changed.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"
#include "platform/synchronization/tMutex.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/deviceWindow/memoryWindow/AccessGuard.h"
#include "storage/deviceWindow/memoryWindow/MemoryAccessorInterface.h"
#include "storage/deviceWindow/memoryWindow/SoftCopyByte.h"

namespace devicewindow {

class MemoryWindow : public DeviceWindow {
 public:
  // The accessor is not owned and must outlive the window.
  MemoryWindow(MemoryAccessorInterface& accessor, nKIVAPALS100::tStatus& status);
  ~MemoryWindow() override {}

  void get(uint64_t address, uint64_t length, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  void set(const uint8_t* source, uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) override;
  void flush(uint64_t address, uint64_t length, bool force, nKIVAPALS100::tStatus& status) override;
  void read(uint64_t address, uint64_t length, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  void write(const uint8_t* source, uint64_t address, uint64_t length, bool force,
             nKIVAPALS100::tStatus& status) override;
  void refresh(uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) override;
  uint64_t getSizeInBytes() const override { return softCopy_.count(); }

 protected:
  // Runs are [first, last) in the soft copy; a byte's device offset is its
  // index there.
  virtual void copyOut(const SoftCopyByte* first, const SoftCopyByte* last, uint8_t* destination);
  virtual void copyIn(const uint8_t* source, SoftCopyByte* first, SoftCopyByte* last);
  virtual void writeRun(SoftCopyByte* first, SoftCopyByte* last, WriteAccessGuard& guard,
                        nKIVAPALS100::tStatus& status);
  virtual void flushDirty(SoftCopyByte* first, SoftCopyByte* last, nKIVAPALS100::tStatus& status);
  virtual void readRun(SoftCopyByte* first, SoftCopyByte* last, ReadAccessGuard& guard,
                       nKIVAPALS100::tStatus& status);

 private:
  // Null buffer, then range; true when the operation may go on.
  bool checkArguments(const void* buffer, bool needsBuffer, uint64_t address, uint64_t length,
                      nKIVAPALS100::tStatus& status) const;
  void loadInvalid(SoftCopyByte* first, SoftCopyByte* last, nKIVAPALS100::tStatus& status);
  void flushRange(SoftCopyByte* first, SoftCopyByte* last, bool force, nKIVAPALS100::tStatus& status);
  uint64_t offsetOf(const SoftCopyByte* byte) const { return static_cast<uint64_t>(byte - softCopy_.data()); }

  MemoryAccessorInterface* accessor_;
  vorlan_driver::nKIVAPAL000::tVector<SoftCopyByte> softCopy_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  // False when construction failed: the window then refuses every operation
  // instead of locking a mutex that was never created.
  bool usable_;
};

}  // namespace devicewindow
