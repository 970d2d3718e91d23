// Firmware images and their downloads on the simulated board: the built-in
// images are the stand-ins the board's loaders accept, a caller's image is
// checked against its target before anything is allocated or written, and
// the bridge's loader and the IO-port-2 download run the steps in order,
// stopping at the first fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "device/KeltRegMaps.h"
#include "device/firmware/AutoFirmware.h"
#include "device/firmware/AutoFirmwareDownloader.h"
#include "framework/armki/ARMDispatcher.h"
#include "framework/kdut/CustomFirmware.h"
#include "framework/kdut/LZ4CompressedFirmware.h"
#include "regmaps/bridge/TarnFirmwareDownloader.h"
#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "simboard/FirmwareImageFormat.h"
#include "simboard/QuillBoard.h"
#include "tests/simboard/BoardTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using simboard::Access;
using simboard::Direction;
using simboard::QuillBoard;
using simboard::Space;
using vorlan_driver::AutoFirmware;
using vorlan_driver::AutoFirmwareDownloader;
using vorlan_driver::FirmwareDownloadTarget;
using vorlan_driver::KeltRegMaps;

constexpr int64_t code(uint32_t word) { return static_cast<int32_t>(word); }
const int64_t kWrongTarget = code(0xBFFA806Au);
const int64_t kWrongSize = code(0xBFFA806Bu);
const int64_t kLoadTimeout = code(0xBFFA807Fu);
const int64_t kPortTimeout = code(0xBFFA807Au);
const int64_t kUnknownTarget = code(0xBFFA4302u);
const int64_t kCpldNotWords = code(0xBFFA430Du);

const FirmwareDownloadTarget kNiso = vorlan_driver::kNonIsolatedFpga;
const FirmwareDownloadTarget kIso = vorlan_driver::kIsolatedFpga;
const FirmwareDownloadTarget kCpld = vorlan_driver::kSatelliteCpld;

uint64_t unpackedSize(FirmwareDownloadTarget target) {
  switch (target) {
    case vorlan_driver::kNonIsolatedFpga:
      return inlay_QuillNisoFpgaTop_bin_original_size;
    case vorlan_driver::kIsolatedFpga:
      return inlay_TheQuillIsoFpga_bin_original_size;
    default:
      return inlay_TheQuillSatelliteCpld_bin_original_size;
  }
}

std::vector<uint8_t> standIn(FirmwareDownloadTarget target, uint64_t bytes) {
  std::vector<uint8_t> image(bytes);
  simboard::firmwareImage::fill(image.data(), target, static_cast<uint32_t>(bytes));
  return image;
}

uint64_t pointerOf(const std::vector<uint8_t>& bytes) { return reinterpret_cast<uint64_t>(bytes.data()); }

// ---------------------------------------------------------------- images

TEST(FirmwareImages, BuiltInImagesUnpackToTheStandInsAtExactlyTheirSizes) {
  kalsim::reset();
  for (FirmwareDownloadTarget target : {kNiso, kIso, kCpld}) {
    SCOPED_TRACE(target);
    const std::vector<uint8_t> expected = standIn(target, unpackedSize(target));
    tStatus status;
    const uint64_t live = kalsim::liveAllocations();
    uint32_t seenTarget = 0xFF;
    bool same = false;
    {
      AutoFirmware image(nullptr, 0, 0, target, status);
      if (image.get() != nullptr) {
        seenTarget = image.get()->getTarget();
        same = image.get()->size() == expected.size() &&
               std::equal(expected.begin(), expected.end(), image.get()->data());
      }
    }
    const uint64_t after = kalsim::liveAllocations();
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(seenTarget, target);
    EXPECT_TRUE(same);
    EXPECT_EQ(after, live) << "the holder frees the image";
  }
}

TEST(FirmwareImages, AZeroPointerOrSizeSelectsTheBuiltInImage) {
  kalsim::reset();
  const std::vector<uint8_t> mine(16, 0xAB);
  for (uint64_t pointer : {uint64_t{0}, pointerOf(mine)}) {
    tStatus status;
    AutoFirmware image(nullptr, pointer, pointer == 0 ? mine.size() : 0, kCpld, status);
    ASSERT_NE(image.get(), nullptr);
    EXPECT_EQ(image.get()->size(), inlay_TheQuillSatelliteCpld_bin_original_size);
  }
  EXPECT_EQ(kalsim::userCopies(), 0u);
}

TEST(FirmwareImages, ACallersImageOfAnAcceptableSizeIsCopied) {
  kalsim::reset();
  for (const auto& [target, bytes] : {std::pair{kNiso, unpackedSize(kNiso)}, std::pair{kIso, unpackedSize(kIso)},
                                      std::pair{kCpld, uint64_t{64}}, std::pair{kCpld, AutoFirmware::kLargestCpldImage}}) {
    SCOPED_TRACE(target);
    std::vector<uint8_t> mine(bytes);
    for (uint64_t i = 0; i < bytes; ++i) mine[i] = static_cast<uint8_t>(i * 7 + 3);
    tStatus status;
    AutoFirmware image(nullptr, pointerOf(mine), bytes, target, status);
    ASSERT_EQ(status.getCode(), 0);
    ASSERT_EQ(image.get()->size(), bytes);
    EXPECT_TRUE(std::equal(mine.begin(), mine.end(), image.get()->data()));
  }
}

// A size its target can never take allocates nothing and copies nothing.
TEST(FirmwareImages, ACallersImageOfARefusedSizeIsRefusedBeforeAnyAllocation) {
  struct Case {
    const char* what;
    uint32_t target;
    uint64_t bytes;
    int64_t code;
  };
  const Case cases[] = {
      {"non-isolated image one byte short", kNiso, inlay_QuillNisoFpgaTop_bin_original_size - 1, kWrongSize},
      {"non-isolated image one byte long", kNiso, inlay_QuillNisoFpgaTop_bin_original_size + 1, kWrongSize},
      {"isolated image one byte short", kIso, inlay_TheQuillIsoFpga_bin_original_size - 1, kWrongSize},
      {"isolated image one byte long", kIso, inlay_TheQuillIsoFpga_bin_original_size + 1, kWrongSize},
      {"isolated image of a huge size", kIso, 1ull << 40, kWrongSize},
      {"CPLD image not whole words", kCpld, 4001, kCpldNotWords},
      {"CPLD image a word past the largest", kCpld, AutoFirmware::kLargestCpldImage + 4, kWrongSize},
      {"CPLD image of 2 GiB and a word", kCpld, (uint64_t{2} << 30) + 4, kWrongSize},
      {"unknown target", 3, 64, kUnknownTarget},
  };
  const std::vector<uint8_t> mine(16);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kalsim::reset();
    // As a kernel's allocator would, so a size that got through fails
    // instead of taking the machine's memory.
    kalsim::refuseAllocationsAboveOnThisThread(1u << 20);
    tStatus status;
    AutoFirmware image(nullptr, pointerOf(mine), c.bytes, static_cast<FirmwareDownloadTarget>(c.target), status);
    kalsim::refuseAllocationsAboveOnThisThread(0);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(image.get(), nullptr);
    EXPECT_EQ(kalsim::allocationCallsOnThisThread(), 0u);
    EXPECT_EQ(kalsim::userCopies(), 0u);
  }
}

TEST(FirmwareImages, FailuresLeaveTheirCodeAndFreeEverything) {
  struct Case {
    const char* what;
    std::function<void(const std::vector<uint8_t>&)> arrange;
    uint64_t pointerUsed;  // 0: built-in
    bool imageReturned;
  };
  const std::vector<uint8_t> mine(64, 0x5A);
  const Case cases[] = {
      {"image object not allocated", [](const std::vector<uint8_t>&) { kalsim::failAllocationOnThisThread(1); }, 0,
       false},
      {"built-in buffer not allocated", [](const std::vector<uint8_t>&) { kalsim::failAllocationOnThisThread(2); },
       0, true},
      {"caller's buffer not allocated", [](const std::vector<uint8_t>&) { kalsim::failAllocationOnThisThread(2); },
       1, true},
      {"caller's memory refused",
       [](const std::vector<uint8_t>& m) { kalsim::markUserRangeBad(m.data(), m.size()); }, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kalsim::reset();
    c.arrange(mine);
    tStatus status;
    const uint64_t live = kalsim::liveAllocations();
    bool returned = false;
    uint64_t size = 1;
    {
      AutoFirmware image(nullptr, c.pointerUsed == 0 ? 0 : pointerOf(mine), mine.size(), kCpld, status);
      returned = image.get() != nullptr;
      if (returned) size = image.get()->size();
    }
    const uint64_t after = kalsim::liveAllocations();
    EXPECT_TRUE(status.isFatal());
    EXPECT_EQ(returned, c.imageReturned);
    if (returned) {
      EXPECT_EQ(size, 0u) << "nothing to download";
    }
    EXPECT_EQ(after, live);
  }
}

TEST(FirmwareImages, ABlockThatDoesNotUnpackToTheFullSizeLeavesNoImage) {
  kalsim::reset();
  for (uint64_t packed : {inlay_TheQuillSatelliteCpld_bin_size - 1, uint64_t{16}}) {
    tStatus status;
    kdut::LZ4CompressedFirmware<FirmwareDownloadTarget> image(kCpld, inlay_TheQuillSatelliteCpld_bin, packed,
                                                              inlay_TheQuillSatelliteCpld_bin_original_size, status);
    EXPECT_EQ(status.getCode(), kWrongSize);
    EXPECT_EQ(image.size(), 0u);
  }
  tStatus status;
  kdut::LZ4CompressedFirmware<FirmwareDownloadTarget> larger(
      kCpld, inlay_TheQuillSatelliteCpld_bin, inlay_TheQuillSatelliteCpld_bin_size,
      inlay_TheQuillSatelliteCpld_bin_original_size + 4, status);
  EXPECT_EQ(status.getCode(), kWrongSize) << "a block shorter than the size it is said to unpack to";
}

TEST(FirmwareImages, AnErrorOnEntryDoesNothing) {
  kalsim::reset();
  tStatus status;
  vorlanSetCode(status, -1);
  AutoFirmware image(nullptr, 0, 0, kIso, status);
  EXPECT_EQ(image.get(), nullptr);
  EXPECT_EQ(status.getCode(), -1);
  EXPECT_EQ(kalsim::allocationCallsOnThisThread(), 0u);
}

// ---------------------------------------------------------------- downloads

class FirmwareDownload : public ::testing::Test {
 protected:
  FirmwareDownload() {
    kalsim::reset();
    kalsim::useVirtualClock();
    board = std::make_unique<QuillBoard>();
    maps = std::make_unique<KeltRegMaps>(board->bar0Address(), simboard::SimBoard::kBar0Size, dispatcher, status);
    board->clearAccessLog();
    board->log().clear();
  }

  // Downloads the built-in image of `target`, or `mine` when given.
  int64_t download(FirmwareDownloadTarget target, const std::vector<uint8_t>* mine = nullptr) {
    tStatus result;
    AutoFirmware image(nullptr, mine == nullptr ? 0 : pointerOf(*mine), mine == nullptr ? 0 : mine->size(), target,
                       result);
    if (image.get() != nullptr) {
      AutoFirmwareDownloader downloader(maps.get(), nullptr);
      downloader.download(*image.get(), result);
    }
    return result.getCode();
  }

  // The bridge core's own traffic: port select, size, start, status reads.
  std::vector<Access> coreTraffic() {
    std::vector<Access> out;
    for (const Access& a : board->log().entries()) {
      if (a.space == Space::kBar0 && a.offset >= 0x440 && a.offset < 0x518) out.push_back(a);
    }
    return out;
  }
  uint64_t dataStores() { return board->bar0Space().blockAt(0x460)->writes(); }
  simboard::FpgaLoader& loader() { return board->bridgeCore().loader(); }

  tStatus status;
  armki::ARMDispatcher dispatcher;
  std::unique_ptr<QuillBoard> board;
  std::unique_ptr<KeltRegMaps> maps;
};

// The loader's steps as the sub-sequence of the core's traffic: port
// select, size, start, one ready read, a status read after every 30th
// store, the done read.
TEST_F(FirmwareDownload, IsolatedImageGoesStraightThroughTheBridgesLoader) {
  ASSERT_EQ(download(kIso), 0);
  const uint64_t stores = inlay_TheQuillIsoFpga_bin_original_size / 8 + inlay_TheQuillIsoFpga_bin_original_size % 8;
  EXPECT_EQ(stores, 836575u);
  EXPECT_EQ(dataStores(), stores);
  EXPECT_TRUE(loader().lastLoadVerified());
  EXPECT_EQ(loader().portSelect(), 3u);

  const std::vector<Access> core = coreTraffic();
  ASSERT_GE(core.size(), 5u);
  EXPECT_EQ(core[0], simboard::W(0x510, 32, 0x300));
  EXPECT_EQ(core[1], simboard::W(0x458, 32, inlay_TheQuillIsoFpga_bin_original_size));
  EXPECT_EQ(core[2], simboard::W(0x440, 32, 0x1));
  EXPECT_EQ(core[3], simboard::R(0x448, 32, 0x4)) << "ready at once";
  const uint64_t inDataPhase = stores / 30;
  ASSERT_EQ(core.size(), 4 + inDataPhase + 1);
  for (uint64_t i = 0; i < inDataPhase; ++i) ASSERT_EQ(core[4 + i].offset, 0x448u);
  EXPECT_EQ(core.back(), simboard::R(0x448, 32, 0x20));
  // The port tunnel is not touched.
  EXPECT_TRUE(board->log().in(Space::kPortTunnel).empty());
}

TEST_F(FirmwareDownload, NonIsolatedImageGoesThroughIoPort2AndRoutesThePortLast) {
  ASSERT_EQ(download(kNiso), 0);
  EXPECT_EQ(dataStores(), inlay_QuillNisoFpgaTop_bin_original_size / 8 + 4);
  EXPECT_TRUE(loader().lastLoadVerified());
  EXPECT_EQ(loader().portSelect(), 2u);

  // Reset before the load, configure after it, the routing word last.
  const std::vector<Access>& all = board->log().entries();
  auto first = [&](std::function<bool(const Access&)> match) {
    return std::find_if(all.begin(), all.end(), match) - all.begin();
  };
  auto last = [&](std::function<bool(const Access&)> match) {
    return all.rend() - std::find_if(all.rbegin(), all.rend(), match) - 1;
  };
  auto tunnelWrite = [](uint64_t reg, uint64_t value) {
    return [=](const Access& a) {
      return a.space == Space::kPortTunnel && a.direction == Direction::kWrite && (a.offset & 0xFF) == reg &&
             a.value == value;
    };
  };
  auto bar0Write = [](uint64_t offset) {
    return [=](const Access& a) {
      return a.space == Space::kBar0 && a.direction == Direction::kWrite && a.offset == offset;
    };
  };
  const auto reset = first(tunnelWrite(0x0, 0x1));
  const auto start = first(bar0Write(0x440));
  const auto mode = first(tunnelWrite(0xC, 0x2));
  const auto pll = first(tunnelWrite(0x8, 0x03010070));
  const auto routing = first(bar0Write(0x680));
  const auto lastTunnel = last([](const Access& a) { return a.space == Space::kPortTunnel; });
  EXPECT_LT(reset, start);
  EXPECT_LT(start, mode);
  EXPECT_LT(mode, pll);
  EXPECT_LT(lastTunnel, routing);
  ASSERT_LT(static_cast<size_t>(routing), all.size());
  EXPECT_EQ(all[routing].value, 0x00100200u);
  EXPECT_EQ(std::count_if(all.begin(), all.end(), bar0Write(0x680)), 1);
}

TEST_F(FirmwareDownload, ACallersImageReplacesTheBuiltInOne) {
  const std::vector<uint8_t> mine = standIn(kIso, inlay_TheQuillIsoFpga_bin_original_size);
  ASSERT_EQ(download(kIso, &mine), 0);
  EXPECT_TRUE(loader().lastLoadVerified());
  EXPECT_EQ(kalsim::userCopies(), 1u);
}

TEST_F(FirmwareDownload, ACallersImageOneByteOffIsRefusedBeforeAnyRegisterWrite) {
  for (FirmwareDownloadTarget target : {kNiso, kIso}) {
    for (int delta : {-1, 1}) {
      SCOPED_TRACE(delta);
      const std::vector<uint8_t> mine(unpackedSize(target) + delta);
      EXPECT_EQ(download(target, &mine), kWrongSize);
      EXPECT_TRUE(board->log().entries().empty());
    }
  }
}

// The loader itself refuses what reaches it anyway: another target's image
// or one of another size, before any register write.
TEST_F(FirmwareDownload, TheLoaderRefusesAnotherTargetOrSizeBeforeAnyWrite) {
  struct Case {
    const char* what;
    uint32_t target;
    uint64_t bytes;
    int64_t code;
  };
  const Case cases[] = {
      {"one byte short", kIso, inlay_TheQuillIsoFpga_bin_original_size - 1, kWrongSize},
      {"another target's size", kIso, inlay_QuillNisoFpgaTop_bin_original_size, kWrongSize},
      {"empty", kIso, 0, kWrongSize},
  };
  using tLoader = tarntools::TarnFirmwareDownloaderTemplate<FirmwareDownloadTarget, vorlan_driver::kIsolatedFpga,
                                                            inlay_TheQuillIsoFpga_bin_original_size, 3u>;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes(c.bytes + 1);
    tStatus result;
    kdut::CustomFirmware<FirmwareDownloadTarget> image(static_cast<FirmwareDownloadTarget>(c.target), nullptr,
                                                       pointerOf(bytes), c.bytes, result);
    tLoader load(maps->getCoreMap(), maps->getCoreSpace());
    load.download(image, result);
    EXPECT_EQ(result.getCode(), c.code);
  }
  std::vector<uint8_t> bytes(16);
  tStatus result;
  kdut::CustomFirmware<FirmwareDownloadTarget> niso(kNiso, nullptr, pointerOf(bytes), bytes.size(), result);
  tLoader load(maps->getCoreMap(), maps->getCoreSpace());
  load.download(niso, result);
  EXPECT_EQ(result.getCode(), kWrongTarget);
  EXPECT_TRUE(board->log().entries().empty());
}

struct FaultCase {
  const char* what;
  FirmwareDownloadTarget target;
  std::function<void(QuillBoard&)> arrange;
  int64_t code;
  uint64_t stores;  // image stores made
  bool routed;      // 0x680 written
};

TEST_F(FirmwareDownload, FaultsStopTheDownloadWithTheirCodes) {
  const uint64_t nisoStores = inlay_QuillNisoFpgaTop_bin_original_size / 8 + 4;
  const uint64_t isoStores = inlay_TheQuillIsoFpga_bin_original_size / 8 + 4;
  const FaultCase cases[] = {
      {"loader never ready", kIso, [](QuillBoard& b) { b.bridgeCore().setNeverReady(true); }, kLoadTimeout, 0,
       false},
      {"loader never done", kIso, [](QuillBoard& b) { b.bridgeCore().setNeverDone(true); }, kLoadTimeout, isoStores,
       false},
      {"port 2 loader never ready", kNiso, [](QuillBoard& b) { b.bridgeCore().setNeverReady(true); }, kLoadTimeout,
       0, false},
      {"port 2 never locked", kNiso, [](QuillBoard& b) { b.busInterface().ports().setNeverLocks(true); },
       kPortTimeout, nisoStores, false},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.what);
    board->bridgeCore().setNeverReady(false);
    board->bridgeCore().setNeverDone(false);
    board->busInterface().ports().setNeverLocks(false);
    board->bar0Space().blockAt(0x460)->resetCounters();
    board->log().clear();
    c.arrange(*board);
    EXPECT_EQ(download(c.target), c.code);
    EXPECT_EQ(dataStores(), c.stores);
    const std::vector<Access>& all = board->log().entries();
    EXPECT_EQ(std::any_of(all.begin(), all.end(), [](const Access& a) { return a.offset == 0x680 && a.space == Space::kBar0; }),
              c.routed);
  }
}

TEST_F(FirmwareDownload, AWrongImageOfTheRightSizeIsNeverDone) {
  const std::vector<uint8_t> zeros(inlay_TheQuillIsoFpga_bin_original_size);
  EXPECT_EQ(download(kIso, &zeros), kLoadTimeout);
  EXPECT_FALSE(loader().lastLoadVerified());
  const std::vector<uint8_t> nisoImage = standIn(kNiso, inlay_TheQuillIsoFpga_bin_original_size);
  EXPECT_EQ(download(kIso, &nisoImage), kLoadTimeout) << "another FPGA's image";
}

TEST_F(FirmwareDownload, UnknownTargetsAndAnErrorOnEntryWriteNothing) {
  std::vector<uint8_t> bytes(16);
  tStatus result;
  kdut::CustomFirmware<FirmwareDownloadTarget> image(static_cast<FirmwareDownloadTarget>(5), nullptr,
                                                     pointerOf(bytes), bytes.size(), result);
  AutoFirmwareDownloader downloader(maps.get(), nullptr);
  downloader.download(image, result);
  EXPECT_EQ(result.getCode(), kUnknownTarget);

  tStatus failed;
  vorlanSetCode(failed, -1);
  AutoFirmware builtIn(nullptr, 0, 0, kIso, failed);
  EXPECT_EQ(builtIn.get(), nullptr);
  kdut::CustomFirmware<FirmwareDownloadTarget> iso(kIso, nullptr, pointerOf(bytes), bytes.size(), result);
  downloader.download(iso, failed);
  EXPECT_EQ(failed.getCode(), -1);
  EXPECT_TRUE(board->log().entries().empty());
}

}  // namespace
