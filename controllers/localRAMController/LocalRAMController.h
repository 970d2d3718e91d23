// The sequencer's local RAM, reached one 64-bit word at a time through four
// registers of the isolated FPGA: a word is written as its high half, its
// low half, then its address, whose write commits it; a word is read by
// writing its address and reading both halves back. Every register write
// goes to the hardware, even when the value equals the shadow. The mutex is
// held across a whole run of words, so runs never interleave word by word.
#pragma once

#include <stdint.h>

#include "controllers/ControllerGuard.h"
#include "platform/containers/tVector.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace harrowtools {

template <typename RegMap>
class LocalRAMController {
 public:
  using tHighReg = typename RegMap::tSeqLocalCommandHighReg;
  using tLowReg = typename RegMap::tSeqLocalCommandLowReg;
  using tWriteAddressReg = typename RegMap::tSeqLocalRamWriteAddressReg;
  using tReadAddressReg = typename RegMap::tSeqLocalRamReadAddressReg;

  // The registers are the map's and must outlive the controller.
  LocalRAMController(tHighReg& high, tLowReg& low, tWriteAddressReg& writeAddress, tReadAddressReg& readAddress,
                     uint64_t sizeInWords, nKIVAPALS100::tStatus& status)
      : high_(high), low_(low), writeAddress_(writeAddress), readAddress_(readAddress), size_(sizeInWords),
        mutex_(status) {}
  virtual ~LocalRAMController() {}
  LocalRAMController(const LocalRAMController&) = delete;
  LocalRAMController& operator=(const LocalRAMController&) = delete;

  uint64_t getSize() const { return size_; }

  // Writes the words to start, start + 1, ...; a run past the RAM's end is
  // refused (-52005) before any register is touched.
  virtual void write(const vorlan_driver::nKIVAPAL000::tVector<uint64_t>& words, uint16_t start,
                     nKIVAPALS100::tStatus& status) {
    if (!fits(start, words.count(), status)) return;
    vorlan_driver::ControllerGuard guard(mutex_, status);
    for (uint64_t i = 0; i < words.count() && status.isNotFatal(); ++i) {
      high_.writeRegister(static_cast<uint32_t>(words[i] >> 32), status, true);
      low_.writeRegister(static_cast<uint32_t>(words[i]), status, true);
      writeAddress_.writeRegister(static_cast<uint32_t>(start + i), status, true);
    }
  }

  // Fills the vector, as sized by the caller, from start on. After a failure
  // the remaining entries hold the two halves' shadows.
  virtual void read(vorlan_driver::nKIVAPAL000::tVector<uint64_t>& words, uint16_t start,
                    nKIVAPALS100::tStatus& status) {
    if (!fits(start, words.count(), status)) return;
    vorlan_driver::ControllerGuard guard(mutex_, status);
    if (!guard.holds()) return;
    for (uint64_t i = 0; i < words.count(); ++i) {
      if (status.isNotFatal()) {
        readAddress_.writeRegister(static_cast<uint32_t>(start + i), status, true);
        const uint64_t upper = high_.readRegister(status);
        const uint64_t lower = low_.readRegister(status);
        if (status.isNotFatal()) {
          words[i] = upper << 32 | lower;
          continue;
        }
      }
      words[i] = static_cast<uint64_t>(high_.getRegister()) << 32 | low_.getRegister();
    }
  }

 private:
  bool fits(uint64_t start, uint64_t count, nKIVAPALS100::tStatus& status) const {
    if (status.isFatal()) return false;
    if (count > size_ || start > size_ - count) {
      vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
      return false;
    }
    return true;
  }

  tHighReg& high_;
  tLowReg& low_;
  tWriteAddressReg& writeAddress_;
  tReadAddressReg& readAddress_;
  uint64_t size_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
};

}  // namespace harrowtools
