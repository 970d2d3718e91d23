// One sector of a flash window: a working copy that get and set see, and a
// committed copy that mirrors what the flash holds. A flush commits the
// flushed range and writes the whole sector back, but only when that range
// differs from the committed copy, when forced, or when an earlier write of
// the sector failed and the flash no longer holds the committed copy.
// Offsets are relative to the sector start. No lock: the window that owns
// the sector serialises it.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/deviceWindow/flashWindow/FlashController.h"

namespace devicewindow {

class FlashSector : public DeviceWindow {
 public:
  // Reads the whole sector from the flash; the controller is not owned.
  FlashSector(uint64_t sectorAddress, FlashController& controller, nKIVAPALS100::tStatus& status);
  ~FlashSector() override {}

  void get(uint64_t address, uint64_t length, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  void set(const uint8_t* source, uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) override;
  void flush(uint64_t address, uint64_t length, bool force, nKIVAPALS100::tStatus& status) override;
  void read(uint64_t address, uint64_t length, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  void write(const uint8_t* source, uint64_t address, uint64_t length, bool force,
             nKIVAPALS100::tStatus& status) override;
  void refresh(uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) override;
  uint64_t getSizeInBytes() const override { return controller_->getSectorSize(); }

  uint64_t getSectorAddress() const { return sectorAddress_; }
  // True after a failed sector write, until a flush or refresh succeeds.
  bool isStale() const { return stale_; }

 private:
  bool checkRange(uint64_t address, uint64_t length, nKIVAPALS100::tStatus& status) const;
  void writeBack(nKIVAPALS100::tStatus& status);

  FlashController* controller_;
  uint64_t sectorAddress_;
  vorlan_driver::nKIVAPAL000::tVector<uint8_t> working_;
  vorlan_driver::nKIVAPAL000::tVector<uint8_t> committed_;
  // The flash may not hold the committed copy (an erase or program failed
  // part way), so the next flush must write the sector whatever it compares.
  bool stale_;
};

}  // namespace devicewindow
