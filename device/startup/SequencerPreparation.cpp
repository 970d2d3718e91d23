#include "device/startup/SequencerPreparation.h"

#include "controllers/localRAMController/localRamLayout.h"
#include "controllers/subroutine/SubroutineDownload.h"
#include "controllers/subroutine/SubroutinePackageFactory.h"
#include "platform/containers/tVector.h"
#include "platform/driver/pciIdentity.h"
#include "platform/memory/tUserBuffer.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

namespace {

constexpr uint64_t kMaximumCount = 0xFFFFFFFFu;
// The most bytes one copy through the kernel layer carries.
constexpr uint64_t kCopyPiece = 1u << 30;

// Deletes the package it holds when the operation ends, whatever happened.
class PackageHolder {
 public:
  explicit PackageHolder(SubroutinePackageInterface* package) : package_(package) {}
  ~PackageHolder() { delete package_; }
  PackageHolder(const PackageHolder&) = delete;
  PackageHolder& operator=(const PackageHolder&) = delete;
  SubroutinePackageInterface* get() const { return package_; }

 private:
  SubroutinePackageInterface* package_;
};

// A table out to user memory, in pieces a single copy can carry.
template <typename T>
void copyOut(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t pointer,
             const nKIVAPAL000::tVector<T>& table, tStatus& status) {
  const uint64_t bytes = table.count() * sizeof(T);
  const nKIVAPAL000::tUserBuffer user(descriptor, pointer, bytes);
  for (uint64_t done = 0; done < bytes && status.isNotFatal(); done += kCopyPiece) {
    const uint64_t piece = bytes - done < kCopyPiece ? bytes - done : kCopyPiece;
    user.copyToUser(done, reinterpret_cast<const uint8_t*>(table.data()) + done, static_cast<uint32_t>(piece),
                    status);
  }
}

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

void SequencerPreparation::executeSubroutine(uint64_t channelMask, harrowtools::SubroutineId id,
                                             uint32_t timeoutMicroseconds, uint32_t commandType, tStatus& status) {
  if (status.isFatal()) return;
  if ((channelMask >> kChannelCount) != 0) {
    vorlanSetCode(status, kBadChannelMask);
    return;
  }
  for (uint8_t c = 0; c < kChannelCount && status.isNotFatal(); ++c) {
    if ((channelMask >> c & 1) == 0) continue;
    controllers_.interruptGenerator.executeSubroutine(c, id, commandType, timeoutMicroseconds,
                                                      kRequestedSubroutineNotAcknowledged, status);
  }
}

void SequencerPreparation::putInLocalRamCommandFifoAndExecute(const nKIVAPAL000::tEventDescriptor* descriptor,
                                                              uint8_t channel, uint64_t wordPointer,
                                                              uint32_t wordCount, tStatus& status) {
  if (status.isFatal()) return;
  if (channel >= kChannelCount) {
    vorlanSetCode(status, kBadChannelMask);
    return;
  }
  // The count is checked before anything is allocated or copied, so a
  // caller's number never sizes a kernel buffer beyond one region.
  if (wordCount > kChannelRegionCommandWords) {
    vorlanSetCode(status, kTooManyCommandWords);
    return;
  }
  const LocalRamRegion region = getLocalRamChannelRegion(channel);
  const uint32_t first = region.trailerAddress() - wordCount;
  if (wordCount != 0) {
    nKIVAPAL000::tVector<uint64_t> words;
    words.resizeExactly(wordCount, status);
    if (status.isFatal()) return;
    const nKIVAPAL000::tUserBuffer user(descriptor, wordPointer, static_cast<uint64_t>(wordCount) * sizeof(uint64_t));
    user.copyFromUser(0, words.data(), wordCount * static_cast<uint32_t>(sizeof(uint64_t)), status);
    controllers_.localRam.write(words, static_cast<uint16_t>(first), status);
  }
  // The RAM's lock is not held while the run is issued.
  controllers_.interruptGenerator.issueAddress(channel, first, status);
}

void SequencerPreparation::downloadSubroutines(const nKIVAPAL000::tEventDescriptor* descriptor,
                                               uint64_t imagePointer, uint32_t wordCount, uint64_t idPointer,
                                               uint64_t addressPointer, uint32_t idCount, tStatus& status) {
  if (status.isFatal()) return;
  SubroutinePackageFactory factory;
  const PackageHolder package(
      factory.createCustomPackage(descriptor, imagePointer, wordCount, idPointer, addressPointer, idCount, status));
  if (package.get() == nullptr || status.isFatal()) return;
  installSubroutinePackage(*package.get(), status);
  if (status.isFatal()) return;
  // The new package may have moved every subroutine the board runs by
  // itself: the error responses and the alarm response. Each follows it on
  // its own, so a package that lacks the one still moves the other; the
  // macro left behind would point into the old image.
  tStatus responses;
  configureDefaultResponses(responses);
  tStatus alarm;
  controllers_.reloadAlarmMacro(alarm);
  status.merge(responses);
  status.merge(alarm);
}

void SequencerPreparation::getSubroutines(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t idPointer,
                                          uint64_t addressPointer, uint32_t count, tStatus& status) {
  if (status.isFatal()) return;
  if (idPointer == 0 || addressPointer == 0) {
    vorlanSetCode(status, kMissingObject);
    return;
  }
  // One snapshot for the count check and both copies: a download between
  // them cannot make the copies read past a shorter table.
  nKIVAPAL000::tVector<harrowtools::SubroutineId> ids;
  nKIVAPAL000::tVector<uint32_t> addresses;
  registrar_.getSubroutines(ids, addresses, status);
  if (status.isFatal()) return;
  if (ids.count() != count) {
    vorlanSetCode(status, kSubroutineCountMismatch);
    return;
  }
  copyOut(descriptor, idPointer, ids, status);
  copyOut(descriptor, addressPointer, addresses, status);
}

uint32_t SequencerPreparation::getNumSubroutines(tStatus& status) { return registrar_.getNumSubroutines(status); }

}  // namespace vorlan_driver
