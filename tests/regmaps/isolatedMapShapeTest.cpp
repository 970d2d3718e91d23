// The three isolated-side maps against their tables: every register's
// format, reset value, keep-mask and the IDs each operation takes, and the
// counts their definitions state, all found by calling the maps.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/frontEndAccessors/FrontEndAccessorInterface.h"
#include "platform/status/statusCodes.h"
#include "regmaps/isolated/tTheQuillCpldRegMap.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "tests/regmaps/isolatedMapTables.h"

namespace isomaptest {
namespace {

using nKIVAPALS100::tStatus;
namespace codes = vorlan_driver::statusCodes;

constexpr uint32_t kWhole = 0x80000000u;
constexpr uint32_t kReadSide = 0x40000000u;

// Answers every read with a value of the address and counts the accesses.
class Recorder : public voltarissharedsource::FrontEndAccessorInterface {
 public:
  static uint32_t answerFor(uint32_t address) { return 0x5A5A0000u ^ (address * 0x9E37u); }
  void write32(uint32_t address, uint32_t value, tStatus&) override { writes.push_back({address, value}); }
  uint32_t read32(uint32_t address, tStatus&) override {
    reads.push_back(address);
    return answerFor(address);
  }
  std::vector<std::pair<uint32_t, uint32_t>> writes;
  std::vector<uint32_t> reads;
};

struct Field {
  uint32_t low;
  uint32_t width;
  bool shared;
  uint64_t mask() const { return ((width >= 32 ? 0xFFFFFFFFull : ((1ull << width) - 1)) << low); }
  uint32_t type() const { return width == 1 ? 0 : width <= 8 ? 1 : width <= 16 ? 2 : 3; }
};

std::vector<Field> parse(const char* text) {
  std::vector<Field> out;
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    const bool shared = word[0] == '=';
    if (shared) word = word.substr(1);
    const size_t dash = word.find('-');
    const uint32_t low = static_cast<uint32_t>(std::stoul(word.substr(0, dash)));
    const uint32_t high = dash == std::string::npos ? low : static_cast<uint32_t>(std::stoul(word.substr(dash + 1)));
    out.push_back({low, high - low + 1, shared});
  }
  return out;
}

uint32_t code(uint32_t low) { return arm::tRegisterMap::lowBitCode(low); }
uint32_t keyOf(const Row& r) { return r.access == 'R' ? (r.offset | kReadSide) : r.offset; }
bool writable(const Row& r) { return r.access == 'W' || r.access == 'B' || r.access == 'V'; }
bool readable(const Row& r) { return r.access == 'R' || r.access == 'B' || r.access == 'V'; }

// What each operation must take, from the table.
struct Accepted {
  std::set<uint32_t> get, set, read, flushKeys, refreshKeys, formatKeys;
};

Accepted acceptedBy(const std::vector<Row>& rows) {
  Accepted a;
  for (const Row& r : rows) {
    const uint32_t key = keyOf(r);
    a.formatKeys.insert(key);
    if (r.access == 'U') continue;
    const bool view = r.access == 'V';
    std::vector<uint32_t> wholes{kWhole | key};
    if (view) {
      wholes.push_back(kWhole | kReadSide | key);
      a.formatKeys.insert(kReadSide | key);
    }
    for (uint32_t w : wholes) {
      a.get.insert(w);
      if (writable(r)) a.set.insert(w);
      if (readable(r)) a.read.insert(w);
      if (writable(r)) a.flushKeys.insert(w & 0x40FFFFFFu);
      if (readable(r)) a.refreshKeys.insert(w & 0x40FFFFFFu);
    }
    const std::vector<Field> readView = parse(r.readView);
    for (const Field& f : parse(r.fields)) {
      const uint32_t id = key | code(f.low);
      a.get.insert(id);
      if (writable(r)) a.set.insert(id);
      bool shownByReadView = !view;
      for (const Field& v : readView) shownByReadView |= v.shared && v.low == f.low;
      if (readable(r) && shownByReadView) a.read.insert(id);
    }
    for (const Field& v : readView) {
      if (v.shared) continue;
      a.get.insert(key | kReadSide | code(v.low));
      a.read.insert(key | kReadSide | code(v.low));
    }
  }
  return a;
}

// What each operation does take, found by trying every ID of the offsets.
struct Found {
  std::set<uint32_t> get, set, write, read, flush, refresh, format;
};

Found scan(arm::tRegisterMap& map, uint32_t firstOffset, uint32_t endOffset) {
  Found found;
  auto takes = [](const std::function<void(tStatus&)>& op) {
    tStatus status;
    op(status);
    EXPECT_NE(status.getCode(), codes::kNotSupported);
    return status.getCode() != codes::kInvalidArgument;
  };
  for (uint32_t offset = firstOffset; offset < endOffset; ++offset) {
    for (uint32_t side : {0u, kReadSide}) {
      for (uint32_t c = 0; c <= 32; ++c) {
        const uint32_t id = c == 32 ? (kWhole | side | offset) : (side | code(c) | offset);
        uint64_t value = 0;
        if (takes([&](tStatus& s) { map.get(id, value, s, 0); })) found.get.insert(id);
        if (takes([&](tStatus& s) { map.set(id, 0, s, 0); })) found.set.insert(id);
        if (takes([&](tStatus& s) { map.write(id, 0, false, s, 0); })) found.write.insert(id);
        if (takes([&](tStatus& s) { map.read(id, value, s, 0); })) found.read.insert(id);
        if (takes([&](tStatus& s) { map.flush(id, false, s, 0); })) found.flush.insert(id);
        if (takes([&](tStatus& s) { map.refresh(id, s, 0); })) found.refresh.insert(id);
        tStatus status;
        uint32_t count = 64;
        arm::FieldType types[64];
        uint64_t masks[64];
        map.getRegisterFormat(id, count, types, masks, status);
        if (status.getCode() == 0) found.format.insert(id);
      }
    }
  }
  return found;
}

std::set<uint32_t> wholes(const std::set<uint32_t>& ids) {
  std::set<uint32_t> out;
  for (uint32_t id : ids) {
    if ((id & kWhole) != 0) out.insert(id);
  }
  return out;
}

std::set<uint32_t> fieldsOnly(const std::set<uint32_t>& ids) {
  std::set<uint32_t> out;
  for (uint32_t id : ids) {
    if ((id & kWhole) == 0) out.insert(id);
  }
  return out;
}

// Every ID whose register key (bits 0-23 and 30) is one of `keys`.
std::set<uint32_t> byKey(const std::set<uint32_t>& keys, uint32_t firstOffset, uint32_t endOffset) {
  std::set<uint32_t> out;
  for (uint32_t offset = firstOffset; offset < endOffset; ++offset) {
    for (uint32_t side : {0u, kReadSide}) {
      for (uint32_t c = 0; c <= 32; ++c) {
        const uint32_t id = c == 32 ? (kWhole | side | offset) : (side | code(c) | offset);
        if (keys.count(id & 0x40FFFFFFu) != 0) out.insert(id);
      }
    }
  }
  return out;
}

void expectAcceptedIds(arm::tRegisterMap& map, const std::vector<Row>& rows, uint32_t firstOffset,
                       uint32_t endOffset) {
  const Accepted want = acceptedBy(rows);
  const Found found = scan(map, firstOffset, endOffset);
  EXPECT_EQ(found.get, want.get);
  EXPECT_EQ(found.set, want.set);
  EXPECT_EQ(found.write, want.set);
  EXPECT_EQ(found.read, want.read);
  EXPECT_EQ(found.flush, byKey(want.flushKeys, firstOffset, endOffset));
  EXPECT_EQ(found.refresh, byKey(want.refreshKeys, firstOffset, endOffset));
  EXPECT_EQ(found.format, byKey(want.formatKeys, firstOffset, endOffset));
}

// One register: its format on each view, its reset value, what a write of
// all ones leaves in the shadow, what a read brings in, and what its
// fields take.
void expectRegister(arm::tRegisterMap& map, Recorder& recorder, const Row& r) {
  SCOPED_TRACE(::testing::Message() << "offset 0x" << std::hex << r.offset << " " << r.access);
  const uint32_t key = keyOf(r);
  const std::vector<Field> fields = parse(r.fields);
  const std::vector<Field> readView = parse(r.readView);

  auto expectFormat = [&](uint32_t formatKey, const std::vector<Field>& want) {
    uint32_t count = static_cast<uint32_t>(want.size());
    arm::FieldType types[64];
    uint64_t masks[64];
    tStatus status;
    map.getRegisterFormat(kWhole | formatKey, count, types, masks, status);
    ASSERT_EQ(status.getCode(), 0);
    ASSERT_EQ(count, want.size());
    for (size_t f = 0; f < want.size(); ++f) {
      EXPECT_EQ(masks[f], want[f].mask()) << "field " << f;
      EXPECT_EQ(static_cast<uint32_t>(types[f]), want[f].type()) << "field " << f;
    }
    tStatus small;
    uint32_t capacity = count - 1;
    map.getRegisterFormat(formatKey, capacity, types, masks, small);
    EXPECT_EQ(small.getCode(), codes::kBufferTooSmall);
    EXPECT_EQ(capacity, count - 1);
  };
  expectFormat(key, fields);
  if (r.access == 'V') expectFormat(key | kReadSide, readView);
  if (r.access == 'U') return;

  tStatus status;
  uint64_t value = 1;
  map.get(kWhole | key, value, status, 0);
  EXPECT_EQ(value, r.reset);
  if (writable(r)) {
    recorder.writes.clear();
    map.write(kWhole | key, 0xFFFFFFFFull, true, status, 0);
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0].first, r.offset);
    EXPECT_EQ(recorder.writes[0].second, 0xFFFFFFFFu);
    map.get(kWhole | key, value, status, 0);
    EXPECT_EQ(value, r.keep);
  }
  if (readable(r)) {
    const uint32_t kept = refreshKept(r.offset);
    uint64_t before = 0;
    map.get(kWhole | key, before, status, 0);
    map.read(kWhole | key, value, status, 0);
    EXPECT_EQ(value, (Recorder::answerFor(r.offset) & ~kept) | (before & kept));
  }
  for (const Field& f : fields) {
    const uint32_t id = key | code(f.low);
    if (!writable(r)) continue;
    map.set(kWhole | key, 0, status, 0);
    // One-bit fields take any nonzero value as 1; wider ones their low bits.
    map.set(id, f.width == 1 ? 2 : ~0ull, status, 0);
    map.get(id, value, status, 0);
    // Strobes asked of a register that holds them apart never show.
    const bool held = (pendingStrobes(r.offset) & f.mask()) != 0;
    EXPECT_EQ(value, held ? 0u : f.mask() >> f.low) << "field at bit " << f.low;
  }
  EXPECT_EQ(status.getCode(), 0);
}

template <class tMap>
struct Built {
  Recorder recorder;
  tMap map{recorder, 0u, 0u, 0xFFFFFFFFu};
};

TEST(IsolatedMapShape, IsoFpgaRegistersAreAsTheTableSays) {
  Built<vorlan_regmaps::tTheQuillIsoFpgaRegMap> b;
  for (const Row& r : isoFpgaRows()) expectRegister(b.map, b.recorder, r);
}

TEST(IsolatedMapShape, IsoChannelRegistersAreAsTheTableSays) {
  Built<vorlan_regmaps::tTheQuillIsoChannelRegMap> b;
  for (const Row& r : isoChannelRows()) expectRegister(b.map, b.recorder, r);
}

TEST(IsolatedMapShape, CpldRegistersAreAsTheTableSays) {
  Built<vorlan_regmaps::tTheQuillCpldRegMap> b;
  for (const Row& r : cpldRows()) expectRegister(b.map, b.recorder, r);
}

TEST(IsolatedMapShape, EachOperationTakesExactlyTheIdsOfTheTable) {
  {
    SCOPED_TRACE("isolated FPGA");
    Built<vorlan_regmaps::tTheQuillIsoFpgaRegMap> b;
    expectAcceptedIds(b.map, isoFpgaRows(), 0x000, 0x240);
  }
  {
    SCOPED_TRACE("channel");
    Built<vorlan_regmaps::tTheQuillIsoChannelRegMap> b;
    expectAcceptedIds(b.map, isoChannelRows(), 0xFF0, 0x1090);
  }
  {
    SCOPED_TRACE("CPLD");
    Built<vorlan_regmaps::tTheQuillCpldRegMap> b;
    expectAcceptedIds(b.map, cpldRows(), 0x00, 0x20);
  }
}

// The counts the definitions state, found by calling the maps.
struct Counts {
  size_t objects, shadowed, writable, readable, readOnly, wholeIds, formatKeys;
  size_t getFieldIds, setFieldIds, formatFields;
};

template <class tMap>
Counts countOf(const std::vector<Row>& rows, uint32_t firstOffset, uint32_t endOffset) {
  Built<tMap> b;
  Counts c{};
  c.objects = rows.size();
  const Found found = scan(b.map, firstOffset, endOffset);
  c.wholeIds = wholes(found.get).size();
  c.getFieldIds = fieldsOnly(found.get).size();
  c.setFieldIds = fieldsOnly(found.set).size();
  for (uint32_t id : found.format) {
    if ((id & 0xBF000000u) != kWhole) continue;  // one ID per key
    ++c.formatKeys;
    uint32_t count = 64;
    arm::FieldType types[64];
    uint64_t masks[64];
    tStatus status;
    b.map.getRegisterFormat(id, count, types, masks, status);
    c.formatFields += count;
  }
  b.recorder.writes.clear();
  b.recorder.reads.clear();
  b.map.markDirtyRegMap();
  tStatus status;
  b.map.flushRegMap(false, status);
  c.writable = b.recorder.writes.size();
  b.map.refreshRegMap(status);
  EXPECT_EQ(status.getCode(), 0);
  c.readable = b.recorder.reads.size();
  size_t readOnly = 0;
  size_t shadowed = 0;
  for (const Row& r : rows) {
    readOnly += r.access == 'R';
    shadowed += r.access != 'U';
  }
  c.readOnly = readOnly;
  c.shadowed = shadowed;
  return c;
}

TEST(IsolatedMapShape, CountsAreThoseTheDefinitionsState) {
  const Counts iso = countOf<vorlan_regmaps::tTheQuillIsoFpgaRegMap>(isoFpgaRows(), 0x000, 0x240);
  EXPECT_EQ(iso.objects, 138u);
  EXPECT_EQ(iso.shadowed, 136u);
  EXPECT_EQ(iso.writable, 78u);
  EXPECT_EQ(iso.readable, 71u);
  EXPECT_EQ(iso.readOnly, 58u);
  EXPECT_EQ(iso.wholeIds, 137u);
  EXPECT_EQ(iso.formatKeys, 139u);

  const Counts ch = countOf<vorlan_regmaps::tTheQuillIsoChannelRegMap>(isoChannelRows(), 0xFF0, 0x1090);
  EXPECT_EQ(ch.objects, 117u);
  EXPECT_EQ(ch.writable, 105u);
  EXPECT_EQ(ch.readable, 63u);
  EXPECT_EQ(ch.readOnly, 12u);
  EXPECT_EQ(ch.wholeIds, 119u);
  EXPECT_EQ(ch.formatKeys, 119u);
  EXPECT_EQ(ch.formatFields, 250u);
  EXPECT_EQ(ch.getFieldIds, 244u);
  EXPECT_EQ(ch.setFieldIds, 196u);

  const Counts cpld = countOf<vorlan_regmaps::tTheQuillCpldRegMap>(cpldRows(), 0x00, 0x20);
  EXPECT_EQ(cpld.objects, 14u);
  EXPECT_EQ(cpld.wholeIds + cpld.getFieldIds, 98u);
  EXPECT_EQ(cpld.setFieldIds, 84u);
  EXPECT_EQ(cpld.formatFields, 84u);
  EXPECT_EQ(cpld.writable, 14u);
  EXPECT_EQ(cpld.readable, 6u);
}

// Fields by width class over every format: the table's transcription and
// the maps agree class by class.
TEST(IsolatedMapShape, FieldsByWidthClassMatchTheTable) {
  auto fromTable = [](const std::vector<Row>& rows) {
    std::map<uint32_t, size_t> byClass;
    for (const Row& r : rows) {
      for (const Field& f : parse(r.fields)) ++byClass[f.type()];
      for (const Field& f : parse(r.readView)) ++byClass[f.type()];
    }
    return byClass;
  };
  auto fromMap = [](arm::tRegisterMap& map, const std::vector<Row>& rows) {
    std::map<uint32_t, size_t> byClass;
    const Accepted a = acceptedBy(rows);
    for (uint32_t key : a.formatKeys) {
      uint32_t count = 64;
      arm::FieldType types[64];
      uint64_t masks[64];
      tStatus status;
      map.getRegisterFormat(key, count, types, masks, status);
      for (uint32_t f = 0; f < count; ++f) ++byClass[static_cast<uint32_t>(types[f])];
    }
    return byClass;
  };
  Built<vorlan_regmaps::tTheQuillIsoFpgaRegMap> iso;
  Built<vorlan_regmaps::tTheQuillIsoChannelRegMap> ch;
  Built<vorlan_regmaps::tTheQuillCpldRegMap> cpld;
  EXPECT_EQ(fromMap(iso.map, isoFpgaRows()), fromTable(isoFpgaRows()));
  EXPECT_EQ(fromMap(ch.map, isoChannelRows()), fromTable(isoChannelRows()));
  EXPECT_EQ(fromMap(cpld.map, cpldRows()), fromTable(cpldRows()));
}

}  // namespace
}  // namespace isomaptest
