// The windowed and channel accessors over the simulated FPGA's access
// windows: the register traffic of reads and writes, their time-outs and the
// error bit with and without a fault the window's checker finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "device/frontEndAccessors/QuillChannelBaseAddressCalculator.h"
#include "device/frontEndAccessors/WindowedFrontEndAccessor.h"
#include "framework/frontEndAccessors/ChannelBasedFrontEndAccessor.h"
#include "framework/frontEndAccessors/frontEndAccessorCodes.h"
#include "tests/framework/frontEndTestSupport.h"

namespace frontendtest {
namespace {

using vorlan_driver::WindowedFrontEndAccessor;
using vorlan_regmaps::nTheQuillConstants::kIsoFpgaPort;
namespace codes = voltarissharedsource::frontEndCodes;

constexpr int64_t kCheckerFault = vorlan_driver::statusCodes::fromWord(0xBFFA4688u);
constexpr uint32_t kReady = NisoFpgaLinkBlock::kReadyBit;
constexpr uint32_t kResponse = NisoFpgaLinkBlock::kResponseBit;
constexpr uint32_t kError = NisoFpgaLinkBlock::kErrorBit;
// Window 5's and window 24's registers, relative to the block.
constexpr uint64_t kStatus5 = 0x250, kAddress5 = 0x254, kReadData5 = 0x25C;
constexpr uint64_t kStatus24 = 0x380, kAddress24 = 0x384, kWriteData24 = 0x388, kReadData24 = 0x38C;

enum class Target { kChannel5, kIsoFpgaPort };
enum class Op { kRead, kWrite };

struct WindowCase {
  std::string name;
  Target target;
  Op op;
  uint32_t address;
  uint32_t value;
  std::function<void(NisoFpgaLinkBlock&)> arrange;
  int64_t checkerCode;
  int64_t code;
  uint32_t result;  // reads only
  std::vector<BlockAccess> traffic;
};

void PrintTo(const WindowCase& c, std::ostream* out) { *out << c.name; }

class WindowTraffic : public FrontEndBoard, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(WindowTraffic, MovesExactlyTheseRegisters) {
  const WindowCase& c = GetParam();
  FakeChecker checker(c.checkerCode);
  tStatus built;
  WindowedFrontEndAccessor<vorlan_regmaps::nTheQuillConstants::ChPortTypes(5)> window5(*map, &checker, built);
  WindowedFrontEndAccessor<kIsoFpgaPort> window24(*map, &checker, built);
  ASSERT_EQ(built.getCode(), 0);
  const vorlan_driver::tQuillChannelBaseAddressCalculator calculator;
  voltarissharedsource::ChannelBasedFrontEndAccessor channel5(5, &window5, calculator);
  voltarissharedsource::FrontEndAccessorInterface& target =
      c.target == Target::kChannel5 ? static_cast<voltarissharedsource::FrontEndAccessorInterface&>(channel5)
                                    : window24;
  block.isolatedSide().poke(0x12A0, 0xCAFE0005u);
  block.isolatedSide().poke(0x0005, 0x00000011u);
  if (c.arrange) c.arrange(block);

  tStatus status;
  uint32_t result = 0;
  if (c.op == Op::kRead) {
    result = target.read32(c.address, status);
  } else {
    target.write32(c.address, c.value, status);
  }

  EXPECT_EQ(status.getCode(), c.code);
  if (c.op == Op::kRead) {
    EXPECT_EQ(result, c.result);
  }
  EXPECT_EQ(take(), c.traffic);
  if (c.checkerCode != 0) {
    EXPECT_EQ(checker.calls, 1) << "a fault found ends the poll at once";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowTraffic,
    ::testing::Values(
        WindowCase{"ChannelFiveReadOfTwenty", Target::kChannel5, Op::kRead, 0x20, 0, nullptr, 0, 0, 0xCAFE0005u,
                   {R(kStatus5, kReady), W(kAddress5, 0x000112A0u), R(kStatus5, kReady | kResponse | 0x12A0),
                    R(kReadData5, 0xCAFE0005u)}},
        WindowCase{"AddressCutToFourteenBits", Target::kIsoFpgaPort, Op::kRead, 0x4005, 0, nullptr, 0, 0, 0x11,
                   {R(kStatus24, kReady), W(kAddress24, 0x00010005u), R(kStatus24, kReady | kResponse | 0x5),
                    R(kReadData24, 0x11)}},
        WindowCase{"WriteIsPosted", Target::kIsoFpgaPort, Op::kWrite, 0x7, 0xABCD, nullptr, 0, 0, 0,
                   {R(kStatus24, kReady), W(kWriteData24, 0xABCD), W(kAddress24, 0x7)}},
        WindowCase{"ReadWhileNeverReady", Target::kIsoFpgaPort, Op::kRead, 0x5, 0,
                   [](NisoFpgaLinkBlock& b) { b.setNeverReady(24, true); }, 0, codes::kWindowNotReady, 0,
                   {R(kStatus24, 0)}},
        WindowCase{"WriteWhileNeverReady", Target::kIsoFpgaPort, Op::kWrite, 0x5, 0x1234,
                   [](NisoFpgaLinkBlock& b) { b.setNeverReady(24, true); }, 0, codes::kWindowNotReady, 0,
                   {R(kStatus24, 0)}},
        WindowCase{"ReadWithoutResponse", Target::kIsoFpgaPort, Op::kRead, 0x5, 0,
                   [](NisoFpgaLinkBlock& b) { b.setNoResponse(24, true); }, 0, codes::kNoReadResponse, 0,
                   {R(kStatus24, kReady), W(kAddress24, 0x00010005u), R(kStatus24, kReady | 0x5)}},
        WindowCase{"ErrorBitWithFaultFound", Target::kIsoFpgaPort, Op::kRead, 0x5, 0,
                   [](NisoFpgaLinkBlock& b) { b.setErrorBit(24, true); }, kCheckerFault, kCheckerFault, 0,
                   {R(kStatus24, kError | kReady)}},
        WindowCase{"ErrorBitWithoutFaultWaitsOut", Target::kIsoFpgaPort, Op::kWrite, 0x5, 0x1234,
                   [](NisoFpgaLinkBlock& b) { b.setErrorBit(24, true); }, 0, codes::kWindowNotReady, 0,
                   {R(kStatus24, kError | kReady)}},
        WindowCase{"ChannelReadThroughSlowWindow", Target::kChannel5, Op::kRead, 0x20, 0,
                   [](NisoFpgaLinkBlock& b) { b.setBusyStatusReads(5, 3); }, 0, 0, 0xCAFE0005u,
                   {R(kStatus5, kReady), W(kAddress5, 0x000112A0u), R(kStatus5, 0x12A0),
                    R(kStatus5, kReady | kResponse | 0x12A0), R(kReadData5, 0xCAFE0005u)}}),
    [](const ::testing::TestParamInfo<WindowCase>& info) { return info.param.name; });

class WindowedAccessor : public FrontEndBoard {
 protected:
  FakeChecker checker;
};

TEST_F(WindowedAccessor, FailedReadAnswersTheWindowsLastReadAndRebuildsTheAddressNextTime) {
  tStatus built;
  WindowedFrontEndAccessor<kIsoFpgaPort> window(*map, &checker, built);
  tStatus status;
  EXPECT_EQ(window.read32(0x0, status), simboard::IsolatedRegisterSpace::kSignature);
  block.setNoResponse(24, true);
  EXPECT_EQ(window.read32(0x5, status), simboard::IsolatedRegisterSpace::kSignature);
  EXPECT_EQ(status.getCode(), codes::kNoReadResponse);

  // Strobes never linger in the shadow: a write after the failed read
  // carries its own address and type only.
  block.setNoResponse(24, false);
  take();
  tStatus next;
  window.write32(0x2A, 9, next);
  EXPECT_EQ(next.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<BlockAccess>{R(kStatus24, kReady | 0x5), W(kWriteData24, 9), W(kAddress24, 0x2A)}));
}

TEST_F(WindowedAccessor, RepeatedValuesAreWrittenEveryTime) {
  tStatus built;
  WindowedFrontEndAccessor<kIsoFpgaPort> window(*map, &checker, built);
  tStatus status;
  window.write32(0x30, 0x55, status);
  window.write32(0x30, 0x55, status);
  EXPECT_EQ(status.getCode(), 0);
  const std::vector<simboard::IsolatedRegisterSpace::Access> expected{{24, 0x30, true, 0x55}, {24, 0x30, true, 0x55}};
  EXPECT_EQ(block.isolatedSide().log(), expected);
  const std::vector<BlockAccess> traffic = take();
  EXPECT_EQ(std::count(traffic.begin(), traffic.end(), W(kWriteData24, 0x55)), 2);
  EXPECT_EQ(std::count(traffic.begin(), traffic.end(), W(kAddress24, 0x30)), 2);
}

TEST_F(WindowedAccessor, ErrorInTheStatusMeansNoAccessAndAllOnes) {
  tStatus built;
  WindowedFrontEndAccessor<kIsoFpgaPort> window(*map, &checker, built);
  tStatus status;
  vorlanSetCode(status, -52010);
  EXPECT_EQ(window.read32(0x0, status), 0xFFFFFFFFu);
  window.write32(0x0, 1, status);
  EXPECT_EQ(status.getCode(), -52010);
  EXPECT_TRUE(take().empty());
}

TEST_F(WindowedAccessor, WithoutItsLockRefusesEveryAccess) {
  kalsim::failMutexCreation(1);
  tStatus built;
  WindowedFrontEndAccessor<kIsoFpgaPort> window(*map, &checker, built);
  EXPECT_EQ(built.getCode(), -52000);
  tStatus status;
  EXPECT_EQ(window.read32(0x0, status), 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), -52000);
  tStatus writeStatus;
  window.write32(0x0, 1, writeStatus);
  EXPECT_EQ(writeStatus.getCode(), -52000);
  EXPECT_TRUE(take().empty());
}

TEST_F(WindowedAccessor, WindowsOutsideTheMapsWindowReportNotAccessible) {
  // A map whose window ends before the access windows.
  tStatus mapStatus;
  tTheQuillNisoFpgaRegMap narrow(&accessor, mapStatus, 0, 0, 0x200);
  ASSERT_EQ(mapStatus.getCode(), 0);
  tStatus built;
  WindowedFrontEndAccessor<kIsoFpgaPort> window(narrow, &checker, built);
  tStatus status;
  window.read32(0x0, status);
  EXPECT_EQ(status.getCode(), -52006);
  EXPECT_TRUE(take().empty());
}

TEST(QuillChannelBaseAddressCalculator, PlacesEachChannelBlockAfterTheMarker) {
  const vorlan_driver::tQuillChannelBaseAddressCalculator calculator;
  for (uint32_t channel = 0; channel < 24; ++channel) {
    EXPECT_EQ(calculator.calculate(channel), 0x1000u + 0x80u * channel) << "channel " << channel;
  }
  EXPECT_EQ(calculator.calculate(23), 0x1B80u);
  // The channel is taken as 8 bits.
  EXPECT_EQ(calculator.calculate(0x105), calculator.calculate(5));
}

}  // namespace
}  // namespace frontendtest
