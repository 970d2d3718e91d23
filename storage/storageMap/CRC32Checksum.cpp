#include "storage/storageMap/CRC32Checksum.h"

#include "storage/storageStatusCodes.h"

namespace storagemap {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr uint32_t kPreset = 0xFFFFFFFFu;

struct Table {
  uint32_t entries[256];
};

constexpr Table makeTable() {
  Table table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1u) ? (value >> 1) ^ kPolynomial : value >> 1;
    table.entries[i] = value;
  }
  return table;
}

// Built by the compiler: no code runs at load.
constexpr Table kTable = makeTable();
static_assert(kTable.entries[1] == 0x77073096u && kTable.entries[255] == 0x2D02EF8Du, "CRC-32 table");

inline uint32_t step(uint32_t crc, uint8_t byte) { return kTable.entries[(crc ^ byte) & 0xFFu] ^ (crc >> 8); }

}  // namespace

uint32_t CRC32Checksum::compute(const void* data, uint64_t length, nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return 0xFFFFFFFFu;
  if (data == nullptr) {
    if (length != 0) vorlanSetCode(status, storagecodes::kNullBuffer);
    return 0xFFFFFFFFu;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  uint32_t crc = kPreset;
  for (; length >= 8; length -= 8, bytes += 8) {
    crc = step(crc, bytes[0]);
    crc = step(crc, bytes[1]);
    crc = step(crc, bytes[2]);
    crc = step(crc, bytes[3]);
    crc = step(crc, bytes[4]);
    crc = step(crc, bytes[5]);
    crc = step(crc, bytes[6]);
    crc = step(crc, bytes[7]);
  }
  for (; length != 0; --length) crc = step(crc, *bytes++);
  return ~crc;
}

}  // namespace storagemap
