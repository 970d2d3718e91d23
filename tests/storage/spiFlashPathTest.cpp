// The serial-flash path over the simulated board: the flash window on the
// SST25VF controller, the SPI engine of the configuration port and the
// write-protect line on the timing chip's digital line 7.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <chrono>
#include <ostream>
#include <thread>
#include <vector>

#include "device/KeltControllers.h"
#include "device/KeltRegMaps.h"
#include "device/hardwareStateCheckers/StorageMapChecksumChecker.h"
#include "device/hardwareStateCheckers/StorageMapVersionChecker.h"
#include "framework/armki/ARMDispatcher.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "simboard/ConfigPortSpiBlock.h"
#include "simboard/GoldenFlashImage.h"
#include "simboard/SerialFlash.h"
#include "simboard/TimingDigitalOutputBlock.h"
#include "storage/StorageMaps/QuillStorageMaps.h"
#include "storage/deviceWindow/flashWindow/FlashWindow.h"
#include "storage/storageMap/StorageMapDispatcher.h"
#include "storage/storageStatusCodes.h"
#include "tests/simboard/BoardTestSupport.h"

namespace simboard {
inline void PrintTo(const FlashEvent& event, std::ostream* out) { *out << describe(event); }
}  // namespace simboard

namespace {

using nKIVAPALS100::tStatus;
using simboard::FlashEvent;
using simboard::R;
using simboard::SerialFlash;
using simboard::W;

constexpr int64_t kFlashTimeout = -1074118527;  // 0xBFFA4081
constexpr uint64_t kSector = 0x1000;
constexpr uint64_t kWindow = simboard::ConfigPortSpiBlock::kDefaultWindowOffset;

// ---- the flash's side of the protocol
FlashEvent transaction(uint8_t opcode, bool hasAddress, uint32_t address, bool hasData, uint8_t data) {
  return FlashEvent{FlashEvent::Kind::kTransaction, opcode, hasAddress, address, hasData, data, true};
}
FlashEvent command(uint8_t opcode) { return transaction(opcode, false, 0, false, 0); }
FlashEvent statusIs(uint8_t value) { return transaction(SerialFlash::kReadStatus, false, 0, true, value); }
FlashEvent writeStatus(uint8_t value) { return transaction(SerialFlash::kWriteStatus, false, 0, true, value); }
FlashEvent erase(uint32_t address) { return transaction(SerialFlash::kSectorErase, true, address, false, 0); }
FlashEvent program(uint32_t address, uint8_t data) {
  return transaction(SerialFlash::kByteProgram, true, address, true, data);
}
FlashEvent ignored(FlashEvent event) {
  event.accepted = false;
  return event;
}
const FlashEvent kLineRaised{FlashEvent::Kind::kWriteProtectRaised, 0, false, 0, false, 0, true};
const FlashEvent kLineLowered{FlashEvent::Kind::kWriteProtectLowered, 0, false, 0, false, 0, true};

// Repeated polls of one answer count once: how often a poll reads depends on
// the clock, what it reads does not.
std::vector<FlashEvent> squeezed(const std::vector<FlashEvent>& log) {
  std::vector<FlashEvent> out;
  for (const FlashEvent& e : log) {
    if (out.empty() || !(out.back() == e) || e.opcode != SerialFlash::kReadStatus) out.push_back(e);
  }
  return out;
}

void append(std::vector<FlashEvent>& to, std::initializer_list<FlashEvent> events) {
  to.insert(to.end(), events);
}

std::vector<uint8_t> patternedImage() {
  std::vector<uint8_t> image(SerialFlash::kSize);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>((i * 7) ^ (i >> 12));
  return image;
}

class SpiFlashPathTest : public simboard::BoardTest {
 protected:
  SpiFlashPathTest()
      : outputs(board.addBlock(simboard::TimingDigitalOutputBlock::kBar0Offset,
                               std::make_unique<simboard::TimingDigitalOutputBlock>())),
        engine(simboard::ConfigPortSpiBlock::install(board, &outputs)),
        maps(board.bar0Address(), simboard::SimBoard::kBar0Size, dispatcher, built),
        controllers(static_cast<uint8_t*>(board.bar0()), maps, built) {}

  SerialFlash& flash() { return engine.flash(); }
  nonvolatilememorytools::SST25VFFlashController& flashController() { return controllers.getFlashController(); }

  // Forgets the traffic so far, so that a test sees only its own.
  void settle() {
    board.clearAccessLog();
    flash().clearLog();
  }

  tStatus built;
  armki::ARMDispatcher dispatcher;
  simboard::TimingDigitalOutputBlock& outputs;
  simboard::ConfigPortSpiBlock& engine;
  vorlan_driver::KeltRegMaps maps;
  vorlan_driver::KeltControllers controllers;
};

TEST_F(SpiFlashPathTest, BuildingThePathTakesItsGeometryFromTheDataWindowAndSendsNothingToTheFlash) {
  ASSERT_EQ(built.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{R(0xC0, 32, kWindow | 12), R(0xC0, 32, kWindow | 12),
                                                     W(0x50008, 32, 0x80), R(0xC0, 32, kWindow | 12)}))
      << "window size and place, line 7 made an output, then the sector size";
  EXPECT_EQ(controllers.getWindowBase(), static_cast<uint8_t*>(board.bar0()) + kWindow);
  EXPECT_EQ(controllers.getWindowSize(), kSector);
  EXPECT_EQ(flashController().getSizeInBytes(), SerialFlash::kSize);
  EXPECT_EQ(flashController().getSectorSize(), kSector);
  EXPECT_TRUE(flash().log().empty());
  EXPECT_TRUE(outputs.writeProtectLineIsOutput());
  EXPECT_FALSE(outputs.writeProtectLineLevel());
}

TEST_F(SpiFlashPathTest, ConstructionFailuresStopTheBuildingOfThePath) {
  settle();
  kalsim::failMutexCreation(1);
  tStatus noMutex;
  vorlan_driver::KeltControllers failed(static_cast<uint8_t*>(board.bar0()), maps, noMutex);
  EXPECT_EQ(noMutex.getCode(), vorlan_driver::statusCodes::kOutOfMemory);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{R(0xC0, 32, kWindow | 12), R(0xC0, 32, kWindow | 12)}))
      << "nothing after the SPI controller's mutex failed";
  std::vector<uint8_t> sector(kSector);
  tStatus use;
  failed.getFlashController().readSector(0, sector.data(), use);
  EXPECT_EQ(use.getCode(), vorlan_driver::statusCodes::kResourceNotAvailable) << "refused, not crashed";
  EXPECT_TRUE(take().empty());

  // A DO map whose window leaves out the direction register: the store is
  // refused and the shadow keeps the line as an output, still to be written.
  tMemorySpace doSpace = space(simboard::TimingDigitalOutputBlock::kBar0Offset, 0x34);
  kelt_regmaps::tDO narrow(doSpace, 0, 0, 0x8);
  tStatus outsideWindow;
  kelttools::WriteProtectController writeProtect(narrow, 0x80, outsideWindow);
  EXPECT_EQ(outsideWindow.getCode(), vorlan_driver::statusCodes::kNotFound);
  EXPECT_EQ(narrow.DIO_Direction_Register.getRegister(), 0x80u);
  EXPECT_TRUE(narrow.DIO_Direction_Register.isDirty());
  EXPECT_TRUE(take().empty());
}

TEST_F(SpiFlashPathTest, TransactionsStoreOnlyTheRegistersThatChange) {
  flash().loadImage(patternedImage());
  settle();
  tarntools::SPIController& spi = controllers.getSPIController();
  tStatus status;
  const uint32_t readFormat = 0x80000000u | (8u << 24) | (24u << 16) | 8u;

  EXPECT_EQ(spi.read8(0x03, 8, 0x41123, 24, status), patternedImage()[0x41123]);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{W(0xE0, 32, 0x41123), W(0x584, 32, readFormat),
                                                     W(0x58C, 32, 0x030000),
                                                     R(kWindow + 0x123, 8, patternedImage()[0x41123])}))
      << "the low 12 bits of the address pick the window byte, the rest go through 0xE0";

  spi.read8(0x03, 8, 0x41124, 24, status);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{W(0xE0, 32, 0x41124),
                                                     R(kWindow + 0x124, 8, patternedImage()[0x41124])}));

  spi.command(0x06, 8, status);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{W(0xE0, 32, 0), W(0x588, 32, 8), W(0x58C, 32, 0x030006),
                                                     W(kWindow, 8, 0)}));

  // The write set-up cleared the read flag in the shadow: the read format is
  // stored again although its value is what the engine already holds.
  spi.read8(0x03, 8, 0x41125, 24, status);
  EXPECT_EQ(take(), (std::vector<simboard::Access>{W(0xE0, 32, 0x41125), W(0x584, 32, readFormat),
                                                     R(kWindow + 0x125, 8, patternedImage()[0x41125])}));
  EXPECT_EQ(status.getCode(), 0);

  tStatus held;
  held.setCode(-1, "test", "test", 0);
  EXPECT_EQ(spi.read8(0x03, 8, 0, 24, held), 0u);
  spi.command(0x06, 8, held);
  EXPECT_TRUE(take().empty()) << "nothing moves while the status holds an error";
}

TEST_F(SpiFlashPathTest, AWriteAcrossASectorBoundaryLandsInTheBoardsFlash) {
  flash().loadImage(patternedImage());
  const std::vector<uint8_t> data = {0x11, 0x22, 0x33, 0x44};
  const uint64_t at = 0xAFFE;
  {
    tStatus status;
    devicewindow::FlashWindow window(flashController(), status);
    window.set(data.data(), at, data.size(), status);
    window.flush(at, data.size(), false, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  std::vector<uint8_t> expected = patternedImage();
  std::copy(data.begin(), data.end(), expected.begin() + at);
  EXPECT_TRUE(flash().image() == expected) << "both sectors rewritten whole, nothing else touched";

  tStatus status;
  devicewindow::FlashWindow fresh(flashController(), status);
  std::vector<uint8_t> back(8);
  fresh.read(at - 2, back.size(), back.data(), status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(back, std::vector<uint8_t>(expected.begin() + at - 2, expected.begin() + at + 6));
  EXPECT_FALSE(outputs.writeProtectLineLevel());
  EXPECT_EQ(flash().statusRegister(), SerialFlash::kPowerOnStatus) << "blocks protected again";
}

TEST_F(SpiFlashPathTest, ASectorWriteUnprotectsErasesProgramsEveryByteAndProtects) {
  std::vector<uint8_t> data(kSector);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0xA5 ^ i);
  const uint32_t at = 0x3000;
  settle();
  tStatus status;
  flashController().writeSector(at, data.data(), status);
  ASSERT_EQ(status.getCode(), 0);

  std::vector<FlashEvent> expected;
  append(expected, {kLineRaised, command(SerialFlash::kEnableWriteStatus), writeStatus(0x00)});
  append(expected, {statusIs(0x00), command(SerialFlash::kWriteEnable), statusIs(0x02), erase(at), statusIs(0x03),
                    statusIs(0x00)});
  for (uint32_t i = 0; i < kSector; ++i) {
    append(expected, {command(SerialFlash::kWriteEnable), statusIs(0x02), program(at + i, data[i]), statusIs(0x03),
                      statusIs(0x00)});
  }
  append(expected, {command(SerialFlash::kEnableWriteStatus), writeStatus(0x0C), kLineLowered});
  const std::vector<FlashEvent> seen = squeezed(flash().log());
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], expected[i]) << "event " << i;
  EXPECT_TRUE(std::equal(data.begin(), data.end(), flash().image().begin() + at));
}

TEST_F(SpiFlashPathTest, AFailedStepStillEndsWithTheFlashProtected) {
  struct Case {
    const char* what;
    void (SerialFlash::*knob)(bool);
    std::vector<FlashEvent> expected;
  };
  const uint32_t at = 0x5000;
  const Case cases[] = {
      {"write enable never latches",
       &SerialFlash::setWriteEnableNeverSets,
       {kLineRaised, command(SerialFlash::kEnableWriteStatus), writeStatus(0x00), statusIs(0x00),
        command(SerialFlash::kWriteEnable), statusIs(0x00),
        // no erase, no program
        command(SerialFlash::kEnableWriteStatus), writeStatus(0x0C), kLineLowered}},
      {"busy never clears after the erase",
       &SerialFlash::setBusyStuck,
       {kLineRaised, command(SerialFlash::kEnableWriteStatus), writeStatus(0x00), statusIs(0x00),
        command(SerialFlash::kWriteEnable), statusIs(0x02), erase(at), statusIs(0x03),
        // The busy flash ignores the protection commands, but they are sent
        // and the line goes low, which protects it once it is done.
        ignored(command(SerialFlash::kEnableWriteStatus)), ignored(writeStatus(0x0C)), kLineLowered}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SerialFlash& f = flash();
    f.loadImage(patternedImage());
    f.setStatusRegister(SerialFlash::kPowerOnStatus);
    (f.*c.knob)(true);
    settle();
    const std::vector<uint8_t> data(kSector, 0x5A);
    tStatus status;
    flashController().writeSector(at, data.data(), status);
    (f.*c.knob)(false);
    EXPECT_EQ(status.getCode(), kFlashTimeout);
    EXPECT_EQ(squeezed(f.log()), c.expected);
    EXPECT_FALSE(outputs.writeProtectLineLevel());
  }
}

TEST_F(SpiFlashPathTest, AnAddressInsideASectorTouchesNothing) {
  settle();
  std::vector<uint8_t> buffer(kSector, 0);
  tStatus writeStatus, readStatus;
  flashController().writeSector(0x1001, buffer.data(), writeStatus);
  flashController().readSector(0x1800, buffer.data(), readStatus);
  EXPECT_EQ(writeStatus.getCode(), storagecodes::kFlashRange);
  EXPECT_EQ(readStatus.getCode(), storagecodes::kFlashRange);
  EXPECT_TRUE(take().empty());
  EXPECT_TRUE(flash().log().empty());
}

TEST_F(SpiFlashPathTest, AFlushRetriedAfterAFailedSectorWriteRewritesTheSector) {
  flash().loadImage(patternedImage());
  tStatus status;
  devicewindow::FlashWindow window(flashController(), status);
  const uint8_t byte = 0x00;
  window.set(&byte, 0x7010, 1, status);
  flash().setWriteEnableNeverSets(true);
  window.flush(0x7010, 1, false, status);
  EXPECT_EQ(status.getCode(), kFlashTimeout);
  flash().setWriteEnableNeverSets(false);

  settle();
  tStatus retry;
  window.flush(0x7010, 1, false, retry);
  EXPECT_EQ(retry.getCode(), 0);
  std::vector<FlashEvent> log = flash().log();
  EXPECT_EQ(std::count(log.begin(), log.end(), erase(0x7000)), 1);
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const FlashEvent& e) { return e.opcode == SerialFlash::kByteProgram && e.accepted; }),
            static_cast<long>(kSector));
  std::vector<uint8_t> expected = patternedImage();
  expected[0x7010] = 0x00;
  EXPECT_TRUE(flash().image() == expected);
}

// The board's records as start-up finds them, read and changed through the
// whole path down to the flash.
TEST_F(SpiFlashPathTest, TheBoardsRecordsLiveInTheFlashThroughThePath) {
  // Loaded for the records' statics, and unloaded however the test ends.
  struct RunTime {
    RunTime() { vorlan_driver::nKIVAPAL000::initializeRunTime(); }
    ~RunTime() { vorlan_driver::nKIVAPAL000::finalizeRunTime(); }
  } runTime;
  ASSERT_TRUE(flash().image() == simboard::buildGoldenFlashImage()) << "the board starts with its factory image";
  storagemap::StorageMapDispatcher storageMaps;
  {
    tStatus status;
    devicewindow::FlashWindow window(flashController(), status);
    vorlan_storagemaps::QuillStorageMaps records(window, storageMaps, status);
    vorlan_driver::StorageMapVersionChecker versions(records);
    vorlan_driver::StorageMapChecksumChecker checksums(records);
    EXPECT_TRUE(versions.isValid(status));
    EXPECT_TRUE(checksums.isValid(status));
    EXPECT_EQ(records.getManufacturing().getBoardSerialNumber(status), simboard::goldenflash::kSerialNumber);
    records.getManufacturing().setBoardRevision(9, status);
    records.getManufacturing().flush(false, status);
    EXPECT_EQ(status.getCode(), 0);
  }
  const std::vector<uint8_t> golden = simboard::buildGoldenFlashImage();
  const uint64_t record = simboard::goldenflash::kManufacturing;
  for (uint64_t i = 0; i < SerialFlash::kSize; ++i) {
    if (i < record || i >= record + kSector) {
      ASSERT_EQ(flash().image()[i], golden[i]) << "only the record's sector changed, at " << i;
    }
  }
  EXPECT_EQ(flash().image()[record + 16], 9);

  tStatus status;
  devicewindow::FlashWindow window(flashController(), status);
  vorlan_storagemaps::QuillStorageMaps records(window, storageMaps, status);
  vorlan_driver::StorageMapChecksumChecker checksums(records);
  EXPECT_TRUE(checksums.isValid(status)) << "the record went out with its new checksum";
  EXPECT_EQ(records.getManufacturing().getBoardRevision(status), 9);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(SpiFlashPathTest, ASectorWriteWaitsForAUserHoldingTheDOMapByName) {
  settle();
  armki::tRegisterMapInterface* map = nullptr;
  vorlan_driver::nKIVAPAL000::tMutex* registration = nullptr;
  tStatus lookup;
  dispatcher.getRegistration("DO_Ver200a13081315", &map, lookup, &registration);
  ASSERT_EQ(lookup.getCode(), 0);
  ASSERT_NE(registration, nullptr);

  const std::vector<uint8_t> data(kSector, 0x3C);
  tStatus status;
  registration->acquire();  // as a register request on "DO" does
  std::thread writer([&] { flashController().writeSector(0x9000, data.data(), status); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(flash().log().empty()) << "the flash is left alone while the map is in use";
  registration->release();
  writer.join();
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), flash().image().begin() + 0x9000));
}

}  // namespace
