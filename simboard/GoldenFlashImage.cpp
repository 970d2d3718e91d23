#include "simboard/GoldenFlashImage.h"

#include <cstring>
#include <string>

namespace simboard {

namespace {

using namespace goldenflash;

// CRC-32 of IEEE 802.3, one bit at a time.
uint32_t crc32(const uint8_t* data, size_t length) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& image) : image_(image) {}

  void u8(uint64_t address, uint8_t value) { image_.at(address) = value; }
  void u16(uint64_t address, uint16_t value) { little(address, value, 2); }
  void u32(uint64_t address, uint32_t value) { little(address, value, 4); }
  void fill(uint64_t address, uint64_t length, uint8_t value) {
    for (uint64_t i = 0; i < length; ++i) image_.at(address + i) = value;
  }
  // A text element: the characters, then zeros to the element's end.
  void text(uint64_t address, uint64_t elementSize, const std::string& value) {
    fill(address, elementSize, 0);
    for (size_t i = 0; i < value.size() && i + 1 < elementSize; ++i) u8(address + i, static_cast<uint8_t>(value[i]));
  }
  // The CRC of the record's bytes after its first four, stored in those four.
  void seal(uint64_t record, uint64_t size) { u32(record, crc32(image_.data() + record + 4, size - 4)); }

 private:
  void little(uint64_t address, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) image_.at(address + i) = static_cast<uint8_t>(value >> (8 * i));
  }
  std::vector<uint8_t>& image_;
};

constexpr int kChannels = 24;
constexpr int kCurrentRanges = 6;
constexpr int kSharedLoSenseADCs = 4;
constexpr uint32_t kShuntGain = 70068;
constexpr uint32_t kSenseGain = 73902;
constexpr uint32_t kSharedLoSenseGain = 0x6F27;
constexpr uint32_t kChargeBalanceHigh = 0x8000000u + 0xE20000u;
constexpr uint32_t kChargeBalanceLow = 0x8000000u - 0xE20000u;
constexpr uint8_t kNominalCommonModeCurrentCancellation = 0x80;
constexpr uint16_t kDacMinimum = 0xF800;
constexpr uint16_t kDacMaximum = 0x07FF;
constexpr uint32_t kMask24 = 0xFFFFFF;

// Entry k of a table of 16 alternating runs of the high and the low offset,
// high first.
uint32_t chargeBalanceEntry(int k, int run) { return (k / run) % 2 == 0 ? kChargeBalanceHigh : kChargeBalanceLow; }

// A negative 24-bit two's-complement number.
uint32_t minus24(uint32_t magnitude) { return (0u - magnitude) & kMask24; }

// The values of one set. Nominal ones are those of a board calibrated to
// its design values; distinct ones carry the set (s), the current range (r),
// the channel (c) and the table entry (k) in their bits, so a test can tell
// where a value came from. Channel 23's remote offset and residual are the
// most negative 24-bit number and -1, whose sum wraps to the most positive.
struct SetValues {
  bool distinct;
  uint32_t s;

  uint32_t highShuntGain(int r, int c) const { return distinct ? 0x10000 + (s << 12) + (r << 8) + c : kShuntGain; }
  uint32_t lowShuntGain(int r, int c) const { return distinct ? 0x20000 + (s << 12) + (r << 8) + c : kShuntGain; }
  uint32_t shuntOffset(int r, int c) const { return distinct ? minus24((s << 12) + (r << 8) + c + 1) : 0; }
  uint32_t shuntResidual(int r, int c) const { return distinct ? 0x10 * (r + 1) + c : 0; }
  uint32_t remoteGain(int c) const { return distinct ? 0x30000 + (s << 12) + c : kSenseGain; }
  uint32_t localGain(int c) const { return distinct ? 0x40000 + (s << 12) + c : kSenseGain; }
  uint32_t remoteOffset(int c) const {
    if (!distinct) return 0;
    return c == kChannels - 1 ? 0x800000u : minus24((s << 8) + c + 1);
  }
  uint32_t remoteResidual(int c) const {
    if (!distinct) return 0;
    return c == kChannels - 1 ? kMask24 : 3;
  }
  uint32_t localOffset(int c) const { return distinct ? 0x1000 + (s << 8) + c : 0; }
  uint32_t localResidual(int) const { return distinct ? kMask24 : 0; }
  uint32_t chargeBalance(int k, int run, int c) const {
    return chargeBalanceEntry(k, run) + (distinct ? (s << 16) + (c << 4) + k : 0);
  }
  uint32_t sharedLoSenseGain(int n) const { return distinct ? 0x6F00 + (s << 4) + n : kSharedLoSenseGain; }
  uint32_t sharedLoSenseOffset(int n) const { return distinct ? minus24((s << 4) + n + 1) : 0; }
  uint32_t sharedLoSenseResidual(int n) const { return distinct ? n : 0; }
  uint8_t commonModeCurrentCancellation() const {
    return distinct ? static_cast<uint8_t>(0x40 + s) : kNominalCommonModeCurrentCancellation;
  }
  uint16_t dacMinimum(int c) const { return static_cast<uint16_t>(distinct ? kDacMinimum + (s << 4) + c : kDacMinimum); }
  uint16_t dacMaximum(int c) const { return static_cast<uint16_t>(distinct ? kDacMaximum - (s << 4) - c : kDacMaximum); }
};

void writeCalibrationSet(Writer& out, uint64_t record, const CalibrationSetSpec& spec, uint32_t set) {
  using namespace calibration;
  const SetValues v{spec.distinctValues, set};
  out.fill(record, kFieldsEnd, 0);
  out.u32(record + kMapVersion, spec.version);
  out.u32(record + kOldestCompatibleMapVersion, kVersion1_0_0d5);
  for (int c = 0; c < kChannels; ++c) {
    out.u32(record + kRemoteADCGain24V + 4 * c, v.remoteGain(c));
    out.u32(record + kLocalADCGain24V + 4 * c, v.localGain(c));
    out.u32(record + kRemoteADCOffset24V + 4 * c, v.remoteOffset(c));
    out.u32(record + kRemoteADCResidualVoltageOffset24V + 4 * c, v.remoteResidual(c));
    out.u32(record + kLocalADCOffset24V + 4 * c, v.localOffset(c));
    out.u32(record + kLocalADCResidualVoltageOffset24V + 4 * c, v.localResidual(c));
    for (int r = 0; r < kCurrentRanges; ++r) {
      const uint64_t at = kRangeStride * r + 4 * c;
      out.u32(record + kHighShuntADCGain1uA + at, v.highShuntGain(r, c));
      out.u32(record + kLowShuntADCGain1uA + at, v.lowShuntGain(r, c));
      out.u32(record + kShuntADCOffset1uA + at, v.shuntOffset(r, c));
      out.u32(record + kShuntADCResidualCurrentOffset1uA + at, v.shuntResidual(r, c));
    }
    for (int k = 0; k < 16; ++k) {
      const uint64_t at = 64 * c + 4 * k;
      out.u32(record + kRemoteADCChargeBalanceOffsets + at, v.chargeBalance(k, 2, c));
      out.u32(record + kLocalADCChargeBalanceOffsets + at, v.chargeBalance(k, 1, c));
      out.u32(record + kHighShuntADCChargeBalanceOffsets + at, v.chargeBalance(k, 4, c));
      out.u32(record + kLowShuntADCChargeBalanceOffsets + at, v.chargeBalance(k, 8, c));
    }
    out.u16(record + kMinimumDACValue + 2 * c, v.dacMinimum(c));
    out.u16(record + kMaximumDACValue + 2 * c, v.dacMaximum(c));
  }
  for (int n = 0; n < kSharedLoSenseADCs; ++n) {
    out.u32(record + kSharedLoSenseADCGain + 4 * n, v.sharedLoSenseGain(n));
    out.u32(record + kSharedLoSenseADCOffset + 4 * n, v.sharedLoSenseOffset(n));
    out.u32(record + kSharedLoSenseADCResidualVoltageOffset + 4 * n, v.sharedLoSenseResidual(n));
    for (int k = 0; k < 16; ++k) {
      out.u32(record + kSharedLoSenseADCChargeBalanceOffsets + 64 * n + 4 * k, v.chargeBalance(k, 1 << n, n));
    }
  }
  out.u8(record + kCommonModeCurrentCancellation, v.commonModeCurrentCancellation());
  out.seal(record, kCalibrationRecordSize);
  // A byte past the last field is still covered by the CRC: changing it
  // breaks the seal and leaves every value as it was.
  if (!spec.crcIntact) out.u8(record + kFieldsEnd, 0x5A);
}

FlashImageSpec distinctSets() {
  FlashImageSpec spec;
  for (CalibrationSetSpec& set : spec.sets) set.distinctValues = true;
  return spec;
}

}  // namespace

std::vector<uint8_t> buildFlashImage(const FlashImageSpec& spec) {
  std::vector<uint8_t> image(kSize, kErased);
  if (!spec.records) return image;
  Writer out(image);

  // Posc: never interpreted by the driver; left erased.

  out.u32(kManufacturingICT + 0, kVersion1_0_0d0);
  out.u32(kManufacturingICT + 4, kVersion1_0_0d0);
  out.u32(kManufacturingICT + 8, kSerialNumber);

  out.u32(kManufacturing + 4, kVersion1_0_0d0);
  out.u32(kManufacturing + 8, kVersion1_0_0d0);
  out.u32(kManufacturing + 12, kSerialNumber);
  out.u8(kManufacturing + 16, kBoardRevision);
  out.u8(kManufacturing + 17, kOldestCompatibleBoardRevision);
  out.seal(kManufacturing, kSmallRecordSize);

  out.u32(kHeader + 4, kVersion1_0_0d0);
  out.u32(kHeader + 8, kVersion1_0_0d0);
  out.text(kHeader + 12, 32, "");
  out.text(kHeader + 44, 1024, kHeaderComments);
  out.seal(kHeader, kSmallRecordSize);

  for (uint32_t set = 0; set < 4; ++set) {
    if (spec.sets[set].written) writeCalibrationSet(out, kCalibrationSets[set], spec.sets[set], set);
  }
  return image;
}

std::vector<uint8_t> buildGoldenFlashImage() { return buildFlashImage(FlashImageSpec{}); }

namespace flashvariants {

std::vector<uint8_t> blank() {
  FlashImageSpec spec;
  spec.records = false;
  return buildFlashImage(spec);
}

std::vector<uint8_t> allValid() { return buildFlashImage(distinctSets()); }

std::vector<uint8_t> noCalibration() {
  FlashImageSpec spec;
  for (CalibrationSetSpec& set : spec.sets) set.written = false;
  return buildFlashImage(spec);
}

std::vector<uint8_t> onlyValid(CalibrationSet valid) {
  FlashImageSpec spec = distinctSets();
  for (uint32_t set = 0; set < 4; ++set) spec.sets[set].written = set == static_cast<uint32_t>(valid);
  return buildFlashImage(spec);
}

std::vector<uint8_t> damagedCrc(CalibrationSet damaged) {
  FlashImageSpec spec = distinctSets();
  spec.sets[static_cast<uint32_t>(damaged)].crcIntact = false;
  return buildFlashImage(spec);
}

std::vector<uint8_t> calibrationVersion(uint32_t version) {
  FlashImageSpec spec = distinctSets();
  for (CalibrationSetSpec& set : spec.sets) set.version = version;
  return buildFlashImage(spec);
}

}  // namespace flashvariants

uint32_t flashWord32(const std::vector<uint8_t>& image, uint64_t address) {
  return static_cast<uint32_t>(image.at(address)) | static_cast<uint32_t>(image.at(address + 1)) << 8 |
         static_cast<uint32_t>(image.at(address + 2)) << 16 | static_cast<uint32_t>(image.at(address + 3)) << 24;
}

uint16_t flashWord16(const std::vector<uint8_t>& image, uint64_t address) {
  return static_cast<uint16_t>(image.at(address) | image.at(address + 1) << 8);
}

void sealFlashRecord(std::vector<uint8_t>& image, uint64_t record, uint64_t size) { Writer(image).seal(record, size); }

}  // namespace simboard
