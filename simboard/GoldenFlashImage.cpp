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

// Offsets inside one calibration set.
namespace calibration {
constexpr uint64_t kMapVersion = 4;
constexpr uint64_t kOldestCompatibleMapVersion = 8;
constexpr uint64_t kFieldsEnd = 12005;
constexpr uint64_t kRemoteADCGain24V = 1412;
constexpr uint64_t kLocalADCGain24V = 1508;
constexpr uint64_t kHighShuntADCGain1uA = 1604;  // then 10uA, 100uA, 1mA, 10mA, 50mA, 96 bytes apart
constexpr uint64_t kLowShuntADCGain1uA = 2180;
constexpr uint64_t kGainTableStride = 96;
constexpr uint64_t kRemoteADCChargeBalanceOffsets = 4292;
constexpr uint64_t kLocalADCChargeBalanceOffsets = 5828;
constexpr uint64_t kHighShuntADCChargeBalanceOffsets = 7364;
constexpr uint64_t kLowShuntADCChargeBalanceOffsets = 8900;
constexpr uint64_t kSharedLoSenseADCGain = 10452;
constexpr uint64_t kSharedLoSenseADCChargeBalanceOffsets = 10500;
constexpr uint64_t kCommonModeCurrentCancellation = 11908;
constexpr uint64_t kMinimumDACValue = 11909;
constexpr uint64_t kMaximumDACValue = 11957;
}  // namespace calibration

constexpr int kChannels = 24;
constexpr int kCurrentRanges = 6;
constexpr uint32_t kShuntGain = 70068;
constexpr uint32_t kSenseGain = 73902;
constexpr uint32_t kSharedLoSenseGain = 0x6F27;
constexpr uint32_t kChargeBalanceHigh = 0x8000000u + 0xE20000u;
constexpr uint32_t kChargeBalanceLow = 0x8000000u - 0xE20000u;
constexpr uint8_t kNominalCommonModeCurrentCancellation = 0x80;
constexpr uint16_t kDacMinimum = 0xF800;
constexpr uint16_t kDacMaximum = 0x07FF;

// 16 entries of alternating runs of the high and the low offset, high first.
void chargeBalanceTable(Writer& out, uint64_t address, int run) {
  for (int k = 0; k < 16; ++k) out.u32(address + 4 * k, (k / run) % 2 == 0 ? kChargeBalanceHigh : kChargeBalanceLow);
}

// A set calibrated to nominal values: unit gains, no offsets, the usual
// charge-balance patterns and the full DAC span.
void writeCalibrationSet(Writer& out, uint64_t record) {
  using namespace calibration;
  out.fill(record, kFieldsEnd, 0);
  out.u32(record + kMapVersion, kVersion1_0_0d7);
  out.u32(record + kOldestCompatibleMapVersion, kVersion1_0_0d5);
  for (int c = 0; c < kChannels; ++c) {
    out.u32(record + kRemoteADCGain24V + 4 * c, kSenseGain);
    out.u32(record + kLocalADCGain24V + 4 * c, kSenseGain);
    for (int r = 0; r < kCurrentRanges; ++r) {
      out.u32(record + kHighShuntADCGain1uA + kGainTableStride * r + 4 * c, kShuntGain);
      out.u32(record + kLowShuntADCGain1uA + kGainTableStride * r + 4 * c, kShuntGain);
    }
    chargeBalanceTable(out, record + kRemoteADCChargeBalanceOffsets + 64 * c, 2);
    chargeBalanceTable(out, record + kLocalADCChargeBalanceOffsets + 64 * c, 1);
    chargeBalanceTable(out, record + kHighShuntADCChargeBalanceOffsets + 64 * c, 4);
    chargeBalanceTable(out, record + kLowShuntADCChargeBalanceOffsets + 64 * c, 8);
    out.u16(record + kMinimumDACValue + 2 * c, kDacMinimum);
    out.u16(record + kMaximumDACValue + 2 * c, kDacMaximum);
  }
  for (int n = 0; n < 4; ++n) {
    out.u32(record + kSharedLoSenseADCGain + 4 * n, kSharedLoSenseGain);
    chargeBalanceTable(out, record + kSharedLoSenseADCChargeBalanceOffsets + 64 * n, 1 << n);
  }
  out.u8(record + kCommonModeCurrentCancellation, kNominalCommonModeCurrentCancellation);
  out.seal(record, kCalibrationRecordSize);
}

}  // namespace

std::vector<uint8_t> buildGoldenFlashImage() {
  std::vector<uint8_t> image(kSize, kErased);
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

  for (uint64_t record : kCalibrationSets) writeCalibrationSet(out, record);
  return image;
}

void sealFlashRecord(std::vector<uint8_t>& image, uint64_t record, uint64_t size) { Writer(image).seal(record, size); }

}  // namespace simboard
