// The sequencer as the hardware owner prepares and runs it: the package in
// local RAM from word 0 with the registrar's table beside it, each
// channel's command region closed by its end word, the channels' start-up
// subroutines and data-RAM addresses, the final start-up and the shutdown
// subroutines on channel 0, and the subroutine and command-word operations
// of the requests.
//
// It owns nothing and keeps no state of its own: the owner builds one over
// its isolated maps and controllers wherever it needs one, so a download
// request and start-up use the very same steps.
#pragma once

#include <stdint.h>

#include "controllers/channel/IsolatedControllers.h"
#include "controllers/subroutine/SubroutinePackageInterface.h"
#include "controllers/subroutine/SubroutineRegistrar.h"
#include "controllers/subroutine/subroutineIds.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class SequencerPreparation {
 public:
  static constexpr uint32_t kChannelCount = IsolatedControllers::kChannelCount;
  // What an owner without its isolated side reports for a sequencer step,
  // and a listing without a buffer.
  static constexpr int64_t kMissingObject = statusCodes::fromWord(0xBFFA4311u);
  static constexpr int64_t kSubroutineCountMismatch = statusCodes::fromWord(0xBFFA4312u);
  static constexpr int64_t kTooManyCommandWords = statusCodes::fromWord(0xBFFA4323u);
  static constexpr int64_t kBadChannelMask = statusCodes::fromWord(0xBFFA4303u);
  static constexpr int32_t kChannelStartupNotAcknowledged = static_cast<int32_t>(0xBFFA469Au);
  static constexpr int32_t kFinishOrShutdownNotAcknowledged = static_cast<int32_t>(0xBFFA468Cu);
  static constexpr int32_t kRequestedSubroutineNotAcknowledged = static_cast<int32_t>(0xBFFA4692u);
  static constexpr uint32_t kAcknowledgeMicroseconds = 1000000;
  // Every subroutine the driver runs itself is of this command type.
  static constexpr uint32_t kSubroutineType = IsoInterruptGeneratorController::kSubroutineType;
  // Channel 0's interrupt-status bit the board clears once its shutdown
  // strobe has been taken.
  static constexpr uint32_t kShutdownAcknowledgeBit = 0;
  // Each channel's stretch of the sequencer's data RAM.
  static constexpr uint32_t kDataRamWordsPerChannel = 1364;

  // Nothing is owned; everything must outlive this object.
  SequencerPreparation(IsolatedControllers& controllers, vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
                       vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels, SubroutineRegistrar& registrar,
                       uint32_t pciSubsystemId);
  SequencerPreparation(const SequencerPreparation&) = delete;
  SequencerPreparation& operator=(const SequencerPreparation&) = delete;

  // The package start-up installs: the caller's when all five of its
  // values are given, the built-in one otherwise. Null with the error when
  // it cannot be made; a package is the caller's to delete, also one whose
  // copies failed. Counts that do not fit 32 bits are refused (-52003).
  static SubroutinePackageInterface* createStartupPackage(const nKIVAPAL000::tEventDescriptor* descriptor,
                                                          uint64_t imagePointer, uint64_t wordCount,
                                                          uint64_t idPointer, uint64_t addressPointer,
                                                          uint64_t idCount, nKIVAPALS100::tStatus& status);

  // Image into local RAM from word 0, then the registrar's table replaced.
  void installSubroutinePackage(SubroutinePackageInterface& package, nKIVAPALS100::tStatus& status);
  void writeChannelRegionEndWords(nKIVAPALS100::tStatus& status);
  // All 24 are issued before the first acknowledgement is awaited.
  void runChannelStartupSubroutines(nKIVAPALS100::tStatus& status);
  void assignSequencerDataRamAddresses(nKIVAPALS100::tStatus& status);
  void configureDefaultResponses(nKIVAPALS100::tStatus& status);
  void finishStartup(nKIVAPALS100::tStatus& status);
  void runShutdownSubroutine(nKIVAPALS100::tStatus& status);

  // One channel after the other, from bit 0 up, each acknowledged before
  // the next is issued. A bit above 23 is refused before anything runs.
  void executeSubroutine(uint64_t channelMask, harrowtools::SubroutineId id, uint32_t timeoutMicroseconds,
                         uint32_t commandType, nKIVAPALS100::tStatus& status);
  // The caller's words end directly before the region's end word, and the
  // channel's sequencer starts at the first of them.
  void putInLocalRamCommandFifoAndExecute(const nKIVAPAL000::tEventDescriptor* descriptor, uint8_t channel,
                                          uint64_t wordPointer, uint32_t wordCount, nKIVAPALS100::tStatus& status);
  void downloadSubroutines(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t imagePointer,
                           uint32_t wordCount, uint64_t idPointer, uint64_t addressPointer, uint32_t idCount,
                           nKIVAPALS100::tStatus& status);
  void getSubroutines(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t idPointer, uint64_t addressPointer,
                      uint32_t count, nKIVAPALS100::tStatus& status);
  uint32_t getNumSubroutines(nKIVAPALS100::tStatus& status);

 private:
  bool isLark() const;

  IsolatedControllers& controllers_;
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
  vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels_;
  SubroutineRegistrar& registrar_;
  uint32_t pciSubsystemId_;
  const subroutineIds::VariantIds& ids_;
};

}  // namespace vorlan_driver
