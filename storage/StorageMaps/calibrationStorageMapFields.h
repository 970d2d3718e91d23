// The layout of one set of calibration constants in the flash: a packed
// record, each field starting where the previous one ends, all values
// little-endian. A field's offset, which is also its id, follows from the
// rows above it. Bytes from the end of the last field to the end of the
// record belong to no field but are covered by the checksum.
#pragma once

#include <stdint.h>

#include "storage/storageMap/storageMapAccessors.h"
#include "storage/storageMap/storageMapTypes.h"

//  accessor form  element type                 field name                             accessor stem                          elements
#define VORLAN_CALIBRATION_FIELDS(X) \
  X(CHECKSUM, uint32_t,                    checksum,                              Checksum,                              1)   \
  X(ONE,      ::storagemap::PackedVersion, mapVersion,                            MapVersion,                            1)   \
  X(ONE,      ::storagemap::PackedVersion, oldestCompatibleMapVersion,            OldestCompatibleMapVersion,            1)   \
  X(RAW,      ::storagemap::EightBytes,    temperature,                           Temperature,                           1)   \
  X(ONE,      ::storagemap::TimeStamp,     time,                                  Time,                                  1)   \
  X(ONE,      ::storagemap::TimeStamp,     calibrationDueDate,                    CalibrationDueDate,                    1)   \
  X(RAW,      ::storagemap::EightBytes,    voltageReference,                      VoltageReference,                      1)   \
  X(RAW,      ::storagemap::EightBytes,    resistanceReference,                   ResistanceReference,                   1)   \
  X(MANY,     uint32_t,                    remoteADCSecondOrderCoeff24V,          RemoteADCSecondOrderCoeff24V,          24)  \
  X(MANY,     uint32_t,                    localADCSecondOrderCoeff24V,           LocalADCSecondOrderCoeff24V,           24)  \
  X(MANY,     uint32_t,                    highShuntADCSecondOrderCoeff1uA,       HighShuntADCSecondOrderCoeff1uA,       24)  \
  X(MANY,     uint32_t,                    highShuntADCSecondOrderCoeff10uA,      HighShuntADCSecondOrderCoeff10uA,      24)  \
  X(MANY,     uint32_t,                    highShuntADCSecondOrderCoeff100uA,     HighShuntADCSecondOrderCoeff100uA,     24)  \
  X(MANY,     uint32_t,                    highShuntADCSecondOrderCoeff1mA,       HighShuntADCSecondOrderCoeff1mA,       24)  \
  X(MANY,     uint32_t,                    highShuntADCSecondOrderCoeff10mA,      HighShuntADCSecondOrderCoeff10mA,      24)  \
  X(MANY,     uint32_t,                    highShuntADCSecondOrderCoeff50mA,      HighShuntADCSecondOrderCoeff50mA,      24)  \
  X(MANY,     uint32_t,                    lowShuntADCSecondOrderCoeff1uA,        LowShuntADCSecondOrderCoeff1uA,        24)  \
  X(MANY,     uint32_t,                    lowShuntADCSecondOrderCoeff10uA,       LowShuntADCSecondOrderCoeff10uA,       24)  \
  X(MANY,     uint32_t,                    lowShuntADCSecondOrderCoeff100uA,      LowShuntADCSecondOrderCoeff100uA,      24)  \
  X(MANY,     uint32_t,                    lowShuntADCSecondOrderCoeff1mA,        LowShuntADCSecondOrderCoeff1mA,        24)  \
  X(MANY,     uint32_t,                    lowShuntADCSecondOrderCoeff10mA,       LowShuntADCSecondOrderCoeff10mA,       24)  \
  X(MANY,     uint32_t,                    lowShuntADCSecondOrderCoeff50mA,       LowShuntADCSecondOrderCoeff50mA,       24)  \
  X(MANY,     uint32_t,                    remoteADCGain24V,                      RemoteADCGain24V,                      24)  \
  X(MANY,     uint32_t,                    localADCGain24V,                       LocalADCGain24V,                       24)  \
  X(MANY,     uint32_t,                    highShuntADCGain1uA,                   HighShuntADCGain1uA,                   24)  \
  X(MANY,     uint32_t,                    highShuntADCGain10uA,                  HighShuntADCGain10uA,                  24)  \
  X(MANY,     uint32_t,                    highShuntADCGain100uA,                 HighShuntADCGain100uA,                 24)  \
  X(MANY,     uint32_t,                    highShuntADCGain1mA,                   HighShuntADCGain1mA,                   24)  \
  X(MANY,     uint32_t,                    highShuntADCGain10mA,                  HighShuntADCGain10mA,                  24)  \
  X(MANY,     uint32_t,                    highShuntADCGain50mA,                  HighShuntADCGain50mA,                  24)  \
  X(MANY,     uint32_t,                    lowShuntADCGain1uA,                    LowShuntADCGain1uA,                    24)  \
  X(MANY,     uint32_t,                    lowShuntADCGain10uA,                   LowShuntADCGain10uA,                   24)  \
  X(MANY,     uint32_t,                    lowShuntADCGain100uA,                  LowShuntADCGain100uA,                  24)  \
  X(MANY,     uint32_t,                    lowShuntADCGain1mA,                    LowShuntADCGain1mA,                    24)  \
  X(MANY,     uint32_t,                    lowShuntADCGain10mA,                   LowShuntADCGain10mA,                   24)  \
  X(MANY,     uint32_t,                    lowShuntADCGain50mA,                   LowShuntADCGain50mA,                   24)  \
  X(MANY,     uint32_t,                    remoteADCOffset24V,                    RemoteADCOffset24V,                    24)  \
  X(MANY,     uint32_t,                    localADCOffset24V,                     LocalADCOffset24V,                     24)  \
  X(MANY,     uint32_t,                    shuntADCOffset1uA,                     ShuntADCOffset1uA,                     24)  \
  X(MANY,     uint32_t,                    shuntADCOffset10uA,                    ShuntADCOffset10uA,                    24)  \
  X(MANY,     uint32_t,                    shuntADCOffset100uA,                   ShuntADCOffset100uA,                   24)  \
  X(MANY,     uint32_t,                    shuntADCOffset1mA,                     ShuntADCOffset1mA,                     24)  \
  X(MANY,     uint32_t,                    shuntADCOffset10mA,                    ShuntADCOffset10mA,                    24)  \
  X(MANY,     uint32_t,                    shuntADCOffset50mA,                    ShuntADCOffset50mA,                    24)  \
  X(MANY,     uint32_t,                    remoteADCResidualVoltageOffset24V,     RemoteADCResidualVoltageOffset24V,     24)  \
  X(MANY,     uint32_t,                    localADCResidualVoltageOffset24V,      LocalADCResidualVoltageOffset24V,      24)  \
  X(MANY,     uint32_t,                    shuntADCResidualCurrentOffset1uA,      ShuntADCResidualCurrentOffset1uA,      24)  \
  X(MANY,     uint32_t,                    shuntADCResidualCurrentOffset10uA,     ShuntADCResidualCurrentOffset10uA,     24)  \
  X(MANY,     uint32_t,                    shuntADCResidualCurrentOffset100uA,    ShuntADCResidualCurrentOffset100uA,    24)  \
  X(MANY,     uint32_t,                    shuntADCResidualCurrentOffset1mA,      ShuntADCResidualCurrentOffset1mA,      24)  \
  X(MANY,     uint32_t,                    shuntADCResidualCurrentOffset10mA,     ShuntADCResidualCurrentOffset10mA,     24)  \
  X(MANY,     uint32_t,                    shuntADCResidualCurrentOffset50mA,     ShuntADCResidualCurrentOffset50mA,     24)  \
  X(MANY,     uint32_t,                    remoteADCChargeBalanceOffsets,         RemoteADCChargeBalanceOffsets,         384) \
  X(MANY,     uint32_t,                    localADCChargeBalanceOffsets,          LocalADCChargeBalanceOffsets,          384) \
  X(MANY,     uint32_t,                    highShuntADCChargeBalanceOffsets,      HighShuntADCChargeBalanceOffsets,      384) \
  X(MANY,     uint32_t,                    lowShuntADCChargeBalanceOffsets,       LowShuntADCChargeBalanceOffsets,       384) \
  X(MANY,     uint32_t,                    sharedLoSenseADCSecondOrderCoeffs,     SharedLoSenseADCSecondOrderCoeffs,     4)   \
  X(MANY,     uint32_t,                    sharedLoSenseADCGain,                  SharedLoSenseADCGain,                  4)   \
  X(MANY,     uint32_t,                    sharedLoSenseADCOffset,                SharedLoSenseADCOffset,                4)   \
  X(MANY,     uint32_t,                    sharedLoSenseADCResidualVoltageOffset, SharedLoSenseADCResidualVoltageOffset, 4)   \
  X(MANY,     uint32_t,                    sharedLoSenseADCChargeBalanceOffsets,  SharedLoSenseADCChargeBalanceOffsets,  64)  \
  X(RAW,      ::storagemap::EightBytes,    currentShunt1uA,                       CurrentShunt1uA,                       24)  \
  X(RAW,      ::storagemap::EightBytes,    currentShunt10uA,                      CurrentShunt10uA,                      24)  \
  X(RAW,      ::storagemap::EightBytes,    currentShunt100uA,                     CurrentShunt100uA,                     24)  \
  X(RAW,      ::storagemap::EightBytes,    currentShunt1mA,                       CurrentShunt1mA,                       24)  \
  X(RAW,      ::storagemap::EightBytes,    currentShunt10mA,                      CurrentShunt10mA,                      24)  \
  X(RAW,      ::storagemap::EightBytes,    currentShunt50mA,                      CurrentShunt50mA,                      24)  \
  X(ONE,      uint8_t,                     commonModeCurrentCancellation,         CommonModeCurrentCancellation,         1)   \
  X(MANY,     uint16_t,                    minimumDACValue,                       MinimumDACValue,                       24)  \
  X(MANY,     uint16_t,                    maximumDACValue,                       MaximumDACValue,                       24)

namespace vorlan_storagemaps {
namespace calibrationLayout {

enum Field : uint32_t {
#define VORLAN_CALIBRATION_INDEX(form, T, name, Name, n) k##Name,
  VORLAN_CALIBRATION_FIELDS(VORLAN_CALIBRATION_INDEX)
#undef VORLAN_CALIBRATION_INDEX
  kFieldCount
};

constexpr uint64_t kFieldBytes[] = {
#define VORLAN_CALIBRATION_BYTES(form, T, name, Name, n) (n) * sizeof(T),
    VORLAN_CALIBRATION_FIELDS(VORLAN_CALIBRATION_BYTES)
#undef VORLAN_CALIBRATION_BYTES
};

// A field's offset from the record's start, which is also its id.
constexpr uint32_t idOf(Field field) {
  return static_cast<uint32_t>(::storagemap::packedOffset(kFieldBytes, field));
}

constexpr uint64_t kRecordSize = 0x3000;
constexpr uint64_t kFieldsEnd = ::storagemap::packedOffset(kFieldBytes, kFieldCount);

static_assert(kFieldCount == 70, "seventy calibration fields");
static_assert(kFieldsEnd == 12005, "the fields end at byte 12005");
static_assert(kFieldsEnd <= kRecordSize, "the fields lie inside the record");
static_assert(idOf(kMapVersion) == 4 && idOf(kTime) == 20 && idOf(kRemoteADCSecondOrderCoeff24V) == 68,
              "calibration header fields");
static_assert(idOf(kRemoteADCChargeBalanceOffsets) == 4292 && idOf(kSharedLoSenseADCSecondOrderCoeffs) == 10436,
              "calibration tables");
static_assert(idOf(kCurrentShunt1uA) == 10756 && idOf(kCommonModeCurrentCancellation) == 11908 &&
                  idOf(kMinimumDACValue) == 11909 && idOf(kMaximumDACValue) == 11957,
              "calibration tail fields");

}  // namespace calibrationLayout
}  // namespace vorlan_storagemaps
