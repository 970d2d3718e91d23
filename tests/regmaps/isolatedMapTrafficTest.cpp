// The isolated-side maps over the simulated board, reached as the driver
// reaches them: through the non-isolated FPGA's access windows (window 24
// for the isolated FPGA, window c for channel c, the CPLDs through the
// isolated FPGA's CPLD access register). Each case states what the isolated
// side saw, access by access.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "device/frontEndAccessors/CpldAccessor.h"
#include "device/frontEndAccessors/CpldFrontEndAccessor.h"
#include "device/frontEndAccessors/QuillChannelBaseAddressCalculator.h"
#include "device/frontEndAccessors/WindowedFrontEndAccessor.h"
#include "framework/frontEndAccessors/ChannelBasedFrontEndAccessor.h"
#include "framework/frontEndAccessors/frontEndAccessorCodes.h"
#include "regmaps/isolated/tTheQuillCpldRegMap.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "tests/framework/frontEndTestSupport.h"
#include "tests/regmaps/IsolatedPath.h"
#include "tests/regmaps/isolatedMapTables.h"

namespace simboard {
inline void PrintTo(const IsolatedRegisterSpace::Access& a, std::ostream* out) {
  *out << (a.write ? "W" : "R") << a.window << "@0x" << std::hex << a.address << "=0x" << a.value << std::dec;
}
}  // namespace simboard

namespace isomaptest {
namespace {

using nKIVAPALS100::tStatus;
using simboard::IsolatedRegisterSpace;
using vorlan_driver::CpldAccessor;
using vorlan_driver::CpldFrontEndAccessor;
using vorlan_regmaps::tTheQuillCpldRegMap;
using vorlan_regmaps::tTheQuillIsoChannelRegMap;
using vorlan_regmaps::tTheQuillIsoFpgaRegMap;
namespace codes = vorlan_driver::statusCodes;
using Access = IsolatedRegisterSpace::Access;

constexpr uint32_t kIso = IsolatedPath::kIsoWindow;
constexpr uint32_t kChannel = IsolatedPath::kSampleChannel;
constexpr uint32_t kChannelBase = 0x1000u | (kChannel << 7);
constexpr uint64_t kUntouched = 0x77u;
constexpr uint64_t kAnyValue = ~0ull;

Access W(uint32_t window, uint32_t address, uint32_t value) { return {window, address, true, value}; }
Access R(uint32_t window, uint32_t address, uint32_t value) { return {window, address, false, value}; }
// Channel 5's register at map offset k, as its window carries it.
uint32_t ch(uint32_t k) { return kChannelBase + (k - 0x1000u); }


struct TrafficCase {
  std::string name;
  // Acts on the board; `value` starts at kUntouched and is what the case
  // reads back.
  std::function<void(IsolatedPath&, tStatus&, uint64_t&)> act;
  int64_t code;
  uint64_t value;  // kAnyValue: not checked
  std::vector<Access> traffic;
};

void PrintTo(const TrafficCase& c, std::ostream* out) { *out << c.name; }


class IsolatedMapTraffic : public IsolatedPath, public ::testing::WithParamInterface<TrafficCase> {};

TEST_P(IsolatedMapTraffic, ReachesTheIsolatedSideExactlySo) {
  const TrafficCase& c = GetParam();
  tStatus status;
  uint64_t value = kUntouched;
  c.act(*this, status, value);
  EXPECT_EQ(status.getCode(), c.code);
  if (c.value != kAnyValue) {
    EXPECT_EQ(value, c.value);
  }
  EXPECT_EQ(take(), c.traffic);
}

// Shorthands for the cases.
using P = IsolatedPath;
void isoWrite(P& p, uint32_t id, uint64_t v, tStatus& s, bool force = false) { p.iso->write(id, v, force, s, 0); }
void chWrite(P& p, uint32_t id, uint64_t v, tStatus& s, bool force = false) {
  p.channels[kChannel]->write(id, v, force, s, 0);
}
uint64_t isoGet(P& p, uint32_t id) {
  tStatus s;
  uint64_t v = 0;
  p.iso->get(id, v, s, 0);
  return v;
}
uint64_t chGet(P& p, uint32_t id) {
  tStatus s;
  uint64_t v = 0;
  p.channels[kChannel]->get(id, v, s, 0);
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    IsoFpga, IsolatedMapTraffic,
    ::testing::Values(
        TrafficCase{"SameValueTwiceGoesOutOnceUnlessForced",
                    [](P& p, tStatus& s, uint64_t&) {
                      isoWrite(p, 0x80000003u, 7, s);
                      isoWrite(p, 0x80000003u, 7, s);
                      isoWrite(p, 0x80000003u, 7, s, true);
                    },
                    0, kAnyValue, {W(kIso, 0x003, 7), W(kIso, 0x003, 7)}},
        TrafficCase{"CpldAccessWordGoesOutEveryTimeAndKeepsBits30And31",
                    [](P& p, tStatus& s, uint64_t& v) {
                      isoWrite(p, 0x80000008u, 0x52345678u, s);
                      isoWrite(p, 0x80000008u, 0x52345678u, s);
                      v = isoGet(p, 0x80000008u);
                    },
                    0, 0x40000000u, {W(kIso, 0x008, 0x52345678u), W(kIso, 0x008, 0x52345678u)}},
        TrafficCase{"LocalRamAddressZeroAfterAWriteOnlyWhenForced",
                    [](P& p, tStatus& s, uint64_t&) {
                      isoWrite(p, 0x80000050u, 5, s);
                      isoWrite(p, 0x80000050u, 0, s);
                      isoWrite(p, 0x80000050u, 0, s, true);
                    },
                    0, kAnyValue, {W(kIso, 0x050, 5), W(kIso, 0x050, 0)}},
        TrafficCase{"ReadOfWriteOnlyRefused", [](P& p, tStatus& s, uint64_t& v) { p.iso->read(0x80000006u, v, s, 0); },
                    codes::kInvalidArgument, 0, {}},
        TrafficCase{"WriteOfReadOnlyRefused", [](P& p, tStatus& s, uint64_t&) { isoWrite(p, 0xC0000000u, 1, s); },
                    codes::kInvalidArgument, kAnyValue, {}},
        TrafficCase{"InterruptConfigWrittenThroughItsReadSideId",
                    [](P& p, tStatus& s, uint64_t& v) {
                      isoWrite(p, 0xC0000170u, 0x114, s);
                      v = isoGet(p, 0x80000170u);
                    },
                    0, 0x14, {W(kIso, 0x170, 0x114)}},
        TrafficCase{"InterruptConfigCodeReadThroughTheReadView",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.side().setReadView(0x170, 0x65);
                      p.iso->read(0x08000170u, v, s, 0);
                    },
                    0, 6, {R(kIso, 0x170, 0x65)}},
        TrafficCase{"InterruptConfigFieldWithReadSideBitRefused",
                    [](P& p, tStatus& s, uint64_t& v) { p.iso->read(0x48000170u, v, s, 0); }, codes::kInvalidArgument,
                    0, {}},
        TrafficCase{"InterruptConfigStrobeIsNotRead",
                    [](P& p, tStatus& s, uint64_t& v) { p.iso->read(0x04000170u, v, s, 0); }, codes::kInvalidArgument,
                    0, {}},
        TrafficCase{"FlushByFieldIdFlushesTheRegister",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.iso->set(0x12000006u, 1, s, 0);
                      p.iso->flush(0x12000006u, false, s, 0);
                    },
                    0, kAnyValue, {W(kIso, 0x006, 0x40000u)}},
        TrafficCase{"FlushOfWriteOnlyOffsetWithReadSideBitRefused",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.iso->set(0x12000006u, 1, s, 0);
                      p.iso->flush(0x40000006u, true, s, 0);
                    },
                    codes::kInvalidArgument, kAnyValue, {}},
        TrafficCase{"FlushThroughTheInterruptConfigReadSide",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.iso->set(0x80000170u, 0x101, s, 0);
                      p.iso->flush(0x40000170u, false, s, 0);
                    },
                    0, kAnyValue, {W(kIso, 0x170, 0x101)}},
        TrafficCase{"StrayFieldBitsOnAWholeId", [](P& p, tStatus& s, uint64_t&) { isoWrite(p, 0xBF000003u, 9, s); },
                    0, kAnyValue, {W(kIso, 0x003, 9)}},
        TrafficCase{"FormatOnlyWordsRefuseEveryAccess",
                    [](P& p, tStatus&, uint64_t& v) {
                      v = 0;
                      for (uint32_t id : {0x80000004u, 0x80000005u}) {
                        uint64_t out = 0;
                        tStatus s[6];
                        p.iso->get(id, out, s[0], 0);
                        p.iso->set(id, 1, s[1], 0);
                        p.iso->read(id, out, s[2], 0);
                        p.iso->write(id, 1, true, s[3], 0);
                        p.iso->flush(id, true, s[4], 0);
                        p.iso->refresh(id, s[5], 0);
                        for (const tStatus& one : s) v += one.getCode() == codes::kInvalidArgument;
                      }
                    },
                    0, 12, {}},
        TrafficCase{"RefreshDiscardsAnUnflushedChange",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.iso->set(0x80000003u, 5, s, 0);
                      p.side().poke(0x003, 9);
                      p.iso->refresh(0x80000003u, s, 0);
                      p.iso->flush(0x80000003u, false, s, 0);
                      v = isoGet(p, 0x80000003u);
                    },
                    0, 9, {R(kIso, 0x003, 9)}},
        TrafficCase{"DcBusStrobesGoOutOnceAndLeaveTheHeldBit",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.iso->set(0x20000007u, 1, s, 0);
                      p.iso->set(0x04000007u, 1, s, 0);
                      p.iso->flush(0x80000007u, false, s, 0);
                      v = isoGet(p, 0x80000007u);
                    },
                    0, 0x2, {W(kIso, 0x007, 0x102)}},
        TrafficCase{"PllWordLosesItsNonFieldBitsAfterTheWrite",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.iso->set(0x80000022u, 0xFFFFFFFFu, s, 0);
                      p.iso->flush(0x80000022u, false, s, 0);
                      v = isoGet(p, 0x80000022u);
                    },
                    0, 0x00FFFFFFu, {W(kIso, 0x022, 0xFFFFFFFFu)}},
        TrafficCase{"SameChargeBalanceWordTwiceGoesOutTwice",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.iso->ChargeBalanceOffsetRegType[0].writeChargeBalanceOffset(5, s);
                      p.iso->ChargeBalanceOffsetRegType[0].writeChargeBalanceOffset(5, s);
                    },
                    0, kAnyValue, {W(kIso, 0x104, 5), W(kIso, 0x104, 5)}},
        TrafficCase{"SameCalibrationGainTwiceGoesOutOnce",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.iso->CalGainRegType[1].writeCalGain(0x6F27, s);
                      p.iso->CalGainRegType[1].writeCalGain(0x6F27, s);
                    },
                    0, kAnyValue, {W(kIso, 0x109, 0x6F27)}},
        TrafficCase{"ErrorInTheStatusTouchesNothing",
                    [](P& p, tStatus& s, uint64_t& v) {
                      vorlanSetCode(s, codes::kSetupStopped);
                      isoWrite(p, 0x80000003u, 1, s, true);
                      p.iso->read(0x80000003u, v, s, 0);
                      p.iso->flushRegMap(true, s);
                      p.iso->refreshRegMap(s);
                    },
                    codes::kSetupStopped, kUntouched, {}},
        TrafficCase{"UnpoweredSideTimesOutAndSeesNothing",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.side().setPowered(false);
                      isoWrite(p, 0x80000003u, 1, s);
                    },
                    voltarissharedsource::frontEndCodes::kWindowNotReady, kAnyValue, {}},
        TrafficCase{"OnlyTheWindowsRegistersAreReached",
                    [](P& p, tStatus& s, uint64_t&) {
                      tTheQuillIsoFpgaRegMap narrow(*p.windows[kIso], 0u, 0x100u, 0x80u);
                      narrow.flushRegMap(true, s);
                    },
                    codes::kNotFound, kAnyValue,
                    {W(kIso, 0x00, 0), W(kIso, 0x02, 0), W(kIso, 0x03, 0), W(kIso, 0x10, 0), W(kIso, 0x11, 0),
                     W(kIso, 0x12, 0), W(kIso, 0x20, 0), W(kIso, 0x21, 0), W(kIso, 0x22, 0), W(kIso, 0x30, 0),
                     W(kIso, 0x67, 0), W(kIso, 0x68, 0), W(kIso, 0x69, 0), W(kIso, 0x6A, 0), W(kIso, 0x6B, 0),
                     W(kIso, 0x70, 0), W(kIso, 0x71, 0), W(kIso, 0x04, 0), W(kIso, 0x05, 0), W(kIso, 0x06, 0),
                     W(kIso, 0x07, 0), W(kIso, 0x08, 0), W(kIso, 0x09, 0), W(kIso, 0x0A, 0), W(kIso, 0x0B, 0),
                     W(kIso, 0x0C, 0), W(kIso, 0x0D, 0), W(kIso, 0x0E, 0), W(kIso, 0x0F, 0)}},
        TrafficCase{"ReinitializeBringsBackTheDefaultsWithoutAnAccess",
                    [](P& p, tStatus& s, uint64_t& v) {
                      isoWrite(p, 0x80000188u, 1, s);
                      p.take();
                      p.iso->reinitialize();
                      p.iso->flushRegMap(false, s);
                      v = isoGet(p, 0x80000188u);
                    },
                    0, 500, {}}),
    [](const ::testing::TestParamInfo<TrafficCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Channel, IsolatedMapTraffic,
    ::testing::Values(
        TrafficCase{"SameValueTwiceGoesOutOnceUnlessForced",
                    [](P& p, tStatus& s, uint64_t&) {
                      chWrite(p, 0x80001000u, 3, s);
                      chWrite(p, 0x80001000u, 3, s);
                      chWrite(p, 0x80001000u, 3, s, true);
                    },
                    0, kAnyValue, {W(kChannel, ch(0x1000), 3), W(kChannel, ch(0x1000), 3)}},
        TrafficCase{"DataTransferStrobeGoesOutEveryTime",
                    [](P& p, tStatus& s, uint64_t& v) {
                      chWrite(p, 0x1001u, 1, s);
                      chWrite(p, 0x1001u, 1, s);
                      v = chGet(p, 0x80001001u);
                    },
                    0, 0, {W(kChannel, ch(0x1001), 1), W(kChannel, ch(0x1001), 1)}},
        TrafficCase{"PredictiveWordTwiceGoesOutTwice",
                    [](P& p, tStatus& s, uint64_t&) {
                      chWrite(p, 0x80001078u, 0x12, s);
                      chWrite(p, 0x80001078u, 0x12, s);
                    },
                    0, kAnyValue, {W(kChannel, ch(0x1078), 0x12), W(kChannel, ch(0x1078), 0x12)}},
        TrafficCase{"ReadOfWriteOnlyRefused",
                    [](P& p, tStatus& s, uint64_t& v) { p.channel().read(0x80001000u, v, s, 0); },
                    codes::kInvalidArgument, 0, {}},
        TrafficCase{"WriteOfReadOnlyRefused", [](P& p, tStatus& s, uint64_t&) { chWrite(p, 0xC0001007u, 1, s); },
                    codes::kInvalidArgument, kAnyValue, {}},
        TrafficCase{"LiveMonitorWrittenThroughItsReadSideId",
                    [](P& p, tStatus& s, uint64_t&) { chWrite(p, 0xC0001070u, 3, s); }, 0, kAnyValue,
                    {W(kChannel, ch(0x1070), 3)}},
        TrafficCase{"FlushByFieldIdFlushesTheRegister",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.channel().set(0x20001001u, 1, s, 0);
                      p.channel().flush(0x20001001u, false, s, 0);
                    },
                    0, kAnyValue, {W(kChannel, ch(0x1001), 2)}},
        TrafficCase{"FlushOfWriteOnlyOffsetWithReadSideBitRefused",
                    [](P& p, tStatus& s, uint64_t&) { p.channel().flush(0x40001001u, true, s, 0); },
                    codes::kInvalidArgument, kAnyValue, {}},
        TrafficCase{"StrayFieldBitsOnAWholeId", [](P& p, tStatus& s, uint64_t&) { chWrite(p, 0xBF001000u, 2, s); },
                    0, kAnyValue, {W(kChannel, ch(0x1000), 2)}},
        TrafficCase{"LiveMonitorRefreshKeepsBit31",
                    [](P& p, tStatus& s, uint64_t& v) {
                      chWrite(p, 0x3E001070u, 1, s);
                      p.side().setReadView(ch(0x1070), 0x7FFFFFFFu);
                      p.channel().read(0x80001070u, v, s, 0);
                    },
                    0, 0xFFFFFFFFu, {W(kChannel, ch(0x1070), 0x80000000u), R(kChannel, ch(0x1070), 0x7FFFFFFFu)}},
        TrafficCase{"AutorangeRefreshKeepsTheDriversBits",
                    [](P& p, tStatus& s, uint64_t& v) {
                      chWrite(p, 0x80001074u, 0x087C0000u, s);
                      p.channel().read(0xC0001074u, v, s, 0);
                    },
                    0, 0x087C0000u, {W(kChannel, ch(0x1074), 0x087C0000u), R(kChannel, ch(0x1074), 0)}},
        TrafficCase{"AutorangeStrobesGoOutEveryTimeAndNeverStay",
                    [](P& p, tStatus& s, uint64_t& v) {
                      chWrite(p, 0x80001074u, 0x1782A003u, s);
                      chWrite(p, 0x80001074u, 0x1782A003u, s);
                      v = chGet(p, 0x80001074u);
                    },
                    0, 1, {W(kChannel, ch(0x1074), 0x1782A003u), W(kChannel, ch(0x1074), 0x1782A003u)}},
        TrafficCase{"AutorangeStrobeWaitsApartUntilTheFlush",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.channel().set(0x20001074u, 1, s, 0);
                      v = chGet(p, 0x80001074u);
                      p.channel().flush(0x80001074u, false, s, 0);
                    },
                    0, 0, {W(kChannel, ch(0x1074), 2)}},
        TrafficCase{"AutorangeStrobeOfAFailedWriteGoesOutWithTheNextFlush",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.side().setPowered(false);
                      tStatus failed;
                      chWrite(p, 0x80001074u, 0x2, failed);
                      v = failed.getCode() == voltarissharedsource::frontEndCodes::kWindowNotReady;
                      p.side().setPowered(true);
                      p.channel().flush(0x80001074u, false, s, 0);
                    },
                    0, 1, {W(kChannel, ch(0x1074), 2)}},
        TrafficCase{"IndexThenOffsetAreTwoWords",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.channel().ChargeBalanceOffsetRegType[0].writeModQData(3, s);
                      p.channel().ChargeBalanceOffsetRegType[0].writeChargeBalanceOffset(5, s);
                    },
                    0, kAnyValue, {W(kChannel, ch(0x1010), 0x30000000u), W(kChannel, ch(0x1010), 5)}},
        TrafficCase{"ZeroWordOverAZeroShadowOnlyWhenForced",
                    [](P& p, tStatus& s, uint64_t&) {
                      chWrite(p, 0x80001010u, 0, s);
                      chWrite(p, 0x80001078u, 0, s);
                      chWrite(p, 0x80001010u, 0, s, true);
                    },
                    0, kAnyValue, {W(kChannel, ch(0x1010), 0)}},
        TrafficCase{"StrobeSetThenFlushedAppearsOnce",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.channel().set(0x1032u, 1, s, 0);
                      p.channel().flush(0x80001032u, false, s, 0);
                      p.channel().flush(0x80001032u, false, s, 0);
                      v = chGet(p, 0x1032u);
                    },
                    0, 0, {W(kChannel, ch(0x1032), 1)}},
        TrafficCase{"OnlyTheWindowsRegistersAreReached",
                    [](P& p, tStatus& s, uint64_t&) {
                      tTheQuillIsoChannelRegMap narrow(*p.channelAccessors[kChannel], 0u, 0x1040u, 0x11u);
                      narrow.flushRegMap(true, s);
                    },
                    codes::kNotFound, kAnyValue,
                    [] {
                      std::vector<Access> out;
                      for (uint32_t k = 0; k < 0x11; ++k) out.push_back(W(kChannel, kChannelBase + k, 0));
                      return out;
                    }()}),
    [](const ::testing::TestParamInfo<TrafficCase>& info) { return info.param.name; });

// CPLD words travel through the isolated FPGA's window.
uint32_t word(uint32_t cpld, uint32_t reg, uint32_t data) { return cpld << 28 | reg << 24 | data; }

INSTANTIATE_TEST_SUITE_P(
    Cpld, IsolatedMapTraffic,
    ::testing::Values(
        TrafficCase{"OneWriteIsOneAccessWordAndLeavesTheRegisterEmpty",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.cpldFrontEnds[1]->write32(0x05, 0x800001u, s);
                      v = isoGet(p, 0x80000008u);
                    },
                    0, 0, {W(kIso, 0x008, 0x15800001u)}},
        TrafficCase{"TheSameWordTwiceIsTwoWrites",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.cpldFrontEnds[3]->write32(0x0D, 0x3F, s);
                      p.cpldFrontEnds[3]->write32(0x0D, 0x3F, s);
                    },
                    0, kAnyValue, {W(kIso, 0x008, word(3, 0xD, 0x3F)), W(kIso, 0x008, word(3, 0xD, 0x3F))}},
        TrafficCase{"AddressAboveAByteRefused",
                    [](P& p, tStatus& s, uint64_t&) { p.cpldFrontEnds[0]->write32(0x100, 1, s); },
                    codes::kValueOutOfRange, kAnyValue, {}},
        TrafficCase{"AddressTheWordCannotCarryRefused",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.cpldFrontEnds[0]->write32(0x14, 1, s);
                      tStatus byte;
                      p.cpldFrontEnds[0]->write32(0xFF, 1, byte);
                      v = byte.getCode() == codes::kValueOutOfRange;
                    },
                    codes::kValueOutOfRange, 1, {}},
        TrafficCase{"DataTheWordCannotCarryRefused",
                    [](P& p, tStatus& s, uint64_t&) { p.cpldFrontEnds[2]->write32(0x10 - 1, 0x1000000u, s); },
                    codes::kValueOutOfRange, kAnyValue, {}},
        TrafficCase{"ReadsAreRefused",
                    [](P& p, tStatus& s, uint64_t& v) { v = p.cpldFrontEnds[0]->read32(0x08, s); },
                    CpldFrontEndAccessor::kReadNotSupported, 0xFFFFFFFFu, {}},
        TrafficCase{"ReadsAreRefusedAfterAWarning",
                    [](P& p, tStatus& s, uint64_t& v) {
                      vorlanSetCode(s, 5);
                      v = p.cpldFrontEnds[0]->read32(0x08, s);
                    },
                    CpldFrontEndAccessor::kReadNotSupported, 0xFFFFFFFFu, {}},
        TrafficCase{"ReadKeepsAnEarlierError",
                    [](P& p, tStatus& s, uint64_t& v) {
                      vorlanSetCode(s, codes::kSetupStopped);
                      v = p.cpldFrontEnds[0]->read32(0x08, s);
                    },
                    codes::kSetupStopped, 0xFFFFFFFFu, {}},
        TrafficCase{"WriteWithAnErrorNeitherChangesNorWrites",
                    [](P& p, tStatus& s, uint64_t& v) {
                      vorlanSetCode(s, codes::kSetupStopped);
                      p.cpldAccessor->write(1, 5, 0x1234, s);
                      v = isoGet(p, 0x80000008u) | (p.iso->CpldAccessReg.isDirty() ? 1u : 0u);
                    },
                    codes::kSetupStopped, 0, {}},
        TrafficCase{"MapReadAnswersTheShadowWithTheRefusal",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.cplds[0]->write(0x8000000Au, 0x55, false, s, 0);
                      p.cplds[0]->read(0x8000000Au, v, s, 0);
                    },
                    CpldFrontEndAccessor::kReadNotSupported, 0x55, {W(kIso, 0x008, word(0, 0xA, 0x55))}},
        TrafficCase{"MapReadOfAWriteOnlyRegisterRefused",
                    [](P& p, tStatus& s, uint64_t& v) { p.cplds[0]->read(0x80000004u, v, s, 0); },
                    codes::kInvalidArgument, 0, {}},
        TrafficCase{"MapWriteOfTheShadowsValueOnlyWhenForced",
                    [](P& p, tStatus& s, uint64_t&) {
                      p.cplds[2]->write(0x80000009u, 0, false, s, 0);
                      p.cplds[2]->write(0x80000009u, 0, true, s, 0);
                    },
                    0, kAnyValue, {W(kIso, 0x008, word(2, 0x9, 0))}},
        // Registers 0x10-0x15 have addresses the access word cannot carry:
        // each is refused, the walk goes on.
        TrafficCase{"ForcedMapFlushSendsWhatTheWordCanCarry",
                    [](P& p, tStatus& s, uint64_t&) { p.cplds[2]->flushRegMap(true, s); },
                    codes::kValueOutOfRange, kAnyValue,
                    {W(kIso, 0x008, word(2, 0x4, 0)), W(kIso, 0x008, word(2, 0x5, 0)),
                     W(kIso, 0x008, word(2, 0x8, 0)), W(kIso, 0x008, word(2, 0x9, 0)),
                     W(kIso, 0x008, word(2, 0xA, 0)), W(kIso, 0x008, word(2, 0xB, 0)),
                     W(kIso, 0x008, word(2, 0xC, 0)), W(kIso, 0x008, word(2, 0xD, 0))}},
        TrafficCase{"MapRefreshIsRefusedAndChangesNoShadow",
                    [](P& p, tStatus& s, uint64_t& v) {
                      p.cplds[1]->set(0x8000000Bu, 0x42, s, 0);
                      p.cplds[1]->refreshRegMap(s);
                      tStatus g;
                      p.cplds[1]->get(0x8000000Bu, v, g, 0);
                    },
                    CpldFrontEndAccessor::kReadNotSupported, 0x42, {}},
        TrafficCase{"EnablingTheCpldsIsEightWords",
                    [](P& p, tStatus& s, uint64_t&) {
                      for (auto& cpld : p.cplds) cpld->CpldConfigReg.writeEnable(true, s);
                      for (auto& cpld : p.cplds) cpld->TempSensorConfigReg.writeEnable(true, s);
                    },
                    0, kAnyValue,
                    {W(kIso, 0x008, 0x04000001u), W(kIso, 0x008, 0x14000001u), W(kIso, 0x008, 0x24000001u),
                     W(kIso, 0x008, 0x34000001u), W(kIso, 0x008, 0x05800000u), W(kIso, 0x008, 0x15800000u),
                     W(kIso, 0x008, 0x25800000u), W(kIso, 0x008, 0x35800000u)}}),
    [](const ::testing::TestParamInfo<TrafficCase>& info) { return info.param.name; });

TEST_F(IsolatedPath, AChannelMapReachesItsOwnPortAtItsOwnBlock) {
  for (uint32_t c = 0; c < 24; ++c) {
    tStatus status;
    channels[c]->write(0x80001037u, 100 + c, false, status, 0);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(take(), (std::vector<Access>{W(c, 0x1000u | (c << 7) | 0x37u, 100 + c)})) << "channel " << c;
    EXPECT_EQ(side().writeView(0x1000u | (c << 7) | 0x37u), 100 + c);
  }
}

TEST_F(IsolatedPath, ACpldWriteReachesTheCpldLogWithItsPackedWord) {
  tStatus status;
  cplds[2]->ChannelConfigRegType[0].writeGangCalEnSwitch(true, status);
  cplds[2]->write(0x80000005u, 0x3A0F0F, false, status, 0);
  EXPECT_EQ(status.getCode(), codes::kValueOutOfRange);  // register 0x10 has no place in the word
  EXPECT_EQ(side().cpldWords(), (std::vector<uint32_t>{}));
  tStatus next;
  cplds[2]->write(0x80000005u, 0x3A0F0F, false, next, 0);
  cplds[2]->TempSensorConfigReg.writeEnable(true, next);
  EXPECT_EQ(next.getCode(), 0);
  EXPECT_EQ(side().cpldWords(), (std::vector<uint32_t>{0x253A0F0Fu, 0x25BA0F0Fu}));
  EXPECT_EQ(side().cpldLog(2, 5), (std::vector<uint32_t>{0x3A0F0Fu, 0xBA0F0Fu}));
  EXPECT_TRUE(side().cpldLog(2, 0).empty());
}

// A map whose lock could not be made takes no part in anything: neither
// its own operations nor the CPLD accessor that writes through it.
TEST_F(IsolatedPath, AMapWithoutItsLockAndTheCpldAccessorOverItRefuseEveryAccess) {
  kalsim::failMutexCreation(1);
  tTheQuillIsoFpgaRegMap lockless(*windows[kIsoWindow], 0u, 0u, 0xFFFFFFFFu);
  CpldAccessor accessor(&lockless);
  tStatus written;
  accessor.write(0, 4, 1, written);
  EXPECT_EQ(written.getCode(), codes::kOutOfMemory);
  tStatus read;
  uint64_t value = 7;
  lockless.read(0x80000000u | tTheQuillIsoFpgaRegMap::tCpldAccessReg::kRegisterOffset, value, read, 0);
  EXPECT_EQ(read.getCode(), codes::kOutOfMemory);
  tStatus walked;
  lockless.markDirtyRegMap();
  lockless.flushRegMap(false, walked);
  EXPECT_EQ(walked.getCode(), codes::kOutOfMemory);
  EXPECT_EQ(take(), std::vector<Access>{});
  EXPECT_FALSE(lockless.CpldAccessReg.isDirty());
}

// A whole-map walk after marking every register: every writable register in
// the map's member order (the tables' order), the protection defaults with
// their values; a refresh walk reads every readable one in the same order.
TEST_F(IsolatedPath, WholeMapWalksVisitTheRegistersInMemberOrder) {
  auto expectWalks = [this](arm::tRegisterMap& m, const std::vector<Row>& rows, uint32_t window, uint32_t base) {
    std::vector<Access> writes;
    std::vector<Access> reads;
    for (const Row& r : rows) {
      const uint32_t address = base + (r.offset & 0xFFFu);
      if (r.access == 'W' || r.access == 'B' || r.access == 'V') writes.push_back(W(window, address, r.reset));
      // The CPLD JTAG port answers its room, and an error: the walk's zero
      // word is no CPLD image.
      const uint32_t answer = window == kIso && address == simboard::CpldJtagPort::kFifoStatusAddress
                                  ? simboard::CpldJtagPort::kCapacity | simboard::CpldJtagPort::kErrorBit
                                  : 0;
      if (r.access == 'R' || r.access == 'B' || r.access == 'V') reads.push_back(R(window, address, answer));
    }
    tStatus status;
    m.flushRegMap(false, status);
    EXPECT_EQ(take(), std::vector<Access>{});
    m.markDirtyRegMap();
    m.flushRegMap(false, status);
    EXPECT_EQ(take(), writes);
    for (uint32_t offset = 0; offset < 0x80; ++offset) side().setReadView(base + offset, 0);
    side().setReadView(0, 0);
    m.refreshRegMap(status);
    EXPECT_EQ(take(), reads);
    EXPECT_EQ(status.getCode(), 0);
  };
  expectWalks(*iso, isoFpgaRows(), kIso, 0);
  expectWalks(channel(), isoChannelRows(), kChannel, kChannelBase);
}

// getRegisterFormat as the definitions give it, case by case: capacities,
// the key a field or whole ID stands for, and unknown registers.
struct FormatCase {
  const char* name;
  char map;  // 'i' isolated FPGA, 'c' channel, 'p' CPLD
  uint32_t id;
  uint32_t capacity;
  int64_t code;
  uint32_t count;
  std::vector<uint64_t> masks;
  std::vector<uint32_t> types;
};

TEST_F(IsolatedPath, FormatsAnswerAsTheDefinitionsSay) {
  const uint64_t b20 = 1u << 20;
  const std::vector<FormatCase> cases{
      {"temperature sensor", 'i', 0x006, 5, 0, 5, {0xFF, 0xFF00, 0x30000, 0x40000, 0x800000}, {1, 1, 1, 0, 0}},
      {"temperature sensor, one short", 'i', 0x006, 4, codes::kBufferTooSmall, 4, {}, {}},
      {"signature without its read side", 'i', 0x000, 8, codes::kNotSupported, 0, {}, {}},
      {"field ID of the DC-bus word", 'i', 0x3E000007, 8, 0, 5, {0x2, 0x4, 0x100, 0x200, 0x80000000u}, {0, 0, 0, 0, 0}},
      {"interrupt config, write view", 'i', 0x170, 8, 0, 3, {0x7, 0x70, 0x100}, {1, 1, 0}},
      {"interrupt config, read view", 'i', 0x40000170, 8, 0, 2, {0x7, 0x70}, {1, 1}},
      {"format-only word", 'i', 0x80000004u, 1, 0, 1, {0xFFFFFFFFu}, {3}},
      {"data transfer by a field ID", 'c', 0x20001001, 8, 0, 2, {0x1, 0x2}, {0, 0}},
      {"sequencer status, one short", 'c', 0x40001003, 12, codes::kBufferTooSmall, 12, {}, {}},
      {"sequencer status without its read side", 'c', 0x1003, 13, codes::kNotSupported, 0, {}, {}},
      {"alarm status", 'c', 0x4000102E, 8, 0, 6, {0x1, 0x2, 0x4, 0x8, 0xFF00, 0xFF0000}, {0, 0, 0, 0, 1, 1}},
      {"autorange read view", 'c', 0x40001074, 8, 0, 7, {0x1, 1u << 12, 1u << 14, 1u << 16, 1u << 24, 1u << 25, 1u << 26},
       {0, 0, 0, 0, 0, 0, 0}},
      {"channel configuration, one short", 'p', 0x10, 8, codes::kBufferTooSmall, 8, {}, {}},
      {"channel configuration by a field ID", 'p', 0x0C000010, 9, 0, 9,
       {0xFFF, 0xFF000, b20, b20 << 1, b20 << 2, b20 << 3, b20 << 4, b20 << 5, b20 << 6}, {2, 1, 0, 0, 0, 0, 0, 0, 0}},
      {"CPLD register with a read side", 'p', 0x40000008, 8, codes::kNotSupported, 0, {}, {}},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    arm::tRegisterMap& m = c.map == 'i'   ? static_cast<arm::tRegisterMap&>(*iso)
                           : c.map == 'c' ? static_cast<arm::tRegisterMap&>(channel())
                                          : static_cast<arm::tRegisterMap&>(*cplds[0]);
    uint32_t count = c.capacity;
    arm::FieldType types[16] = {};
    uint64_t masks[16] = {};
    tStatus status;
    m.getRegisterFormat(c.id, count, types, masks, status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(std::vector<uint64_t>(masks, masks + c.masks.size()), c.masks);
    std::vector<uint32_t> got;
    for (size_t f = 0; f < c.types.size(); ++f) got.push_back(static_cast<uint32_t>(types[f]));
    EXPECT_EQ(got, c.types);
  }
  EXPECT_EQ(take(), std::vector<Access>{});
}

TEST_F(IsolatedPath, VersionsAreThoseTheMapsArePublishedWith) {
  for (arm::tRegisterMap* m :
       {static_cast<arm::tRegisterMap*>(iso.get()), static_cast<arm::tRegisterMap*>(channels[0].get()),
        static_cast<arm::tRegisterMap*>(cplds[0].get())}) {
    EXPECT_STREQ(m->getVersion(), "2.1.0d19");
    EXPECT_STREQ(m->getOldestCompatibleVersion(), "2.1.0d19");
  }
}

}  // namespace
}  // namespace isomaptest
