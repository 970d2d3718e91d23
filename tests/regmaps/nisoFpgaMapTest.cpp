// The non-isolated FPGA map's own registers: IDs, shadows, strobes and keep
// masks, the read-side view, windows and the map-wide walks, checked against
// the accesses the simulated FPGA block sees.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/regmaps/nisoFixture.h"

namespace nisotest {
namespace {

using Map = tTheQuillNisoFpgaRegMap;

tStatus withCode(int64_t code) {
  tStatus status;
  status.setCode(code, "test", "test", 1);
  return status;
}

// ---- write side

struct Step {
  enum Op { kSet, kWrite, kFlush } op;
  uint32_t id;
  uint64_t value;
  bool force;
  int64_t code;
};

struct WriteCase {
  std::string name;
  std::vector<Step> steps;
  std::vector<BlockAccess> accesses;
  uint32_t wholeId;  // the register looked at afterwards
  uint64_t shadow;
  bool dirty;
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.name; }

void run(Map& map, const Step& step) {
  tStatus status;
  switch (step.op) {
    case Step::kSet: map.set(step.id, step.value, status, 0); break;
    case Step::kWrite: map.write(step.id, step.value, step.force, status, 0); break;
    case Step::kFlush: map.flush(step.id, step.force, status, 0); break;
  }
  EXPECT_EQ(status.getCode(), step.code) << std::hex << "id 0x" << step.id;
}

class NisoWriteSide : public NisoBoard, public ::testing::WithParamInterface<WriteCase> {
 protected:
  // Whether the register is dirty, seen from outside: an unforced flush
  // writes it exactly then.
  bool isDirty(Map& map, uint32_t wholeId) {
    clearLog();
    tStatus status;
    map.flush(wholeId, false, status, 0);
    const bool wrote = !log().empty();
    clearLog();
    return wrote;
  }
};

TEST_P(NisoWriteSide, AccessesShadowAndDirtyFlag) {
  const WriteCase& c = GetParam();
  auto map = build();
  for (const Step& step : c.steps) run(*map, step);
  EXPECT_EQ(log(), c.accesses);
  uint64_t shadow = ~0ull;
  tStatus status;
  map->get(c.wholeId, shadow, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(shadow, c.shadow);
  EXPECT_EQ(isDirty(*map, c.wholeId), c.dirty);
}

const Step::Op S = Step::kSet;
const Step::Op Wr = Step::kWrite;
const Step::Op F = Step::kFlush;

INSTANTIATE_TEST_SUITE_P(
    Cases, NisoWriteSide,
    ::testing::Values(
        WriteCase{"StrobeFieldGoesOutOnceAndLeavesNoTrace", {{Wr, 0x3E000090, 1, false, 0}},
                  {W32(0x90, 0x80000000)}, 0x80000090, 0, false},
        WriteCase{"WholeWriteKeepsOnlyTheKeepMask", {{Wr, 0x80000090, 0xFFFFFFFF, false, 0}},
                  {W32(0x90, 0xFFFFFFFF)}, 0x80000090, 0x1FB7FFFF, false},
        WriteCase{"BitsOutsideEveryFieldStayAndGoOutWithTheNextField",
                  {{Wr, 0x80000050, 0xFFFFFFFF, false, 0}, {Wr, 0x50, 1, false, 0}},
                  {W32(0x50, 0xFFFFFFFF), W32(0x50, 0xFF000001)}, 0x80000050, 0xFF000000, false},
        WriteCase{"StrobeIsSentAgainEveryWrite", {{Wr, 0x20000400, 1, false, 0}, {Wr, 0x20000400, 1, false, 0}},
                  {W32(0x400, 0x2), W32(0x400, 0x2)}, 0x80000400, 0, false},
        WriteCase{"HeldBitIsWrittenOnce", {{Wr, 0x24000020, 1, false, 0}, {Wr, 0x24000020, 1, false, 0}},
                  {W32(0x20, 0x200)}, 0x80000020, 0x200, false},
        WriteCase{"AccessAddressTakesItsLow14BitsAndIsGoneAfterwards", {{Wr, 0x204, 0x12345, false, 0}},
                  {W32(0x204, 0x2345)}, 0x80000204, 0, false},
        WriteCase{"FlushWritesOnlyWhenForcedOnACleanRegister",
                  {{F, 0x3E000090, 0, false, 0}, {F, 0x3E000090, 0, true, 0}}, {W32(0x90, 0)}, 0x80000090, 0,
                  false},
        WriteCase{"SetMergesFieldsWithoutHardware", {{S, 0x3E000090, 2, false, 0}, {S, 0x02000090, 9, false, 0}},
                  {}, 0x80000090, 0x80010000, true},
        WriteCase{"WholeSetDropsBitsAbove32", {{S, 0x8000000C, 1ull << 32, false, 0}, {F, 0xC, 0, false, 0}}, {},
                  0x8000000C, 0, false},
        WriteCase{"WholeSetStoresBitsOutsideEveryField", {{S, 0x80000014, 0xFFFFFFFF, false, 0}}, {}, 0x80000014,
                  0xFFFFFFFF, true},
        WriteCase{"WriteViewAtB0IsFlushedByAnyOfItsIds",
                  {{S, 0x3E0000B0, 1, false, 0}, {F, 0x3C0000B0, 0, false, 0}}, {W32(0xB0, 0x80000000)},
                  0x800000B0, 0, false},
        WriteCase{"RefusedIdsChangeNothing",
                  {{F, 0x40000090, 0, true, kInvalidArgument},
                   {F, 0xC00000B0, 0, true, kInvalidArgument},
                   {F, 0x80000094, 0, true, kInvalidArgument},
                   {S, 0xC00000B0, 1, false, kInvalidArgument},
                   {S, 0x400000B0, 1, false, kInvalidArgument},
                   {Wr, 0x80000000, 1, true, kInvalidArgument},
                   {Wr, 0x20000020, 1, true, kInvalidArgument},  // bit 1 lies inside the field 0-1
                   {S, 0x01000014, 1, false, kInvalidArgument}},
                  {}, 0x80000020, 0, false}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

TEST_F(NisoBoard, WriteSideDoesNothingOnAnErrorAndProceedsOnAWarning) {
  auto map = build();
  tStatus failed = withCode(-1);
  map->set(0x8000000C, 5, failed, 0);
  map->write(0x80000014, 5, true, failed, 0);
  map->flush(0x80000020, true, failed, 0);
  EXPECT_EQ(failed.getCode(), -1);
  EXPECT_TRUE(log().empty());
  EXPECT_EQ(map->Scratch.getRegister(), 0u);
  EXPECT_FALSE(map->Scratch.isDirty());

  tStatus warned = withCode(7);
  map->write(0x8000000C, 5, false, warned, 0);
  EXPECT_EQ(warned.getCode(), 7);
  EXPECT_EQ(log(), (std::vector<BlockAccess>{W32(0xC, 5)}));
  map->set(0x8000000F, 5, warned, 0);  // bits 24-29 ignored with bit 31
  map->set(0x10, 5, warned, 0);
  EXPECT_EQ(warned.getCode(), kInvalidArgument);
}

// ---- read side

struct ReadCase {
  std::string name;
  uint32_t id;
  uint64_t hardwareOffset;
  uint32_t hardware;
  uint64_t value;
  int64_t code;
  bool reads;  // one 32-bit read of the register's word
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

class NisoReadSide : public NisoBoard, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(NisoReadSide, ValueCodeAndAccess) {
  const ReadCase& c = GetParam();
  auto map = build();
  block.poke(c.hardwareOffset, 32, c.hardware);
  uint64_t value = 0xDEAD;
  tStatus status;
  map->read(c.id, value, status, 0);
  EXPECT_EQ(status.getCode(), c.code);
  EXPECT_EQ(value, c.value);
  const std::vector<BlockAccess> expected =
      c.reads ? std::vector<BlockAccess>{R32(c.hardwareOffset, c.hardwareOffset == 0 ? 0x5A3C0E91u : c.hardware)}
              : std::vector<BlockAccess>{};
  EXPECT_EQ(log(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NisoReadSide,
    ::testing::Values(ReadCase{"Signature", 0xC0000000, 0x0, 0, 0x5A3C0E91, 0, true},
                      ReadCase{"SignatureWithoutReadSide", 0x80000000, 0x0, 0, 0, kInvalidArgument, false},
                      ReadCase{"SignatureFieldWithoutReadSide", 0x0, 0x0, 0, 0, kInvalidArgument, false},
                      ReadCase{"ErrorStatusChannels", 0x400000B0, 0xB0, 0xA1234567, 0x234567, 0, true},
                      ReadCase{"ErrorStatusBoard", 0x460000B0, 0xB0, 0xA1234567, 1, 0, true},
                      ReadCase{"WriteViewIsNotRead", 0x800000B0, 0xB0, 0xA1234567, 0, kInvalidArgument, false},
                      ReadCase{"WriteOnlyFieldIsNotRead", 0x3E0000B0, 0xB0, 0xA1234567, 0, kInvalidArgument, false},
                      ReadCase{"OneBitFieldOfReadWrite", 0x3E000060, 0x60, 0x80001234, 1, 0, true},
                      ReadCase{"LowFieldOfReadWrite", 0x60, 0x60, 0x80001234, 0x1234, 0, true},
                      ReadCase{"ReadWriteWithReadSide", 0xC000000C, 0xC, 0xCAFE, 0, kInvalidArgument, false},
                      ReadCase{"WholeIgnoresFieldBits", 0xBE00000C, 0xC, 0xCAFE, 0xCAFE, 0, true},
                      ReadCase{"FieldIdWithBit24", 0x0100000C, 0xC, 0xCAFE, 0, kInvalidArgument, false},
                      ReadCase{"WideFieldInTheMiddle", 0x50000834, 0x834, 0x0001FFFC, 0x7FFF, 0, true},
                      ReadCase{"NoRegister", 0xC0000010, 0x10, 0, 0, kInvalidArgument, false}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST_F(NisoBoard, ReadAndRefreshLoadTheShadowAndDropPendingChanges) {
  auto map = build();
  block.poke(0xC, 32, 0x1111);
  tStatus status;
  map->set(0x8000000C, 0x2222, status, 0);
  uint64_t value = 0;
  map->read(0x8000000C, value, status, 0);
  EXPECT_EQ(value, 0x1111u);
  EXPECT_FALSE(map->Scratch.isDirty());
  clearLog();
  map->flush(0x8000000C, false, status, 0);
  EXPECT_TRUE(log().empty());

  // Two fields read by their IDs are two hardware reads.
  map->read(0x40000834, value, status, 0);
  map->read(0x60000834, value, status, 0);
  EXPECT_EQ(log().size(), 2u);
  // refresh takes any ID of a register, field bits and all.
  clearLog();
  map->refresh(0x470000B0, status, 0);
  EXPECT_EQ(log(), (std::vector<BlockAccess>{R32(0xB0, 0)}));
  EXPECT_EQ(status.getCode(), 0);
  map->refresh(0x3E0000B0, status, 0);
  EXPECT_EQ(status.getCode(), kInvalidArgument);
}

TEST_F(NisoBoard, TheTwoRegistersAtB0KeepTheirOwnShadows) {
  auto map = build();
  tStatus status;
  map->write(0x800000B0, 0x12, false, status, 0);  // no strobe among these bits
  block.poke(0xB0, 32, 0x01000000);
  map->refresh(0xC00000B0, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(block.writeView(0xB0), 0x12u);
  EXPECT_EQ(map->ErrorCaptureEnableRegType.getRegister(), 0x12u);
  EXPECT_EQ(map->NisoErrorManagerStatusReg.getRegister(), 0x01000000u);
  uint64_t value = 0;
  map->get(0x460000B0, value, status, 0);
  EXPECT_EQ(value, 1u);
}

TEST_F(NisoBoard, ReadOnAnErrorTouchesNothing) {
  auto map = build();
  tStatus failed = withCode(-3);
  uint64_t value = 77;
  map->read(0xC0000000, value, failed, 0);
  map->refresh(0xC0000000, failed, 0);
  EXPECT_EQ(value, 77u);
  EXPECT_TRUE(log().empty());
  // A polled register answers with its last value and reads nothing.
  tStatus status;
  block.poke(0x94, 32, 0x200000);
  map->ChassisPowerMonReadReg.refresh(status);
  block.poke(0x94, 32, 0);
  clearLog();
  EXPECT_EQ(map->ChassisPowerMonReadReg.readRegister(failed), 0x200000u);
  EXPECT_TRUE(log().empty());
}

// ---- formats and get

struct FormatCase {
  uint32_t id;
  uint32_t capacity;
  int64_t code;
  uint32_t count;
  std::vector<uint32_t> types;
  std::vector<uint64_t> masks;
};

void PrintTo(const FormatCase& c, std::ostream* out) {
  *out << "id 0x" << std::hex << c.id << std::dec << ", capacity " << c.capacity;
}

class NisoFormat : public NisoBoard, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(NisoFormat, FieldsInBitOrder) {
  const FormatCase& c = GetParam();
  auto map = build();
  arm::FieldType types[64];
  uint64_t masks[64];
  for (uint32_t k = 0; k < 64; ++k) {
    types[k] = static_cast<arm::FieldType>(9);
    masks[k] = 0x5555;
  }
  uint32_t count = c.capacity;
  tStatus status;
  map->getRegisterFormat(c.id, count, types, masks, status);
  EXPECT_EQ(status.getCode(), c.code);
  EXPECT_EQ(count, c.count);
  for (uint32_t k = 0; k < 64; ++k) {
    if (k < c.types.size()) {
      EXPECT_EQ(types[k], c.types[k]) << k;
      EXPECT_EQ(masks[k], c.masks[k]) << k;
    } else {
      EXPECT_EQ(types[k], 9u) << "entry " << k << " written";
      EXPECT_EQ(masks[k], 0x5555u);
    }
  }
  EXPECT_TRUE(log().empty());
}

const std::vector<uint32_t> k90Types = {1, 1, 1, 0, 0, 0, 0, 0};
const std::vector<uint64_t> k90Masks = {0xFF,     0xFF00,     0x70000,    0x80000,
                                        0x400000, 0x20000000, 0x40000000, 0x80000000};

INSTANTIATE_TEST_SUITE_P(
    Cases, NisoFormat,
    ::testing::Values(FormatCase{0x80000090, 8, 0, 8, k90Types, k90Masks},
                      FormatCase{0x80000090, 64, 0, 8, k90Types, k90Masks},
                      FormatCase{0x32000090, 8, 0, 8, k90Types, k90Masks},
                      FormatCase{0xBF000090, 8, 0, 8, k90Types, k90Masks},
                      FormatCase{0x80000090, 7, kBufferTooSmall, 7, {}, {}},
                      FormatCase{0xC0000024, 3, 0, 3, {1, 0, 1}, {0x3, 0x100, 0xF000000}},
                      FormatCase{0x80000024, 64, kNotSupported, 0, {}, {}},
                      FormatCase{0x800000B0, 64, 0, 2, {0, 0}, {0x8000, 0x80000000}},
                      FormatCase{0xC00000B0, 64, 0, 5, {3, 0, 0, 0, 0},
                                 {0xFFFFFF, 0x1000000, 0x20000000, 0x40000000, 0x80000000}},
                      FormatCase{0xC0000818, 64, 0, 1, {2}, {0xFFF}},
                      FormatCase{0x80000830, 64, 0, 5, {0, 0, 0, 0, 2}, {0x1, 0x2, 0x4, 0x8, 0xFFFF0000}},
                      FormatCase{0xC0000000, 0, kBufferTooSmall, 0, {}, {}},
                      FormatCase{0x80000010, 0, kNotSupported, 0, {}, {}},
                      FormatCase{0xC000081C, 64, kNotSupported, 0, {}, {}}),
    [](const ::testing::TestParamInfo<FormatCase>& info) {
      char name[40];
      snprintf(name, sizeof(name), "Id%08XCapacity%u", info.param.id, info.param.capacity);
      return std::string(name);
    });

struct GetCase {
  uint32_t id;
  uint64_t value;
  int64_t code;
};

void PrintTo(const GetCase& c, std::ostream* out) { *out << "id 0x" << std::hex << c.id << std::dec; }

class NisoGet : public NisoBoard, public ::testing::WithParamInterface<GetCase> {};

TEST_P(NisoGet, AnswersFromTheShadow) {
  const GetCase& c = GetParam();
  auto map = build();
  tStatus status;
  map->set(0x8000000C, 0xCAFEF00D, status, 0);
  block.poke(0x24, 32, 0x05000102);
  block.poke(0xB0, 32, 0xE0000000);
  map->refresh(0xC0000024, status, 0);
  map->refresh(0xC00000B0, status, 0);
  map->set(0x3E0000B0, 1, status, 0);
  ASSERT_EQ(status.getCode(), 0);
  clearLog();
  uint64_t value = 0xDEAD;
  map->get(c.id, value, status, 0);
  EXPECT_EQ(status.getCode(), c.code) << std::hex << c.id;
  EXPECT_EQ(value, c.value) << std::hex << c.id;
  EXPECT_TRUE(log().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, NisoGet,
                         ::testing::Values(GetCase{0x8000000C, 0xCAFEF00D, 0}, GetCase{0xBF00000C, 0xCAFEF00D, 0},
                                           GetCase{0xC, 0xCAFEF00D, 0}, GetCase{0x0100000C, 0, kInvalidArgument},
                                           GetCase{0x40000024, 0x2, 0}, GetCase{0x44000024, 1, 0},
                                           GetCase{0x24, 0, kInvalidArgument},
                                           GetCase{0x80000024, 0, kInvalidArgument},
                                           GetCase{0x20000020, 0, kInvalidArgument},
                                           GetCase{0x6E0000B0, 1, 0}, GetCase{0x3E0000B0, 1, 0},
                                           GetCase{0xC000000C, 0, kInvalidArgument},
                                           GetCase{0x80000000, 0, kInvalidArgument}),
                         [](const ::testing::TestParamInfo<GetCase>& info) {
                           char name[16];
                           snprintf(name, sizeof(name), "Id%08X", info.param.id);
                           return std::string(name);
                         });

// ---- windows

TEST_F(NisoBoard, WindowPlacesRegistersAndChildren) {
  auto map = build(0x1000, 0x20, 0x70000);
  EXPECT_EQ(map->getAddress(Map::tIsoCommStatusReg::kIndex), 0x1004u);
  EXPECT_FALSE(map->isAccessible(Map::tScratch::kIndex));
  EXPECT_FALSE(map->isAccessible(Map::tLedTestReg::kIndex));
  EXPECT_TRUE(map->isAccessible(Map::tIsoCommConfigReg::kIndex));
  ASSERT_NE(map->getStreamCircuit(0), nullptr);
  EXPECT_EQ(map->getStreamCircuit(0)->getAddress(0), 0x4FE0u + 0x800u);
  EXPECT_EQ(map->getDMA(47)->getAddress(0), 0x1000u - 0x20u + 0x68000u + 0x2F00u + 0x10u);

  auto closed = build(0, 0, 0);
  for (uint32_t i = 0; i < Map::kRegisterCount; ++i) EXPECT_FALSE(closed->isAccessible(i)) << i;

  auto whole = build();
  EXPECT_EQ(whole->getAddress(Map::tErrorCaptureEnableRegType::kIndex), 0xB0u);
  EXPECT_EQ(whole->getAddress(Map::tNisoErrorManagerStatusReg::kIndex), 0xB0u);
  EXPECT_EQ(whole->getAddress(Map::tTmp106DataRegType::kFirstIndex + 3), 0x82Cu);
  EXPECT_EQ(whole->getAddress(Map::tIsoRegAccessStatusRegType::kFirstIndex + 26), 0x3A0u);
  EXPECT_EQ(whole->getAddress(Map::tIsoRegAccessReadDataRegType::kFirstIndex + 26), 0x3ACu);
  EXPECT_EQ(whole->getAddress(Map::tNisoMeasureUnitConfigRegType::kFirstIndex + 23), 0x6E0u);
  EXPECT_EQ(whole->getAddress(Map::tMeasurePacketIPointRegType::kFirstIndex + 23), 0x6FCu);
  EXPECT_EQ(whole->getAddress(Map::kRegisterCount - 1), 0x82Cu);
}

TEST_F(NisoBoard, RegisterOutsideTheWindowKeepsItsValueAndStaysDirty) {
  // Base equal to the window start: addresses equal offsets; 0xC lies outside.
  auto map = build(0x10, 0x10, 0xFFFFFFF0u);
  tStatus first;
  map->write(0x8000000C, 9, false, first, 0);
  EXPECT_EQ(first.getCode(), kNotAccessible);
  EXPECT_EQ(map->Scratch.getRegister(), 9u);
  EXPECT_TRUE(map->Scratch.isDirty());
  tStatus second;
  map->write(0x8000000C, 9, false, second, 0);
  EXPECT_EQ(second.getCode(), kNotAccessible);
  tStatus read;
  uint64_t value = 0;
  map->read(0x8000000C, value, read, 0);
  EXPECT_EQ(read.getCode(), kNotAccessible);
  EXPECT_EQ(value, 9u);
  EXPECT_TRUE(log().empty());

  // The walk records it and writes everything else, children included.
  map->markDirtyRegMap();
  tStatus walk;
  map->flushRegMap(false, walk);
  EXPECT_EQ(walk.getCode(), kNotAccessible);
  EXPECT_TRUE(map->Scratch.isDirty());
  EXPECT_EQ(log().size(), 101u + 48u * 22u + 9u + 48u * 12u);
}

TEST_F(NisoBoard, NamedAccessorOutsideTheWindowAnswersFromTheShadow) {
  auto map = build(0x100, 0x100, 0xFFFFFF00u);
  tStatus status;
  EXPECT_FALSE(map->IsoCommStatusReg.readNisoDcBusStartupComplete(status));
  EXPECT_EQ(status.getCode(), kNotAccessible);
  EXPECT_TRUE(log().empty());
}

// ---- named accessors

TEST_F(NisoBoard, NamedAccessorsFollowTheGenericPath) {
  auto map = build();
  tStatus status;
  auto& unit = map->NisoMeasureUnitConfigRegType[5];
  unit.writeEnableStreamStb(true, status);
  unit.writeEnableStreamStb(true, status);
  unit.writeDisableStreamStb(true, status).writeClearMeasureFifoOverflowStb(true, status);
  const uint64_t at = 0x400 + 0x20 * 5;
  EXPECT_EQ(log(), (std::vector<BlockAccess>{W32(at, 0x4), W32(at, 0x4), W32(at, 0x8), W32(at, 0x10)}));
  EXPECT_EQ(unit.getRegister(), 0u);

  // An isolated-register read request: type and address, one forced write.
  clearLog();
  map->IsoRegAccessAddrRegType[26].setIsoRegAccessType(true).setIsoRegAddr(0x1ABC).flush(status, true);
  EXPECT_EQ(log(), (std::vector<BlockAccess>{W32(0x3A4, 0x11ABC)}));
  EXPECT_EQ(map->IsoRegAccessAddrRegType[26].getRegister(), 0u);

  // FIFO resets of DMA channels 47 and 0.
  clearLog();
  map->CommandStreamCircuitFifoReset.writeRegister(1u << (47 >> 1), status);
  map->MeasureStreamCircuitFifoReset.writeRegister(1u << (0 >> 1), status);
  EXPECT_EQ(log(), (std::vector<BlockAccess>{W32(0x54, 0x800000), W32(0x50, 0x1)}));
  EXPECT_EQ(map->CommandStreamCircuitFifoReset.getRegister(), 0u);

  // Status reads: get touches no hardware, even on a failed status.
  block.poke(0x200, 32, 0x20000);
  map->IsoRegAccessStatusRegType[0].refresh(status);
  clearLog();
  tStatus failed = withCode(-9);
  EXPECT_TRUE(map->IsoRegAccessStatusRegType[0].getIsoRegReadyForNewAccess());
  EXPECT_FALSE(map->IsoRegAccessStatusRegType[0].getNewIsoRegReadResponse());
  block.poke(0x814, 32, 0x8123);
  EXPECT_TRUE(map->VrefTemperatureReg.readFilteredVrefValid(status));
  EXPECT_EQ(map->VrefTemperatureReg.getFilteredVref(), 0x123u);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(failed.getCode(), -9);
}

// ---- map-wide walks

std::vector<BlockAccess> inRange(const std::vector<BlockAccess>& all, uint64_t start, uint64_t end) {
  std::vector<BlockAccess> out;
  for (const BlockAccess& a : all) {
    if (a.offset >= start && a.offset < end) out.push_back(a);
  }
  return out;
}

TEST_F(NisoBoard, FlushRegMapWritesOnlyWhatIsDirtyOrForcedInDeclarationOrder) {
  auto map = build();
  tStatus status;
  map->flushRegMap(false, status);
  EXPECT_TRUE(log().empty());

  map->markDirtyRegMap();
  map->flushRegMap(false, status);
  EXPECT_EQ(status.getCode(), 0);
  const std::vector<BlockAccess> all = log();
  ASSERT_EQ(all.size(), 102u + 48u * 22u + 9u + 48u * 12u);
  const std::vector<BlockAccess> own = inRange(all, 0, 0x840);
  ASSERT_EQ(own.size(), 102u);
  EXPECT_EQ(own.front().offset, 0xCu);
  EXPECT_EQ(own.back().offset, 0x6E0u);
  // The own registers come first, then the children in walk order.
  EXPECT_EQ(std::vector<BlockAccess>(all.begin(), all.begin() + 102), own);
  EXPECT_EQ(all[102].offset, 0x4000u + 0x818u);
  EXPECT_EQ(inRange(all, 0x64000, 0x68000),
            (std::vector<BlockAccess>{W32(0x64058, 0), W32(0x6405C, 0), W32(0x64090, 0), W32(0x64384, 0),
                                      W64(0x643A8, 0), W32(0x643B4, 0), W64(0x643B8, 0), W32(0x640C0, 0),
                                      W32(0x640E0, 0)}));
  EXPECT_EQ(all.back(), W32(0x68000 + 0x2F00 + 0xFC, 0));
  EXPECT_FALSE(map->Scratch.isDirty());
  EXPECT_TRUE(map->SignatureReg.isDirty());  // until a refresh loads it

  // Forced on a clean map: the same registers, strobes cut back afterwards.
  map->set(0x80000090, 0xFFFFFFFF, status, 0);
  map->set(0x80000204, 0xFFFFFFFF, status, 0);
  map->flush(0x80000090, false, status, 0);
  map->flush(0x80000204, false, status, 0);
  clearLog();
  map->flushRegMap(true, status);
  EXPECT_EQ(log().size(), all.size());
  EXPECT_EQ(map->ChassisPowerMonConfigReg.getRegister(), 0x1FB7FFFFu);
  EXPECT_EQ(map->IsoRegAccessAddrRegType[0].getRegister(), 0xFFFEC000u);
}

TEST_F(NisoBoard, RefreshRegMapReadsEveryReadableRegisterInDeclarationOrder) {
  auto map = build();
  tStatus status;
  map->set(0x8000000C, 0x1234, status, 0);
  block.poke(0xC, 32, 0x4321);
  map->refreshRegMap(status);
  EXPECT_EQ(status.getCode(), 0);
  const std::vector<BlockAccess> all = log();
  const std::vector<BlockAccess> own = inRange(all, 0, 0x840);
  ASSERT_EQ(own.size(), 260u);
  EXPECT_EQ(own.front(), R32(0x0, 0x5A3C0E91));
  EXPECT_EQ(own.back().offset, 0x82Cu);
  for (const BlockAccess& a : own) EXPECT_FALSE(a.write);
  EXPECT_EQ(inRange(all, 0x4000, 0x64000).size(), 48u * 23u);
  EXPECT_EQ(inRange(all, 0x64000, 0x68000).size(), 81u);
  EXPECT_EQ(inRange(all, 0x68000, 0x6B000).size(), 48u * 16u);
  EXPECT_EQ(map->Scratch.getRegister(), 0x4321u);
  EXPECT_FALSE(map->Scratch.isDirty());
}

TEST_F(NisoBoard, WalksMakeNoAccessOnAnErrorAndRunOnAWarning) {
  auto map = build();
  map->markDirtyRegMap();
  tStatus failed = withCode(-4);
  map->flushRegMap(true, failed);
  map->refreshRegMap(failed);
  EXPECT_TRUE(log().empty());
  tStatus warned = withCode(4);
  map->refreshRegMap(warned);
  EXPECT_FALSE(log().empty());
  EXPECT_EQ(warned.getCode(), 4);
}

TEST_F(NisoBoard, ReinitializeReturnsTheFamilyToItsBuiltState) {
  auto map = build(0x1000, 0x20, 0x70000);
  tStatus status;
  map->set(0x80000020, 0x200, status, 0);
  map->getStreamCircuit(3)->set(0x80000818, 5, status, 0);
  map->getDMACompanion().set(0x80000384, 5, status, 0);
  map->reinitialize();
  EXPECT_EQ(map->IsoCommConfigReg.getRegister(), 0u);
  EXPECT_FALSE(map->IsoCommConfigReg.isDirty());
  EXPECT_EQ(map->getAddress(Map::tIsoCommStatusReg::kIndex), 0x1004u);
  EXPECT_FALSE(map->isAccessible(Map::tScratch::kIndex));
  uint64_t value = 1;
  map->getStreamCircuit(3)->get(0x80000818, value, status, 0);
  EXPECT_EQ(value, 0u);
  map->getDMACompanion().get(0x80000384, value, status, 0);
  EXPECT_EQ(value, 0u);
  clearLog();
  map->flushRegMap(false, status);
  EXPECT_TRUE(log().empty());
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(NisoBoard, EveryMapOfTheFamilyAnswersTheSameVersion) {
  auto map = build();
  EXPECT_STREQ(map->getVersion(), "2.1.0d19");
  EXPECT_STREQ(map->getOldestCompatibleVersion(), "2.1.0d19");
  EXPECT_STREQ(map->getStreamCircuit(0)->getVersion(), "2.1.0d19");
  EXPECT_STREQ(map->getDMACompanion().getOldestCompatibleVersion(), "2.1.0d19");
  EXPECT_STREQ(map->getDMA(0)->getVersion(), "2.1.0d19");
}

}  // namespace
}  // namespace nisotest
