// The non-isolated FPGA's error manager: a status word with one error flag
// per channel and a board flag, and two sets of error vectors in which each
// fault source has a bit of its own. Turns the first fault found into the
// driver's status code and re-arms the manager at the end of start-up.
#pragma once

#include <stdint.h>

#include "controllers/ErrorCheckerInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

// One set of error vectors as read and as user mode receives it: the 256-bit
// main vector (eight words), then the 96-bit extra vector (three words).
struct ErrorVectorSnapshot {
  static constexpr uint32_t kMainWords = 8;
  static constexpr uint32_t kExtraWords = 3;
  static constexpr uint32_t kWords = kMainWords + kExtraWords;
  uint32_t words[kWords];
};
static_assert(sizeof(ErrorVectorSnapshot) == 44, "an error-vector snapshot is eleven u32");

class NisoErrorController : public ErrorCheckerInterface {
 public:
  static constexpr int64_t kClearTimeout = statusCodes::fromWord(0xBFFA4688u);
  static constexpr int64_t kUnexplainedError = statusCodes::fromWord(0xBFFA468Eu);
  static constexpr uint32_t kChannelFlags = 0xFFFFFF;
  static constexpr uint32_t kBoardErrorBit = 1u << 24;
  static constexpr uint32_t kErrorPresentBit = 1u << 29;
  static constexpr uint32_t kClearPendingBit = 1u << 31;
  static constexpr uint64_t kClearTimeoutMicroseconds = 2000000;
  static constexpr uint64_t kClearPollInitialMicroseconds = 100;
  static constexpr uint64_t kClearPollMaximumMicroseconds = 2000;

  // Which of the map's 25 error-vector words (from 0xB4, 4 bytes apart)
  // make up each set, in snapshot order.
  static const uint8_t kSetAWords[ErrorVectorSnapshot::kWords];
  static const uint8_t kSetBWords[ErrorVectorSnapshot::kWords];

  // The map is not owned and must outlive the controller.
  NisoErrorController(vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso, nKIVAPALS100::tStatus& status)
      : niso_(&niso), mutex_(status) {}
  ~NisoErrorController() override {}
  NisoErrorController(const NisoErrorController&) = delete;
  NisoErrorController& operator=(const NisoErrorController&) = delete;

  virtual void clearErrors(nKIVAPALS100::tStatus& status);
  bool hasError(uint64_t channelMask, nKIVAPALS100::tStatus& status) override;
  // Bit 29 of the status as the last read left it; reads nothing.
  virtual bool isErrorPresent(nKIVAPALS100::tStatus& status);
  void checkForErrors(uint64_t channelMask, nKIVAPALS100::tStatus& status) override;
  virtual ErrorVectorSnapshot readErrorVectorSetA(nKIVAPALS100::tStatus& status);
  virtual ErrorVectorSnapshot readErrorVectorSetB(nKIVAPALS100::tStatus& status);

  // The first fault a snapshot shows: board bits before channel bits, then
  // the channels of the mask from the lowest. Code 0 when none.
  struct Finding {
    int64_t code;
    bool board;
  };
  static Finding scanMain(const ErrorVectorSnapshot& snapshot, uint64_t channelMask);
  static Finding scanExtra(const ErrorVectorSnapshot& snapshot);

  // The poller's read of the status word.
  uint32_t readStatus(nKIVAPALS100::tStatus& status) {
    return niso_->NisoErrorManagerStatusReg.readRegister(status);
  }

 private:
  ErrorVectorSnapshot readSet(const uint8_t (&words)[ErrorVectorSnapshot::kWords], nKIVAPALS100::tStatus& status);
  static bool flagged(uint32_t statusWord, uint64_t channelMask);

  vorlan_regmaps::tTheQuillNisoFpgaRegMap* niso_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
