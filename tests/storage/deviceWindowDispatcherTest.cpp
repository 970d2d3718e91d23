#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/kivregitools/registrationStatusCodes.h"
#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "storage/deviceWindow/DeviceWindowDispatcher.h"
#include "storage/deviceWindow/flashWindow/FlashController.h"
#include "storage/deviceWindow/flashWindow/FlashWindow.h"
#include "storage/deviceWindow/memoryWindow/MemoryWindow.h"
#include "storage/storageStatusCodes.h"
#include "tests/storage/goldenBoardFixture.h"
#include "tests/storage/storageTestSupport.h"

using nKIVAPALS100::tStatus;
using Bytes = std::vector<uint8_t>;

namespace {

namespace codes = kivregitools::codes;

constexpr uint64_t kWindowSize = 0x1000;

// A memory window published as the board publishes its flash window.
class DeviceWindowDispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    vorlan_driver::nKIVAPAL000::initializeRunTime();
    kalsim::markUserRangeBad(nullptr, 0);
    kalsim::clearBadUserRanges();
    for (size_t i = 0; i < device.memory.size(); ++i) device.memory[i] = static_cast<uint8_t>(i * 13);
    liveAllocations_ = kalsim::liveAllocations();
    window = std::make_unique<devicewindow::MemoryWindow>(device, status);
    dispatcher = std::make_unique<devicewindow::DeviceWindowDispatcher>();
    dispatcher->add("flashWindow", *window, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  void TearDown() override {
    dispatcher.reset();
    window.reset();
    decltype(device.reads)().swap(device.reads);
    decltype(device.writes)().swap(device.writes);
    EXPECT_EQ(kalsim::liveAllocations(), liveAllocations_) << "nothing is left behind";
    vorlan_driver::nKIVAPAL000::finalizeRunTime();
  }

  static void* user(const char* name) { return const_cast<char*>(name); }

  enum Operation { kGet, kRead, kSet, kWrite };
  void transfer(Operation operation, const char* name, uint64_t address, uint64_t count, void* data, tStatus& s) {
    const auto& request = storagetest::someRequest();
    const uint64_t length = std::strlen(name);
    switch (operation) {
      case kGet:
        return dispatcher->get(request, user(name), length, address, count, data, s);
      case kRead:
        return dispatcher->read(request, user(name), length, address, count, data, s);
      case kSet:
        return dispatcher->set(request, user(name), length, data, address, count, s);
      case kWrite:
        return dispatcher->write(request, user(name), length, data, address, count, true, s);
    }
  }
  Bytes windowImage() {
    Bytes bytes(kWindowSize);
    tStatus s;
    window->get(0, kWindowSize, bytes.data(), s);
    EXPECT_EQ(s.getCode(), 0);
    return bytes;
  }

  storagetest::CountingAccessor device{kWindowSize};
  tStatus status;
  std::unique_ptr<devicewindow::MemoryWindow> window;
  std::unique_ptr<devicewindow::DeviceWindowDispatcher> dispatcher;

 private:
  uint64_t liveAllocations_ = 0;
};

TEST_F(DeviceWindowDispatcherTest, OnlyTheExactUnversionedNameFindsTheWindow) {
  struct Case {
    const char* name;
    int64_t code;
    uint64_t size;
  };
  const Case cases[] = {
      {"flashWindow", 0, kWindowSize},
      {"flashWindow_Ver1.0.0d0", codes::kVersioningNotSupported, 0},
      {"flashWindow_Ver23.3.0f121", codes::kVersioningNotSupported, 0},
      {"flash", codes::kRegistrationNotFound, 0},
      {"flashWindows", codes::kRegistrationNotFound, 0},
      {"", codes::kRegistrationNotFound, 0},
  };
  for (const Case& c : cases) {
    tStatus s;
    EXPECT_EQ(dispatcher->getSizeInBytes(storagetest::someRequest(), user(c.name), std::strlen(c.name), s), c.size)
        << c.name;
    EXPECT_EQ(s.getCode(), c.code) << c.name;
  }
}

TEST_F(DeviceWindowDispatcherTest, BytesMoveBetweenTheCallerAndTheWindow) {
  Bytes in = {1, 2, 3, 4, 5};
  transfer(kSet, "flashWindow", 0x100, in.size(), in.data(), status);
  Bytes out(5, 0);
  transfer(kGet, "flashWindow", 0x100, out.size(), out.data(), status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(out, in);
  EXPECT_NE(device.memory[0x100], 1) << "set changes only the memory copy";

  dispatcher->flush(storagetest::someRequest(), user("flashWindow"), 11, 0x100, 5, false, status);
  EXPECT_EQ(Bytes(device.memory.begin() + 0x100, device.memory.begin() + 0x105), in);

  Bytes more = {9, 8, 7};
  transfer(kWrite, "flashWindow", 0xFFD, more.size(), more.data(), status);
  EXPECT_EQ(Bytes(device.memory.begin() + 0xFFD, device.memory.end()), more) << "write stores at once";

  // The device changes behind the window: get sees the copy, read the device.
  uint8_t pair[2];
  transfer(kGet, "flashWindow", 0x200, 2, pair, status);
  device.memory[0x200] = 0x5A;
  device.memory[0x201] = 0xA5;
  uint8_t byte = 0;
  transfer(kGet, "flashWindow", 0x200, 1, &byte, status);
  EXPECT_EQ(byte, pair[0]);
  transfer(kRead, "flashWindow", 0x200, 1, &byte, status);
  EXPECT_EQ(byte, 0x5A);
  dispatcher->refresh(storagetest::someRequest(), user("flashWindow"), 11, 0x201, 1, status);
  transfer(kGet, "flashWindow", 0x201, 1, &byte, status);
  EXPECT_EQ(byte, 0xA5);
  EXPECT_EQ(status.getCode(), 0);
}

// Refusals touch neither the caller's memory nor the window, and allocate no
// buffer sized by the caller's numbers: at most the name's copy.
TEST_F(DeviceWindowDispatcherTest, TransfersRefusedBeforeAnyBufferIsSized) {
  struct Case {
    const char* what;
    const char* name;
    uint64_t address, count;
    int64_t code;
  };
  const Case cases[] = {
      {"no bytes, so no buffer", "flashWindow", 0, 0, storagecodes::kNullBuffer},
      {"past the end", "flashWindow", kWindowSize - 2, 3, storagecodes::kOutOfRange},
      {"starting past the end", "flashWindow", kWindowSize + 1, 1, storagecodes::kOutOfRange},
      {"a huge count", "flashWindow", 0, 0xFFFFFFFFull, storagecodes::kOutOfRange},
      {"a count past 32 bits", "flashWindow", 0, 1ull << 40, storagecodes::kOutOfRange},
      {"a wrapping range", "flashWindow", 16, UINT64_MAX - 8, storagecodes::kOutOfRange},
      {"a versioned name", "flashWindow_Ver1.0.0d0", 0, 4, codes::kVersioningNotSupported},
  };
  const Bytes deviceBefore = device.memory;
  const Bytes imageBefore = windowImage();
  for (Operation operation : {kGet, kRead, kSet, kWrite}) {
    for (const Case& c : cases) {
      Bytes caller(64, 0xA5);
      tStatus s;
      const uint64_t allocations = kalsim::allocationCallsOnThisThread();
      transfer(operation, c.name, c.address, c.count, caller.data(), s);
      EXPECT_EQ(s.getCode(), c.code) << c.what << " in operation " << operation;
      EXPECT_LE(kalsim::allocationCallsOnThisThread() - allocations, 1u) << c.what;
      EXPECT_EQ(caller, Bytes(64, 0xA5)) << c.what;
    }
  }
  EXPECT_EQ(windowImage(), imageBefore);
  EXPECT_EQ(device.memory, deviceBefore);
}

// A flash of 64-byte sectors in RAM, counting its sector reads and writes.
struct RamFlash : devicewindow::FlashController {
  static constexpr uint64_t kSector = 64;
  RamFlash(uint64_t size, tStatus& status) : devicewindow::FlashController(size, kSector, status), memory(size, 0x5A) {}
  void readSector(uint64_t address, uint8_t* destination, tStatus& status) override {
    if (status.isFatal()) return;
    ++sectorCalls;
    std::memcpy(destination, memory.data() + address, kSector);
  }
  void writeSector(uint64_t address, const uint8_t* source, tStatus& status) override {
    if (status.isFatal()) return;
    ++sectorCalls;
    std::memcpy(memory.data() + address, source, kSector);
  }
  Bytes memory;
  int sectorCalls = 0;
};

// The board publishes its flash window itself under the name: a range
// outside it is refused in the flash window's words, before any kernel
// buffer is sized and before the flash is touched.
TEST_F(DeviceWindowDispatcherTest, TheRealFlashWindowRefusesItsRangeInItsOwnWords) {
  RamFlash flash(kWindowSize, status);
  auto flashWindow = std::make_unique<devicewindow::FlashWindow>(flash, status);
  dispatcher->remove("flashWindow");
  dispatcher->add("flashWindow", *flashWindow, status);
  ASSERT_EQ(status.getCode(), 0);
  struct Case {
    const char* what;
    uint64_t address, count;
    int64_t code;
  };
  const Case cases[] = {
      {"past the end", kWindowSize - 2, 3, storagecodes::kFlashRange},
      {"starting past the end", kWindowSize + 1, 1, storagecodes::kFlashRange},
      {"a count past 32 bits", 0, 1ull << 40, storagecodes::kFlashRange},
      {"a wrapping range", 16, UINT64_MAX - 8, storagecodes::kFlashRange},
      {"no bytes, so no buffer", 0, 0, storagecodes::kNullBuffer},
  };
  for (Operation operation : {kGet, kRead, kSet, kWrite}) {
    for (const Case& c : cases) {
      Bytes caller(64, 0xA5);
      tStatus s;
      const uint64_t allocations = kalsim::allocationCallsOnThisThread();
      transfer(operation, "flashWindow", c.address, c.count, caller.data(), s);
      EXPECT_EQ(s.getCode(), c.code) << c.what << " in operation " << operation;
      EXPECT_LE(kalsim::allocationCallsOnThisThread() - allocations, 1u) << c.what;
      EXPECT_EQ(caller, Bytes(64, 0xA5)) << c.what;
    }
  }
  EXPECT_EQ(flash.sectorCalls, 0) << "the flash is never touched";
  EXPECT_EQ(flash.memory, Bytes(kWindowSize, 0x5A));

  Bytes last(2, 0);
  tStatus inside;
  transfer(kGet, "flashWindow", kWindowSize - 2, 2, last.data(), inside);
  EXPECT_EQ(inside.getCode(), 0);
  EXPECT_EQ(last, Bytes(2, 0x5A)) << "the last bytes lie inside";
  dispatcher->remove("flashWindow");
}

TEST_F(DeviceWindowDispatcherTest, AFailedCopyFromTheCallerLeavesTheWindowUnchanged) {
  for (Operation operation : {kSet, kWrite}) {
    Bytes in(32, 0x77);
    kalsim::markUserRangeBad(in.data() + 31, 1);
    const Bytes deviceBefore = device.memory;
    const Bytes imageBefore = windowImage();
    tStatus s;
    transfer(operation, "flashWindow", 0x40, in.size(), in.data(), s);
    EXPECT_TRUE(s.isFatal());
    EXPECT_EQ(windowImage(), imageBefore);
    EXPECT_EQ(device.memory, deviceBefore);
    kalsim::clearBadUserRanges();
  }
}

TEST_F(DeviceWindowDispatcherTest, AFailedCopyToTheCallerIsReported) {
  Bytes out(8, 0);
  kalsim::markUserRangeBad(out.data(), out.size());
  transfer(kGet, "flashWindow", 0, out.size(), out.data(), status);
  EXPECT_TRUE(status.isFatal());
  EXPECT_EQ(out, Bytes(8, 0));
}

TEST_F(DeviceWindowDispatcherTest, AWindowErrorCopiesNothingOut) {
  device.readCode = -7;
  Bytes out(8, 0xA5);
  transfer(kRead, "flashWindow", 0, out.size(), out.data(), status);
  EXPECT_EQ(status.getCode(), -7);
  EXPECT_EQ(out, Bytes(8, 0xA5));
}

TEST_F(DeviceWindowDispatcherTest, NothingRunsOnAFailedStatus) {
  tStatus failed;
  failed.setCode(-3, "test", "test", 0);
  Bytes caller(4, 0xA5);
  const uint64_t copies = kalsim::userCopies();
  for (Operation operation : {kGet, kRead, kSet, kWrite}) {
    transfer(operation, "flashWindow", 0, 4, caller.data(), failed);
  }
  EXPECT_EQ(dispatcher->getSizeInBytes(storagetest::someRequest(), user("flashWindow"), 11, failed), 0u);
  EXPECT_EQ(failed.getCode(), -3);
  EXPECT_EQ(kalsim::userCopies(), copies);
  EXPECT_TRUE(device.reads.empty());
}

}  // namespace
