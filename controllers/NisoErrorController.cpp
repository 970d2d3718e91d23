#include "controllers/NisoErrorController.h"

#include "controllers/ControllerGuard.h"
#include "framework/atut/Poller.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

const uint8_t NisoErrorController::kSetAWords[ErrorVectorSnapshot::kWords] = {9, 10, 11, 12, 13, 14, 15, 16, 0, 1, 2};
const uint8_t NisoErrorController::kSetBWords[ErrorVectorSnapshot::kWords] = {17, 18, 19, 20, 21, 22, 23, 24, 6, 7, 8};

namespace {

using tSleepTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebasePrecise>;

constexpr uint32_t kChannelCount = 24;
constexpr uint32_t kChannelGroupWidth = 7;
constexpr uint32_t kMainBoardFirst = 168;
constexpr uint32_t kMainBits = 256;
constexpr uint32_t kExtraBits = 96;

constexpr int64_t kGeneralFault = statusCodes::fromWord(0xBFFA468Bu);
// The code of each bit of a channel's group in the main vector.
constexpr int64_t kChannelGroupCodes[kChannelGroupWidth] = {
    kGeneralFault,
    statusCodes::fromWord(0xBFFA404Au),
    statusCodes::fromWord(0xBFFA403Eu),
    statusCodes::fromWord(0xBFFA4052u),
    kGeneralFault,
    statusCodes::fromWord(0xBFFA405Fu),
    statusCodes::fromWord(0xBFFA40F2u),
};
constexpr int64_t kSupplyFault = statusCodes::fromWord(0xBFFA4094u);

bool bitAt(const uint32_t* words, uint32_t n) { return ((words[n / 32] >> (n % 32)) & 1u) != 0; }

int64_t extraCode(uint32_t n) { return n == 4 || n == 6 ? kSupplyFault : kGeneralFault; }

}  // namespace

bool NisoErrorController::flagged(uint32_t statusWord, uint64_t channelMask) {
  return (statusWord & kChannelFlags & channelMask) != 0 || (statusWord & kBoardErrorBit) != 0;
}

NisoErrorController::Finding NisoErrorController::scanMain(const ErrorVectorSnapshot& snapshot,
                                                           uint64_t channelMask) {
  for (uint32_t n = kMainBoardFirst; n < kMainBits; ++n) {
    if (bitAt(snapshot.words, n)) return Finding{kGeneralFault, true};
  }
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    if (((channelMask >> c) & 1u) == 0) continue;
    for (uint32_t k = 0; k < kChannelGroupWidth; ++k) {
      if (bitAt(snapshot.words, c * kChannelGroupWidth + k)) return Finding{kChannelGroupCodes[k], false};
    }
  }
  return Finding{0, false};
}

NisoErrorController::Finding NisoErrorController::scanExtra(const ErrorVectorSnapshot& snapshot) {
  const uint32_t* extra = snapshot.words + ErrorVectorSnapshot::kMainWords;
  for (uint32_t n = 0; n < kExtraBits; ++n) {
    if (bitAt(extra, n)) return Finding{extraCode(n), true};
  }
  return Finding{0, false};
}

ErrorVectorSnapshot NisoErrorController::readSet(const uint8_t (&words)[ErrorVectorSnapshot::kWords],
                                                 nKIVAPALS100::tStatus& status) {
  ErrorVectorSnapshot snapshot{};
  // After a failed read the remaining words come from their shadows.
  for (uint32_t i = 0; i < ErrorVectorSnapshot::kWords; ++i) {
    snapshot.words[i] = niso_->ErrorVectorRegType[words[i]].readRegister(status);
  }
  return snapshot;
}

bool NisoErrorController::hasError(uint64_t channelMask, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return false;
  const uint32_t word = readStatus(status);
  return status.isNotFatal() && flagged(word, channelMask);
}

bool NisoErrorController::isErrorPresent(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return false;
  return (niso_->NisoErrorManagerStatusReg.getRegister() & kErrorPresentBit) != 0;
}

ErrorVectorSnapshot NisoErrorController::readErrorVectorSetA(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return ErrorVectorSnapshot{};
  return readSet(kSetAWords, status);
}

ErrorVectorSnapshot NisoErrorController::readErrorVectorSetB(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return ErrorVectorSnapshot{};
  return readSet(kSetBWords, status);
}

// Set A shows board faults first; its channel bits are not used. Whether
// the manager saw an error present decides between A's two vectors.
void NisoErrorController::checkForErrors(uint64_t channelMask, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  const uint32_t word = readStatus(status);
  if (status.isFatal() || !flagged(word, channelMask)) return;
  const bool present = (word & kErrorPresentBit) != 0;

  const ErrorVectorSnapshot a = readSet(kSetAWords, status);
  const Finding mainA = scanMain(a, channelMask);
  const Finding extraA = scanExtra(a);
  if (mainA.board && !present) {
    vorlanSetCode(status, mainA.code);
  } else if (extraA.board && present) {
    vorlanSetCode(status, extraA.code);
  } else if (mainA.board) {
    vorlanSetCode(status, mainA.code);
  } else if (extraA.board) {
    vorlanSetCode(status, extraA.code);
  } else {
    const ErrorVectorSnapshot b = readSet(kSetBWords, status);
    const Finding mainB = scanMain(b, channelMask);
    const Finding extraB = scanExtra(b);
    if (mainB.board) {
      vorlanSetCode(status, mainB.code);
    } else if (extraB.board) {
      vorlanSetCode(status, extraB.code);
    } else if (mainB.code != 0) {
      vorlanSetCode(status, mainB.code);
    } else if (extraB.code != 0) {
      vorlanSetCode(status, extraB.code);
    } else {
      vorlanSetCode(status, kUnexplainedError);
    }
  }
}

// The re-arming write is made whatever the wait for the manager gave, so a
// manager that was slow still ends re-armed; the first error is reported.
void NisoErrorController::clearErrors(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  const atut::Poller<tSleepTimeout, uint32_t> poller(kClearPollInitialMicroseconds, kClearPollMaximumMicroseconds,
                                                     static_cast<int32_t>(kClearTimeout));
  poller.poll(*this, &NisoErrorController::readStatus, 0u, kClearPendingBit, kClearTimeoutMicroseconds, true,
              decltype(poller)::kNoMaskBitSet, status);
  nKIVAPALS100::tStatus local;
  niso_->ErrorCaptureEnableRegType.setClearErrorsStb(true).flush(local);
  status.merge(local);
}

}  // namespace vorlan_driver
