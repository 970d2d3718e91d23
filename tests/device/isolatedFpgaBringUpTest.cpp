// The isolated side's bring-up over the non-isolated FPGA: the soft start,
// the link's download mode, the isolated FPGA's download, the run mode, and
// the DC bus, each stated by the link registers' traffic and the codes the
// board's failures give.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controllers/IsoCommController.h"
#include "controllers/PowerController.h"
#include "device/startup/IsolatedFpgaBringUp.h"
#include "kal/include/kalStandIn.h"
#include "simboard/IsolationSupply.h"
#include "tests/controllers/controllerBoard.h"

namespace controllertest {
namespace {

using simboard::IsolationSupply;
using vorlan_driver::IsoCommController;
using vorlan_driver::IsolatedFpgaBringUp;
using vorlan_driver::PowerController;

constexpr int64_t kLinkTimeout = code(0xBFFA4678u);
constexpr int64_t kDcBusTimeout = code(0xBFFA4683u);
constexpr int64_t kLoadTimeout = code(0xBFFA807Fu);
constexpr int64_t kWrongSize = code(0xBFFA806Bu);

class BringUpTest : public ControllerBoard {
 protected:
  BringUpTest() { block.isolatedSide().setPowered(false); }

  PowerController power{*map, *monitor, 5};
  IsoCommController isoComm{*map};
  IsolatedFpgaBringUp bringUp{power, isoComm};

  // What the download step does on the board: the isolated FPGA takes its
  // image (or not), and the step ends with `code`.
  void bringUpWith(bool imageTaken, int64_t downloadCode, tStatus& status) {
    downloads = 0;
    bringUp.bringUpIsolatedFpga(
        [&](tStatus& s) {
          ++downloads;
          if (imageTaken) block.supply().isolatedImageLoaded();
          if (downloadCode != 0) vorlanSetCode(s, downloadCode);
        },
        status);
  }
  int downloads = 0;
};

TEST_F(BringUpTest, TheLinkGoesThroughItsDownloadModeIntoItsRunMode) {
  tStatus status;
  bringUpWith(true, 0, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(downloads, 1);
  EXPECT_EQ(nisoWrites(IsolationSupply::kLinkConfigOffset), (std::vector<uint32_t>{1, 2}));
  // A link that is in its mode at the first read is read once.
  EXPECT_EQ(nisoReads(IsolationSupply::kLinkStatusOffset), 2u);
  EXPECT_TRUE(block.isolatedSide().isPowered());
  EXPECT_EQ(block.supply().linkStatus() & IsolationSupply::kLinkModeMask, IsolationSupply::kRunMode);
}

struct BringUpCase {
  const char* name;
  bool transformerDead, imageTaken;
  int64_t downloadCode;
  int64_t code;
  int downloads;
  std::vector<uint32_t> modes;
};

class BringUpFailure : public BringUpTest, public ::testing::WithParamInterface<BringUpCase> {};

TEST_P(BringUpFailure, StopsTheBringUpWhereItHappens) {
  const BringUpCase& c = GetParam();
  block.supply().setTransformerDead(c.transformerDead);
  tStatus status;
  const uint64_t before = kalsim::virtualNanoseconds();
  bringUpWith(c.imageTaken, c.downloadCode, status);
  EXPECT_EQ(status.getCode(), c.code);
  EXPECT_EQ(downloads, c.downloads);
  EXPECT_EQ(nisoWrites(IsolationSupply::kLinkConfigOffset), c.modes);
  if (c.code == kLinkTimeout) {
    // The soft start's settle, then 1 s of polling.
    EXPECT_GE(kalsim::virtualNanoseconds() - before, 1500000000u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Board, BringUpFailure,
    ::testing::Values(
        // The load's time-out is forgiven: the run mode proves the load.
        BringUpCase{"LoadTimeOutWithAGoodImage", false, true, kLoadTimeout, 0, 1, {1, 2}},
        BringUpCase{"LoadTimeOutWithoutTheImage", false, false, kLoadTimeout, kLinkTimeout, 1, {1, 2}},
        BringUpCase{"CallersImageOfTheWrongSize", false, false, kWrongSize, kWrongSize, 1, {1}},
        BringUpCase{"UnpoweredSideNeverEntersTheDownloadMode", true, true, 0, kLinkTimeout, 0, {1}},
        BringUpCase{"AWrongImageNeverRuns", false, false, 0, kLinkTimeout, 1, {1, 2}}),
    [](const ::testing::TestParamInfo<BringUpCase>& info) { return std::string(info.param.name); });

TEST_F(BringUpTest, TheForgivenTimeOutLeavesNoTraceInAnExtendedStatus) {
  nKIVAPALS100::tStatusExtended status;
  bringUpWith(true, kLoadTimeout, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(status.getLine(), 0u);
  EXPECT_STREQ(status.getFile(), "");
}

TEST_F(BringUpTest, AnErrorOnEntryTouchesNothing) {
  tStatus status;
  vorlanSetCode(status, -52005);
  bringUpWith(true, 0, status);
  bringUp.startDcBus(status);
  EXPECT_EQ(status.getCode(), -52005);
  EXPECT_EQ(downloads, 0);
  EXPECT_TRUE(board.accessLog().empty());
}

TEST_F(BringUpTest, TheDcBusStartsOnItsStrobeOnceTheLinkRuns) {
  tStatus status;
  bringUpWith(true, 0, status);
  board.clearAccessLog();
  bringUp.startDcBus(status);
  EXPECT_EQ(status.getCode(), 0);
  // The strobe alone: the mode bits of the word are 0 and change nothing.
  EXPECT_EQ(nisoWrites(IsolationSupply::kLinkConfigOffset), (std::vector<uint32_t>{0x100}));
  EXPECT_EQ(nisoReads(IsolationSupply::kLinkStatusOffset), 1u);
  EXPECT_EQ(block.supply().linkStatus(), IsolationSupply::kDcBusUp | IsolationSupply::kRunMode);
}

TEST_F(BringUpTest, ADcBusThatNeverComesUpTimesOutAfterOneSecond) {
  block.supply().setDcBusNeverUp(true);
  tStatus status;
  bringUpWith(true, 0, status);
  const uint64_t before = kalsim::virtualNanoseconds();
  bringUp.startDcBus(status);
  EXPECT_EQ(status.getCode(), kDcBusTimeout);
  const uint64_t spent = kalsim::virtualNanoseconds() - before;
  EXPECT_GE(spent, 1000000000u);
  // At most a few of the longest intervals past the second.
  EXPECT_LT(spent, 1500000000u);
}

}  // namespace
}  // namespace controllertest
