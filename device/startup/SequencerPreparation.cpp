#include "device/startup/SequencerPreparation.h"

#include "controllers/localRAMController/localRamLayout.h"
#include "controllers/subroutine/SubroutineDownload.h"
#include "controllers/subroutine/SubroutinePackageFactory.h"
#include "platform/containers/tVector.h"
#include "platform/driver/pciIdentity.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

namespace {

constexpr uint64_t kMaximumCount = 0xFFFFFFFFu;

}  // namespace

SequencerPreparation::SequencerPreparation(IsolatedControllers& controllers,
                                           vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
                                           vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels,
                                           SubroutineRegistrar& registrar, uint32_t pciSubsystemId)
    : controllers_(controllers),
      iso_(iso),
      channels_(channels),
      registrar_(registrar),
      pciSubsystemId_(pciSubsystemId),
      ids_(subroutineIds::forSubsystem(pciSubsystemId)) {}

bool SequencerPreparation::isLark() const { return !nKIVAPAL000::isWrenSubsystemID(pciSubsystemId_); }

SubroutinePackageInterface* SequencerPreparation::createStartupPackage(
    const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t imagePointer, uint64_t wordCount, uint64_t idPointer,
    uint64_t addressPointer, uint64_t idCount, tStatus& status) {
  if (status.isFatal()) return nullptr;
  SubroutinePackageFactory factory;
  const bool custom = imagePointer != 0 && wordCount != 0 && idPointer != 0 && addressPointer != 0 && idCount != 0;
  if (!custom) return factory.createDefaultPackage(status);
  if (wordCount > kMaximumCount || idCount > kMaximumCount) {
    vorlanSetCode(status, statusCodes::kValueOutOfRange);
    return nullptr;
  }
  return factory.createCustomPackage(descriptor, imagePointer, static_cast<uint32_t>(wordCount), idPointer,
                                     addressPointer, static_cast<uint32_t>(idCount), status);
}

void SequencerPreparation::installSubroutinePackage(SubroutinePackageInterface& package, tStatus& status) {
  if (status.isFatal()) return;
  SubroutineDownload download(&controllers_.localRam);
  download.download(package, status);
  registrar_.registerPackage(package, status);
}

void SequencerPreparation::writeChannelRegionEndWords(tStatus& status) {
  if (status.isFatal()) return;
  // Both halves and the address go out for every word, even where a shadow
  // already holds the value: a read-back by name may have loaded another
  // word into the halves without their shadows knowing.
  nKIVAPAL000::tVector<uint64_t> endWord;
  endWord.pushBack(channelRegionTrailerWord(), status);
  for (uint32_t c = 0; c < kChannelCount && status.isNotFatal(); ++c) {
    controllers_.localRam.write(endWord, static_cast<uint16_t>(getLocalRamChannelRegion(c).trailerAddress()), status);
  }
}

void SequencerPreparation::runChannelStartupSubroutines(tStatus& status) {
  IsoInterruptGeneratorController& generator = controllers_.interruptGenerator;
  for (uint8_t c = 0; c < kChannelCount; ++c) {
    generator.issueSubroutine(c, ids_.channelStartup[c], kSubroutineType, status);
  }
  for (uint8_t c = 0; c < kChannelCount; ++c) {
    generator.waitForAcknowledge(c, kSubroutineType, kAcknowledgeMicroseconds, kChannelStartupNotAcknowledged,
                                 status);
  }
}

void SequencerPreparation::assignSequencerDataRamAddresses(tStatus& status) {
  for (uint32_t c = 0; c < kChannelCount && status.isNotFatal(); ++c) {
    channels_[c]->SequencerDataRamAddressRegType[0].writeAddress(static_cast<uint16_t>(c * kDataRamWordsPerChannel),
                                                                 status);
  }
}

void SequencerPreparation::configureDefaultResponses(tStatus& status) {
  controllers_.errorResponses.configureDefaultResponses(status);
}

void SequencerPreparation::finishStartup(tStatus& status) {
  controllers_.interruptGenerator.executeSubroutine(0, ids_.finishStartup, kSubroutineType, kAcknowledgeMicroseconds,
                                                    kFinishOrShutdownNotAcknowledged, status);
  if (status.isFatal()) return;
  const bool lark = isLark();
  iso_.IsoMiscConfigReg.setBit10(lark).writeBit11(true, status);
  iso_.IsoMiscConfigReg.setBit12(lark).writeBit13(true, status);
}

void SequencerPreparation::runShutdownSubroutine(tStatus& status) {
  IsoInterruptGeneratorController& generator = controllers_.interruptGenerator;
  generator.executeSubroutine(0, ids_.shutdown, kSubroutineType, kAcknowledgeMicroseconds,
                              kFinishOrShutdownNotAcknowledged, status);
  iso_.IsoMiscConfigReg.writeShutdownStb(true, status);
  generator.waitForAcknowledge(0, kShutdownAcknowledgeBit, kAcknowledgeMicroseconds, kFinishOrShutdownNotAcknowledged,
                               status);
}

}  // namespace vorlan_driver
