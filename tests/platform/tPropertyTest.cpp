#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "platform/device/tDeviceInterface.h"
#include "platform/device/tProperty.h"
#include "platform/pci/tPCIDevice.h"
#include "platform/status/tStatus.h"
#include "tests/platform/pciTestSupport.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tDevice;
using vorlan_driver::nKIVAPAL000::tDeviceInterface;
using vorlan_driver::nKIVAPAL000::tPCIDevice;
using vorlan_driver::nKIVAPAL000::tProperty;

namespace {

uint32_t u32At(const kalsim::RegisteredProperty& property) {
  uint32_t value;
  std::memcpy(&value, property.value, 4);
  return value;
}

const std::vector<std::string> kPlainNames = {
    "busType",        "busSubType",           "pciBusNumber",   "pciDeviceNumber", "pciFunctionNumber", "pciVendorID",
    "pciDeviceID",    "pciSubsystemVendorID", "pciSubsystemID", "pciRevision",     "numaNode",          "pciSlotPath",
};

// A PCI device with device properties and two interfaces, as the device
// class of the board provides them.
class tPublishingDevice : public tPCIDevice {
 public:
  tPublishingDevice(const vorlan_driver::nKIVAPAL000::tPCIDescription& description, tStatus& status)
      : tPCIDevice(description, status) {
    manufacturer_.setString("Vorlan");
    serial_.setUInt32(0x1234);
    interfaceList_[0] = &interfaceA_;
    interfaceList_[1] = &interfaceB_;
    interfaceA_.setHandle(reinterpret_cast<void*>(0xA));
    interfaceB_.setHandle(reinterpret_cast<void*>(0xB));
  }
  tProperty** getDeviceProperties() override { return deviceList_; }
  tDeviceInterface** getDeviceInterfaces() override { return interfaceList_; }

 private:
  tProperty manufacturer_{"manufacturer", tProperty::kKindString};
  tProperty serial_{"serialNumber", tProperty::kKindUInt32};
  tProperty* deviceList_[3] = {&manufacturer_, &serial_, nullptr};
  tProperty alias_{"alias", tProperty::kKindString};
  tProperty* interfaceProperties_[2] = {&alias_, nullptr};
  tDeviceInterface interfaceA_{this, "smu_vorlan", interfaceProperties_};
  tDeviceInterface interfaceB_{this, "pxi_cooling", nullptr};
  tDeviceInterface* interfaceList_[3] = {nullptr, nullptr, nullptr};
};

class PropertyTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }

  std::unique_ptr<tPublishingDevice> makeDevice(const kalsim::PciFunctionSetup& setup) {
    kalsim::addPciBridge({0, 1, 0, 1, 1, 0});
    tStatus status;
    std::unique_ptr<tPublishingDevice> device(
        new tPublishingDevice(pcitest::describe(kalsim::addPciFunction(setup)), status));
    device->refreshBusInformation(status);
    device->buildBusProperties();
    EXPECT_EQ(status.getCode(), 0);
    return device;
  }
};

TEST_F(PropertyTest, PlainPCIPublishesTwelve) {
  kalsim::PciFunctionSetup setup;
  setup.pciExpress = false;
  setup.numaNode = -1;
  std::unique_ptr<tPublishingDevice> device = makeDevice(setup);
  EXPECT_EQ(device->getPropertyCount(), 12u);
  EXPECT_EQ(device->getBusProperties()[12], nullptr);

  tStatus status;
  tDevice::registerBusProperties(*device, status);
  EXPECT_EQ(status.getCode(), 0);
  const std::vector<kalsim::RegisteredProperty> registered = kalsim::registeredProperties();
  ASSERT_EQ(registered.size(), 12u);
  for (size_t i = 0; i < registered.size(); ++i) {
    EXPECT_EQ(registered[i].name, kPlainNames[i]);
    EXPECT_EQ(registered[i].scope, 1);
    EXPECT_EQ(registered[i].owner, reinterpret_cast<void*>(pcitest::kLayerDeviceHandle));
  }
  EXPECT_EQ(u32At(registered[0]), 0x20706369u);
  EXPECT_EQ(u32At(registered[1]), 0x20706369u);
  EXPECT_EQ(u32At(registered[2]), 1u);
  EXPECT_EQ(u32At(registered[5]), 0xF0E1u);
  EXPECT_EQ(registered[10].size, 4);
  EXPECT_EQ(static_cast<int32_t>(u32At(registered[10])), -1);
  EXPECT_EQ(std::string(static_cast<const char*>(registered[11].value)), "0000:00:08:00");
  EXPECT_EQ(registered[11].size, 14);
}

TEST_F(PropertyTest, PCIExpressPublishesSixteenWithTheLink) {
  kalsim::PciFunctionSetup setup;
  setup.linkCapabilities = 0x0082;  // 8 lanes at 5 GT/s
  setup.linkStatus = 0x0041;        // 4 lanes at 2.5 GT/s
  std::unique_ptr<tPublishingDevice> device = makeDevice(setup);
  EXPECT_EQ(device->getPropertyCount(), 16u);

  tStatus status;
  tDevice::registerBusProperties(*device, status);
  const std::vector<kalsim::RegisteredProperty> registered = kalsim::registeredProperties();
  ASSERT_EQ(registered.size(), 16u);
  EXPECT_EQ(u32At(registered[1]), 0x70636965u);
  const char* const linkNames[] = {"pcieMaxLinkWidth", "pcieLinkWidth", "pcieMaxTransferRate", "pcieTransferRate"};
  const uint32_t linkValues[] = {8, 4, 2, 1};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(registered[12 + i].name, linkNames[i]);
    EXPECT_EQ(u32At(registered[12 + i]), linkValues[i]);
    EXPECT_EQ(registered[12 + i].size, 4);
  }
}

TEST_F(PropertyTest, ThirdRefusalRollsTheListBackOnce) {
  std::unique_ptr<tPublishingDevice> device = makeDevice(kalsim::PciFunctionSetup());
  kalsim::failPropertyRegistration(3);
  tStatus status;
  tDevice::registerBusProperties(*device, status);
  EXPECT_EQ(status.getCode(), -52003);
  EXPECT_TRUE(kalsim::registeredProperties().empty());
  EXPECT_EQ(kalsim::propertyUnregistrations(), 2u);
  for (tProperty** p = device->getBusProperties(); *p != nullptr; ++p) EXPECT_EQ((*p)->getHandle(), nullptr);

  // The later lists are not attempted, and remove finds nothing to undo.
  tDevice::registerDeviceProperties(*device, status);
  EXPECT_TRUE(kalsim::registeredProperties().empty());
  tDevice::unregisterInterfaceProperties(*device);
  tDevice::unregisterDeviceProperties(*device);
  tDevice::unregisterBusProperties(*device);
  EXPECT_EQ(kalsim::propertyUnregistrations(), 2u);
}

TEST_F(PropertyTest, ThreeScopesRegisterUnderTheirOwnersAndUnregisterInReverse) {
  std::unique_ptr<tPublishingDevice> device = makeDevice(kalsim::PciFunctionSetup());
  tStatus status;
  tDevice::registerBusProperties(*device, status);
  tDevice::registerDeviceProperties(*device, status);
  tDevice::registerInterfaceProperties(*device, status);
  ASSERT_EQ(status.getCode(), 0);
  std::vector<kalsim::RegisteredProperty> registered = kalsim::registeredProperties();
  ASSERT_EQ(registered.size(), 16u + 2u + 1u);
  EXPECT_EQ(registered[16].scope, 0);
  EXPECT_EQ(registered[16].name, "manufacturer");
  EXPECT_EQ(registered[16].owner, reinterpret_cast<void*>(pcitest::kLayerDeviceHandle));
  EXPECT_EQ(registered[16].size, 7);
  EXPECT_EQ(registered[17].name, "serialNumber");
  EXPECT_EQ(registered[18].scope, 2);
  EXPECT_EQ(registered[18].name, "alias");
  EXPECT_EQ(registered[18].owner, reinterpret_cast<void*>(0xA));
  // A null string is published as an empty one.
  EXPECT_EQ(registered[18].value, nullptr);
  EXPECT_EQ(registered[18].size, 1);

  tDevice::unregisterInterfaceProperties(*device);
  EXPECT_EQ(kalsim::registeredProperties().size(), 18u);
  tDevice::unregisterDeviceProperties(*device);
  EXPECT_EQ(kalsim::registeredProperties().size(), 16u);
  tDevice::unregisterBusProperties(*device);
  EXPECT_TRUE(kalsim::registeredProperties().empty());
  tDevice::unregisterBusProperties(*device);
  EXPECT_EQ(kalsim::propertyUnregistrations(), 19u);
}

TEST(PropertyKinds, ValuePointerAndSizeFollowTheKind) {
  static const uint8_t block[5] = {1, 2, 3, 4, 5};
  struct Case {
    tProperty::tKind kind;
    int32_t size;
    bool pointsAtValue;
  };
  const Case cases[] = {
      {tProperty::kKindInt32, 4, true},   {tProperty::kKindUInt32, 4, true}, {tProperty::kKindInt64, 8, true},
      {tProperty::kKindUInt64, 8, true},  {tProperty::kKindString, 6, false},
      {tProperty::kKindByteBlock, 5, false},
  };
  for (const Case& c : cases) {
    tProperty property("p", c.kind);
    if (c.kind == tProperty::kKindString) {
      property.setString("hello");
    } else if (c.kind == tProperty::kKindByteBlock) {
      property.setByteBlock(block, sizeof(block));
    } else {
      property.setUInt64(0x1122334455667788ull);
    }
    const void* value = nullptr;
    int32_t size = 0;
    ASSERT_TRUE(property.getLayerValue(&value, &size));
    EXPECT_EQ(size, c.size) << c.kind;
    if (c.pointsAtValue) {
      uint32_t low;
      std::memcpy(&low, value, 4);
      EXPECT_EQ(low, 0x55667788u) << c.kind;
    }
  }
  tProperty empty("e", tProperty::kKindString);
  empty.setString("");
  const void* value = nullptr;
  int32_t size = 0;
  ASSERT_TRUE(empty.getLayerValue(&value, &size));
  EXPECT_EQ(size, 1);
}

TEST(PropertyKinds, APropertyTheLayerCannotTakeIsRefusedLikeAFailedRegistration) {
  static const uint8_t block[1] = {7};
  // Never read beyond the first byte: the size alone decides.
  struct Case {
    const char* what;
    tProperty::tKind kind;
    uint64_t blockSize;
  };
  const Case cases[] = {
      {"unknown kind", static_cast<tProperty::tKind>(77), 0},
      {"block past 31 bits", tProperty::kKindByteBlock, 0x80000000ull},
      {"block past 32 bits", tProperty::kKindByteBlock, 0x100000001ull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kalsim::reset();
    tProperty first("first", tProperty::kKindUInt32);
    tProperty refused("refused", c.kind);
    if (c.kind == tProperty::kKindByteBlock) refused.setByteBlock(block, c.blockSize);
    const void* value = nullptr;
    int32_t size = 0;
    EXPECT_FALSE(refused.getLayerValue(&value, &size));
    tProperty* list[] = {&first, &refused, nullptr};
    tStatus status;
    tDevice::registerPropertyList(0, nullptr, list, status);
    EXPECT_EQ(status.getCode(), -52003);
    EXPECT_TRUE(kalsim::registeredProperties().empty());
    EXPECT_EQ(first.getHandle(), nullptr);
  }

  // The largest block the layer's size can carry is still taken.
  tProperty largest("largest", tProperty::kKindByteBlock);
  largest.setByteBlock(block, 0x7FFFFFFFull);
  const void* value = nullptr;
  int32_t size = 0;
  ASSERT_TRUE(largest.getLayerValue(&value, &size));
  EXPECT_EQ(size, INT32_MAX);
}

}  // namespace
