#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "platform/pci/iPrimaryInterruptHandler.h"
#include "platform/pci/tPCIDevice.h"
#include "platform/status/tStatus.h"
#include "tests/platform/pciTestSupport.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::iPrimaryInterruptHandler;
using vorlan_driver::nKIVAPAL000::tDevice;
using vorlan_driver::nKIVAPAL000::tDMAConfiguration;
using vorlan_driver::nKIVAPAL000::tPCIDescription;
using vorlan_driver::nKIVAPAL000::tPCIDevice;

namespace {

std::unique_ptr<tPCIDevice> makeDevice(kalsim::PciFunction& function, tStatus& status) {
  return std::unique_ptr<tPCIDevice>(new tPCIDevice(pcitest::describe(function), status));
}

// ---- slot path

struct SlotPathCase {
  const char* name;
  std::vector<kalsim::PciBridge> bridges;
  uint16_t bus;
  uint16_t device;
  uint16_t function;
  int32_t domain;
  const char* path;
};

TEST(PCIDeviceSlotPath, FollowsTheBridgesDownToTheFunction) {
  const SlotPathCase cases[] = {
      {"one bridge", {{0, 1, 0, 1, 1, 0}}, 1, 0, 0, 0, "0000:00:08:00"},
      {"root bus", {}, 0, 3, 1, 0, "0000:00:19"},
      {"three levels", {{0, 1, 0, 1, 3, 0}, {1, 0, 0, 2, 3, 0}, {2, 0, 0, 3, 3, 0}}, 3, 0, 0, 0, "0000:00:08:00:00:00"},
      {"other domain ignored", {{0, 2, 0, 1, 1, 1}, {0, 1, 0, 1, 1, 0}}, 1, 0, 0, 0, "0000:00:08:00"},
      {"domain of the function", {{0, 1, 0, 1, 1, 5}}, 1, 0, 0, 5, "0005:00:08:00"},
      {"failed domain reads as 0", {{0, 1, 0, 1, 1, 0}}, 1, 0, 0, -1, "0000:00:08:00"},
      {"second root bus", {{0, 1, 0, 1, 1, 0}, {0x40, 0, 0, 0x41, 0x41, 0}}, 0x41, 0, 0, 0, "0000:01:00:00"},
      {"search ends at the secondary bus", {{0, 1, 0, 1, 1, 0}, {0, 2, 0, 1, 4, 0}}, 1, 0, 2, 0, "0000:00:08:02"},
      {"function number modulo 8", {}, 0, 2, 9, 0, "0000:00:11"},
  };
  for (const SlotPathCase& c : cases) {
    SCOPED_TRACE(c.name);
    kalsim::reset();
    for (const kalsim::PciBridge& bridge : c.bridges) kalsim::addPciBridge(bridge);
    kalsim::PciFunctionSetup setup;
    setup.bus = c.bus;
    setup.device = c.device;
    setup.function = c.function;
    setup.domain = c.domain;
    tStatus status;
    std::unique_ptr<tPCIDevice> device = makeDevice(kalsim::addPciFunction(setup), status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_STREQ(device->getSlotPath(), c.path);
    EXPECT_EQ(kalsim::busEnumerations(), 1u);
  }
}

TEST(PCIDeviceSlotPath, EndlessBridgeTableStopsAtTheHopLimit) {
  kalsim::reset();
  // Every bridge claims the function's bus but none leads straight to it.
  for (int i = 0; i < 300; ++i) kalsim::addPciBridge({0, 1, 0, 0, 5, 0});
  kalsim::PciFunctionSetup setup;
  setup.bus = 5;
  tStatus status;
  std::unique_ptr<tPCIDevice> device = makeDevice(kalsim::addPciFunction(setup), status);
  EXPECT_EQ(status.getCode(), 0);
  std::string expected = "0000:00";
  for (int i = 0; i < 256; ++i) expected += ":08";
  EXPECT_EQ(std::string(device->getSlotPath()), expected);
}

TEST(PCIDeviceSlotPath, ConstructionFailureIsReported) {
  kalsim::reset();
  kalsim::PciFunction& function = kalsim::addPciFunction();
  kalsim::failSpinLockCreation(1);
  tStatus status;
  std::unique_ptr<tPCIDevice> device = makeDevice(function, status);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_STREQ(device->getSlotPath(), "");
  EXPECT_EQ(kalsim::busEnumerations(), 0u);
}

// ---- capabilities and the link

struct CapabilityCase {
  const char* name;
  bool express;
  std::function<void(kalsim::PciFunction&)> prepare;
  uint8_t sought;
  uint8_t offset;
  int64_t code;
  uint32_t configWrites;
};

TEST(PCIDeviceCapabilities, WalkTheListThenTheFallback) {
  const auto fallbackTo = [](uint8_t pointer, uint8_t identifier) {
    return [=](kalsim::PciFunction& f) {
      f.setConfigByte(0x0F, pointer);
      f.setConfigByte(static_cast<uint8_t>(pointer * 4), identifier);
    };
  };
  const CapabilityCase cases[] = {
      {"in the list", true, nullptr, 0x10, 0x60, 0, 0},
      {"first in the list", true, nullptr, 0x01, 0x40, 0, 0},
      {"other capability absent: no fallback", true, nullptr, 0x05, 0, -52006, 0},
      {"fallback after the list", false, fallbackTo(0x18, 0x10), 0x10, 0x60, 0, 1},
      {"fallback without a list",
       false,
       [=](kalsim::PciFunction& f) {
         f.removeCapabilityList();
         fallbackTo(0x18, 0x10)(f);
       },
       0x10, 0x60, 0, 1},
      {"fallback leads elsewhere", false, fallbackTo(0x18, 0x05), 0x10, 0, -52006, 1},
      {"fallback into the header", false, fallbackTo(0x0F, 0x10), 0x10, 0, -52006, 1},
      {"cyclic list", false, [](kalsim::PciFunction& f) { f.makeCapabilityListCyclic(); }, 0x10, 0, -52006, 1},
      {"cyclic list, other capability", false, [](kalsim::PciFunction& f) { f.makeCapabilityListCyclic(); }, 0x05, 0,
       -52006, 0},
      {"configuration read fails", true, [](kalsim::PciFunction& f) { f.failConfigReads(true); }, 0x10, 0, -52008, 0},
      {"probe write fails", false, [](kalsim::PciFunction& f) { f.failConfigWrites(true); }, 0x10, 0, -52008, 0},
  };
  for (const CapabilityCase& c : cases) {
    SCOPED_TRACE(c.name);
    kalsim::reset();
    kalsim::PciFunctionSetup setup;
    setup.pciExpress = c.express;
    kalsim::PciFunction& function = kalsim::addPciFunction(setup);
    if (c.prepare) c.prepare(function);
    const tPCIDescription description = pcitest::describe(function);
    tStatus status;
    EXPECT_EQ(tPCIDevice::findCapability(c.sought, description, status), c.offset);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(function.configWrites(), c.configWrites);
    // The identifier words stay as they were.
    EXPECT_EQ(function.configByte(0), 0xE1);
  }
}

TEST(PCIDeviceCapabilities, ErrorStatusReadsNothing) {
  kalsim::reset();
  kalsim::PciFunction& function = kalsim::addPciFunction();
  function.failConfigReads(true);
  tStatus status;
  vorlanSetCode(status, -52003);
  EXPECT_EQ(tPCIDevice::findCapability(0x10, pcitest::describe(function), status), 0);
  EXPECT_EQ(status.getCode(), -52003);
}

struct LinkCase {
  const char* name;
  bool express;
  std::function<void(kalsim::PciFunction&)> prepare;
  int64_t code;
  uint8_t maxSpeed, maxWidth, speed, width;
};

TEST(PCIDeviceLink, RefreshReadsLinkCapabilitiesAndStatus) {
  const LinkCase cases[] = {
      {"express", true, nullptr, 0, 3, 8, 3, 4},
      {"plain", false, nullptr, 0, 0, 0, 0, 0},
      {"unreadable space is plain", true, [](kalsim::PciFunction& f) { f.failConfigReads(true); }, 0, 0, 0, 0, 0},
      {"link registers past the end",
       false,
       [](kalsim::PciFunction& f) {
         f.removeCapabilityList();
         f.setConfigByte(0x0F, 0x3E);
         f.setConfigByte(0xF8, 0x10);
       },
       -52008, 0, 0, 0, 0},
  };
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.name);
    kalsim::reset();
    kalsim::PciFunctionSetup setup;
    setup.pciExpress = c.express;
    setup.linkCapabilities = 0x0083;
    setup.linkStatus = 0x0043;
    kalsim::PciFunction& function = kalsim::addPciFunction(setup);
    if (c.prepare) c.prepare(function);
    tStatus status;
    std::unique_ptr<tPCIDevice> device = makeDevice(function, status);
    device->refreshBusInformation(status);
    EXPECT_EQ(status.getCode(), c.code);
    const tPCIDescription& d = device->getDescription();
    EXPECT_EQ(d.pcieMaxLinkSpeed, c.maxSpeed);
    EXPECT_EQ(d.pcieMaxLinkWidth, c.maxWidth);
    EXPECT_EQ(d.pcieLinkSpeed, c.speed);
    EXPECT_EQ(d.pcieLinkWidth, c.width);
  }
}

TEST(PCIDeviceDescription, CopyPointsBackAtTheDeviceAndTheLayerView) {
  kalsim::reset();
  tStatus status;
  std::unique_ptr<tPCIDevice> device = makeDevice(kalsim::addPciFunction(), status);
  EXPECT_EQ(device->getDescription().device, reinterpret_cast<uint64_t>(device.get()));
  EXPECT_EQ(device->getLayerDeviceHandle(), reinterpret_cast<void*>(pcitest::kLayerDeviceHandle));
}

// ---- BARs and DMA

class PCIDeviceResources : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    kalsim::PciFunctionSetup setup;
    setup.resources[0] = {0xE000, 0x100, 1};
    setup.resources[1] = {0xFE000000, 0x10000, 2};
    setup.resources[2] = {0xFC000000, 0x40, 3};  // both bits: I/O space
    setup.resources[3] = {0xFD000000, 0x4000, 2};
    function_ = &kalsim::addPciFunction(setup);
    tStatus status;
    device_ = makeDevice(*function_, status);
    ASSERT_EQ(status.getCode(), 0);
  }

  kalsim::PciFunction* function_ = nullptr;
  std::unique_ptr<tPCIDevice> device_;
};

TEST_F(PCIDeviceResources, MapsMemoryBarsByTheirIndexInTheMemoryList) {
  ASSERT_EQ(device_->getDescription().memoryBarCount, 2);
  tStatus status;
  void* bar0 = device_->mapBARToKernel(0, status, 0);
  void* bar1 = device_->mapBARToKernel(1, status, 1);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_NE(bar0, nullptr);
  const std::vector<kalsim::KernelMapping> mappings = kalsim::kernelMappings();
  ASSERT_EQ(mappings.size(), 2u);
  EXPECT_EQ(mappings[0].physical, 0xFE000000u);
  EXPECT_EQ(mappings[0].length, 0x10000u);
  EXPECT_EQ(mappings[0].cacheMode, 0u);
  EXPECT_EQ(mappings[1].physical, 0xFD000000u);
  EXPECT_EQ(mappings[1].cacheMode, 1u);

  device_->unmapFromKernel(nullptr, 0);
  EXPECT_EQ(kalsim::liveKernelMappings(), 2u);
  device_->unmapFromKernel(bar0, 0);
  device_->unmapFromKernel(bar1, 1);
  EXPECT_EQ(kalsim::liveKernelMappings(), 0u);
}

TEST_F(PCIDeviceResources, RefusedMappingsMapNothing) {
  struct Case {
    uint8_t index;
    uint32_t failNth;
    int64_t code;
  };
  for (const Case& c : {Case{2, 0, -52005}, Case{6, 0, -52005}, Case{255, 0, -52005}, Case{0, 1, -52000}}) {
    kalsim::failKernelMapping(c.failNth);
    tStatus status;
    EXPECT_EQ(device_->mapBARToKernel(c.index, status, 0), nullptr);
    EXPECT_EQ(status.getCode(), c.code) << int(c.index);
    EXPECT_EQ(kalsim::liveKernelMappings(), 0u);
  }
}

TEST_F(PCIDeviceResources, DMAMaskFallsBackTo32Bits) {
  struct Case {
    const char* name;
    tDMAConfiguration::tDMAType type;
    bool refuse64;
    bool refuse32;
    int64_t code;
    tDMAConfiguration::tDMAType recorded;
    std::vector<uint64_t> masks;
  };
  const uint64_t all = ~0ull;
  const uint64_t low = 0xFFFFFFFFull;
  const Case cases[] = {
      {"64 bits", tDMAConfiguration::kDMAType64Bit, false, false, 0, tDMAConfiguration::kDMAType64Bit, {all}},
      {"64 refused", tDMAConfiguration::kDMAType64Bit, true, false, 0, tDMAConfiguration::kDMAType32Bit, {all, low}},
      {"both refused", tDMAConfiguration::kDMAType64Bit, true, true, -52008, tDMAConfiguration::kDMATypeNone,
       {all, low}},
      {"32 bits", tDMAConfiguration::kDMAType32Bit, false, false, 0, tDMAConfiguration::kDMAType32Bit, {low}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    function_->refuseDMAMask64(c.refuse64);
    function_->refuseDMAMask32(c.refuse32);
    tStatus status;
    device_->configureDMA(c.type, status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(device_->getDMAConfiguration().getType(), c.recorded);
    EXPECT_EQ(device_->getDMAConfiguration().getDescription(),
              c.code == 0 ? &device_->getDescription() : nullptr);
    EXPECT_EQ(function_->dmaMasksRequested(), c.masks);
  }
}

// ---- interrupts

class tRecordingHandler : public iPrimaryInterruptHandler {
 public:
  bool handlePrimaryInterrupt() override {
    ++calls;
    inInterrupt = kalsim::inInterruptContext();
    if (deferredCall != nullptr) tDevice::scheduleDPC(deferredCall);
    return answer;
  }
  bool answer = true;
  int calls = 0;
  bool inInterrupt = false;
  void* deferredCall = nullptr;
};

struct tDeferredCall {
  void* vtableStandIn;
  void* handle;
  bool ran;
  bool ranInInterrupt;
};

class PCIDeviceInterrupts : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    kalsim::PciFunctionSetup setup;
    setup.lineInterrupt = 17;
    tStatus status;
    device_ = makeDevice(kalsim::addPciFunction(setup), status);
    ASSERT_EQ(status.getCode(), 0);
  }

  std::unique_ptr<tPCIDevice> device_;
  tRecordingHandler handler_;
};

TEST_F(PCIDeviceInterrupts, TrampolineCallsTheHandlerInInterruptContext) {
  tStatus status;
  device_->reserveInterrupt(&handler_, status, 0);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<kalsim::ReservedInterrupt> reserved = kalsim::reservedInterrupts();
  ASSERT_EQ(reserved.size(), 1u);
  EXPECT_EQ(reserved[0].interrupt, 17u);
  EXPECT_EQ(reserved[0].component, "vorlan_driver");
  EXPECT_EQ(reserved[0].flags, 1u);

  EXPECT_EQ(kalsim::raiseInterrupt(17), 1);
  EXPECT_EQ(handler_.calls, 1);
  EXPECT_TRUE(handler_.inInterrupt);
  handler_.answer = false;
  EXPECT_EQ(kalsim::raiseInterrupt(17), 0);

  device_->relinquishInterrupt();
  device_->relinquishInterrupt();
  EXPECT_TRUE(kalsim::reservedInterrupts().empty());
  EXPECT_EQ(kalsim::relinquishCalls(), 1u);
  EXPECT_EQ(kalsim::raiseInterrupt(17), -1);
}

TEST_F(PCIDeviceInterrupts, DeferredCallRunsAfterTheRoutineOutsideInterruptContext) {
  tDeferredCall call{nullptr, nullptr, false, false};
  call.handle = nKIVKAL100_createDPC([](void* object) {
    tDeferredCall* self = static_cast<tDeferredCall*>(object);
    self->ran = true;
    self->ranInInterrupt = kalsim::inInterruptContext();
  });
  handler_.deferredCall = &call;
  tStatus status;
  device_->reserveInterrupt(&handler_, status, 0);
  EXPECT_EQ(kalsim::raiseInterrupt(17), 1);
  EXPECT_TRUE(call.ran);
  EXPECT_FALSE(call.ranInInterrupt);
  EXPECT_EQ(kalsim::pendingDPCs(), 0u);
  device_->relinquishInterrupt();
  nKIVKAL100_destroyDPC(call.handle);
}

TEST_F(PCIDeviceInterrupts, RefusedReservationLeavesNothingToRelinquish) {
  kalsim::setReserveInterruptResult(-51300);
  tStatus status;
  device_->reserveInterrupt(&handler_, status, 0);
  EXPECT_EQ(status.getCode(), -52020);
  device_->relinquishInterrupt();
  EXPECT_EQ(kalsim::relinquishCalls(), 0u);

  const uint64_t spinLocks = kalsim::liveSpinLocks();
  tStatus locked;
  EXPECT_EQ(device_->reserveInterruptWithLock(&handler_, locked, 0), nullptr);
  EXPECT_EQ(locked.getCode(), -52020);
  EXPECT_EQ(kalsim::liveSpinLocks(), spinLocks);
}

TEST_F(PCIDeviceInterrupts, LockedReservationRunsUnderItsLock) {
  const uint64_t spinLocks = kalsim::liveSpinLocks();
  tStatus status;
  void** lock = device_->reserveInterruptWithLock(&handler_, status, 4);
  ASSERT_NE(lock, nullptr);
  ASSERT_NE(*lock, nullptr);
  EXPECT_EQ(kalsim::reservedInterrupts()[0].flags, 5u);
  EXPECT_EQ(kalsim::liveSpinLocks(), spinLocks + 1);

  // The owner holds the lock: the routine waits for it.
  const uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(*lock);
  int32_t answer = -2;
  std::thread line([&] { answer = kalsim::raiseInterrupt(17); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(handler_.calls, 0);
  nKIVKAL110_releaseSpinLockInterrupt(*lock, saved);
  line.join();
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(handler_.calls, 1);

  device_->relinquishInterruptWithLock(lock);
  EXPECT_TRUE(kalsim::reservedInterrupts().empty());
  EXPECT_EQ(kalsim::liveSpinLocks(), spinLocks);

  kalsim::failSpinLockCreation(1);
  tStatus noLock;
  EXPECT_EQ(device_->reserveInterruptWithLock(&handler_, noLock, 0), nullptr);
  EXPECT_EQ(noLock.getCode(), -52000);
  EXPECT_TRUE(kalsim::reservedInterrupts().empty());
}

TEST_F(PCIDeviceInterrupts, DestroyedDeviceGivesItsInterruptBack) {
  tStatus status;
  device_->reserveInterrupt(&handler_, status, 0);
  ASSERT_EQ(kalsim::reservedInterrupts().size(), 1u);
  device_.reset();
  EXPECT_TRUE(kalsim::reservedInterrupts().empty());
}

}  // namespace
