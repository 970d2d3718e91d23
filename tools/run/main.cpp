// The main job: the driver end to end over the stand-in kernel layer and the
// simulated board, through the driver record as the real layer drives it.
#include <cstdio>
#include <cstring>
#include <string>

#include "device/QuillDevice.h"
#include "kal/host/tHostHarness.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "simboard/QuillBoard.h"

namespace {

std::string describeValue(const kalsim::RegisteredProperty& property) {
  const auto* bytes = static_cast<const unsigned char*>(property.value);
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
  if (property.size > 0 && bytes[property.size - 1] == 0) {
    return "\"" + std::string(reinterpret_cast<const char*>(bytes)) + "\"";
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

  std::printf("== a session on \"smu_vorlan\"\n");
  void* session = nullptr;
  std::printf("open returned %d\n", host.open("smu_vorlan", &session));
  if (session == nullptr) return 1;
  uint32_t inbound[2] = {20, 0};
  uint32_t outbound[2] = {0, 0};
  uint32_t bytesReturned = 0;
  const int32_t answered = host.request(session, 0xC0108000u, inbound, sizeof inbound, outbound, sizeof outbound,
                                        &bytesReturned);
  std::printf("request 0xC0108000 returned %d (not supported yet), %u bytes returned\n", answered, bytesReturned);
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
  return added == 0 && answered == -51256 && leftOver == 0 ? 0 : 1;
}
