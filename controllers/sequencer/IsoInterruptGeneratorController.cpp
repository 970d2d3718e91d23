#include "controllers/sequencer/IsoInterruptGeneratorController.h"

#include "controllers/ControllerGuard.h"
#include "framework/atut/Poller.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

namespace {

using tAcknowledgeTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebaseEfficient>;
using tChannelMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;

}  // namespace

IsoInterruptGeneratorController::IsoInterruptGeneratorController(SubroutineRegistrar& registrar,
                                                                 vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
                                                                 tChannelMap* const* channels, uint32_t pciSubsystemID,
                                                                 nKIVAPALS100::tStatus& status)
    : registrar_(registrar), iso_(iso), channels_(), pciSubsystemID_(pciSubsystemID), mutex_(status) {
  for (uint32_t c = 0; c < kChannelCount; ++c) channels_[c] = channels[c];
  (void)pciSubsystemID_;
}

bool IsoInterruptGeneratorController::checkChannel(uint8_t channel, nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return false;
  if (channel >= kChannelCount || channels_[channel] == nullptr) {
    vorlanSetCode(status, kValueOutOfRange);
    return false;
  }
  return true;
}

void IsoInterruptGeneratorController::programInterrupt(uint32_t type, uint32_t address,
                                                       nKIVAPALS100::tStatus& status) {
  iso_.IsoInterruptAddress.writeRegister(address, status, true);
  iso_.IsoInterruptConfig.setCommandType(static_cast<uint8_t>(type & 7))
      .setCommandCode(typeFlags(type))
      .writeIssueStb(true, status, true);
}

void IsoInterruptGeneratorController::generateInterrupt(uint8_t channel, uint32_t address, uint32_t type,
                                                        nKIVAPALS100::tStatus& status) {
  programInterrupt(type, address, status);
  channels_[channel]->GenerateInterrupt.writeCommandType(static_cast<uint8_t>(type & 7), status, true);
}

void IsoInterruptGeneratorController::issueToBoard(uint32_t type, harrowtools::SubroutineId id,
                                                   nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  const uint32_t address = registrar_.getSubroutineAddress(id, status);
  if (status.isFatal()) return;
  programInterrupt(type, address, status);
}

void IsoInterruptGeneratorController::issueSubroutine(uint8_t channel, harrowtools::SubroutineId id, uint32_t type,
                                                      nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return;
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  const uint32_t address = registrar_.getSubroutineAddress(id, status);
  if (status.isFatal()) return;
  generateInterrupt(channel, address, type, status);
}

void IsoInterruptGeneratorController::issueAddress(uint8_t channel, uint32_t address, nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return;
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  generateInterrupt(channel, address, kCommandRegionType, status);
}

void IsoInterruptGeneratorController::waitForAcknowledge(uint8_t channel, uint32_t bit, uint32_t timeoutMicroseconds,
                                                         int32_t timeoutCode, nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return;
  const atut::Poller<tAcknowledgeTimeout, uint32_t> poller(kPollInitialMicroseconds, kPollMaximumMicroseconds,
                                                           timeoutCode);
  poller.poll(channels_[channel]->InterruptStatusReg, &tChannelMap::tInterruptStatusReg::readRegister, 0u,
              1u << (bit & 31), timeoutMicroseconds, true, atut::Poller<tAcknowledgeTimeout, uint32_t>::kNoMaskBitSet,
              status);
}

void IsoInterruptGeneratorController::executeSubroutine(uint8_t channel, harrowtools::SubroutineId id, uint32_t type,
                                                        uint32_t timeoutMicroseconds, int32_t timeoutCode,
                                                        nKIVAPALS100::tStatus& status) {
  issueSubroutine(channel, id, type, status);
  waitForAcknowledge(channel, type & 7, timeoutMicroseconds, timeoutCode, status);
}

bool IsoInterruptGeneratorController::isInterruptActive(uint8_t channel, uint32_t bit, nKIVAPALS100::tStatus& status) {
  if (!checkChannel(channel, status)) return false;
  tChannelMap::tInterruptStatusReg& reg = channels_[channel]->InterruptStatusReg;
  reg.refresh(status);
  const uint32_t mask = 1u << (bit % 32);
  return (reg.getRegister() & mask) == mask;
}

}  // namespace vorlan_driver
