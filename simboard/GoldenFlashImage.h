// The contents of a healthy board's 1 MiB flash: the eight records at their
// places, each with a version the driver supports and, where the record has
// one, a correct CRC-32; everything else erased (0xFF). The simulated flash
// starts from this image unless a test gives it another.
//
// The image is written from the flash layout alone, with a CRC-32 of its
// own, so that it checks the driver's records rather than mirroring them.
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
constexpr uint32_t kVersion1_0_0d7 = 0x01000007u;
constexpr const char* kHeaderComments = "Simulated board, factory image";

}  // namespace goldenflash

std::vector<uint8_t> buildGoldenFlashImage();

// Stores the CRC-32 of a record's bytes after its first four in those four,
// as the factory does after changing a field.
void sealFlashRecord(std::vector<uint8_t>& image, uint64_t record, uint64_t size);

}  // namespace simboard
