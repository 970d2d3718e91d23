// The main job: the driver end to end over the stand-in kernel layer and the
// simulated board, through the driver record as the real layer drives it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "device/QuillDevice.h"
#include "device/QuillHelper.h"
#include "kal/host/tHostHarness.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "requests/RequestRecords.h"
#include "simboard/QuillBoard.h"

namespace {

// A text property is printable characters and its terminator; a 4- or
// 8-byte number is taken for text only when it reads that way too.
bool isText(const unsigned char* bytes, int32_t size) {
  if (size < 1 || bytes[size - 1] != 0) return false;
  for (int32_t i = 0; i + 1 < size; ++i) {
    if (bytes[i] < 0x20 || bytes[i] > 0x7E) return false;
  }
  return true;
}

// The names a dispatcher publishes, joined by ", ".
template <typename Dispatcher>
std::string publishedNames(Dispatcher& dispatcher) {
  constexpr uint64_t kSlot = Dispatcher::kNameSlotSize;
  const uint64_t count = dispatcher.getNumberOfRegistrations();
  std::vector<char> slots(count * kSlot + 1, '\0');
  nKIVAPALS100::tStatus status;
  dispatcher.getRegistrationNames(slots.data(), status);
  std::string joined;
  for (uint64_t i = 0; i < count; ++i) {
    const char* slot = slots.data() + i * kSlot;
    joined += (i == 0 ? "" : ", ") + std::string(slot, strnlen(slot, kSlot));
  }
  return joined;
}

std::string describeValue(const kalsim::RegisteredProperty& property) {
  const auto* bytes = static_cast<const unsigned char*>(property.value);
  if (isText(bytes, property.size)) return "\"" + std::string(reinterpret_cast<const char*>(bytes)) + "\"";
  char text[64];
  if (property.size == 4) {
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
  }
  if (property.size == 8) {
    unsigned long long value;
    std::memcpy(&value, bytes, sizeof value);
    std::snprintf(text, sizeof text, "0x%llX", value);
    return text;
  }
  std::snprintf(text, sizeof text, "(%d bytes)", property.size);
  return text;
}

}  // namespace

int main() {
  kalsim::tHostHarness host;
  simboard::QuillBoard board;

  std::printf("== load\n");
  const int32_t loaded = host.load();
  std::printf("driverEntry returned %d; driver name \"%s\"\n", loaded, host.record().name);
  if (loaded < 0) return 1;

  std::printf("== add the simulated board\n");
  const int32_t added = host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size);
  std::printf("add device returned %d\n", added);
  if (added < 0) return 1;
  // A look inside, for the reader: the layer itself cannot see the level.
  const auto* device = static_cast<const vorlan_driver::QuillDevice*>(
      reinterpret_cast<vorlan_driver::nKIVAPAL000::tDevice*>(host.deviceWord()));
  const auto& tracker = device->getSetupTracker();
  std::printf("setup level reached: %u of %u (setup status %lld)\n", tracker.getCurrentLevel(),
              tracker.getTargetLevel(), static_cast<long long>(tracker.getSetupStatus().getCode()));
  for (const auto& interface : kalsim::registeredInterfaces()) {
    std::printf("interface %u: \"%s\"\n", interface.index, interface.name.c_str());
  }
  for (const auto& property : kalsim::registeredProperties()) {
    std::printf("property %-22s %s\n", property.name.c_str(), describeValue(property).c_str());
  }

  vorlan_driver::QuillHelper* owner = device->getHardwareOwner();
  if (owner != nullptr) {
    std::printf("register maps: %s\n", publishedNames(owner->getRegisterDispatcher()).c_str());
    std::printf("device windows: %s\n", publishedNames(owner->getDeviceWindowDispatcher()).c_str());
    std::printf("storage maps: %s\n", publishedNames(owner->getStorageMapDispatcher()).c_str());
    nKIVAPALS100::tStatus serialStatus;
    const uint32_t serialNumber = owner->readSerialNumber(serialStatus);
    std::printf("board serial number %X (status %lld)\n", serialNumber,
                static_cast<long long>(serialStatus.getCode()));
  }

  std::printf("== a session on \"smu_vorlan\"\n");
  void* session = nullptr;
  std::printf("open returned %d\n", host.open("smu_vorlan", &session));
  if (session == nullptr) return 1;
  // Two requests through the envelope, laid out as the driver's own records.
  namespace records = vorlan_driver::requests;
  records::vorlan_getSetupLevel::In levelIn{};
  records::vorlan_getSetupLevel::Out levelOut{};
  uint32_t bytesReturned = 0;
  const int32_t levelResult = host.request(session, records::vorlan_getSetupLevel::kCode, &levelIn, sizeof levelIn,
                                           &levelOut, sizeof levelOut, &bytesReturned);
  std::printf("vorlan_getSetupLevel returned %d, %u bytes: level %u, status %d\n", levelResult, bytesReturned,
              levelOut.setupLevel, levelOut.status);
  const std::string tarn = "Tarn_Ver23.3.0f121";
  records::arm_read::In readIn{};
  records::arm_read::Out readOut{};
  readIn.namePointer = reinterpret_cast<uintptr_t>(tarn.data());
  readIn.nameLength = tarn.size();
  readIn.registerId = 0xC0000000u;  // register 0x0, whole, from its read side
  bytesReturned = 0;
  const int32_t readResult = host.request(session, records::arm_read::kCode, &readIn, sizeof readIn, &readOut,
                                          sizeof readOut, &bytesReturned);
  std::printf("arm_read \"%s\" 0x%X returned %d, %u bytes: value 0x%X, status %d\n", tarn.c_str(),
              readIn.registerId, readResult, bytesReturned, readOut.value, readOut.status);
  const bool answered = levelResult == 0 && levelOut.status == 0 && readResult == 0 && readOut.status == 0;
  host.close(session);
  std::printf("closed\n");

  std::printf("== remove and unload\n");
  host.removeDevice();
  host.deleteDevice();
  std::printf("removed; %zu interfaces and %zu properties still registered\n", kalsim::registeredInterfaces().size(),
              kalsim::registeredProperties().size());
  host.unload();
  const uint64_t leftOver = kalsim::liveMutexes() + kalsim::liveSpinLocks() + kalsim::liveKernelMappings();
  std::printf("unloaded; %llu kernel mutexes, spinlocks and mappings left over\n",
              static_cast<unsigned long long>(leftOver));
  return added == 0 && answered && leftOver == 0 ? 0 : 1;
}
