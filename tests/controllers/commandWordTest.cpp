// Sequencer command words: the layouts' reset values decoded field by field,
// the trailer the driver composes, and setters that keep to their field.
#include <gtest/gtest.h>

#include <cstdint>

#include "controllers/localRAMController/localRamLayout.h"
#include "controllers/sequencer/SequencerCommandWord.h"

namespace {

using namespace vorlan_driver;
namespace cw = vorlan_driver::commandWord;

// What the design documents as each reset value's fixed content.
struct Decoded {
  const char* name;
  uint64_t reset;
  uint32_t opcode;
  uint32_t bits55To57;
  uint32_t bits48To51;
  uint32_t bits32To47;
};

template <typename Word>
Decoded decode(const char* name) {
  const uint64_t v = Word().getValue();
  return Decoded{name, v, cw::opcodeOf(v), static_cast<uint32_t>(v >> 55 & 7), static_cast<uint32_t>(v >> 48 & 15),
                 static_cast<uint32_t>(v >> 32 & 0xFFFF)};
}

TEST(SequencerCommandWord, ResetValuesDecodeAsTheDesignSays) {
  const Decoded expected[] = {
      {"Op7A", 0x1D0DFF0200000000ull, 7, 2, 13, 0xFF02}, {"Op7C", 0x1D8FFF0300000000ull, 7, 3, 15, 0xFF03},
      {"Op7D", 0x1C00FF0000000000ull, 7, 0, 0, 0xFF00},  {"Op9B", 0x2400000400000000ull, 9, 0, 0, 4},
      {"Op9E", 0x2400000200000000ull, 9, 0, 0, 2},       {"Op9F", 0x2400000500000000ull, 9, 0, 0, 5},
      {"Op9G", 0x2400000100000000ull, 9, 0, 0, 1},       {"Op9H", 0x2400000300000000ull, 9, 0, 0, 3},
      {"Op9D", 0x2400F00600000000ull, 9, 0, 0, 0xF006},  {"Op9I", 0x2400FB0600000000ull, 9, 0, 0, 0xFB06},
      {"Op11", 0x2C0BF00600000000ull, 11, 0, 11, 0xF006}, {"Op12", 0x3000000000000000ull, 12, 0, 0, 0},
      {"Op0A", 0, 0, 0, 0, 0},                           {"Op0B", 0, 0, 0, 0, 0},
      {"Op1A", 0x0400000000000000ull, 1, 0, 0, 0},       {"Op1B", 0x0400000000000000ull, 1, 0, 0, 0},
      {"Op2", 0x0800000000000000ull, 2, 0, 0, 0},        {"Op3A", 0x0C00000000000000ull, 3, 0, 0, 0},
      {"Op3", 0x0C00000000000000ull, 3, 0, 0, 0},        {"Op4", 0x1000000000000000ull, 4, 0, 0, 0},
      {"Op6A", 0x1800000000000000ull, 6, 0, 0, 0},       {"Op6B", 0x1800000000000000ull, 6, 0, 0, 0},
      {"Op7B", 0x1C00000000000000ull, 7, 0, 0, 0},       {"Op8", 0x2000000000000000ull, 8, 0, 0, 0},
      {"Op9A", 0x2400000000000000ull, 9, 0, 0, 0},       {"Op9C", 0x2400000000000000ull, 9, 0, 0, 0},
  };
  const Decoded got[] = {
      decode<SequencerCommandWordOp7A>("Op7A"), decode<SequencerCommandWordOp7C>("Op7C"),
      decode<SequencerCommandWordOp7D>("Op7D"), decode<SequencerCommandWordOp9B>("Op9B"),
      decode<SequencerCommandWordOp9E>("Op9E"), decode<SequencerCommandWordOp9F>("Op9F"),
      decode<SequencerCommandWordOp9G>("Op9G"), decode<SequencerCommandWordOp9H>("Op9H"),
      decode<SequencerCommandWordOp9D>("Op9D"), decode<SequencerCommandWordOp9I>("Op9I"),
      decode<SequencerCommandWordOp11>("Op11"), decode<SequencerCommandWordOp12>("Op12"),
      decode<SequencerCommandWordOp0A>("Op0A"), decode<SequencerCommandWordOp0B>("Op0B"),
      decode<SequencerCommandWordOp1A>("Op1A"), decode<SequencerCommandWordOp1B>("Op1B"),
      decode<SequencerCommandWordOp2>("Op2"),   decode<SequencerCommandWordOp3A>("Op3A"),
      decode<SequencerCommandWordOp3>("Op3"),   decode<SequencerCommandWordOp4>("Op4"),
      decode<SequencerCommandWordOp6A>("Op6A"), decode<SequencerCommandWordOp6B>("Op6B"),
      decode<SequencerCommandWordOp7B>("Op7B"), decode<SequencerCommandWordOp8>("Op8"),
      decode<SequencerCommandWordOp9A>("Op9A"), decode<SequencerCommandWordOp9C>("Op9C"),
  };
  static_assert(sizeof(got) / sizeof(got[0]) == cw::kLayoutCount, "every layout decoded");
  for (uint32_t i = 0; i < cw::kLayoutCount; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(got[i].reset, expected[i].reset);
    EXPECT_EQ(got[i].opcode, expected[i].opcode);
    EXPECT_EQ(got[i].bits55To57, expected[i].bits55To57);
    EXPECT_EQ(got[i].bits48To51, expected[i].bits48To51);
    EXPECT_EQ(got[i].bits32To47, expected[i].bits32To47);
  }
}

TEST(SequencerCommandWord, TheRegionTrailerIsComposedFromItsFields) {
  EXPECT_EQ(channelRegionTrailerWord(), 0x0C0D103200010000ull);
  const uint64_t trailer = channelRegionTrailerWord();
  EXPECT_EQ(SequencerCommandWordOp3::getBits32To47(trailer), 0x1032u);
  EXPECT_EQ(SequencerCommandWordOp3::getBits48To51(trailer), 13u);
  EXPECT_EQ(SequencerCommandWordOp3::getOperand(trailer), 0x10000u);
  EXPECT_TRUE(cw::fits(trailer, cw::Layout::kOp3));
}

TEST(SequencerCommandWord, RegionsLieWhereTheLayoutSays) {
  EXPECT_EQ(getLocalRamChannelRegion(0).start, 0x8000u);
  EXPECT_EQ(getLocalRamChannelRegion(0).trailerAddress(), 0x8554u);
  EXPECT_EQ(getLocalRamChannelRegion(23).trailerAddress(), 0xFFF7u);
  EXPECT_EQ(getLocalRamChannelRegion(5).length, 1365u);
}

TEST(SequencerCommandWord, SettersReplaceOnlyTheirFieldAndCutWideValues) {
  SequencerCommandWordOp7B word;
  word.setBits52To54(7).setBits36To39(0xF);
  const uint64_t before = word.getValue();
  word.setBits52To54(5);
  EXPECT_EQ(word.getValue(), (before & ~(7ull << 52)) | (5ull << 52));
  // Too wide for three bits: only the field's bits are taken, the opcode and
  // the neighbouring field stay.
  word.reset();
  word.setBits55To57(0xFF);
  EXPECT_EQ(word.getValue(), SequencerCommandWordOp7B::kResetValue | (7ull << 55));
  EXPECT_EQ(cw::opcodeOf(word.getValue()), 7u);
  SequencerCommandWordOp3 region;
  region.setBits32To47(0x123456).setOperand(0xFFFFFFFFu);
  EXPECT_EQ(region.getValue(), 0x0C00345600000000ull | 0xFFFFFFFFull);
  EXPECT_TRUE(cw::fitsSomeLayout(region.getValue()));
  EXPECT_FALSE(cw::fitsSomeLayout(0xFC00000000000000ull));  // opcode 63: no layout
}

}  // namespace
