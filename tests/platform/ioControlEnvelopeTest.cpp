// The ioctl callback's envelope rules, with an interface that answers what
// the test tells it to.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/device/tDevice.h"
#include "platform/device/tDeviceCore.h"
#include "platform/device/tDeviceInterface.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/device/tSession.h"
#include "platform/driver/pciIdentity.h"
#include "kal/include/tIOControlEnvelope.h"

namespace rt = vorlan_driver::nKIVAPAL000;
using nKIVAPALS100::tStatus;

namespace {

class BareDevice : public rt::tDeviceCore {
 public:
  explicit BareDevice(tStatus& status) : tDeviceCore(status) {}
  void refreshBusInformation(tStatus&) override {}
};

class ScriptedInterface : public rt::tDeviceInterface {
 public:
  explicit ScriptedInterface(rt::tDeviceCore* device) : tDeviceInterface(device, "scripted") {}
  uint64_t decodeIOControl(const rt::tEventDescriptor& descriptor, uint32_t code, uint64_t inboundPointer,
                           uint32_t inboundSize, uint64_t outboundPointer, uint32_t outboundSize,
                           tStatus& status) override {
    seenSession = descriptor.getSession();
    seen = {code, inboundPointer, inboundSize, outboundPointer, outboundSize};
    if (answerCode != 0) vorlanSetCode(status, answerCode);
    return answerBytes;
  }
  struct Seen {
    uint32_t code;
    uint64_t inboundPointer;
    uint32_t inboundSize;
    uint64_t outboundPointer;
    uint32_t outboundSize;
  } seen{};
  rt::tSession* seenSession = nullptr;
  uint64_t answerBytes = 0;
  int64_t answerCode = 0;
};

TEST(IOControlEnvelope, BytesReturnedIsWrittenBackOnlyWhenNotZero) {
  kalsim::reset();
  tStatus status;
  BareDevice device(status);
  ScriptedInterface interface(&device);
  rt::tSession session(&interface, status);
  ASSERT_EQ(status.getCode(), 0);

  struct Case {
    uint64_t bytes;
    int64_t code;
    int32_t result;
    uint32_t word;
  };
  const Case cases[] = {
      {0, 0, 0, 0xAAAAAAAA},
      {24, 0, 0, 24},
      {0x100000007ull, -52002, -51256, 7},  // only the low 32 bits count
      {0, -52003, -51150, 0xAAAAAAAA},
  };
  uint8_t inbound[12], outbound[24];
  for (const Case& c : cases) {
    rt::tIOControlEnvelope envelope{reinterpret_cast<uintptr_t>(inbound), reinterpret_cast<uintptr_t>(outbound), 12,
                                    24, 0xAAAAAAAA, 0x55555555};
    interface.answerBytes = c.bytes;
    interface.answerCode = c.code;
    EXPECT_EQ(rt::tDevice::kalIOControl(&session, 0xC0DE0001u, reinterpret_cast<uintptr_t>(&envelope)), c.result);
    EXPECT_EQ(envelope.bytesReturned, c.word) << c.bytes;
    EXPECT_EQ(envelope.reserved, 0x55555555u) << "never written";
    EXPECT_EQ(interface.seenSession, &session);
    EXPECT_EQ(interface.seen.code, 0xC0DE0001u);
    EXPECT_EQ(interface.seen.inboundPointer, reinterpret_cast<uintptr_t>(inbound));
    EXPECT_EQ(interface.seen.inboundSize, 12u);
    EXPECT_EQ(interface.seen.outboundPointer, reinterpret_cast<uintptr_t>(outbound));
    EXPECT_EQ(interface.seen.outboundSize, 24u);
  }
}

TEST(PCIIdentityTable, TextHoldsExactlyTheSupportedIdentities) {
  std::istringstream text(rt::getPCIIdentityTable());
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines.front(), "nKIVKAL200_beginPCIIDTable");
  EXPECT_EQ(lines.back(), "nKIVKAL200_endPCIIDTable");
  EXPECT_EQ(std::string(rt::getPCIIdentityTable()).back(), '\n');
  for (uint32_t i = 0; i < rt::kSupportedIdentityCount; ++i) {
    const rt::tPCIIdentity& id = rt::kSupportedIdentities[i];
    char expected[64];
    std::snprintf(expected, sizeof expected, "0x%04X 0x%04X 0x%04X 0x%04X none none", id.vendorID, id.deviceID,
                  id.subsystemVendorID, id.subsystemID);
    EXPECT_EQ(lines[i + 1], expected);
    EXPECT_TRUE(rt::isSupportedIdentity(id.vendorID, id.deviceID, id.subsystemVendorID, id.subsystemID));
    EXPECT_EQ(id.vendorID, rt::kSupportedIdentities[0].vendorID) << "one vendor";
    EXPECT_EQ(id.deviceID, rt::kSupportedIdentities[0].deviceID) << "one device";
  }
  const rt::tPCIIdentity& first = rt::kSupportedIdentities[0];
  EXPECT_FALSE(rt::isSupportedIdentity(first.vendorID, first.deviceID, first.subsystemVendorID, 0x7A03));
  EXPECT_FALSE(rt::isSupportedIdentity(first.vendorID, first.deviceID, 0x1234, first.subsystemID));
}

}  // namespace
