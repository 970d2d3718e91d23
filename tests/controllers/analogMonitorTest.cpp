// The reference temperature sensor (configure, read with its valid-bit
// poll) and the analog monitor's 45 alarm windows, from the defaults and
// from a limits record, as the isolated side received them.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "controllers/HardwareErrorRegisterChecker.h"
#include "controllers/NisoErrorController.h"
#include "controllers/TemperatureSensorController.h"
#include "controllers/XAdcLimitsController.h"
#include "kal/include/kalStandIn.h"
#include "simboard/AnalogMonitor.h"
#include "tests/controllers/controllerBoard.h"

namespace controllertest {
namespace {

using simboard::AnalogMonitor;
using vorlan_driver::TemperatureSensorController;
using vorlan_driver::XAdcLimitsController;

constexpr uint64_t kTemperature = AnalogMonitor::kTemperatureOffset;
constexpr int64_t kNotValid = code(0xBFFA4329u);

class TemperatureTest : public ControllerBoard {
 protected:
  frontendtest::FakeChecker quiet;
  TemperatureSensorController sensor{*map, *iso, quiet};
};

TEST_F(TemperatureTest, ConfigureWritesTheSettingsThenTheStartAtLeast165MicrosecondsLater) {
  tStatus status;
  sensor.configure(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(isoWritesTo(AnalogMonitor::kSensorConfigAddress), (std::vector<uint32_t>{0x56060u, 0x800000u}));
  const auto& writes = block.analogMonitor().sensorWrites();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_GE(writes[1].nanoseconds - writes[0].nanoseconds, 165000u);
}

TEST_F(TemperatureTest, ReadReturnsTheFilteredValueOnceValid) {
  block.analogMonitor().setTemperature(0x0ABC);
  tStatus status;
  sensor.configure(status);
  board.log().clear();
  EXPECT_EQ(sensor.readTemperature(status), 0x0ABCu);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(nisoReads(kTemperature), 1u);
}

// Not valid within 500 ms: the checker's cause when it finds one, else the
// sensor's own code; the poll sleeps with growing intervals, so it takes
// few reads.
TEST_F(TemperatureTest, NeverValidTimesOut) {
  block.analogMonitor().setTemperature(0x123);
  block.analogMonitor().setNeverValid(true);
  tStatus configured;
  sensor.configure(configured);
  board.log().clear();
  const uint64_t before = kalsim::virtualNanoseconds();
  tStatus status;
  EXPECT_EQ(sensor.readTemperature(status), 0x123u);
  EXPECT_EQ(status.getCode(), kNotValid);
  EXPECT_GE(kalsim::virtualNanoseconds() - before, 500000000u);
  EXPECT_LE(nisoReads(kTemperature), 20u);
  EXPECT_EQ(quiet.calls, 1);

  // The same time-out with the board's error manager behind the checker.
  tStatus made;
  vorlan_driver::NisoErrorController errorsController(*map, made);
  vorlan_driver::HardwareErrorRegisterChecker all(0xFFFFFF, errorsController);
  TemperatureSensorController checked(*map, *iso, all);
  errors().injectFault(ErrorManager::Set::kB, ErrorManager::Vector::kMain, 7 * 4 + 2);
  tStatus traced;
  checked.readTemperature(traced);
  EXPECT_EQ(traced.getCode(), code(0xBFFA403Eu));
}

TEST_F(TemperatureTest, ReadBeforeTheSensorStartsTimesOut) {
  tStatus status;
  sensor.readTemperature(status);
  EXPECT_EQ(status.getCode(), kNotValid);
}

// Window n's limits, lower and upper, as the analog monitor's table gives
// them without a record.
struct WindowDefault {
  uint32_t window;
  uint16_t lower, upper;
};
const WindowDefault kSingleDefaults[] = {
    {24, 0x40F, 0x5E8}, {25, 0x9F6, 0xBFF}, {26, 0x16B, 0x26F}, {27, 0xDA8, 0xEA9}, {28, 0x260, 0x510},
    {29, 0x55A, 0x654}, {30, 0x50E, 0x623}, {31, 0x9F2, 0xB08}, {32, 0xC02, 0xD50}, {33, 0x38E, 0x4E6},
    {34, 0x7C7, 0x8CF}, {35, 0x5E3, 0x6B1}, {36, 0x538, 0x60D}, {37, 0x22B, 0x32C}, {38, 0xD0B, 0xE20},
    {39, 0x000, 0xFFF}, {40, 0x7E5, 0xC2F},
};

uint32_t word(uint32_t lower, uint32_t upper) { return upper << 16 | lower; }

class WindowTest : public ControllerBoard {
 protected:
  XAdcLimitsController limits{*iso};

  // The dedicated windows' words in the order they were written, then every
  // indexed window as loaded.
  void expectWindows(const std::vector<uint32_t>& dedicated, const std::array<uint32_t, 41>& indexed) {
    std::vector<std::pair<uint32_t, uint32_t>> seen;
    for (const auto& w : isoWrites()) {
      if (w.first >= 0x182 && w.first <= 0x185) seen.push_back(w);
    }
    std::vector<std::pair<uint32_t, uint32_t>> expected;
    for (uint32_t i = 0; i < dedicated.size(); ++i) expected.emplace_back(0x182 + i, dedicated[i]);
    EXPECT_EQ(seen, expected);
    for (uint32_t n = 0; n < 41; ++n) EXPECT_EQ(block.analogMonitor().window(n), indexed[n]) << "window " << n;
    std::vector<uint32_t> order;
    for (uint32_t n = 0; n < 41; ++n) order.push_back(n);
    EXPECT_EQ(block.analogMonitor().windowLoads(), order);
    // Each load is its value, then its index.
    const auto writes = isoWrites();
    for (size_t i = 0; i + 1 < writes.size(); ++i) {
      if (writes[i + 1].first == AnalogMonitor::kUpdateWindowAddress) {
        EXPECT_EQ(writes[i].first, AnalogMonitor::kWindowLimitsAddress);
      }
    }
  }
};

TEST_F(WindowTest, DefaultsWithoutARecord) {
  std::array<uint32_t, 41> indexed{};
  for (uint32_t n = 0; n < 24; ++n) indexed[n] = n % 2 == 1 ? word(0x849, 0xFFF) : word(0x000, 0x7CC);
  for (const WindowDefault& d : kSingleDefaults) indexed[d.window] = word(d.lower, d.upper);
  tStatus status;
  limits.configureWindowLimits(nullptr, status);
  EXPECT_EQ(status.getCode(), 0);
  expectWindows({word(0x1A00, 0x2000), word(0x4000, 0x3FFF), word(0xE70, 0x6E0), word(0xE70, 0x6E0)}, indexed);
  EXPECT_EQ(isoWritesTo(AnalogMonitor::kUpdateWindowAddress).size(), 41u);

  // Sent again in full, though nothing changed.
  block.isolatedSide().clearLog();
  limits.configureWindowLimits(nullptr, status);
  EXPECT_EQ(isoWrites().size(), 4u + 2 * 41u);
}

// A record whose pair p holds (0x100 + p, 0x200 + p), with the first pair
// wider than its fields and the rails wider than 15 bits.
TEST_F(WindowTest, FromALimitsRecordMaskedToTheFields) {
  uint8_t record[XAdcLimitsController::kRecordSize];
  auto put = [&record](uint32_t pair, uint16_t lower, uint16_t upper) {
    record[4 * pair] = static_cast<uint8_t>(lower);
    record[4 * pair + 1] = static_cast<uint8_t>(lower >> 8);
    record[4 * pair + 2] = static_cast<uint8_t>(upper);
    record[4 * pair + 3] = static_cast<uint8_t>(upper >> 8);
  };
  for (uint32_t p = 0; p < 23; ++p) put(p, static_cast<uint16_t>(0x100 + p), static_cast<uint16_t>(0x200 + p));
  put(0, 0x1FFF, 0xFFFF);
  put(21, 0xFFFF, 0x8001);
  put(22, 0x1234, 0xC321);

  // Record pair of each single window, read off the record layout.
  const uint32_t pairOfWindow[17] = {13, 10, 14, 11, 16, 4, 9, 8, 6, 19, 3, 18, 17, 15, 12, 7, 5};
  std::array<uint32_t, 41> indexed{};
  for (uint32_t n = 0; n < 24; ++n) indexed[n] = n % 2 == 1 ? word(0xFFF, 0xFFF) : word(0x101, 0x201);
  for (uint32_t n = 24; n <= 40; ++n) {
    const uint32_t p = pairOfWindow[n - 24];
    indexed[n] = word(0x100 + p, 0x200 + p);
  }
  tStatus status;
  limits.configureWindowLimits(record, status);
  EXPECT_EQ(status.getCode(), 0);
  expectWindows({word(0x1234, 0x4321), word(0x7FFF, 0x0001), word(0x114, 0x214), word(0x102, 0x202)}, indexed);
}

TEST_F(WindowTest, NothingOnAFailedStatus) {
  tStatus status;
  vorlanSetCode(status, -52005);
  limits.configureWindowLimits(nullptr, status);
  EXPECT_TRUE(isoWrites().empty());
}

}  // namespace
}  // namespace controllertest
