#include "tests/regmaps/RegMapExpectations.h"

#include <gtest/gtest.h>

#include "platform/status/tStatus.h"

namespace regmaptest {

using nKIVAPALS100::tStatus;

namespace {

constexpr int64_t kRefused = -52005;

uint64_t ones(uint32_t width) { return width >= 64 ? ~0ull : (1ull << width) - 1; }

uint32_t lowBit(uint64_t mask) {
  uint32_t bit = 0;
  while (((mask >> bit) & 1u) == 0) ++bit;
  return bit;
}

bool isReadSide(arm::tAccessKind kind) { return kind == arm::kReadOnly || kind == arm::kUnshadowedReadOnly; }

}  // namespace

bool ExpectedRegister::shadowed() const {
  return kind == arm::kReadWrite || kind == arm::kWriteOnly || kind == arm::kReadOnly;
}
bool ExpectedRegister::readable() const {
  return kind == arm::kReadWrite || kind == arm::kReadOnly || kind == arm::kUnshadowedReadWrite ||
         kind == arm::kUnshadowedReadOnly;
}
bool ExpectedRegister::writable() const {
  return kind == arm::kReadWrite || kind == arm::kWriteOnly || kind == arm::kUnshadowedReadWrite ||
         kind == arm::kUnshadowedWriteOnly;
}
uint32_t ExpectedRegister::wholeId() const { return 0x80000000u | offset | (isReadSide(kind) ? 0x40000000u : 0u); }

std::set<uint32_t> idsOf(const ExpectedMap& map) {
  std::set<uint32_t> ids;
  for (const ExpectedRegister& reg : map) {
    ids.insert(reg.wholeId());
    for (const ExpectedField& field : reg.fields) ids.insert(field.id);
  }
  return ids;
}

void expectAnswersExactly(arm::tRegisterMap& map, simboard::SimBoard& board, const ExpectedMap& expected,
                          uint32_t lastOffset, const std::set<uint32_t>& extraIds) {
  for (const ExpectedRegister& reg : expected) {
    SCOPED_TRACE(::testing::Message() << "register 0x" << std::hex << reg.wholeId());
    std::vector<uint32_t> ids{reg.wholeId()};
    for (const ExpectedField& field : reg.fields) ids.push_back(field.id);
    for (size_t i = 0; i < ids.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << "ID 0x" << std::hex << ids[i]);
      const uint64_t expectedValue =
          i == 0 ? reg.reset : (reg.reset & reg.fields[i - 1].mask) >> lowBit(reg.fields[i - 1].mask);
      tStatus got;
      uint64_t value = 0xBAD;
      map.get(ids[i], value, got, 0);
      EXPECT_EQ(got.getCode(), reg.shadowed() ? 0 : kRefused);
      EXPECT_EQ(value, reg.shadowed() ? expectedValue : 0u);
      tStatus setStatus;
      map.set(ids[i], expectedValue, setStatus, 0);
      EXPECT_EQ(setStatus.getCode(), reg.shadowed() && reg.writable() ? 0 : kRefused);
      tStatus readStatus;
      map.read(ids[i], value, readStatus, 0);
      EXPECT_EQ(readStatus.getCode(), reg.readable() ? 0 : kRefused);
      // Unforced and unchanged: a shadowed register takes it without an access.
      tStatus writeStatus;
      map.write(ids[i], reg.shadowed() ? expectedValue : 0u, false, writeStatus, 0);
      EXPECT_EQ(writeStatus.getCode(), reg.writable() ? 0 : kRefused);
    }
  }

  const std::set<uint32_t> answered = [&] {
    std::set<uint32_t> ids = idsOf(expected);
    ids.insert(extraIds.begin(), extraIds.end());
    return ids;
  }();
  board.clearAccessLog();
  auto refuses = [&](uint32_t id) {
    if (answered.count(id) != 0) return;
    uint64_t value = 0xBAD;
    tStatus getStatus;
    map.get(id, value, getStatus, 0);
    EXPECT_EQ(getStatus.getCode(), kRefused) << std::hex << id;
    EXPECT_EQ(value, 0u) << std::hex << id;
    tStatus setStatus;
    map.set(id, 1, setStatus, 0);
    EXPECT_EQ(setStatus.getCode(), kRefused) << std::hex << id;
    value = 0xBAD;
    tStatus readStatus;
    map.read(id, value, readStatus, 0);
    EXPECT_EQ(readStatus.getCode(), kRefused) << std::hex << id;
    EXPECT_EQ(value, 0u) << std::hex << id;
    tStatus writeStatus;
    map.write(id, 1, true, writeStatus, 0);
    EXPECT_EQ(writeStatus.getCode(), kRefused) << std::hex << id;
  };
  for (uint32_t offset = 0; offset <= lastOffset; ++offset) {
    for (uint32_t high = 0; high < 0x80; ++high) refuses(offset | (high << 24));
    refuses(0x80000000u | offset);
    refuses(0xC0000000u | offset);
  }
  EXPECT_TRUE(board.accessLog().empty()) << "a refused ID reached the board";
}

void expectFormats(const arm::tRegisterMap& map, const ExpectedMap& expected) {
  for (const ExpectedRegister& reg : expected) {
    std::vector<uint32_t> ids{reg.wholeId()};
    for (const ExpectedField& field : reg.fields) ids.push_back(field.id);
    const uint32_t n = static_cast<uint32_t>(reg.fields.size());
    for (uint32_t id : ids) {
      SCOPED_TRACE(::testing::Message() << "ID 0x" << std::hex << id);
      std::vector<arm::FieldType> types(n + 2, static_cast<arm::FieldType>(99));
      std::vector<uint64_t> masks(n + 2, 0xDEAD);
      uint32_t count = n;
      tStatus status;
      map.getRegisterFormat(id, count, types.data(), masks.data(), status);
      ASSERT_EQ(status.getCode(), 0);
      ASSERT_EQ(count, n);
      for (uint32_t i = 0; i < n; ++i) {
        EXPECT_EQ(types[i], static_cast<arm::FieldType>(reg.fields[i].type)) << i;
        EXPECT_EQ(masks[i], reg.fields[i].mask) << i;
      }
      EXPECT_EQ(masks[n], 0xDEADu) << "an entry beyond the count was written";
      if (n == 0) continue;
      uint32_t small = n - 1;
      tStatus tooSmall;
      map.getRegisterFormat(id, small, types.data(), masks.data(), tooSmall);
      EXPECT_EQ(tooSmall.getCode(), -52019);
      EXPECT_EQ(small, n - 1);
    }
  }
}

void expectAccessWidths(arm::tRegisterMap& map, simboard::SimBoard& board, const ExpectedMap& expected,
                        uint64_t bar0Base) {
  for (const ExpectedRegister& reg : expected) {
    SCOPED_TRACE(::testing::Message() << "register 0x" << std::hex << reg.wholeId());
    const uint64_t at = bar0Base + reg.offset;
    if (reg.writable()) {
      board.clearAccessLog();
      tStatus status;
      map.write(reg.wholeId(), ~0ull, true, status, 0);
      EXPECT_EQ(status.getCode(), 0);
      const std::vector<simboard::Access> want{{at, reg.width, simboard::Direction::kWrite, ones(reg.width)}};
      EXPECT_EQ(board.accessLog(), want);
      if (reg.shadowed()) {
        uint64_t value = 0;
        tStatus getStatus;
        map.get(reg.wholeId(), value, getStatus, 0);
        EXPECT_EQ(value, ones(reg.width) & reg.keep);
      }
    }
    if (reg.readable()) {
      board.clearAccessLog();
      uint64_t value = 0;
      tStatus status;
      map.read(reg.wholeId(), value, status, 0);
      EXPECT_EQ(status.getCode(), 0);
      const auto log = board.accessLog();
      ASSERT_EQ(log.size(), 1u);
      EXPECT_EQ(log[0].offset, at);
      EXPECT_EQ(log[0].width, reg.width);
      EXPECT_EQ(log[0].direction, simboard::Direction::kRead);
    }
  }
}

void expectFieldConversions(arm::tRegisterMap& map, simboard::SimBoard& board, const ExpectedMap& expected,
                            uint64_t bar0Base) {
  for (const ExpectedRegister& reg : expected) {
    if (!reg.writable()) continue;
    for (const ExpectedField& field : reg.fields) {
      SCOPED_TRACE(::testing::Message() << "field 0x" << std::hex << field.id);
      const uint32_t low = lowBit(field.mask);
      const bool oneBit = field.mask == (1ull << low);
      struct Try {
        uint64_t value;
        uint64_t stored;
      };
      const std::vector<Try> tries =
          oneBit ? std::vector<Try>{{2, field.boolean ? 1u : 0u}, {3, 1}, {0, 0}}
                 : std::vector<Try>{{~0ull, field.mask >> low}, {0, 0}};
      for (const Try& t : tries) {
        if (reg.shadowed()) {
          tStatus status;
          map.set(field.id, t.value, status, 0);
          uint64_t value = 0xBAD;
          map.get(field.id, value, status, 0);
          EXPECT_EQ(status.getCode(), 0);
          EXPECT_EQ(value, t.stored) << "set " << t.value;
        } else {
          board.clearAccessLog();
          tStatus status;
          map.write(field.id, t.value, false, status, 0);
          const std::vector<simboard::Access> want{
              {bar0Base + reg.offset, reg.width, simboard::Direction::kWrite, t.stored << low}};
          EXPECT_EQ(board.accessLog(), want) << "write " << t.value;
        }
      }
    }
  }
}

std::vector<simboard::Access> flushWalk(const ExpectedMap& expected, uint64_t bar0Base) {
  std::vector<simboard::Access> walk;
  for (const ExpectedRegister& reg : expected) {
    if (reg.shadowed() && reg.writable()) {
      walk.push_back({bar0Base + reg.offset, reg.width, simboard::Direction::kWrite, reg.reset});
    }
  }
  return walk;
}

std::vector<simboard::Access> refreshWalk(const ExpectedMap& expected, uint64_t bar0Base) {
  std::vector<simboard::Access> walk;
  for (const ExpectedRegister& reg : expected) {
    if (reg.shadowed() && reg.readable()) {
      walk.push_back({bar0Base + reg.offset, reg.width, simboard::Direction::kRead, 0});
    }
  }
  return walk;
}

std::vector<simboard::Access> withoutReadValues(std::vector<simboard::Access> log) {
  for (simboard::Access& access : log) {
    if (access.direction == simboard::Direction::kRead) access.value = 0;
  }
  return log;
}

}  // namespace regmaptest
