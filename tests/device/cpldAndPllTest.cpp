// The external PLL's programming, the relay CPLDs' image push and their
// enable, each stated by the isolated side's traffic and the simulated
// PLL's and CPLD interface's answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controllers/CpldInterfaceController.h"
#include "device/firmware/AutoFirmware.h"
#include "device/firmware/CpldFirmwareDownloader.h"
#include "device/startup/ExternalPllController.h"
#include "kal/include/kalStandIn.h"
#include "simboard/FirmwareImageFormat.h"
#include "tests/regmaps/IsolatedPath.h"

namespace {

using isomaptest::IsolatedPath;
using nKIVAPALS100::tStatus;
using simboard::CpldJtagPort;
using simboard::ExternalPll;
using vorlan_driver::CpldFirmwareDownloader;
using vorlan_driver::CpldInterfaceController;
using vorlan_driver::ExternalPllController;
using vorlan_driver::FirmwareDownloadTarget;
using Access = simboard::IsolatedRegisterSpace::Access;

constexpr int64_t code(uint32_t word) { return static_cast<int32_t>(word); }
constexpr uint32_t kIso = 24;
Access W(uint32_t address, uint32_t value) { return Access{kIso, address, true, value}; }
Access R(uint32_t address, uint32_t value) { return Access{kIso, address, false, value}; }

// An image held by the test.
class TestImage : public kdut::FirmwareInterface<FirmwareDownloadTarget> {
 public:
  explicit TestImage(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  static TestImage ofWords(const std::vector<uint32_t>& words) {
    std::vector<uint8_t> bytes;
    for (uint32_t w : words) {
      for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<uint8_t>(w >> (8 * b)));
    }
    return TestImage(bytes);
  }
  const uint8_t* data() const override { return bytes_.data(); }
  uint64_t size() const override { return bytes_.size(); }
  FirmwareDownloadTarget getTarget() const override { return vorlan_driver::kSatelliteCpld; }

 private:
  std::vector<uint8_t> bytes_;
};

class Bench : public IsolatedPath {
 protected:
  Bench() { take(); }
  ExternalPll& pll() { return side().externalPll(); }
  CpldJtagPort& jtag() { return side().cpldJtag(); }
};

// ---- external PLL

using PllTest = Bench;

TEST_F(PllTest, FourWordsEachFollowedByOneIdleReadThenTheSettleAndTheLockRead) {
  ExternalPllController pll(&iso->ExtPllShiftReg, &iso->IsoFpgaStatusReg);
  tStatus status;
  const uint64_t before = kalsim::virtualNanoseconds();
  uint64_t lastWrite = 0;
  side().observeWrites([&](uint32_t address, uint32_t) {
    if (address == ExternalPll::kShiftAddress) lastWrite = kalsim::virtualNanoseconds();
  });
  pll.configure(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<Access>{W(0x22, 0x1F8093), R(0x20, 0), W(0x22, 0x100028), R(0x20, 0),
                                         W(0x22, 0x001E01), R(0x20, 0), W(0x22, 0x1F8092), R(0x20, 0x200)}));
  EXPECT_GE(kalsim::virtualNanoseconds() - lastWrite, 10000000u);
  EXPECT_GT(lastWrite, before);
  EXPECT_TRUE(this->pll().isLocked());
}

TEST_F(PllTest, AWordTheShadowAlreadyHoldsIsStillSentAndABusyInterfaceIsWaitedFor) {
  iso->ExtPllShiftReg.setRegister(0x1F8093);
  pll().setBusyReadsPerWord(2);
  ExternalPllController pll(&iso->ExtPllShiftReg, &iso->IsoFpgaStatusReg);
  tStatus status;
  pll.configure(status);
  EXPECT_EQ(status.getCode(), 0);
  const std::vector<Access> seen = take();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), W(0x22, 0x1F8093));
  // Three reads per idle wait: two busy, one idle.
  EXPECT_EQ(seen.size(), 4u + 3u * 3u + 1u);
  EXPECT_TRUE(this->pll().isLocked());
}

TEST_F(PllTest, FailuresStopWhereTheyHappen) {
  struct Case {
    const char* name;
    bool busyStuck, neverLocks, errorOnEntry;
    uint32_t wordsSent;
    int64_t code;
  };
  for (const Case& c : {Case{"busy stuck", true, false, false, 1, code(0xBFFA467Au)},
                        Case{"no lock", false, true, false, 4, code(0xBFFA467Au)},
                        Case{"error on entry", false, false, true, 0, -52005}}) {
    SCOPED_TRACE(c.name);
    pll().reset();
    pll().setBusyStuck(c.busyStuck);
    pll().setNeverLocks(c.neverLocks);
    const uint32_t wordsBefore = pll().wordsReceived();
    ExternalPllController controller(&iso->ExtPllShiftReg, &iso->IsoFpgaStatusReg);
    tStatus status;
    if (c.errorOnEntry) vorlanSetCode(status, -52005);
    const uint64_t before = kalsim::virtualNanoseconds();
    controller.configure(status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(pll().wordsReceived() - wordsBefore, c.wordsSent);
    if (c.busyStuck) {
      // About the 1 ms bound, no settle wait.
      const uint64_t spent = kalsim::virtualNanoseconds() - before;
      EXPECT_GE(spent, 1000000u);
      EXPECT_LT(spent, 2000000u);
    }
    if (c.errorOnEntry) {
      EXPECT_TRUE(take().empty());
    }
    take();
  }
}

TEST_F(PllTest, AWordOutOfOrderRestartsTheSequence) {
  ExternalPll& model = pll();
  for (uint32_t w : {0x1F8093u, 0x100028u, 0x1F8093u, 0x100028u, 0x001E01u}) model.wordWritten(w);
  EXPECT_FALSE(model.isLocked());
  model.wordWritten(0x1F8092u);
  EXPECT_TRUE(model.isLocked());
  model.wordWritten(0x100028u);
  EXPECT_FALSE(model.isLocked());
}

// ---- CPLD image push

class CpldDownloadTest : public Bench {
 protected:
  std::vector<uint32_t> jtagTraffic() {
    std::vector<uint32_t> out;
    for (const Access& a : take()) out.push_back(a.address | (a.write ? 0x100u : 0u));
    return out;
  }
};

// The stand-in CPLD image's first words: what the simulated interface
// takes without refusing.
constexpr uint32_t kMagic = simboard::firmwareImage::kMagic[CpldJtagPort::kTarget];
constexpr uint32_t kBytes = static_cast<uint32_t>(CpldJtagPort::kImageBytes);

TEST_F(CpldDownloadTest, TheFifoRoomDecidesTheBatches) {
  jtag().scriptFreeWords({2, 5});
  CpldFirmwareDownloader downloader(*iso);
  tStatus status;
  const uint64_t before = kalsim::virtualNanoseconds();
  downloader.download(TestImage::ofWords({kMagic, CpldJtagPort::kTarget, kBytes}), status);
  EXPECT_EQ(status.getCode(), 0);
  // Two status reads in all, no sleep between them.
  EXPECT_EQ(take(), (std::vector<Access>{R(0x24, 2), W(0x23, kMagic), W(0x23, CpldJtagPort::kTarget), R(0x24, 5),
                                         W(0x23, kBytes)}));
  EXPECT_LT(kalsim::virtualNanoseconds() - before, 1000u * 1000u);
}

TEST_F(CpldDownloadTest, SizesThatAreNoWholeWordsOrNoneTouchNothing) {
  CpldFirmwareDownloader downloader(*iso);
  tStatus odd;
  downloader.download(TestImage(std::vector<uint8_t>(6, 0)), odd);
  EXPECT_EQ(odd.getCode(), code(0xBFFA430Du));
  tStatus empty;
  downloader.download(TestImage(std::vector<uint8_t>()), empty);
  EXPECT_EQ(empty.getCode(), 0);
  EXPECT_TRUE(take().empty());
}

// A warning is no reason to stop: the whole image goes in, equal words
// twice, and the warning stays.
TEST_F(CpldDownloadTest, AWarningOnEntryNeitherStopsNorShortensThePush) {
  CpldFirmwareDownloader downloader(*iso);
  tStatus status;
  vorlanSetCode(status, 7);
  downloader.download(TestImage::ofWords({kMagic, CpldJtagPort::kTarget, kBytes, 0, 0}), status);
  EXPECT_EQ(status.getCode(), 7);
  EXPECT_EQ(take(), (std::vector<Access>{R(0x24, 2047), W(0x23, kMagic), W(0x23, CpldJtagPort::kTarget),
                                         W(0x23, kBytes), W(0x23, 0), W(0x23, 0)}));
}

TEST_F(CpldDownloadTest, ARefusedPushIsRetriedOnceFromItsFirstWordAfterAnInterfaceReset) {
  const Access reset = W(0x07, 0x80000000u);
  const Access refused = R(0x24, 0x20001u);
  struct Case {
    uint32_t refusals;
    int64_t code;
    std::vector<Access> traffic;
  };
  const std::vector<Case> cases = {
      {1, 0, {R(0x24, 1), W(0x23, kMagic), refused, reset, R(0x24, 1), W(0x23, kMagic), R(0x24, 1),
              W(0x23, CpldJtagPort::kTarget), R(0x24, 1), W(0x23, kBytes)}},
      {2, code(0xBFFA4686u), {R(0x24, 1), W(0x23, kMagic), refused, reset, R(0x24, 1), W(0x23, kMagic), refused}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refusals);
    jtag().reset();
    jtag().refusePushes(c.refusals);
    // One word per batch, so the refusal shows before the push ends.
    jtag().scriptFreeWords({1, 1, 1, 1, 1, 1});
    CpldFirmwareDownloader downloader(*iso);
    tStatus status;
    downloader.download(TestImage::ofWords({kMagic, CpldJtagPort::kTarget, kBytes}), status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(take(), c.traffic);
  }
}

TEST_F(CpldDownloadTest, AFifoThatNeverShowsRoomEndsInTheResetAndTheRetry) {
  jtag().setStuckFull(true);
  CpldFirmwareDownloader downloader(*iso);
  tStatus status;
  const uint64_t before = kalsim::virtualNanoseconds();
  downloader.download(TestImage::ofWords({1, 2, 3}), status);
  EXPECT_EQ(status.getCode(), code(0xBFFA4686u));
  EXPECT_EQ(jtag().interfaceResets(), 1u);
  EXPECT_EQ(jtag().wordsReceived(), 0u);
  const uint64_t spent = kalsim::virtualNanoseconds() - before;
  EXPECT_GE(spent, 2u * CpldFirmwareDownloader::kNoRoomTimeoutMicroseconds * 1000u);
  EXPECT_LT(spent, 3u * CpldFirmwareDownloader::kNoRoomTimeoutMicroseconds * 1000u);
}

TEST_F(CpldDownloadTest, TheBuiltInImageGoesInWholeInBatchesOfTheFifoRoom) {
  jtag().setLogPolicy(simboard::LogPolicy::kCount);
  tStatus status;
  vorlan_driver::AutoFirmware image(nullptr, 0, 0, vorlan_driver::kSatelliteCpld, status);
  ASSERT_EQ(status.getCode(), 0);
  const uint64_t readsBefore = side().reads();
  CpldFirmwareDownloader downloader(*iso);
  downloader.download(*image.get(), status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(jtag().wordsReceived(), 337969u);
  EXPECT_TRUE(jtag().imageAccepted());
  // One status read per batch of 2047 words.
  const uint64_t batches = (337969u + 2046u) / 2047u;
  EXPECT_EQ(side().reads() - readsBefore, batches);
  // The words' window traffic is counted, never logged: what the log keeps
  // of the push is the batches' status reads.
  EXPECT_GE(block.writes(), 2u * 337969u);
  EXPECT_LE(board.accessLog().size(), 8u * batches);
}

// ---- CPLD enable

class CpldEnableTest : public Bench {
 protected:
  std::vector<vorlan_regmaps::tTheQuillCpldRegMap*> maps() {
    std::vector<vorlan_regmaps::tTheQuillCpldRegMap*> out;
    for (auto& m : cplds) out.push_back(m.get());
    return out;
  }
  void loadGoodImage() {
    std::vector<uint8_t> bytes(CpldJtagPort::kImageBytes);
    simboard::firmwareImage::fill(bytes.data(), CpldJtagPort::kTarget, static_cast<uint32_t>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); i += 4) {
      jtag().dataWritten(static_cast<uint32_t>(bytes[i]) | bytes[i + 1] << 8 | bytes[i + 2] << 16 |
                         static_cast<uint32_t>(bytes[i + 3]) << 24);
    }
    ASSERT_TRUE(jtag().imageAccepted());
  }
};

TEST_F(CpldEnableTest, EightAccessWordsBetweenTheEnableStrobes) {
  loadGoodImage();
  const auto list = maps();
  CpldInterfaceController controller(*iso, list.data(), list.size());
  tStatus status;
  controller.enableCplds(status);
  EXPECT_EQ(status.getCode(), 0);
  std::vector<Access> writes;
  for (const Access& a : take()) {
    if (a.write) writes.push_back(a);
  }
  EXPECT_EQ(writes, (std::vector<Access>{W(0x07, 0x100), W(0x08, 0x04000001), W(0x08, 0x14000001),
                                         W(0x08, 0x24000001), W(0x08, 0x34000001), W(0x08, 0x05800000),
                                         W(0x08, 0x15800000), W(0x08, 0x25800000), W(0x08, 0x35800000),
                                         W(0x07, 0x200)}));
  EXPECT_TRUE(jtag().cpldsEnabled());
}

TEST_F(CpldEnableTest, AnInterfaceThatNeverComesUpLeavesEveryCpldAlone) {
  struct Case {
    const char* name;
    bool loadImage, neverReady;
  };
  for (const Case& c : {Case{"no image", false, false}, Case{"never ready", true, true}}) {
    SCOPED_TRACE(c.name);
    jtag().reset();
    if (c.loadImage) loadGoodImage();
    jtag().setInterfaceNeverReady(c.neverReady);
    const auto list = maps();
    CpldInterfaceController controller(*iso, list.data(), list.size());
    tStatus status;
    const uint64_t before = kalsim::virtualNanoseconds();
    controller.enableCplds(status);
    EXPECT_EQ(status.getCode(), code(0xBFFA4684u));
    EXPECT_GE(kalsim::virtualNanoseconds() - before, 1000000000u);
    std::vector<Access> writes;
    for (const Access& a : take()) {
      if (a.write) writes.push_back(a);
    }
    EXPECT_EQ(writes, (std::vector<Access>{W(0x07, 0x100)}));
    EXPECT_FALSE(jtag().cpldsEnabled());
  }
}

}  // namespace
