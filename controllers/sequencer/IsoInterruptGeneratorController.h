// Starts sequencer subroutines through the isolated FPGA's interrupt
// generator: the subroutine's start address and a command type go into two
// board-wide registers, then the type is strobed into one channel's
// generate register. Where a caller needs to know the run has finished, it
// waits for the channel's interrupt-status bit of that type to clear.
//
// Command types: 0 and 1 the board's two error-response subroutines (board
// only), 2 a sequence-engine reset, 3 the start of a channel's command
// region, 4 start-up, finish, shutdown and user-requested subroutines.
//
// The mutex covers the lookup and the register writes of one issue, so two
// channels' issues never interleave their use of the board registers; the
// registrar's mutex is taken inside it. Waiting and reading the status take
// no lock.
#pragma once

#include <stdint.h>

#include "controllers/subroutine/SubroutineId.h"
#include "controllers/subroutine/SubroutineRegistrar.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class IsoInterruptGeneratorController {
 public:
  static constexpr uint32_t kChannelCount = 24;
  static constexpr int64_t kValueOutOfRange = statusCodes::fromWord(0xBFFA4300u);
  static constexpr uint32_t kErrorResponseType0 = 0;
  static constexpr uint32_t kErrorResponseType1 = 1;
  static constexpr uint32_t kEngineResetType = 2;
  static constexpr uint32_t kCommandRegionType = 3;
  static constexpr uint32_t kSubroutineType = 4;
  static constexpr uint64_t kPollInitialMicroseconds = 1;
  static constexpr uint64_t kPollMaximumMicroseconds = 100;

  // The flags the generator takes with each command type (bits 4-6).
  static constexpr uint8_t typeFlags(uint32_t type) {
    return type == 0 ? 7 : type == 1 ? 6 : type == 2 ? 4 : 1;
  }

  // The registrar, the map and the 24 channel maps are not owned and must
  // outlive the generator. The board's PCI subsystem identifier is kept for
  // no operation of its own.
  IsoInterruptGeneratorController(SubroutineRegistrar& registrar, vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
                                  vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels,
                                  uint32_t pciSubsystemID, nKIVAPALS100::tStatus& status);
  virtual ~IsoInterruptGeneratorController() {}
  IsoInterruptGeneratorController(const IsoInterruptGeneratorController&) = delete;
  IsoInterruptGeneratorController& operator=(const IsoInterruptGeneratorController&) = delete;

  // Loads the subroutine's address and the type into the board registers;
  // no channel is touched. An id not registered writes nothing.
  virtual void issueToBoard(uint32_t type, harrowtools::SubroutineId id, nKIVAPALS100::tStatus& status);
  // Issues the subroutine to one channel. A channel of 24 or more is refused
  // (0xBFFA4300) with nothing written.
  virtual void issueSubroutine(uint8_t channel, harrowtools::SubroutineId id, uint32_t type,
                               nKIVAPALS100::tStatus& status);
  // Waits until the channel's status bit reads clear; the caller's code when
  // it does not within the time-out.
  virtual void waitForAcknowledge(uint8_t channel, uint32_t bit, uint32_t timeoutMicroseconds, int32_t timeoutCode,
                                  nKIVAPALS100::tStatus& status);
  // Issues, then waits for the type's own status bit.
  virtual void executeSubroutine(uint8_t channel, harrowtools::SubroutineId id, uint32_t type,
                                 uint32_t timeoutMicroseconds, int32_t timeoutCode, nKIVAPALS100::tStatus& status);
  // Starts the channel's sequencer at a word address (command type 3).
  virtual void issueAddress(uint8_t channel, uint32_t address, nKIVAPALS100::tStatus& status);
  // Whether bit (bit mod 32) of the channel's interrupt status is set, read
  // from the hardware; after a failed read, the register's last shadow.
  virtual bool isInterruptActive(uint8_t channel, uint32_t bit, nKIVAPALS100::tStatus& status);

 private:
  bool checkChannel(uint8_t channel, nKIVAPALS100::tStatus& status) const;
  void programInterrupt(uint32_t type, uint32_t address, nKIVAPALS100::tStatus& status);
  void generateInterrupt(uint8_t channel, uint32_t address, uint32_t type, nKIVAPALS100::tStatus& status);

  SubroutineRegistrar& registrar_;
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
  vorlan_regmaps::tTheQuillIsoChannelRegMap* channels_[kChannelCount];
  uint32_t pciSubsystemID_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
