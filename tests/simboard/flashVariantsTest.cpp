// The flash images the simulated board ships, checked against each other
// and the flash layout, never through the driver's records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "simboard/GoldenFlashImage.h"

namespace {

using simboard::CalibrationSet;
namespace golden = simboard::goldenflash;
namespace variants = simboard::flashvariants;

uint64_t setStart(CalibrationSet set) { return golden::kCalibrationSets[static_cast<int>(set)]; }

// The addresses where two images differ.
std::vector<uint64_t> differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  std::vector<uint64_t> out;
  for (uint64_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) out.push_back(i);
  }
  return out;
}

bool erased(const std::vector<uint8_t>& image, uint64_t first, uint64_t size) {
  for (uint64_t i = first; i < first + size; ++i) {
    if (image[i] != golden::kErased) return false;
  }
  return true;
}

TEST(FlashVariants, EachDiffersFromTheValidImageOnlyWhereItSays) {
  const std::vector<uint8_t> valid = variants::allValid();
  ASSERT_EQ(valid.size(), golden::kSize);
  EXPECT_TRUE(erased(variants::blank(), 0, golden::kSize));

  for (int s = 0; s < 4; ++s) {
    const CalibrationSet set = static_cast<CalibrationSet>(s);
    SCOPED_TRACE(s);
    // One covered byte past the last field changes; the stored CRC stays.
    EXPECT_EQ(differences(valid, variants::damagedCrc(set)),
              std::vector<uint64_t>{setStart(set) + golden::calibration::kFieldsEnd});

    const std::vector<uint8_t> only = variants::onlyValid(set);
    for (int other = 0; other < 4; ++other) {
      const uint64_t start = setStart(static_cast<CalibrationSet>(other));
      if (other == s) {
        EXPECT_TRUE(std::equal(only.begin() + start, only.begin() + start + golden::kCalibrationRecordSize,
                               valid.begin() + start));
      } else {
        EXPECT_TRUE(erased(only, start, golden::kCalibrationRecordSize)) << other;
      }
    }
  }
  // Distinct values tell the sets apart; the factory image's are nominal.
  EXPECT_NE(simboard::flashWord32(valid, setStart(CalibrationSet::kSelf) + golden::calibration::kRemoteADCGain24V),
            simboard::flashWord32(valid, setStart(CalibrationSet::kFactory) + golden::calibration::kRemoteADCGain24V));
  const std::vector<uint8_t> factory = simboard::buildGoldenFlashImage();
  EXPECT_EQ(simboard::flashWord32(factory, setStart(CalibrationSet::kSelf) + golden::calibration::kRemoteADCGain24V),
            73902u);
}

TEST(FlashVariants, AVersionVariantChangesTheVersionWordsAndTheirSeals) {
  const std::vector<uint8_t> d7 = variants::allValid();
  const std::vector<uint8_t> d5 = variants::calibrationVersion(golden::kVersion1_0_0d5);
  EXPECT_EQ(variants::calibrationVersion(golden::kVersion1_0_0d7), d7);
  for (int s = 0; s < 4; ++s) {
    const uint64_t start = setStart(static_cast<CalibrationSet>(s));
    EXPECT_EQ(simboard::flashWord32(d5, start + golden::calibration::kMapVersion), golden::kVersion1_0_0d5);
    for (uint64_t a : differences(d7, d5)) {
      if (a < start || a >= start + golden::kCalibrationRecordSize) continue;
      EXPECT_TRUE(a < start + 4 || (a >= start + golden::calibration::kMapVersion &&
                                    a < start + golden::calibration::kMapVersion + 4))
          << "only the CRC and the version word differ, at " << std::hex << a;
    }
  }
}

}  // namespace
