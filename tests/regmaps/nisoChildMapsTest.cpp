// The FPGA's child maps: the stream circuit's unshadowed, split and alias
// registers, the DMA companion's byte-wide and 64-bit registers and the DMA
// channel's 64-bit registers and strobes, each over its part of the block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/regmaps/nisoFixture.h"

namespace nisotest {
namespace {

constexpr uint64_t kCircuit0 = 0x4000;
constexpr uint64_t kCompanion = 0x64000;
constexpr uint64_t kChannel0 = 0x68000;

struct ChildStep {
  enum Op { kSet, kWrite, kFlush, kRefresh, kRead, kGet } op;
  uint32_t id;
  uint64_t value;  // in for set/write, expected out for read/get
  bool force;
  int64_t code;
};

struct ChildCase {
  std::string name;
  std::vector<ChildStep> steps;
  std::vector<BlockAccess> accesses;  // offsets within the child's part
};

void PrintTo(const ChildCase& c, std::ostream* out) { *out << c.name; }

void runSteps(arm::tRegisterMap& map, const std::vector<ChildStep>& steps) {
  for (const ChildStep& step : steps) {
    tStatus status;
    uint64_t value = 0xDEAD;
    switch (step.op) {
      case ChildStep::kSet: map.set(step.id, step.value, status, 0); break;
      case ChildStep::kWrite: map.write(step.id, step.value, step.force, status, 0); break;
      case ChildStep::kFlush: map.flush(step.id, step.force, status, 0); break;
      case ChildStep::kRefresh: map.refresh(step.id, status, 0); break;
      case ChildStep::kRead: map.read(step.id, value, status, 0); break;
      case ChildStep::kGet: map.get(step.id, value, status, 0); break;
    }
    EXPECT_EQ(status.getCode(), step.code) << std::hex << "id 0x" << step.id;
    if (step.op == ChildStep::kRead || step.op == ChildStep::kGet) {
      EXPECT_EQ(value, step.value) << std::hex << "id 0x" << step.id;
    }
  }
}

std::vector<BlockAccess> relativeTo(const std::vector<BlockAccess>& all, uint64_t start) {
  std::vector<BlockAccess> out;
  for (BlockAccess a : all) {
    a.offset -= start;
    out.push_back(a);
  }
  return out;
}

const ChildStep::Op S = ChildStep::kSet, Wr = ChildStep::kWrite, F = ChildStep::kFlush,
                    Rf = ChildStep::kRefresh, Rd = ChildStep::kRead, G = ChildStep::kGet;

BlockAccess R8(uint64_t offset, uint64_t value) { return {offset, 8, false, value}; }
BlockAccess R64(uint64_t offset, uint64_t value) { return {offset, 64, false, value}; }

// ---- stream circuit (circuit 1 of the family, to check its placement too)

class StreamCircuit : public NisoBoard, public ::testing::WithParamInterface<ChildCase> {};

TEST_P(StreamCircuit, Accesses) {
  auto map = build();
  const uint64_t part = kCircuit0 + 0x2000;
  block.poke(part + 0x810, 32, 0x1357);
  block.poke(part + 0x834, 32, 0xFFFFFFFF);
  runSteps(*map->getStreamCircuit(1), GetParam().steps);
  EXPECT_EQ(relativeTo(log(), part), GetParam().accesses);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StreamCircuit,
    ::testing::Values(
        ChildCase{"UnshadowedFieldWriteGoesOutEveryTimeAlone",
                  {{Wr, 0x14000800, 1, false, 0}, {Wr, 0x14000800, 2, true, 0}, {Wr, 0x14000800, 0, false, 0}},
                  {W32(0x800, 0x400), W32(0x800, 0x400), W32(0x800, 0)}},
        ChildCase{"UnshadowedWideFieldTakesItsLowBits", {{Wr, 0x02000808, 0x1FF, false, 0}},
                  {W32(0x808, 0xFF0000)}},
        ChildCase{"TransferCountIsWrittenEveryTimeAndNotRead",
                  {{Wr, 0x80000810, 7, false, 0}, {Wr, 0x80000810, 7, false, 0}, {Rd, 0x80000810, 0, false,
                   kInvalidArgument}, {Rd, 0xC0000810, 0x1357, false, 0}},
                  {W32(0x810, 7), W32(0x810, 7), R32(0x810, 0x1357)}},
        ChildCase{"ShadowedReadOnlyAnswersFromItsShadow",
                  {{G, 0xC0000814, 0, false, 0}, {S, 0xC0000814, 1, false, kInvalidArgument},
                   {S, 0x80000814, 1, false, kInvalidArgument}},
                  {}},
        ChildCase{"SplitRegisterReadsFewerFieldsThanItTakes",
                  {{Rd, 0x3E000834, 0, false, kInvalidArgument}, {Rd, 0x06000834, 0x7F, false, 0},
                   {Rd, 0xC0000834, 0xFFFFFFFF, false, 0}, {Wr, 0x3E000834, 1, false, 0},
                   {Wr, 0xC0000834, 0x5, false, 0}},
                  {R32(0x834, 0xFFFFFFFF), R32(0x834, 0xFFFFFFFF), W32(0x834, 0x80000000), W32(0x834, 5)}},
        ChildCase{"ControlReadsOnlyItsFourStatusBits",
                  {{Rd, 0x0, 0, false, kInvalidArgument}, {Rd, 0x30000800, 0, false, 0}},
                  {R32(0x800, 0)}},
        ChildCase{"UnshadowedHaveNothingToFlushOrRefresh",
                  {{F, 0x80000800, 0, true, 0}, {Rf, 0x80000800, 0, false, kInvalidArgument},
                   {G, 0x80000800, 0, false, kInvalidArgument}, {S, 0x80000800, 1, false, kInvalidArgument},
                   {F, 0xC0000880, 0, true, kInvalidArgument}},
                  {}},
        ChildCase{"HighFieldKeepsTheLowBits",
                  {{S, 0x8000081C, 0x1234, false, 0}, {S, 0x0200081C, 0xABCDE, false, 0},
                   {G, 0x8000081C, 0xBCDE1234, false, 0}},
                  {}},
        ChildCase{"AliasFieldIsItsOwnObjectButFlushNamesThePrimary",
                  {{S, 0x0C000904, 0x3FF, false, 0}, {F, 0x0C000904, 0, false, 0}, {G, 0x0C000904, 0x3FF, false, 0},
                   {G, 0x80000904, 0, false, 0}, {Wr, 0x0C000914, 1, false, 0}},
                  {W32(0x914, 0x1000)}}),
    [](const ::testing::TestParamInfo<ChildCase>& info) { return info.param.name; });

TEST_F(NisoBoard, StreamCircuitAliasIsWrittenByTheWalkAfterThePrimary) {
  auto map = build();
  tStreamCircuitRegMap& circuit = *map->getStreamCircuit(0);
  tStatus status;
  circuit.set(0x0C000904, 0x3FF, status, 0);
  circuit.flushRegMap(false, status);
  EXPECT_EQ(relativeTo(log(), kCircuit0), (std::vector<BlockAccess>{W32(0x904, 0x003FF000)}));
  clearLog();
  circuit.set(0x80000904, 0x5, status, 0);
  circuit.flushRegMap(true, status);
  const std::vector<BlockAccess> all = relativeTo(log(), kCircuit0);
  ASSERT_EQ(all.size(), 22u);
  EXPECT_EQ(all[14], W32(0x904, 0x5));         // the first primary
  EXPECT_EQ(all[17], W32(0x904 + 0x30, 0));    // the last primary
  EXPECT_EQ(all[18], W32(0x904, 0x003FF000));  // the first alias, after it
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(NisoBoard, StreamCircuitFormatsFollowTheView) {
  auto map = build();
  tStreamCircuitRegMap& circuit = *map->getStreamCircuit(0);
  arm::FieldType types[64];
  uint64_t masks[64];
  uint32_t count = 64;
  tStatus status;
  circuit.getRegisterFormat(0x80000800, count, types, masks, status);
  EXPECT_EQ(count, 14u);
  EXPECT_EQ(masks[13], 0x40000u);
  count = 64;
  circuit.getRegisterFormat(0xC0000800, count, types, masks, status);
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + count), (std::vector<uint64_t>{0x8, 0x400, 0x4000, 0x40000}));
  count = 64;
  circuit.getRegisterFormat(0x0C000904, count, types, masks, status);
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + count), (std::vector<uint64_t>{0x0FFFFFFF, 0xF0000000}));
  EXPECT_EQ(status.getCode(), 0);
  count = 13;
  circuit.getRegisterFormat(0x80000800, count, types, masks, status);
  EXPECT_EQ(status.getCode(), kBufferTooSmall);
  EXPECT_EQ(count, 13u);
  for (uint32_t id : {0x80000814u, 0xC0000818u}) {
    tStatus none;
    count = 64;
    circuit.getRegisterFormat(id, count, types, masks, none);
    EXPECT_EQ(none.getCode(), kNotSupported);
    EXPECT_EQ(count, 0u);
  }
}

TEST_F(NisoBoard, StreamCircuitWindowLeavesTheEarlyRegistersOut) {
  tStreamCircuitRegMap circuit(accessor, kCircuit0, 0x820, 0x100);
  clearLog();
  tStatus status;
  circuit.refreshRegMap(status);
  EXPECT_EQ(status.getCode(), kNotAccessible);
  // Inside: 0x820-0x830, 0x840-0x848, peers at 0x900 and 0x910 with their
  // two objects each; all at the circuit's base less the window start.
  std::vector<uint64_t> offsets;
  for (const BlockAccess& a : log()) offsets.push_back(a.offset - kCircuit0 + 0x820);
  EXPECT_EQ(offsets, (std::vector<uint64_t>{0x820, 0x824, 0x828, 0x82C, 0x830, 0x840, 0x844, 0x848, 0x900, 0x910,
                                            0x904, 0x914, 0x904, 0x914}));
}

// ---- DMA companion

class DmaCompanion : public NisoBoard, public ::testing::WithParamInterface<ChildCase> {};

TEST_P(DmaCompanion, Accesses) {
  auto map = build();
  block.poke(kCompanion + 0x3C4, 32, 0x44332211);
  block.poke(kCompanion + 0xC, 32, 0x0000A000);
  runSteps(map->getDMACompanion(), GetParam().steps);
  EXPECT_EQ(relativeTo(log(), kCompanion), GetParam().accesses);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DmaCompanion,
    ::testing::Values(
        ChildCase{"ByteRegisterIsReadAlone",
                  {{Rd, 0xC00003C5, 0x22, false, 0}, {Rd, 0x800003C5, 0, false, kInvalidArgument},
                   {G, 0x400003C5, 0x22, false, 0}},
                  {R8(0x3C5, 0x22)}},
        ChildCase{"InterruptMaskKeepsNoStrobe",
                  {{Wr, 0x8000005C, 0xFFFFFFFF, false, 0}, {G, 0x8000005C, 0x3FFF003E, false, 0},
                   {Wr, 0x8000005C, 0xFFFFFFFF, false, 0}},
                  {W32(0x5C, 0xFFFFFFFF), W32(0x5C, 0xFFFFFFFF)}},
        ChildCase{"SixtyFourBitFieldAboveBit3",
                  {{S, 0x300003B8, 1, false, 0}, {G, 0x800003B8, 0x8, false, 0}, {F, 0x800003B8, 0, false, 0},
                   {Wr, 0x800003B8, 0xFFFFFFFFFFFFFFFFull, false, 0}},
                  {W64(0x3B8, 0x8), W64(0x3B8, 0xFFFFFFFFFFFFFFFFull)}},
        ChildCase{"AddressingModeBitsGoOutTogether",
                  {{S, 0x30000090, 1, false, 0}, {S, 0x20000090, 1, false, 0}, {F, 0x80000090, 0, false, 0},
                   {G, 0x80000090, 0, false, 0}},
                  {W32(0x90, 0xA)}},
        ChildCase{"LinkSizeFieldOfTheCoreRegister", {{Rd, 0x4C00000C, 0xA, false, 0}}, {R32(0xC, 0xA000)}},
        ChildCase{"WrongViewsAndWriteOnlyReads",
                  {{S, 0xC000000C, 1, false, kInvalidArgument}, {Rd, 0x8000000C, 0, false, kInvalidArgument},
                   {Rf, 0x80000058, 0, false, kInvalidArgument}, {Wr, 0x4000005C, 1, false, kInvalidArgument}},
                  {}}),
    [](const ::testing::TestParamInfo<ChildCase>& info) { return info.param.name; });

TEST_F(NisoBoard, DmaCompanionWalksAndNarrowWindow) {
  tKivDmaCompanionRegMap companion(accessor, kCompanion, 0, 0x3C0);
  clearLog();
  tStatus status;
  companion.flushRegMap(true, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(log().size(), 9u);
  clearLog();
  companion.refreshRegMap(status);
  EXPECT_EQ(status.getCode(), kNotAccessible);
  const std::vector<BlockAccess> reads = log();
  ASSERT_EQ(reads.size(), 17u);
  EXPECT_EQ(reads[12], R64(kCompanion + 0x3A8, 0));
  EXPECT_EQ(reads.back(), R32(kCompanion + 0xE0, 0));
}

// ---- DMA channel (channel 2 of the family)

class DmaChannel : public NisoBoard, public ::testing::WithParamInterface<ChildCase> {};

TEST_P(DmaChannel, Accesses) {
  auto map = build();
  const uint64_t part = kChannel0 + 0x200;
  block.poke(part + 0x10, 64, 0x1122334455667788ull);
  runSteps(*map->getDMA(2), GetParam().steps);
  EXPECT_EQ(relativeTo(log(), part), GetParam().accesses);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DmaChannel,
    ::testing::Values(
        ChildCase{"SixtyFourBitReadIsOneLoad",
                  {{Rd, 0x80000010, 0x1122334455667788ull, false, 0}, {Rd, 0xC0000010, 0, false, kInvalidArgument}},
                  {R64(0x10, 0x1122334455667788ull)}},
        ChildCase{"OperationStrobesLeaveNothing",
                  {{Wr, 0x26000058, 1, false, 0}, {G, 0x80000058, 0, false, 0},
                   {Wr, 0x80000058, 0xFFFFFFFF, false, 0}, {G, 0x80000058, 0xFDFFFFE8, false, 0},
                   {Rd, 0x80000058, 0, false, kInvalidArgument}, {Rf, 0x26000058, 0, false, kInvalidArgument}},
                  {W32(0x58, 0x02000000), W32(0x58, 0xFFFFFFFF)}},
        ChildCase{"ControlKeepsItsWholeShadow",
                  {{Wr, 0x80000054, 0xFFFFFFFF, false, 0}, {G, 0x80000054, 0xFFFFFFFF, false, 0},
                   {Wr, 0x26000054, 1, false, 0}},
                  {W32(0x54, 0xFFFFFFFF)}},
        ChildCase{"ReadOnlyTakesNoSet",
                  {{S, 0x40000070, 1, false, kInvalidArgument}, {G, 0x40000070, 0, false, 0},
                   {S, 0xC0000054, 1, false, kInvalidArgument}, {Rd, 0x80000060, 0, false, kInvalidArgument}},
                  {}}),
    [](const ::testing::TestParamInfo<ChildCase>& info) { return info.param.name; });

TEST_F(NisoBoard, WideRegistersReportOneWholeField) {
  auto map = build();
  arm::FieldType types[64];
  uint64_t masks[64];
  struct Case {
    arm::tRegisterMap* child;
    uint32_t id;
    uint32_t capacity;
    int64_t code;
    uint32_t count;
    uint64_t firstMask;
  };
  const Case cases[] = {
      {map->getDMA(0), 0x80000010, 64, 0, 1, ~0ull},
      {map->getDMA(0), 0xC00000A8, 64, 0, 1, ~0ull},
      {map->getDMA(0), 0x80000054, 7, kBufferTooSmall, 7, 0},
      {map->getDMA(0), 0x80000054, 8, 0, 8, 0x3},
      {map->getDMA(0), 0x80000060, 64, kNotSupported, 0, 0},
      {&map->getDMACompanion(), 0x800003B8, 64, 0, 1, 0xFFFFFFFFFFFFFFF8ull},
      {&map->getDMACompanion(), 0xC00003FF, 64, 0, 1, 0xFF},
      {&map->getDMACompanion(), 0x8000005C, 12, kBufferTooSmall, 12, 0},
      {&map->getDMACompanion(), 0x8000005C, 13, 0, 13, 0x1},
  };
  for (const Case& c : cases) {
    uint32_t count = c.capacity;
    masks[0] = 0;
    tStatus status;
    c.child->getRegisterFormat(c.id, count, types, masks, status);
    EXPECT_EQ(status.getCode(), c.code) << std::hex << c.id;
    EXPECT_EQ(count, c.count) << std::hex << c.id;
    EXPECT_EQ(masks[0], c.firstMask) << std::hex << c.id;
    if (c.firstMask == ~0ull || c.firstMask == 0xFFFFFFFFFFFFFFF8ull) {
      EXPECT_EQ(types[0], arm::kFieldTypeUpTo64);
    }
  }
}

TEST_F(NisoBoard, DmaChannelWalksAndNarrowWindow) {
  auto map = build();
  tStatus status;
  map->getDMA(0)->flushRegMap(true, status);
  std::vector<uint32_t> widths;
  for (const BlockAccess& a : log()) widths.push_back(a.width);
  EXPECT_EQ(widths, (std::vector<uint32_t>{64, 64, 64, 32, 64, 64, 64, 32, 32, 32, 64, 32}));

  tKivDmaRegMap narrow(accessor, kChannel0, 0, 0x54);
  clearLog();
  narrow.flushRegMap(true, status);
  EXPECT_EQ(status.getCode(), kNotAccessible);
  EXPECT_EQ(log().size(), 8u);
  clearLog();
  tStatus fresh;
  narrow.refreshRegMap(fresh);
  EXPECT_EQ(fresh.getCode(), kNotAccessible);
  EXPECT_EQ(log().size(), 8u);
}

}  // namespace
}  // namespace nisotest
