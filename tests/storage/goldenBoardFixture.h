// The board's records over the golden flash image in RAM: a memory window
// over a counting accessor (whose bytes stand for the flash), the storage-map
// dispatcher and the storage-map owner, as bring-up builds them. A window
// hook lets a test look on while a map operation is under way.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "simboard/GoldenFlashImage.h"
#include "storage/StorageMaps/QuillStorageMaps.h"
#include "storage/deviceWindow/memoryWindow/MemoryWindow.h"
#include "storage/storageMap/StorageMapDispatcher.h"
#include "tests/storage/storageTestSupport.h"

namespace storagetest {

// Forwards to a window and calls the hook before each call.
struct HookedWindow : devicewindow::DeviceWindow {
  explicit HookedWindow(devicewindow::DeviceWindow& inner) : inner(inner) {}

  void get(uint64_t a, uint64_t n, uint8_t* d, tStatus& s) override {
    gets.push_back(a);
    hook();
    inner.get(a, n, d, s);
  }
  void set(const uint8_t* src, uint64_t a, uint64_t n, tStatus& s) override {
    hook();
    inner.set(src, a, n, s);
  }
  void flush(uint64_t a, uint64_t n, bool force, tStatus& s) override {
    hook();
    inner.flush(a, n, force, s);
  }
  void read(uint64_t a, uint64_t n, uint8_t* d, tStatus& s) override {
    hook();
    inner.read(a, n, d, s);
  }
  void write(const uint8_t* src, uint64_t a, uint64_t n, bool force, tStatus& s) override {
    hook();
    inner.write(src, a, n, force, s);
  }
  void refresh(uint64_t a, uint64_t n, tStatus& s) override {
    hook();
    inner.refresh(a, n, s);
  }
  uint64_t getSizeInBytes() const override { return inner.getSizeInBytes(); }
  uint64_t getChangeCount() const override { return inner.getChangeCount(); }

  void hook() {
    ++calls;
    if (onCall) onCall();
  }

  devicewindow::DeviceWindow& inner;
  std::function<void()> onCall;
  int calls = 0;
  std::vector<uint64_t> gets;  // addresses
};

// The request descriptor is only passed through to the user-memory copies.
inline const vorlan_driver::nKIVAPAL000::tEventDescriptor& someRequest() {
  alignas(16) static unsigned char bytes[64];
  return *reinterpret_cast<const vorlan_driver::nKIVAPAL000::tEventDescriptor*>(bytes);
}

class GoldenBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    vorlan_driver::nKIVAPAL000::initializeRunTime();
    // The stand-in's registry of bad user ranges allocates on first use;
    // give it its room before anything is counted.
    kalsim::markUserRangeBad(nullptr, 0);
    kalsim::clearBadUserRanges();
    flash.memory = simboard::buildGoldenFlashImage();
    liveAllocations_ = kalsim::liveAllocations();
    window = std::make_unique<devicewindow::MemoryWindow>(flash, status);
    hooked = std::make_unique<HookedWindow>(*window);
    dispatcher = std::make_unique<storagemap::StorageMapDispatcher>();
    maps = std::make_unique<vorlan_storagemaps::QuillStorageMaps>(*hooked, *dispatcher, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  void TearDown() override {
    maps.reset();
    dispatcher.reset();
    hooked.reset();
    window.reset();
    // The accessor's call log is test memory, not the driver's.
    decltype(flash.reads)().swap(flash.reads);
    decltype(flash.writes)().swap(flash.writes);
    EXPECT_EQ(kalsim::liveAllocations(), liveAllocations_) << "nothing is left behind";
    vorlan_driver::nKIVAPAL000::finalizeRunTime();
  }

  uint32_t flashWord(uint64_t address) const {
    uint32_t word;
    std::memcpy(&word, flash.memory.data() + address, 4);
    return word;
  }
  // The CRC of a record as stored in the flash, computed here.
  uint32_t crcOfRecord(uint64_t record, uint64_t size) const {
    return referenceCrc32(flash.memory.data() + record + 4, size - 4);
  }

  CountingAccessor flash{simboard::goldenflash::kSize};
  tStatus status;
  std::unique_ptr<devicewindow::MemoryWindow> window;
  std::unique_ptr<HookedWindow> hooked;
  std::unique_ptr<storagemap::StorageMapDispatcher> dispatcher;
  std::unique_ptr<vorlan_storagemaps::QuillStorageMaps> maps;

 private:
  uint64_t liveAllocations_ = 0;
};

}  // namespace storagetest
