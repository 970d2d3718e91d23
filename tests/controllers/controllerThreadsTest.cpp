// The isolated controllers' locks under real threads on the real clock:
// strobes of two controllers on one channel, a listing while a download
// replaces the package, and charge-balance offset writes beside
// accumulation reads. Each thread checks what it got; the board's log,
// read once the threads are joined, shows what went out and in which order.
#include <gtest/gtest.h>

#include <atomic>

#include <cstdint>
#include <thread>
#include <vector>

#include "controllers/channel/ChargeBalanceOffsetController.h"
#include "controllers/channel/IsoChannelController.h"
#include "controllers/channel/SequenceEngineController.h"
#include "kal/include/kalStandIn.h"
#include "tests/controllers/sequencerBoard.h"

namespace sequencertest {
namespace {

using Access = simboard::IsolatedRegisterSpace::Access;
constexpr int kRounds = 200;

class ControllerThreads : public SequencerBoard {
 protected:
  ControllerThreads() { kalsim::useRealClock(); }
  ~ControllerThreads() override { kalsim::useVirtualClock(); }
};

// A package given as its three tables.
class TablePackage : public vorlan_driver::SubroutinePackageInterface {
 public:
  TablePackage(std::vector<uint64_t> image, std::vector<uint32_t> ids, std::vector<uint32_t> addresses)
      : image_(std::move(image)), ids_(std::move(ids)), addresses_(std::move(addresses)) {}
  void getImage(vorlan_driver::nKIVAPAL000::tVector<uint64_t>& image, tStatus& status) override {
    image.assign(image_.data(), image_.size(), status);
  }
  void getSubroutineIds(vorlan_driver::nKIVAPAL000::tVector<uint32_t>& ids, tStatus& status) override {
    ids.assign(ids_.data(), ids_.size(), status);
  }
  void getAddresses(vorlan_driver::nKIVAPAL000::tVector<uint32_t>& addresses, tStatus& status) override {
    addresses.assign(addresses_.data(), addresses_.size(), status);
  }
  const std::vector<uint32_t>& ids() const { return ids_; }
  const std::vector<uint32_t>& addresses() const { return addresses_; }

 private:
  std::vector<uint64_t> image_;
  std::vector<uint32_t> ids_;
  std::vector<uint32_t> addresses_;
};

// The channel's error reset and the engine's event select share the
// channel's miscellaneous control register: every write carries the one
// strobe its controller asked for, and none is lost.
TEST_F(ControllerThreads, StrobesOfTwoControllersOnOneChannelNeverTravelTogether) {
  constexpr uint32_t kCh = 7;
  installBuiltInPackage();
  frontendtest::FakeChecker quiet;
  vorlan_driver::IsoChannelController channel(*channels[kCh], *strobes[kCh]);
  vorlan_driver::SequenceEngineController engine(*channels[kCh], *strobes[kCh], *generator, kCh, quiet, built);
  ASSERT_EQ(built.getCode(), 0);
  take();
  tStatus resets;
  tStatus selects;
  std::thread first([&] {
    for (int i = 0; i < kRounds; ++i) channel.strobeErrorResetBit26(resets);
  });
  std::thread second([&] {
    for (int i = 0; i < kRounds; ++i) engine.selectAbstractedEvent(3, selects);
  });
  first.join();
  second.join();
  EXPECT_EQ(resets.getCode(), 0);
  EXPECT_EQ(selects.getCode(), 0);
  int resetWrites = 0;
  int selectWrites = 0;
  for (const Access& a : take()) {
    if (!a.write || a.window != kCh || a.address != (0x1000u | kCh << 7 | 0x32u)) continue;
    if (a.value == 1u << 26) {
      ++resetWrites;
    } else if (a.value == 1u << 9) {
      ++selectWrites;
    } else {
      ADD_FAILURE() << std::hex << "misc control 0x" << a.value;
    }
  }
  EXPECT_EQ(resetWrites, kRounds);
  EXPECT_EQ(selectWrites, kRounds);
}

// Downloads alternate between a package of three subroutines and one of
// five; every listing beside them is one package whole, never the ids of
// one with the addresses of the other or a table cut short.
TEST_F(ControllerThreads, AListingBesideADownloadSeesOnePackageWhole) {
  const TablePackage three({1, 2, 3}, {0x31, 0x32, 0x33}, {0, 1, 2});
  const TablePackage five({1, 2, 3, 4, 5}, {0x51, 0x52, 0x53, 0x54, 0x55}, {4, 3, 2, 1, 0});
  countOnly();
  tStatus downloads;
  std::atomic<bool> downloaded{false};
  std::thread downloader([&] {
    vorlan_driver::SubroutineDownload download(localRam.get());
    for (int i = 0; i < kRounds; ++i) {
      TablePackage package = i % 2 == 0 ? five : three;
      download.download(package, downloads);
      registrar->registerPackage(package, downloads);
    }
    downloaded = true;
  });
  tStatus listings;
  int seen[2] = {0, 0};
  auto list = [&] {
    vorlan_driver::nKIVAPAL000::tVector<uint32_t> ids;
    vorlan_driver::nKIVAPAL000::tVector<uint32_t> addresses;
    registrar->getSubroutines(ids, addresses, listings);
    const std::vector<uint32_t> gotIds(ids.data(), ids.data() + ids.count());
    const std::vector<uint32_t> gotAddresses(addresses.data(), addresses.data() + addresses.count());
    if (gotIds.empty() && gotAddresses.empty()) return;  // before the first download
    const bool isThree = gotIds == three.ids() && gotAddresses == three.addresses();
    const bool isFive = gotIds == five.ids() && gotAddresses == five.addresses();
    EXPECT_TRUE(isThree || isFive) << gotIds.size() << " ids, " << gotAddresses.size() << " addresses";
    ++seen[isFive ? 1 : 0];
  };
  // The lister keeps going for as long as the downloads do, and lists once
  // more after the last, so it cannot finish before the first package is in.
  std::thread lister([&] {
    while (!downloaded) list();
    list();
  });
  downloader.join();
  lister.join();
  EXPECT_EQ(downloads.getCode(), 0);
  EXPECT_EQ(listings.getCode(), 0);
  EXPECT_GT(seen[0] + seen[1], 0);
}

// Offset tables and accumulation starts beside accumulation reads on the
// board-wide registers: each read's entry select, its scratch writes and
// its result read stay together, and no start strobe lands among them.
TEST_F(ControllerThreads, ChargeBalanceWritesBesideReadsKeepEachReadWhole) {
  vorlan_driver::ChargeBalanceOffsetController offsets(channelPointers.data(), *iso, built);
  ASSERT_EQ(built.getCode(), 0);
  constexpr uint32_t kControl = 0x130;
  constexpr uint32_t kScratch = 0x3;
  constexpr uint32_t kResult = 0x131;  // selector 1's accumulator
  side().setReadView(kResult, 0xFFC00001u);
  take();
  tStatus writes;
  std::thread writer([&] {
    const uint32_t table[4] = {5, 6, 7, 8};
    for (int i = 0; i < kRounds; ++i) {
      offsets.configureSharedLoSenseOffsets(2, table, 4, writes);
      offsets.startAccumulation(static_cast<uint32_t>(i % 24), writes);
    }
  });
  tStatus reads;
  std::thread reader([&] {
    for (int i = 0; i < kRounds; ++i) {
      int32_t sums[2] = {};
      uint32_t counts[2] = {};
      offsets.fetchAccumulation(1, sums, counts, 2, reads);
      EXPECT_EQ(sums[0], 1);
      EXPECT_EQ(sums[1], 1);
      EXPECT_EQ(counts[1], 1023u);
    }
  });
  writer.join();
  reader.join();
  EXPECT_EQ(writes.getCode(), 0);
  EXPECT_EQ(reads.getCode(), 0);
  std::vector<Access> iso;
  for (const Access& a : take()) {
    if (a.window == kIsoWindow) iso.push_back(a);
  }
  int results = 0;
  for (size_t i = 0; i < iso.size(); ++i) {
    if (iso[i].write || iso[i].address != kResult) continue;
    ++results;
    ASSERT_GE(i, 5u);
    EXPECT_TRUE(iso[i - 5].write && iso[i - 5].address == kControl && (iso[i - 5].value & 0x1FFu) == 0) << i;
    for (size_t s = i - 4; s < i; ++s) EXPECT_TRUE(iso[s].write && iso[s].address == kScratch) << s;
  }
  EXPECT_EQ(results, 2 * kRounds);
}

}  // namespace
}  // namespace sequencertest
