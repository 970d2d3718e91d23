// The driver as the kernel layer sees it: every step through the function
// pointers the driver put into its record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "device/QuillHelper.h"
#include "kal/host/tHostHarness.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/tIOControlEnvelope.h"
#include "platform/driver/tNotifierCreationRecord.h"
#include "platform/pci/tPCIDevice.h"
#include "simboard/QuillBoard.h"
#include "tests/support/allocationFailures.h"

namespace {

using vorlan_driver::nKIVAPAL000::tIOControlEnvelope;
using vorlan_driver::nKIVAPAL000::tNotifierCreationRecord;

constexpr int32_t kNotSupported = -51256;
constexpr uint32_t kRoutingNotifier = 0x80000000u;

uint64_t address(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer); }

uint64_t liveKernelObjects() {
  return kalsim::liveMutexes() + kalsim::liveSpinLocks() + kalsim::liveKernelMappings();
}

// The board's function, its BAR mapped onto the board, not yet offered.
kalsim::PciFunction& offerable(simboard::QuillBoard& board, kalsim::PciFunctionSetup setup = {}) {
  const uint64_t physical = address(board.bar0());
  kalsim::mapPhysicalRangeTo(physical, simboard::SimBoard::kBar0Size, board.bar0());
  setup.resources[0] = kalsim::PciResource{physical, simboard::SimBoard::kBar0Size, 1u << 1};
  return kalsim::addPciFunction(setup);
}

class DriverEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }

  const vorlan_driver::nKIVAPAL000::tPCIDevice& device() const {
    return *reinterpret_cast<const vorlan_driver::nKIVAPAL000::tPCIDevice*>(host.deviceWord());
  }

  simboard::QuillBoard board;
  kalsim::tHostHarness host;
};

TEST_F(DriverEndToEndTest, LoadAddOpenRequestCloseRemoveDeleteUnload) {
  ASSERT_EQ(host.load(), 0);
  ASSERT_EQ(host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size), 0);
  ASSERT_NE(host.deviceWord(), 0u);

  const auto interfaces = kalsim::registeredInterfaces();
  ASSERT_EQ(interfaces.size(), 2u);
  EXPECT_EQ(interfaces[0].name, "smu_vorlan");
  EXPECT_EQ(interfaces[0].index, 0u);
  EXPECT_EQ(interfaces[1].name, "nPXICOOLING_17_2_pxiCooling");
  EXPECT_EQ(interfaces[1].index, 1u);
  EXPECT_EQ(kalsim::userspaceAddEvents(), (std::vector<void*>{interfaces[0].handle, interfaces[1].handle}));
  std::vector<std::string> names;
  for (const auto& property : kalsim::registeredProperties()) names.push_back(property.name);
  ASSERT_EQ(names.size(), 20u);
  EXPECT_EQ(names.front(), "busType");
  EXPECT_EQ(std::vector<std::string>(names.end() - 4, names.end()),
            (std::vector<std::string>{"serialNumber", "modelName", "manufacturerName", "pxiGeographicAddress"}));
  // The slot the board's bridge reports through its capability chain.
  const kalsim::RegisteredProperty geographic = kalsim::registeredProperties().back();
  ASSERT_EQ(geographic.size, 4);
  EXPECT_EQ(*static_cast<const uint32_t*>(geographic.value), simboard::QuillBoard::kDefaultSlot);

  void* session = nullptr;
  ASSERT_EQ(host.open("smu_vorlan", &session), 0);
  ASSERT_NE(session, nullptr);

  // No decoder answers yet: not supported, and 0 bytes leave the caller's word.
  uint8_t inbound[8] = {}, outbound[8] = {};
  uint32_t bytesReturned = 0xDEADBEEF;
  EXPECT_EQ(host.request(session, 0xC0108000u, inbound, 8, outbound, 8, &bytesReturned), kNotSupported);
  EXPECT_EQ(bytesReturned, 0xDEADBEEFu);
  // An unreadable envelope: the layer's code comes back as it was.
  tIOControlEnvelope envelope{};
  kalsim::markUserRangeBad(&envelope, sizeof envelope, -51550);
  EXPECT_EQ(host.ioctl(session, 0xC0108000u, address(&envelope)), -51550);
  kalsim::clearBadUserRanges();

  // Start-up stops at its first unbuilt level and says so, and the routing
  // notifier, which needs a fully set-up device, is refused with that code;
  // a fully set-up device opens it and closing it sends the close message.
  const uint32_t reached = vorlan_driver::QuillHelper::highestBuiltLevel();
  const auto lines = kalsim::printedLines();
  const auto stops = std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.find("start-up stops before level") != std::string::npos;
  });
  tNotifierCreationRecord notifier{0x1122334455667788ull, 4242, kRoutingNotifier};
  if (reached < vorlan_shared::SetupLevel::kFull) {
    const std::string stopLine = "start-up stops before level " + std::to_string(reached + 1) + ": " +
                                 vorlan_driver::QuillHelper::missingSubsystemOf(reached + 1) + " is not built";
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line.find(stopLine) != std::string::npos; }),
              1);
    EXPECT_EQ(host.ioctl(session, 0x4010FF00u, address(&notifier)), kNotSupported);
    EXPECT_EQ(host.ioctl(session, 0xFF01u, kRoutingNotifier), 0) << "closing what never opened is quiet";
    EXPECT_TRUE(kalsim::socketMessages().empty());
  } else {
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(host.ioctl(session, 0x4010FF00u, address(&notifier)), 0);
    EXPECT_EQ(host.ioctl(session, 0xFF01u, kRoutingNotifier), 0);
    EXPECT_EQ(kalsim::socketMessages().size(), 1u) << "closing sends the close message";
  }
  kalsim::markUserRangeBad(&notifier, sizeof notifier);
  EXPECT_EQ(host.ioctl(session, 0x4010FF00u, address(&notifier)), -51009) << "translated there and back";
  kalsim::clearBadUserRanges();

  // Byte streams and maps are refused and report nothing made.
  uint8_t buffer[16];
  uint64_t transferred = 99;
  EXPECT_EQ(host.read(session, buffer, sizeof buffer, &transferred), kNotSupported);
  EXPECT_EQ(transferred, 0u);
  transferred = 99;
  EXPECT_EQ(host.write(session, buffer, sizeof buffer, &transferred), kNotSupported);
  EXPECT_EQ(transferred, 0u);
  void* mapHandle = kalsim::createUserMemMap(4096, buffer, 16);
  int32_t made = 7;
  void* mapObject = &made;
  EXPECT_EQ(host.mmap(session, 3, mapHandle, &made, &mapObject), kNotSupported);
  EXPECT_EQ(made, 7);
  EXPECT_EQ(mapObject, &made);
  kalsim::failAllocationOnThisThread(1);
  EXPECT_EQ(host.mmap(session, 3, mapHandle, &made, &mapObject), -51352) << "no memory for the map is no success";
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(made, 7);
  EXPECT_EQ(mapObject, &made);

  host.close(session);
  host.removeDevice();
  EXPECT_TRUE(kalsim::registeredInterfaces().empty());
  EXPECT_TRUE(kalsim::registeredProperties().empty());
  EXPECT_EQ(kalsim::interfaceUnregistrations(), 2u);
  const uint32_t propertyUnregistrations = kalsim::propertyUnregistrations();
  host.removeDevice();
  EXPECT_EQ(kalsim::interfaceUnregistrations(), 2u) << "a second remove does nothing";
  EXPECT_EQ(kalsim::propertyUnregistrations(), propertyUnregistrations);
  host.deleteDevice();
  host.unload();
  EXPECT_EQ(liveKernelObjects(), 0u);
}

TEST_F(DriverEndToEndTest, AnyFailedStepLeavesNoDeviceBehind) {
  struct Case {
    const char* what;
    uint16_t subsystemID;
    std::function<void()> arm;
    int32_t result;
    uint32_t interfaceUnregistrations;
    uint32_t propertyUnregistrations;
  };
  const Case cases[] = {
      {"unsupported identity", 0x7A03, [] {}, -51150, 0, 0},
      {"no memory for the device", 0x7A01, [] { kalsim::failAllocationOnThisThread(1); }, -51352, 0, 0},
      {"second interface refused", 0x7A02, [] { kalsim::failInterfaceRegistration(2); }, -51352, 1, 0},
      {"a PCI property refused", 0x7A11, [] { kalsim::failPropertyRegistration(3); }, -51150, 2, 2},
      {"a device property refused", 0x7A12, [] { kalsim::failPropertyRegistration(17); }, -51150, 2, 16},
  };
  for (const Case& c : cases) {
    kalsim::reset();
    simboard::QuillBoard caseBoard;
    kalsim::tHostHarness caseHost;
    ASSERT_EQ(caseHost.load(), 0);
    // What the loaded driver holds without a device (its load-time locks).
    const uint64_t loaded = liveKernelObjects();
    kalsim::PciFunctionSetup setup;
    setup.subsystemID = c.subsystemID;
    kalsim::PciFunction& function = offerable(caseBoard, setup);

    c.arm();
    EXPECT_EQ(caseHost.addDevice(function), c.result) << c.what;
    kalsim::failAllocationOnThisThread(0);
    EXPECT_EQ(caseHost.deviceWord(), 0u) << c.what;
    EXPECT_TRUE(kalsim::registeredInterfaces().empty()) << c.what;
    EXPECT_TRUE(kalsim::registeredProperties().empty()) << c.what;
    EXPECT_TRUE(kalsim::userspaceAddEvents().empty()) << c.what;
    EXPECT_EQ(kalsim::interfaceUnregistrations(), c.interfaceUnregistrations) << c.what;
    EXPECT_EQ(kalsim::propertyUnregistrations(), c.propertyUnregistrations) << c.what;
    EXPECT_EQ(liveKernelObjects(), loaded) << c.what;
    caseHost.unload();
    EXPECT_EQ(liveKernelObjects(), 0u) << c.what;
  }
}

// Every allocation add device makes fails in turn. A failure before the
// device stands ends add device with the layer's out-of-memory code; one in
// start-up stays in the device's setup tracker and the device is added. Each
// run ends with nothing registered, mapped, locked or allocated once the
// device (if any) is removed and deleted, and the first run with memory
// enough adds the device.
TEST_F(DriverEndToEndTest, AddDeviceSurvivesEveryAllocationFailingInTurn) {
  ASSERT_EQ(host.load(), 0);
  kalsim::PciFunction& function = offerable(board);
  const uint64_t objects = liveKernelObjects();
  const uint64_t allocations = kalsim::liveDriverAllocations();
  uint32_t refused = 0;
  const uint32_t failures = testsupport::forEveryAllocationFailure([&](testsupport::AllocationFailure& failure) {
    const int32_t result = host.addDevice(function);
    failure.disarm();
    if (!failure.hit()) {
      EXPECT_EQ(result, 0);
      return;
    }
    const uint32_t nth = failure.nth();
    if (result == 0) {
      EXPECT_NE(host.deviceWord(), 0u) << nth;
      host.removeDevice();
      host.deleteDevice();
    } else {
      ++refused;
      EXPECT_EQ(result, -51352) << nth;
      EXPECT_EQ(host.deviceWord(), 0u) << nth;
    }
    EXPECT_TRUE(kalsim::registeredInterfaces().empty()) << nth;
    EXPECT_TRUE(kalsim::registeredProperties().empty()) << nth;
    EXPECT_EQ(liveKernelObjects(), objects) << nth;
    EXPECT_EQ(kalsim::liveDriverAllocations(), allocations) << nth;
  });
  EXPECT_GE(refused, 4u) << "the device object and what it holds before start-up";
  EXPECT_GT(failures, refused) << "start-up allocates too";
  ASSERT_NE(host.deviceWord(), 0u);
  host.removeDevice();
  host.deleteDevice();
  host.unload();
  EXPECT_EQ(liveKernelObjects(), 0u);
}

TEST_F(DriverEndToEndTest, ARefusedMSIKeepsTheLineInterruptAndBothFlagsMeanIOSpace) {
  ASSERT_EQ(host.load(), 0);
  kalsim::PciFunctionSetup setup;
  setup.grantMSI = false;
  setup.resources[1] = kalsim::PciResource{0x2000, 0x100, 3};
  ASSERT_EQ(host.addDevice(offerable(board, setup)), 0);
  const auto& description = device().getDescription();
  EXPECT_EQ(description.interruptKind, 6u);
  EXPECT_EQ(description.interrupt, 11u);
  EXPECT_EQ(description.msiGranted, 0u);
  EXPECT_EQ(description.memoryBarCount, 1u);
  EXPECT_EQ(description.ioBarCount, 1u);
  EXPECT_EQ(description.ioBars[0].start, 0x2000u);
}

TEST_F(DriverEndToEndTest, AGrantedMSIReplacesTheLineInterrupt) {
  ASSERT_EQ(host.load(), 0);
  ASSERT_EQ(host.addDevice(offerable(board)), 0);
  const auto& description = device().getDescription();
  EXPECT_EQ(description.interruptKind, 0u);
  EXPECT_EQ(description.interrupt, 40u);
  EXPECT_EQ(description.msiGranted, 1u);
}

TEST_F(DriverEndToEndTest, AFailedStartUpStillPublishesTheDevice) {
  board.setOldestCompatibleBoardRevision(9);
  ASSERT_EQ(host.load(), 0);
  EXPECT_EQ(host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size), 0);
  EXPECT_EQ(kalsim::registeredInterfaces().size(), 2u);
  void* session = nullptr;
  EXPECT_EQ(host.open("nPXICOOLING_17_2_pxiCooling", &session), 0);
  // The routing notifier needs a fully set-up device: the failure shows.
  tNotifierCreationRecord notifier{1, 2, kRoutingNotifier};
  EXPECT_EQ(host.ioctl(session, 0x4010FF00u, address(&notifier)), -51001) << "a driver code the layer does not know";
  host.close(session);
}

}  // namespace
