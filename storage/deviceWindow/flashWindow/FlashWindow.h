// The whole flash as one byte-addressed device window, cached sector by
// sector: a sector is read whole the first time any byte of it is touched
// and kept until the window goes. Ranges are split at sector boundaries and
// handed to the sectors in order; the first error stops the walk.
// One recursive mutex serialises every operation, and with it the flash
// controller underneath.
#pragma once

#include <stdint.h>

#include "platform/synchronization/tMutex.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/deviceWindow/flashWindow/FlashController.h"
#include "storage/deviceWindow/flashWindow/FlashSector.h"

namespace devicewindow {

class FlashWindow : public DeviceWindow {
 public:
  // The controller is not owned and must outlive the window.
  FlashWindow(FlashController& controller, nKIVAPALS100::tStatus& status);
  // Deletes the sectors; unflushed changes are discarded.
  ~FlashWindow() override;

  void get(uint64_t address, uint64_t length, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  void set(const uint8_t* source, uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) override;
  void flush(uint64_t address, uint64_t length, bool force, nKIVAPALS100::tStatus& status) override;
  void read(uint64_t address, uint64_t length, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  void write(const uint8_t* source, uint64_t address, uint64_t length, bool force,
             nKIVAPALS100::tStatus& status) override;
  void refresh(uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) override;
  uint64_t getSizeInBytes() const override { return controller_->getSizeInBytes(); }

 private:
  enum Operation { kGet, kSet, kFlush, kRefresh };

  bool checkRange(uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) const;
  // Range, then (for get and set) the buffer; then the operation on each
  // touched sector in turn.
  // `source` feeds set, `destination` receives get.
  void forEachSector(const uint8_t* source, uint8_t* destination, uint64_t address, uint64_t length,
                     Operation operation, bool force, nKIVAPALS100::tStatus& status);
  // The sector at the index, read from the flash on first touch; null on
  // failure, and the entry stays empty so that the next touch tries again.
  FlashSector* sectorAt(uint64_t index, nKIVAPALS100::tStatus& status);
  bool isUsable(nKIVAPALS100::tStatus& status) const;

  FlashController* controller_;
  FlashSector** sectors_;
  uint64_t sectorCount_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
};

}  // namespace devicewindow
