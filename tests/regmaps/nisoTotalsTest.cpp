// Guards the transcription of the FPGA's register file: counts every ID each
// operation accepts over the whole ID space of the map's own block, and the
// fields per width class, as the map answers them.
#include <gtest/gtest.h>

#include "tests/regmaps/nisoFixture.h"

namespace nisotest {
namespace {

constexpr uint32_t kOwnBlockEnd = 0x840;

// Every ID that could name something in the own block: whole-register IDs
// of both views and field IDs of every field code and both views.
template <class Visit>
void forEachCandidateId(Visit visit) {
  for (uint32_t offset = 0; offset < kOwnBlockEnd; offset += 4) {
    for (uint32_t view : {0u, kReadSide}) {
      visit(kWhole | view | offset);
      for (uint32_t code = 0; code < 32; ++code) visit(view | (code << 25) | offset);
    }
  }
}

using NisoTotals = NisoBoard;

TEST_F(NisoTotals, AcceptedIdsPerOperation) {
  auto map = build();
  uint32_t get = 0, set = 0, read = 0, write = 0;
  forEachCandidateId([&](uint32_t id) {
    uint64_t value = 0;
    tStatus s1, s2, s3, s4;
    map->get(id, value, s1, 0);
    get += s1.isNotFatal();
    map->set(id, 0, s2, 0);
    set += s2.isNotFatal();
    map->read(id, value, s3, 0);
    read += s3.isNotFatal();
    map->write(id, 0, false, s4, 0);
    write += s4.isNotFatal();
  });
  EXPECT_EQ(get, 1198u);  // 351 registers and 847 fields
  EXPECT_EQ(set, 412u);
  EXPECT_EQ(write, 412u);
  EXPECT_EQ(read, 809u);
}

TEST_F(NisoTotals, RegistersByAccessAndFieldsByWidthClass) {
  auto map = build();
  uint32_t registers = 0, readOnly = 0, writeOnly = 0, readWrite = 0;
  uint32_t perClass[5] = {};
  for (uint32_t offset = 0; offset < kOwnBlockEnd; offset += 4) {
    for (uint32_t view : {0u, kReadSide}) {
      const uint32_t id = kWhole | view | offset;
      arm::FieldType types[64];
      uint64_t masks[64];
      uint32_t count = 64;
      tStatus format;
      map->getRegisterFormat(id, count, types, masks, format);
      if (format.isFatal()) continue;
      ++registers;
      for (uint32_t k = 0; k < count; ++k) ++perClass[types[k]];
      tStatus flush, refresh;
      map->flush(id, false, flush, 0);
      map->refresh(id, refresh, 0);
      if (flush.isNotFatal() && refresh.isNotFatal()) ++readWrite;
      if (flush.isNotFatal() && refresh.isFatal()) ++writeOnly;
      if (flush.isFatal() && refresh.isNotFatal()) ++readOnly;
      // The read-side view is the read-only registers' and theirs alone.
      EXPECT_EQ(view != 0, flush.isFatal() && refresh.isNotFatal()) << std::hex << id;
    }
  }
  EXPECT_EQ(registers, 351u);
  EXPECT_EQ(readOnly, 249u);
  EXPECT_EQ(writeOnly, 91u);
  EXPECT_EQ(readWrite, 11u);
  EXPECT_EQ(perClass[0], 426u);
  EXPECT_EQ(perClass[1], 130u);
  EXPECT_EQ(perClass[2], 118u);
  EXPECT_EQ(perClass[3], 173u);
  EXPECT_EQ(perClass[4], 0u);
}

}  // namespace
}  // namespace nisotest
