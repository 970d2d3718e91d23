// Register maps, device windows and storage maps by name, through the
// envelope on the simulated board: lookups with and without versions, the
// Ex selector, register formats, the registration list and names table.
#include <cstring>
#include <list>
#include <string>

#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

// The whole register at offset 0x0, named from its read side.
constexpr uint32_t kSignatureRegister = 0xC0000000u;
constexpr uint32_t kBridgeSignature = 0xC0107AD0u;
constexpr uint32_t kNamePointer = 0;
constexpr uint32_t kNameLength = 8;
constexpr uint32_t kRegisterId = 16;
constexpr uint32_t kSelector = 24;

class ByNameRequestsTest : public SharedEnvelopeTest {
 protected:
  // A request of the row whose name fields point at `name`.
  Exchange named(const char* request, const std::string& name, int32_t statusWord = 0) {
    Exchange exchange = recordsFor(row(request), statusWord);
    names.push_back(name);
    exchange.put<uint64_t>(kNamePointer, address(names.back().data()));
    exchange.put<uint64_t>(kNameLength, names.back().size());
    return exchange;
  }
  Exchange readSignature(const std::string& name, const char* request = "arm_read") {
    Exchange exchange = named(request, name);
    exchange.put<uint32_t>(kRegisterId, kSignatureRegister);
    send(session, row(request).code, exchange);
    return exchange;
  }
  std::list<std::string> names;
};

TEST_F(ByNameRequestsTest, ArmReadOfTheBridgeSignature) {
  Exchange exchange = readSignature("Tarn_Ver23.3.0f121");
  EXPECT_EQ(exchange.result, 0);
  EXPECT_EQ(exchange.bytesReturned, 8u);
  EXPECT_EQ(statusOf(row("arm_read"), exchange), 0);
  EXPECT_EQ(exchange.get<uint32_t>(0), kBridgeSignature);
}

TEST_F(ByNameRequestsTest, LookupsCheckNameAndVersion) {
  struct Case {
    const char* name;
    int32_t status;
  };
  for (const Case& c : {Case{"Tarn", -240023}, Case{"Tarn_Ver23.3.0f122", 240000}, Case{"Tarn_Ver23.3.0f120", -240000},
                        Case{"Tarn_Verx", -240008}, Case{"Tar", -240024}, Case{"tarn", -240024},
                        Case{"Tarn_Ver23.3.0f121 ", -240008}, Case{"", -240024}}) {
    SCOPED_TRACE(c.name);
    Exchange exchange = readSignature(c.name);
    EXPECT_EQ(statusOf(row("arm_read"), exchange), c.status);
    EXPECT_EQ(exchange.get<uint32_t>(0), c.status >= 0 ? kBridgeSignature : 0u);
  }
  // Windows carry no version.
  for (const Case& c : {Case{"flashWindow", 0}, Case{"flashWindow_Ver1.0.0f0", -240022}}) {
    SCOPED_TRACE(c.name);
    Exchange exchange = named("deviceWindow_getSizeInBytes", c.name);
    send(session, row("deviceWindow_getSizeInBytes").code, exchange);
    EXPECT_EQ(statusOf(row("deviceWindow_getSizeInBytes"), exchange), c.status);
    EXPECT_EQ(exchange.get<uint64_t>(0) != 0, c.status == 0);
  }
}

TEST_F(ByNameRequestsTest, ANameLengthThatCannotBeCopiedIsRefusedBeforeAnyCopy) {
  Exchange exchange = named("arm_read", "Tarn_Ver23.3.0f121");
  exchange.put<uint64_t>(kNameLength, UINT64_MAX);
  const uint64_t copies = kalsim::userCopies();
  send(session, row("arm_read").code, exchange);
  EXPECT_EQ(statusOf(row("arm_read"), exchange), -52005);
  // The envelope, both records and the byte count only.
  EXPECT_EQ(kalsim::userCopies() - copies, 4u);
}

TEST_F(ByNameRequestsTest, ExFormsTakeA24BitSelector) {
  for (uint64_t selector : {uint64_t{0}, uint64_t{0xFFFFFF}, uint64_t{0x1000000}}) {
    SCOPED_TRACE(selector);
    Exchange exchange = named("arm_readEx", "Tarn_Ver23.3.0f121");
    exchange.put<uint32_t>(kRegisterId, kSignatureRegister);
    exchange.put<uint64_t>(kSelector, selector);
    send(session, row("arm_readEx").code, exchange);
    const bool served = selector <= 0xFFFFFF;
    EXPECT_EQ(statusOf(row("arm_readEx"), exchange), served ? 0 : -52002);
    EXPECT_EQ(exchange.get<uint64_t>(0), served ? kBridgeSignature : 0u);
  }
}

TEST_F(ByNameRequestsTest, RegisterFormatsFitTheCallersCapacity) {
  const tRequestRow& format = row("arm_getRegisterFormat");
  for (uint32_t capacity : {0u, 64u, 1000u}) {
    SCOPED_TRACE(capacity);
    std::vector<uint8_t> types(64, 0xEE);
    std::vector<uint64_t> masks(64, 0xEEEEEEEEEEEEEEEEu);
    Exchange exchange = named("arm_getRegisterFormat", "Tarn_Ver23.3.0f121");
    exchange.put<uint32_t>(kRegisterId, kSignatureRegister);
    exchange.put<uint32_t>(20, capacity);
    exchange.put<uint64_t>(24, address(types.data()));
    exchange.put<uint64_t>(32, address(masks.data()));
    send(session, format.code, exchange);
    if (capacity == 0) {
      EXPECT_EQ(statusOf(format, exchange), -52019);
      EXPECT_EQ(exchange.get<uint32_t>(0), 0u);  // the caller's capacity, as preset
      EXPECT_EQ(types[0], 0xEE);
      continue;
    }
    EXPECT_EQ(statusOf(format, exchange), 0);
    EXPECT_EQ(exchange.get<uint32_t>(0), 1u);  // one 32-bit field
    EXPECT_EQ(masks[0], 0xFFFFFFFFu);
    EXPECT_EQ(types[1], 0xEE);
    EXPECT_EQ(masks[1], 0xEEEEEEEEEEEEEEEEu);
  }
}

// Adds a registration: a device of its own.
class ByNameRegistrationsTest : public RequestEnvelopeTest {
 protected:
  armki::ARMDispatcher& registerDispatcher() { return device().getHardwareOwner()->getRegisterDispatcher(); }
};

TEST_F(ByNameRegistrationsTest, TheRegistrationListAndNamesTableAgree) {
  armki::tRegisterMapInterface* tarn = nullptr;
  nKIVAPALS100::tStatus status;
  registerDispatcher().getRegistration("Tarn_Ver23.3.0f121", &tarn, status, nullptr);
  // A name of exactly one slot fills it without a terminator.
  const std::string longName(64, 'L');
  registerDispatcher().add(longName.c_str(), *tarn, status);
  ASSERT_EQ(status.getCode(), 0);

  const uint64_t count = call(session, row("arm_getNumberOfRegistrations")).get<uint64_t>(0);
  ASSERT_GE(count, 2u);
  std::vector<char> table(count * 64, 0x11);
  Exchange names = recordsFor(row("arm_getRegistrationNames"));
  names.put<uint64_t>(0, address(table.data()));
  send(session, row("arm_getRegistrationNames").code, names);
  ASSERT_EQ(statusOf(row("arm_getRegistrationNames"), names), 0);
  std::string joined;
  for (uint64_t i = 0; i < count; ++i) {
    const char* slot = table.data() + i * 64;
    joined += (i == 0 ? "" : "\t") + std::string(slot, strnlen(slot, 64));
  }
  EXPECT_EQ(std::string(table.data() + (count - 1) * 64, 64), longName);

  const uint64_t size = call(session, row("arm_getSizeOfRegistrationList")).get<uint64_t>(0);
  EXPECT_EQ(size, joined.size() + 1);
  std::vector<char> list(size, 0x11);
  Exchange listed = recordsFor(row("arm_getRegistrationList"));
  listed.put<uint64_t>(0, address(list.data()));
  send(session, row("arm_getRegistrationList").code, listed);
  EXPECT_EQ(statusOf(row("arm_getRegistrationList"), listed), 0);
  // The caller terminates the text: the last byte is left alone.
  EXPECT_EQ(std::string(list.data(), size - 1), joined);
  EXPECT_EQ(list.back(), 0x11);
}

TEST_F(ByNameRequestsTest, WindowAndStorageMapTransfers) {
  std::vector<uint8_t> bytes(16, 0);
  Exchange read = named("deviceWindow_get", "flashWindow");
  read.put<uint64_t>(24, bytes.size());
  read.put<uint64_t>(32, address(bytes.data()));
  send(session, row("deviceWindow_get").code, read);
  EXPECT_EQ(statusOf(row("deviceWindow_get"), read), 0);
  EXPECT_NE(std::vector<uint8_t>(16, 0), bytes);

  // An element size of 0 is refused before the name is looked up.
  Exchange raw = named("storageMap_getRaw", "NoSuchMap");
  raw.put<uint64_t>(32, 1);
  send(session, row("storageMap_getRaw").code, raw);
  EXPECT_EQ(statusOf(row("storageMap_getRaw"), raw), -240015);
}

}  // namespace
}  // namespace requesttest
