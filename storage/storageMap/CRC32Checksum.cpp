#include "storage/storageMap/CRC32Checksum.h"

#include "storage/storageStatusCodes.h"

namespace storagemap {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr uint32_t kPreset = 0xFFFFFFFFu;

// The block is braided: kLanes independent lanes, each taking every
// kLanes-th 8-byte word, so the table lookups of one lane overlap those of
// the others instead of waiting on one chain of remainders. A lane's
// remainder is carried forward over the other lanes' words as if they were
// zero; the CRC is linear, so the lanes' remainders are XORed back together
// at the last block.
constexpr int kLanes = 5;
constexpr int kWordBytes = 8;
constexpr int kBlockBytes = kLanes * kWordBytes;

// A remainder of 32 bits held at a place in the data stands for the same
// bytes as those 32 bits XORed into the four bytes at that place, so a
// lane needs only 32 bits of state.
struct Tables {
  uint32_t single[256];            // the remainder of one byte
  uint32_t word[kWordBytes][256];  // byte k of a word, carried to the end of the word
  uint32_t lane[kWordBytes][256];  // byte k of a word, carried to the same lane's next word
};

constexpr uint32_t carryOverZeroByte(const uint32_t (&single)[256], uint32_t remainder) {
  return single[remainder & 0xFFu] ^ (remainder >> 8);
}

constexpr Tables makeTables() {
  Tables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1u) ? (value >> 1) ^ kPolynomial : value >> 1;
    tables.single[i] = value;
  }
  // Byte k of a word is followed by 7 - k bytes of its word, and, for the
  // lane tables, by the kLanes - 1 words of the other lanes.
  constexpr int kLaneCarry = (kLanes - 1) * kWordBytes;
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t remainder = tables.single[i];
    for (int zeros = 0; zeros < kLaneCarry + kWordBytes; ++zeros) {
      if (zeros < kWordBytes) tables.word[kWordBytes - 1 - zeros][i] = remainder;
      if (zeros >= kLaneCarry) tables.lane[kWordBytes - 1 - (zeros - kLaneCarry)][i] = remainder;
      remainder = carryOverZeroByte(tables.single, remainder);
    }
  }
  return tables;
}

// Built by the compiler: no code runs at load.
constexpr Tables kTables = makeTables();
static_assert(kTables.single[1] == 0x77073096u && kTables.single[255] == 0x2D02EF8Du, "CRC-32 table");

constexpr uint32_t step(uint32_t crc, uint8_t byte) { return kTables.single[(crc ^ byte) & 0xFFu] ^ (crc >> 8); }

// Little-endian 32 bits from four bytes; the compiler makes it one load.
constexpr uint32_t word(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// The eight bytes at `bytes` with `remainder` XORed into the first four,
// each byte through its own table. Only the first four wait for the
// remainder; the last four are looked up straight from memory, so they
// neither wait for it nor cost a shift to pick out.
constexpr uint32_t fold(const uint32_t (&table)[kWordBytes][256], const uint8_t* bytes, uint32_t remainder) {
  const uint32_t low = word(bytes) ^ remainder;
  return table[0][low & 0xFFu] ^ table[1][(low >> 8) & 0xFFu] ^ table[2][(low >> 16) & 0xFFu] ^
         table[3][low >> 24] ^ table[4][bytes[4]] ^ table[5][bytes[5]] ^ table[6][bytes[6]] ^ table[7][bytes[7]];
}

// The word tables against the check value: "12345678" as one word, "9" as a byte.
constexpr uint8_t kCheckText[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
static_assert(~step(fold(kTables.word, kCheckText, kPreset), kCheckText[8]) == 0xCBF43926u, "word tables");

}  // namespace

uint32_t CRC32Checksum::compute(const void* data, uint64_t length, nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return 0xFFFFFFFFu;
  if (data == nullptr) {
    if (length != 0) vorlanSetCode(status, storagecodes::kNullBuffer);
    return 0xFFFFFFFFu;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  uint32_t crc = kPreset;
  // Aligned words from here on: a word never straddles two cache lines.
  for (; length != 0 && (reinterpret_cast<uintptr_t>(bytes) & (kWordBytes - 1)) != 0; --length) {
    crc = step(crc, *bytes++);
  }
  uint64_t blocks = length / kBlockBytes;
  if (blocks != 0) {
    length -= blocks * kBlockBytes;
    uint32_t lanes[kLanes] = {crc};
    for (; blocks > 1; --blocks, bytes += kBlockBytes) {
      for (int lane = 0; lane < kLanes; ++lane) {
        lanes[lane] = fold(kTables.lane, bytes + lane * kWordBytes, lanes[lane]);
      }
    }
    // The last block joins the lanes: each lane's remainder already stands
    // at its word of this block, so the words are taken one after another.
    crc = 0;
    for (int lane = 0; lane < kLanes; ++lane) {
      crc = fold(kTables.word, bytes + lane * kWordBytes, lanes[lane] ^ crc);
    }
    bytes += kBlockBytes;
  }
  for (; length >= kWordBytes; length -= kWordBytes, bytes += kWordBytes) crc = fold(kTables.word, bytes, crc);
  for (; length != 0; --length) crc = step(crc, *bytes++);
  return ~crc;
}

}  // namespace storagemap
