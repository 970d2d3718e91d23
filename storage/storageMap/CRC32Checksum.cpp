#include "storage/storageMap/CRC32Checksum.h"

#include "storage/storageStatusCodes.h"

namespace storagemap {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr uint32_t kPreset = 0xFFFFFFFFu;

// Slicing by 16: table k is the CRC of a byte followed by k zero bytes, so
// sixteen bytes are folded in with sixteen independent lookups instead of a
// chain of sixteen dependent ones.
constexpr int kSlices = 16;

struct Tables {
  uint32_t entries[kSlices][256];
};

constexpr Tables makeTables() {
  Tables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1u) ? (value >> 1) ^ kPolynomial : value >> 1;
    tables.entries[0][i] = value;
  }
  for (int k = 1; k < kSlices; ++k) {
    for (uint32_t i = 0; i < 256; ++i) {
      const uint32_t previous = tables.entries[k - 1][i];
      tables.entries[k][i] = tables.entries[0][previous & 0xFFu] ^ (previous >> 8);
    }
  }
  return tables;
}

// Built by the compiler: no code runs at load.
constexpr Tables kTables = makeTables();
static_assert(kTables.entries[0][1] == 0x77073096u && kTables.entries[0][255] == 0x2D02EF8Du, "CRC-32 table");

inline uint32_t step(uint32_t crc, uint8_t byte) { return kTables.entries[0][(crc ^ byte) & 0xFFu] ^ (crc >> 8); }

// Little-endian word from four bytes; the compiler makes it one load.
inline uint32_t word(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// The four bytes of `value`, lowest first, through tables first ... first - 3.
inline uint32_t fold(uint32_t value, int first) {
  return kTables.entries[first][value & 0xFFu] ^ kTables.entries[first - 1][(value >> 8) & 0xFFu] ^
         kTables.entries[first - 2][(value >> 16) & 0xFFu] ^ kTables.entries[first - 3][value >> 24];
}

}  // namespace

uint32_t CRC32Checksum::compute(const void* data, uint64_t length, nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return 0xFFFFFFFFu;
  if (data == nullptr) {
    if (length != 0) vorlanSetCode(status, storagecodes::kNullBuffer);
    return 0xFFFFFFFFu;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  uint32_t crc = kPreset;
  for (; length >= kSlices; length -= kSlices, bytes += kSlices) {
    crc = fold(word(bytes) ^ crc, 15) ^ fold(word(bytes + 4), 11) ^ fold(word(bytes + 8), 7) ^
          fold(word(bytes + 12), 3);
  }
  for (; length != 0; --length) crc = step(crc, *bytes++);
  return ~crc;
}

}  // namespace storagemap
