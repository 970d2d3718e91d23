#include "device/startup/CalibrationLoader.h"

#include "platform/synchronization/tAutoLock.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;
using vorlan_storagemaps::CalibrationStorageMap;
using vorlan_storagemaps::QuillStorageMaps;

namespace {

using tElementGetter = uint32_t (CalibrationStorageMap::*)(uint64_t, tStatus&);

// Where a calibration table entry's values come from: the fields of one
// current range. Entry 1 repeats the 50 mA range; entry 0, the 1 mA range,
// is loaded apart because its load hands the whole table to the channel.
struct TableEntrySource {
  uint32_t entry;
  tElementGetter highShuntGain;
  tElementGetter lowShuntGain;
  tElementGetter shuntOffset;
  tElementGetter shuntResidual;
};

constexpr TableEntrySource k1mA = {0, &CalibrationStorageMap::getHighShuntADCGain1mA,
                                   &CalibrationStorageMap::getLowShuntADCGain1mA,
                                   &CalibrationStorageMap::getShuntADCOffset1mA,
                                   &CalibrationStorageMap::getShuntADCResidualCurrentOffset1mA};

constexpr TableEntrySource kTableEntries[] = {
    {7, &CalibrationStorageMap::getHighShuntADCGain1uA, &CalibrationStorageMap::getLowShuntADCGain1uA,
     &CalibrationStorageMap::getShuntADCOffset1uA, &CalibrationStorageMap::getShuntADCResidualCurrentOffset1uA},
    {6, &CalibrationStorageMap::getHighShuntADCGain10uA, &CalibrationStorageMap::getLowShuntADCGain10uA,
     &CalibrationStorageMap::getShuntADCOffset10uA, &CalibrationStorageMap::getShuntADCResidualCurrentOffset10uA},
    {5, &CalibrationStorageMap::getHighShuntADCGain100uA, &CalibrationStorageMap::getLowShuntADCGain100uA,
     &CalibrationStorageMap::getShuntADCOffset100uA, &CalibrationStorageMap::getShuntADCResidualCurrentOffset100uA},
    {4, k1mA.highShuntGain, k1mA.lowShuntGain, k1mA.shuntOffset, k1mA.shuntResidual},
    {3, &CalibrationStorageMap::getHighShuntADCGain10mA, &CalibrationStorageMap::getLowShuntADCGain10mA,
     &CalibrationStorageMap::getShuntADCOffset10mA, &CalibrationStorageMap::getShuntADCResidualCurrentOffset10mA},
    {2, &CalibrationStorageMap::getHighShuntADCGain50mA, &CalibrationStorageMap::getLowShuntADCGain50mA,
     &CalibrationStorageMap::getShuntADCOffset50mA, &CalibrationStorageMap::getShuntADCResidualCurrentOffset50mA},
    {1, &CalibrationStorageMap::getHighShuntADCGain50mA, &CalibrationStorageMap::getLowShuntADCGain50mA,
     &CalibrationStorageMap::getShuntADCOffset50mA, &CalibrationStorageMap::getShuntADCResidualCurrentOffset50mA},
};

// One calibration table entry's values.
struct ShuntCalibration {
  uint32_t highShuntGain;
  uint32_t lowShuntGain;
  uint32_t offset;
};

constexpr ShuntCalibration kDefaultShunt = {CalibrationLoader::kDefaultHighShuntGain,
                                            CalibrationLoader::kDefaultLowShuntGain, 0};

ShuntCalibration readShunt(CalibrationStorageMap& map, const TableEntrySource& source, uint32_t channel,
                           tStatus& status) {
  ShuntCalibration values;
  values.highShuntGain = (map.*source.highShuntGain)(channel, status);
  values.lowShuntGain = (map.*source.lowShuntGain)(channel, status);
  const uint32_t offset = (map.*source.shuntOffset)(channel, status);
  values.offset = CalibrationLoader::offsetSum(offset, (map.*source.shuntResidual)(channel, status));
  return values;
}

uint32_t readVersion(CalibrationStorageMap& map, tStatus& status) { return map.getMapVersion(status).word; }

}  // namespace

uint32_t findValidCalibrationStorageMap(QuillStorageMaps& maps, tStatus& status) {
  for (uint32_t index = kSelfCalibrationMap; index < kNoCalibrationMap && status.isNotFatal(); ++index) {
    CalibrationStorageMap* map = selectCalibrationStorageMap(index, maps);
    // Under the lock a user's raw write and flush hold, so a set half
    // changed by name is never judged.
    nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(maps.getRegistrationMutex(*map));
    if (map->isChecksumValid(status) && status.isNotFatal()) return index;
  }
  return kNoCalibrationMap;
}

CalibrationStorageMap* selectCalibrationStorageMap(uint32_t index, QuillStorageMaps& maps) {
  switch (index) {
    case kSelfCalibrationMap:
      return &maps.getSelfCalibration();
    case kExternalCalibrationMap:
      return &maps.getExternalCalibration();
    case kFactoryCalibrationMap:
      return &maps.getFactoryCalibration();
    case kDefaultCalibrationMap:
      return &maps.getDefaultCalibration();
    default:
      return nullptr;
  }
}

void fillChargeBalanceDefaults(uint32_t* table, uint32_t run) {
  for (uint32_t k = 0; k < CalibrationLoader::kChargeBalanceEntries; ++k) {
    table[k] = (k / run) % 2 == 0 ? CalibrationLoader::kChargeBalanceHigh : CalibrationLoader::kChargeBalanceLow;
  }
}

void fillSharedLoSenseChargeBalanceDefaults(uint32_t adc, uint32_t* table) { fillChargeBalanceDefaults(table, 1u << adc); }

void CalibrationLoader::loadSharedLoSenseCalibration(CalibrationStorageMap* map, tStatus& status) {
  for (uint32_t n = 0; n < kSharedLoSenseADCCount && status.isNotFatal(); ++n) {
    uint32_t table[kChargeBalanceEntries];
    fillSharedLoSenseChargeBalanceDefaults(n, table);
    uint32_t gain = kDefaultSharedLoSenseGain;
    uint32_t offset = 0;
    if (map != nullptr) {
      for (uint32_t k = 0; k < kChargeBalanceEntries; ++k) {
        table[k] = map->getSharedLoSenseADCChargeBalanceOffsets(kChargeBalanceEntries * n + k, status);
      }
      gain = map->getSharedLoSenseADCGain(n, status);
      const uint32_t stored = map->getSharedLoSenseADCOffset(n, status);
      offset = offsetSum(stored, map->getSharedLoSenseADCResidualVoltageOffset(n, status));
    }
    controllers_.chargeBalanceOffsets.configureSharedLoSenseOffsets(static_cast<uint16_t>(n), table,
                                                                    kChargeBalanceEntries, status);
    // The register defaults left this gain staged and dirty, so it goes out
    // even when it equals the staged value.
    controllers_.sharedLoSense.configureGainAndOffset(static_cast<uint16_t>(n), gain, offset, status);
  }
}

void CalibrationLoader::loadChargeBalanceOffsets(CalibrationStorageMap* map, tStatus& status) {
  if (status.isFatal()) return;
  uint32_t remote[kChargeBalanceEntries];
  uint32_t local[kChargeBalanceEntries];
  uint32_t highShunt[kChargeBalanceEntries];
  uint32_t lowShunt[kChargeBalanceEntries];
  fillChargeBalanceDefaults(remote, 2);
  fillChargeBalanceDefaults(local, 1);
  fillChargeBalanceDefaults(highShunt, 4);
  fillChargeBalanceDefaults(lowShunt, 8);
  for (uint32_t c = 0; c < kChannelCount && status.isNotFatal(); ++c) {
    if (map != nullptr) {
      for (uint32_t k = 0; k < kChargeBalanceEntries; ++k) {
        const uint64_t element = kChargeBalanceEntries * c + k;
        remote[k] = map->getRemoteADCChargeBalanceOffsets(element, status);
        local[k] = map->getLocalADCChargeBalanceOffsets(element, status);
        highShunt[k] = map->getHighShuntADCChargeBalanceOffsets(element, status);
        lowShunt[k] = map->getLowShuntADCChargeBalanceOffsets(element, status);
      }
    }
    controllers_.chargeBalanceOffsets.configureChannelOffsets(static_cast<uint8_t>(c), remote, local, highShunt,
                                                              lowShunt, kChargeBalanceEntries, status);
  }
}

void CalibrationLoader::loadChannelCalibration(CalibrationStorageMap* map, tStatus& status) {
  uint32_t remoteGain = kDefaultSenseGain;
  uint32_t localGain = kDefaultSenseGain;
  uint32_t remoteOffset = 0;
  uint32_t localOffset = 0;
  ShuntCalibration entryZero = kDefaultShunt;
  uint16_t dacMinimum = kDefaultDacMinimum;
  uint16_t dacMaximum = kDefaultDacMaximum;
  for (uint32_t c = 0; c < kChannelCount && status.isNotFatal(); ++c) {
    IsoChannelController& channel = *controllers_.isoChannelTable[c];
    for (const TableEntrySource& source : kTableEntries) {
      const ShuntCalibration entry = map != nullptr ? readShunt(*map, source, c, status) : kDefaultShunt;
      channel.loadCalibrationTableEntry(source.entry, entry.highShuntGain, entry.lowShuntGain, entry.offset, status);
    }
    if (map != nullptr) {
      remoteGain = map->getRemoteADCGain24V(c, status);
      localGain = map->getLocalADCGain24V(c, status);
      const uint32_t remoteStored = map->getRemoteADCOffset24V(c, status);
      remoteOffset = offsetSum(remoteStored, map->getRemoteADCResidualVoltageOffset24V(c, status));
      const uint32_t localStored = map->getLocalADCOffset24V(c, status);
      localOffset = offsetSum(localStored, map->getLocalADCResidualVoltageOffset24V(c, status));
      entryZero = readShunt(*map, k1mA, c, status);
      if (readVersion(*map, status) >= kDacLimitsVersion) {
        dacMinimum = map->getMinimumDACValue(c, status);
        dacMaximum = map->getMaximumDACValue(c, status);
      }
    }
    // Entry 0 last: its load hands the whole table to the channel.
    channel.loadCalibrationTableEntryZero(entryZero.highShuntGain, entryZero.lowShuntGain, entryZero.offset, status);
    channel.configureCalibrationGainsAndOffsets(remoteGain, localGain, remoteOffset, localOffset, status);
    channel.configureDacLimits(dacMinimum, dacMaximum, status);
  }
}

void CalibrationLoader::loadCommonModeCurrentCancellation(CalibrationStorageMap* map, tStatus& status) {
  if (status.isFatal()) return;
  uint8_t setting = kDefaultCommonModeCancellation;
  if (map != nullptr && readVersion(*map, status) >= kCommonModeCancellationVersion) {
    setting = map->getCommonModeCurrentCancellation(status);
  }
  iso_.CmccDigiPotControl.writeDigiPot(setting, status);
}

}  // namespace vorlan_driver
