// Which IDs each bridge map answers to, and what getRegisterFormat says
// about its registers.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "platform/status/tStatus.h"
#include "regmaps/bridge/tSwitchedTarnBimRegMapWithOffset.h"
#include "regmaps/bridge/tTarnConfigPortSPIWithOffset.h"
#include "regmaps/bridge/tTarnConfigPortWindowWithOffset.h"
#include "regmaps/bridge/tTarnWithOffset.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using nKIVAPALS100::tStatusExtended;
using simboard::BoardTest;

constexpr int64_t kInvalidArgument = -52005;
constexpr int64_t kNotSupported = -52002;
constexpr int64_t kBufferTooSmall = -52019;

// Every ID a map has, as its register table lists them.
const std::set<uint32_t> kWindowIds = {0x000000C0, 0x380000C0, 0x040000C0, 0x800000C0, 0x000000E0, 0x800000E0};

const std::set<uint32_t> kSpiIds = {
    0x80000000, 0x00000000, 0x04000000, 0x1C000000, 0x3C000000, 0x02000000, 0x1A000000, 0x3A000000, 0x06000000,
    0x3E000000, 0x80000004, 0x00000004, 0x28000004, 0x18000004, 0x38000004, 0x04000004, 0x1C000004, 0x3C000004,
    0x02000004, 0x1A000004, 0x3A000004, 0x06000004, 0x3E000004, 0x80000008, 0x00000008, 0x28000008, 0x18000008,
    0x38000008, 0x04000008, 0x1C000008, 0x3C000008, 0x02000008, 0x1A000008, 0x3A000008, 0x06000008, 0x3E000008,
    0x8000000C, 0x0000000C, 0x0200000C};

const std::set<uint32_t> kCoreIds = {
    0xC0000000, 0x40000000, 0xC000000C, 0x4800000C, 0x6800000C, 0x5800000C, 0x7800000C, 0x4C00000C, 0x4200000C,
    0x4A00000C, 0x4600000C, 0xC000001C, 0x4000001C, 0x80000058, 0x00000058, 0x02000058, 0x8000005C, 0x0000005C,
    0x0400005C, 0x2400005C, 0x1400005C, 0x3400005C, 0x0600005C, 0x2600005C, 0x1600005C, 0x3600005C, 0x0E00005C,
    0x2E00005C, 0x1E00005C, 0x3E00005C, 0x800000A4, 0x000000A4, 0x2C0000A4, 0x1C0000A4, 0x3C0000A4, 0x020000A4,
    0x0A0000A4, 0x060000A4, 0x0E0000A4, 0x2E0000A4, 0x3E0000A4, 0x80000440, 0x00000440, 0x20000440, 0x10000440,
    0x30000440, 0x80000444, 0x00000444, 0x20000444, 0xC0000448, 0x40000448, 0x44000448, 0x80000450, 0x00000450,
    0x80000458, 0x00000458, 0x80000460, 0x00000460, 0x80000510, 0x00000510, 0x04000510, 0x02000510, 0x80000514,
    0x00000514, 0x08000514, 0x04000514, 0x0C000514, 0x02000514, 0x0A000514, 0x06000514, 0x0E000514};

const std::set<uint32_t> kBimIds = {
    0x80000644, 0x00000644, 0x02000644, 0x80000680, 0x04000680, 0x34000680, 0x1C000680, 0x22000680, 0x0A000680,
    0x80000688, 0x00000688, 0x20000688, 0x10000688, 0x04000688, 0x34000688, 0x1C000688, 0x22000688, 0x0A000688,
    0x06000688, 0x8000068C, 0x0000068C, 0xC0000694, 0x40000694, 0x80000698, 0x00000698, 0x800006A4, 0x000006A4,
    0xC0000600, 0x40000600, 0x44000600, 0x42000600, 0x80000604, 0x20000604, 0x08000604, 0x04000604, 0xC0000700,
    0x40000700};

// Tries every combination of offset, lowest-bit code, bits 24, 30 and 31 on
// the map's offsets: `get` (every bridge register is shadowed) must accept
// exactly the listed IDs, and whole-register IDs whatever bits 24-29 hold.
void expectExactlyTheseIds(arm::tRegisterMap& map, const std::set<uint32_t>& ids) {
  std::set<uint32_t> offsets;
  for (uint32_t id : ids) offsets.insert(id & 0x00FFFFFF);
  for (uint32_t offset : offsets) {
    for (uint32_t lowBit = 0; lowBit < 32; ++lowBit) {
      for (uint32_t extra : {0u, 0x01000000u, 0x40000000u, 0x41000000u}) {
        for (uint32_t whole : {0u, 0x80000000u}) {
          const uint32_t id = offset | arm::tRegisterMap::lowBitCode(lowBit) | extra | whole;
          const bool expected = whole != 0 ? ids.count(id & 0xC0FFFFFF) != 0 : ids.count(id) != 0;
          tStatus status;
          uint64_t value = 0x55;
          map.get(id, value, status, 0);
          EXPECT_EQ(status.getCode() == 0, expected) << std::hex << "ID 0x" << id;
          if (!expected) {
            EXPECT_EQ(status.getCode(), kInvalidArgument) << std::hex << "ID 0x" << id;
            EXPECT_EQ(value, 0u) << std::hex << "ID 0x" << id;
          }
        }
      }
    }
  }
}

// The four bridge maps over their spaces in BAR 0, as bring-up builds them.
class RegisterIds : public BoardTest {
 protected:
  tMemorySpace window{space(0, 0xE4)};
  tMemorySpace spi{space(0x580, 0x10)};
  tMemorySpace core{space(0, 0x518)};
  tMemorySpace bim{space(0, 0x704)};
  tarntools::tTarnConfigPortWindowWithOffset<0u> windowMap{window};
  tarntools::tTarnConfigPortSPIWithOffset<0u> spiMap{spi};
  tarntools::tTarnWithOffset<0u> coreMap{core};
  tarntools::tSwitchedTarnBimRegMapWithOffset<0u> bimMap{bim};
};

TEST_F(RegisterIds, EachBridgeMapAnswersToExactlyItsIds) {
  expectExactlyTheseIds(windowMap, kWindowIds);
  expectExactlyTheseIds(spiMap, kSpiIds);
  expectExactlyTheseIds(coreMap, kCoreIds);
  expectExactlyTheseIds(bimMap, kBimIds);
  EXPECT_TRUE(log().empty()) << "get never reaches the hardware";
}

TEST_F(RegisterIds, NamesVersionsAndTheFileRecordedWithErrors) {
  EXPECT_STREQ(tarntools::tTarnWithOffset<0u>::kName, "Tarn");
  EXPECT_STREQ(tarntools::tSwitchedTarnBimRegMapWithOffset<0u>::kName, "SwitchedTarnBimRegMap");
  EXPECT_STREQ(tarntools::tTarnConfigPortSPIWithOffset<0u>::kName, "TarnConfigPortSPI");
  EXPECT_STREQ(tarntools::tTarnConfigPortWindowWithOffset<0u>::kName, "TarnConfigPortWindow");
  EXPECT_STREQ(coreMap.getVersion(), "23.3.0f121");
  EXPECT_STREQ(coreMap.getOldestCompatibleVersion(), "23.3.0f121");

  tStatusExtended status;
  coreMap.set(0xC0000000, 1, status, 0);
  EXPECT_EQ(status.getCode(), kInvalidArgument);
  // The status keeps nine characters of the component name.
  EXPECT_STREQ(status.getComponent(), "vorlan_dr");
  EXPECT_STREQ(status.getFile(), "regmaps/bridge/tTarnWithOffset.h");
}

struct FormatCase {
  const char* map;
  uint32_t id;
  uint32_t capacity;
  int64_t code;
  uint32_t count;  // after the call
  std::vector<uint32_t> types;
  std::vector<uint64_t> masks;
};

TEST_F(RegisterIds, RegisterFormats) {
  const std::vector<uint64_t> maskBits5C = {0x1,       0x100,      0x200,      0x400,      0x800,
                                            0x1000000, 0x2000000,  0x4000000,  0x8000000,  0x10000000,
                                            0x20000000, 0x40000000, 0x80000000};
  const FormatCase cases[] = {
      {"window", 0xC0, 8, 0, 3, {1, 0, 3}, {0x1F, 0x80, 0xFFFFFF00}},
      {"window", 0x380000C0, 8, 0, 3, {1, 0, 3}, {0x1F, 0x80, 0xFFFFFF00}},
      {"window", 0xBF0000C0, 3, 0, 3, {1, 0, 3}, {0x1F, 0x80, 0xFFFFFF00}},
      {"window", 0xE0, 8, 0, 1, {3}, {0xFFFFFFFF}},
      {"window", 0xC0, 2, kBufferTooSmall, 2, {}, {}},
      {"window", 0xD0, 8, kNotSupported, 0, {}, {}},
      {"spi", 0x4, 12, 0, 12, {1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}, {}},
      {"spi", 0x0, 16, 0, 9, {}, {}},
      {"spi", 0xC, 16, 0, 2, {1, 1}, {0xFF, 0xFF0000}},
      {"spi", 0x40000004, 16, kNotSupported, 0, {}, {}},
      {"core", 0x5C, 12, kBufferTooSmall, 12, {}, {}},
      {"core", 0x5C, 13, 0, 13, std::vector<uint32_t>(13, 0), maskBits5C},
      {"core", 0x40000000, 4, 0, 1, {3}, {0xFFFFFFFF}},
      {"core", 0x0, 4, kNotSupported, 0, {}, {}},
      {"core", 0x80000460, 4, 0, 1, {1}, {0xFF}},
      {"core", 0xA4, 16, 0, 10, {2, 0, 0, 0, 1, 1, 1, 0, 1, 0}, {}},
      {"bim", 0x604, 8, 0, 3, {0, 1, 1}, {0x2, 0xF0, 0x1F00}},
      {"bim", 0x80000604, 8, 0, 3, {0, 1, 1}, {0x2, 0xF0, 0x1F00}},
      {"bim", 0x40000600, 8, 0, 3, {1, 1, 1}, {0xFF, 0xFF00, 0xFF0000}},
  };
  for (const FormatCase& c : cases) {
    const std::string name(c.map);
    arm::tRegisterMap& map = name == "window" ? static_cast<arm::tRegisterMap&>(windowMap)
                             : name == "spi"  ? static_cast<arm::tRegisterMap&>(spiMap)
                             : name == "core" ? static_cast<arm::tRegisterMap&>(coreMap)
                                              : static_cast<arm::tRegisterMap&>(bimMap);
    constexpr uint64_t kUntouched = 0xABABABAB;
    std::vector<arm::FieldType> types(16, static_cast<arm::FieldType>(7));
    std::vector<uint64_t> masks(16, kUntouched);
    uint32_t count = c.capacity;
    tStatus status;
    map.getRegisterFormat(c.id, count, types.data(), masks.data(), status);
    SCOPED_TRACE(testing::Message() << c.map << " 0x" << std::hex << c.id << " capacity " << std::dec << c.capacity);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(count, c.count);
    const uint32_t written = c.code == 0 ? c.count : 0;
    for (uint32_t i = 0; i < c.types.size(); ++i) EXPECT_EQ(types[i], c.types[i]) << "field " << i;
    for (uint32_t i = 0; i < c.masks.size(); ++i) EXPECT_EQ(masks[i], c.masks[i]) << "field " << i;
    for (uint32_t i = written; i < 16; ++i) {
      EXPECT_EQ(types[i], static_cast<arm::FieldType>(7)) << "entry " << i << " beyond count touched";
      EXPECT_EQ(masks[i], kUntouched) << "entry " << i << " beyond count touched";
    }
  }
}

TEST_F(RegisterIds, RegisterFormatWithoutArraysIsRefused) {
  arm::FieldType types[4];
  uint64_t masks[4];
  struct Case {
    arm::FieldType* types;
    uint64_t* masks;
  };
  for (const Case& c : {Case{nullptr, masks}, Case{types, nullptr}, Case{nullptr, nullptr}}) {
    uint32_t count = 4;
    tStatus status;
    windowMap.getRegisterFormat(0xC0, count, c.types, c.masks, status);
    EXPECT_EQ(status.getCode(), kInvalidArgument);
    EXPECT_EQ(count, 4u);
  }
}

}  // namespace
