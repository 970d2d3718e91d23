// Start-up's isolated-side levels on the whole simulated board: a caller's
// isolated or CPLD image that its target cannot take is refused before its
// download touches the board, and a healthy climb programs the PLL and
// enables the CPLDs exactly so. Each waits until start-up reaches its level.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "device/firmware/AutoFirmware.h"
#include "device/firmware/builtInFirmwareImages.h"
#include "simboard/FirmwareImageFormat.h"
#include "tests/framework/QuillDeviceFixture.h"

namespace quilltest {
namespace {

using vorlan_driver::statusCodes::fromWord;

class IsolatedStartupTest : public QuillDeviceTest {
 protected:
  int64_t setupCode() const { return device->getSetupTracker().getSetupStatus().getCode(); }
  simboard::IsolatedRegisterSpace& side() { return board.nisoFpga().isolatedSide(); }

  // A reset of the started device to the top with `record`, the board's
  // log cleared first.
  void restartWith(const vorlan_driver_codegen::CustomResetParameters& record) {
    KernelSession* session = open();
    board.log().clear();
    loadsBefore = board.bridgeCore().loader().starts();
    reset(session, vorlan_shared::SetupLevel::kFull, &record);
    close(session);
  }
  uint32_t loadsBefore = 0;
};

TEST_F(IsolatedStartupTest, ACallersIsolatedImageOneByteShortIsRefusedBeforeItsLoadStarts) {
  if (kTopLevel < 6) GTEST_SKIP() << "start-up stops before level 6";
  std::vector<uint8_t> image(inlay_TheQuillIsoFpga_bin_original_size - 1);
  vorlan_driver_codegen::CustomResetParameters record{};
  record.isoFpgaImage = reinterpret_cast<uintptr_t>(image.data());
  record.isoFpgaImageSize = image.size();
  startDevice();
  restartWith(record);
  EXPECT_EQ(level(), 5u);
  EXPECT_EQ(setupCode(), fromWord(0xBFFA806Bu));
  // The non-isolated image loaded again; the isolated one never started.
  EXPECT_EQ(board.bridgeCore().loader().starts() - loadsBefore, 1u);
}

TEST_F(IsolatedStartupTest, ACallersCpldImageIsPushedAndOneOfNoWholeWordsOrTooLargeIsRefusedUntouched) {
  if (kTopLevel < 9) GTEST_SKIP() << "start-up stops before level 9";
  struct Case {
    uint64_t bytes;
    uint32_t level;
    int64_t code;
    uint64_t words;
  };
  const uint64_t builtIn = inlay_TheQuillSatelliteCpld_bin_original_size;
  startDevice();
  for (const Case& c : {Case{builtIn, kTopLevel, kFullStartCode, builtIn / 4},
                        Case{builtIn - 1, 8, fromWord(0xBFFA430Du), 0},
                        Case{vorlan_driver::AutoFirmware::kLargestCpldImage + 4, 8, fromWord(0xBFFA806Bu), 0}}) {
    SCOPED_TRACE(c.bytes);
    std::vector<uint8_t> image(c.bytes + 1);
    simboard::firmwareImage::fill(image.data(), simboard::CpldJtagPort::kTarget, static_cast<uint32_t>(builtIn));
    vorlan_driver_codegen::CustomResetParameters record{};
    record.cpldImage = reinterpret_cast<uintptr_t>(image.data());
    record.cpldImageSize = c.bytes;
    const uint64_t wordsBefore = side().cpldJtag().wordsReceived();
    restartWith(record);
    EXPECT_EQ(level(), c.level);
    EXPECT_EQ(setupCode(), c.code);
    EXPECT_EQ(side().cpldJtag().wordsReceived() - wordsBefore, c.words);
  }
}

TEST_F(IsolatedStartupTest, AHealthyClimbProgramsThePllThenEnablesTheCplds) {
  if (kTopLevel < 10) GTEST_SKIP() << "start-up stops before level 10";
  startDevice();
  std::vector<uint32_t> pll;
  std::vector<uint32_t> enable;
  for (const simboard::Access& a : board.log().in(simboard::Space::kIsolated)) {
    if (a.via != 24 || a.direction != simboard::Direction::kWrite) continue;
    if (a.offset == 0x022) pll.push_back(static_cast<uint32_t>(a.value));
    if (a.offset == 0x007 || a.offset == 0x008) enable.push_back(static_cast<uint32_t>(a.value));
  }
  EXPECT_EQ(pll, (std::vector<uint32_t>{0x1F8093, 0x100028, 0x001E01, 0x1F8092}));
  // The enable is the first traffic of either register.
  ASSERT_GE(enable.size(), 10u);
  enable.resize(10);
  EXPECT_EQ(enable, (std::vector<uint32_t>{0x100, 0x04000001, 0x14000001, 0x24000001, 0x34000001, 0x05800000,
                                           0x15800000, 0x25800000, 0x35800000, 0x200}));
  EXPECT_TRUE(side().externalPll().isLocked());
  EXPECT_TRUE(side().cpldJtag().cpldsEnabled());
  EXPECT_EQ(side().cpldJtag().wordsReceived(), inlay_TheQuillSatelliteCpld_bin_original_size / 4);
}

}  // namespace
}  // namespace quilltest
