// The contents of a board's 1 MiB flash: the eight records at their places,
// each with a version the driver supports and, where the record has one, a
// correct CRC-32; everything else erased (0xFF). The simulated flash starts
// from the factory image unless a test gives it another: the variants below
// are the flashes boards come back with (blank, one calibration set left,
// one set damaged, sets of an older layout version).
//
// The images are written from the flash layout alone, with a CRC-32 of their
// own, so that they check the driver's records rather than mirroring them.
#pragma once

#include <cstdint>
#include <vector>

namespace simboard {

namespace goldenflash {

constexpr uint64_t kSize = 0x100000;
constexpr uint8_t kErased = 0xFF;

// Where the records lie.
constexpr uint64_t kPosc = 0x0;
constexpr uint64_t kManufacturingICT = 0x8000;
constexpr uint64_t kManufacturing = 0x9000;
constexpr uint64_t kHeader = 0xA000;
constexpr uint64_t kCalibrationSets[4] = {0xB000, 0xE000, 0x11000, 0x14000};  // default, factory, external, self
constexpr uint64_t kSmallRecordSize = 0x1000;
constexpr uint64_t kCalibrationRecordSize = 0x3000;

// What the records say about the board.
constexpr uint32_t kSerialNumber = 0x01E5A7C3u;
// Start-up accepts only revision 8 as the oldest compatible board revision.
constexpr uint8_t kBoardRevision = 8;
constexpr uint8_t kOldestCompatibleBoardRevision = 8;
// Packed version words: major << 24 | minor << 20 | update << 16 | phase << 14 | build.
constexpr uint32_t kVersion1_0_0d0 = 0x01000000u;
constexpr uint32_t kVersion1_0_0d5 = 0x01000005u;
constexpr uint32_t kVersion1_0_0d6 = 0x01000006u;
constexpr uint32_t kVersion1_0_0d7 = 0x01000007u;
constexpr const char* kHeaderComments = "Simulated board, factory image";

// Byte offsets inside one calibration set. Arrays of 24 u32 are 96 bytes;
// the six current ranges (1uA, 10uA, 100uA, 1mA, 10mA, 50mA) of a quantity
// follow one another 96 bytes apart.
namespace calibration {
constexpr uint64_t kMapVersion = 4;
constexpr uint64_t kOldestCompatibleMapVersion = 8;
constexpr uint64_t kRemoteADCGain24V = 1412;
constexpr uint64_t kLocalADCGain24V = 1508;
constexpr uint64_t kHighShuntADCGain1uA = 1604;
constexpr uint64_t kLowShuntADCGain1uA = 2180;
constexpr uint64_t kRemoteADCOffset24V = 2756;
constexpr uint64_t kLocalADCOffset24V = 2852;
constexpr uint64_t kShuntADCOffset1uA = 2948;
constexpr uint64_t kRemoteADCResidualVoltageOffset24V = 3524;
constexpr uint64_t kLocalADCResidualVoltageOffset24V = 3620;
constexpr uint64_t kShuntADCResidualCurrentOffset1uA = 3716;
constexpr uint64_t kRangeStride = 96;
// 16 u32 per channel each.
constexpr uint64_t kRemoteADCChargeBalanceOffsets = 4292;
constexpr uint64_t kLocalADCChargeBalanceOffsets = 5828;
constexpr uint64_t kHighShuntADCChargeBalanceOffsets = 7364;
constexpr uint64_t kLowShuntADCChargeBalanceOffsets = 8900;
// 4 u32 each, then 16 u32 per shared LO-sense ADC.
constexpr uint64_t kSharedLoSenseADCGain = 10452;
constexpr uint64_t kSharedLoSenseADCOffset = 10468;
constexpr uint64_t kSharedLoSenseADCResidualVoltageOffset = 10484;
constexpr uint64_t kSharedLoSenseADCChargeBalanceOffsets = 10500;
constexpr uint64_t kCommonModeCurrentCancellation = 11908;  // one byte
constexpr uint64_t kMinimumDACValue = 11909;                // 24 u16
constexpr uint64_t kMaximumDACValue = 11957;                // 24 u16
constexpr uint64_t kFieldsEnd = 12005;
}  // namespace calibration

}  // namespace goldenflash

// The four calibration sets by their place in the flash.
enum class CalibrationSet { kDefault = 0, kFactory = 1, kExternal = 2, kSelf = 3 };

// What one calibration set of an image holds.
struct CalibrationSetSpec {
  // False: the set's bytes stay erased.
  bool written = true;
  // False: the set is written and sealed, then one covered byte changes, so
  // its stored CRC no longer matches.
  bool crcIntact = true;
  uint32_t version = goldenflash::kVersion1_0_0d7;
  // Nominal values (those of the factory image), or values of the set's own
  // that tell it from every other set and every channel from the others.
  bool distinctValues = false;
};

struct FlashImageSpec {
  // Indexed by CalibrationSet.
  CalibrationSetSpec sets[4];
  // False: Manufacturing, Header and the calibration sets stay erased.
  bool records = true;
};

std::vector<uint8_t> buildFlashImage(const FlashImageSpec& spec);

// The factory image: nominal calibration in all four sets, version 1.0.0d7.
std::vector<uint8_t> buildGoldenFlashImage();

// The variants, each set with distinct values where it is written.
namespace flashvariants {
// Every byte erased.
std::vector<uint8_t> blank();
// All four sets valid.
std::vector<uint8_t> allValid();
// The board's records, but every calibration set erased.
std::vector<uint8_t> noCalibration();
// Only `valid` intact; the other three sets erased.
std::vector<uint8_t> onlyValid(CalibrationSet valid);
// All four sets written; `damaged` fails its CRC.
std::vector<uint8_t> damagedCrc(CalibrationSet damaged);
// All four sets valid, of layout version `version`.
std::vector<uint8_t> calibrationVersion(uint32_t version);
}  // namespace flashvariants

// The little-endian words of an image, as a test reads back what a set holds.
uint32_t flashWord32(const std::vector<uint8_t>& image, uint64_t address);
uint16_t flashWord16(const std::vector<uint8_t>& image, uint64_t address);

// Stores the CRC-32 of a record's bytes after its first four in those four,
// as the factory does after changing a field.
void sealFlashRecord(std::vector<uint8_t>& image, uint64_t record, uint64_t size);

}  // namespace simboard
