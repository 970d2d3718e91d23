// The driver's whole life with one layer call failing: load, add the
// simulated board (start-up to level 20), open a session on each interface,
// a request of every family at level 20 (kLevel20Steps: registers by name and
// windows, storage maps, the sequencer's download, list and run, measure
// units and events, DMA to and from the device with the board's engine
// stepped, routes calculated, reserved, programmed and given back, cooling
// through both interfaces), a reset below 20 and one back to 20, each from a
// session of its own, close, remove, delete, unload. For each knob
// (allocation, mutex creation, user copy) the 1st, 2nd, ... call fails in
// turn until a run passes untouched.
//
// Each run's outcomes (every step's result, each request's status word and
// the values it read, into its record and into the caller's memory) are
// compared with the clean run's. Up to the step the failure hit in they must
// match; the first one that differs must be a code the driver or the layer
// documents for what failed, never a success, nor a success with other
// values; and once everything is unloaded nothing the driver made is left:
// no allocation, lock, mapping, thread, page list, pinned page,
// scatter-gather list, bus mapping, deferred call, reserved interrupt,
// registration or socket buffer.
//
// Time: every run climbs to level 20 twice, and walking every N of the three
// knobs takes thousands of runs. The test command samples: every N up to
// kDense, then about kSamples more spread over the knob's calls, so a run of
// the suite stays short. .ci/run sets VORLAN_EVERY_FAILURE=1 and walks every
// N, split over processes side by side (VORLAN_SWEEP_PART). The
// address-sanitizer build (told by the compiler's own flag) always samples,
// to keep .ci/run within its budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "kal/host/tHostHarness.h"
#include "kal/include/kalDma.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "platform/driver/tNotifierCreationRecord.h"
#include "requests/RequestTable.h"
#include "routing/routing-resources/RouteConflict.h"
#include "routing/topography/RouteCalculationSeedBase.h"
#include "routing/topography/RoutePossibilityBase.h"
#include "simboard/QuillBoard.h"
#include "tests/requests/RequestEnvelopeFixture.h"
#include "tests/support/allocationFailures.h"
#include "tests/support/layerObjects.h"

namespace {

using requesttest::address;
using requesttest::Exchange;
using requesttest::row;
using requesttest::tRequestRow;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif
// The sample: every N up to kDense, then about kSamples more spread evenly
// over the knob's calls; fewer in the address-sanitizer build, where a run
// costs about four times as much.
constexpr uint32_t kDense = kSanitized ? 10 : 20;
constexpr uint32_t kSamples = kSanitized ? 20 : 30;

// `calls`: what the clean run made of the knob's calls.
testsupport::SweepPlan sweepPlan(uint64_t calls) {
  testsupport::SweepPlan plan;
  const char* every = std::getenv("VORLAN_EVERY_FAILURE");
  const bool walkEvery = !kSanitized && every != nullptr && std::strcmp(every, "1") == 0;
  if (!walkEvery) {
    plan.dense = kDense;
    plan.stride = calls > kDense + kSamples ? static_cast<uint32_t>((calls - kDense + kSamples - 1) / kSamples) : 1;
  }
  // VORLAN_SWEEP_PART=k/n: the k-th of n processes walking the sweep side
  // by side (.ci/run).
  unsigned part = 0;
  unsigned parts = 1;
  const char* split = std::getenv("VORLAN_SWEEP_PART");
  if (split != nullptr && std::sscanf(split, "%u/%u", &part, &parts) == 2 && parts > 0 && part < parts) {
    plan.part = part;
    plan.parts = parts;
  }
  return plan;
}

constexpr uint32_t kResetLevel = 6;

// ---- the requests of the life cycle at level 20

// The caller's memory the requests point at. Sized once per run, so no step
// allocates between the knob's calls.
struct UserMemory {
  static constexpr uint32_t kSubroutineCapacity = 512;
  static constexpr uint32_t kImageCapacity = 65536;

  std::string tarn = "Tarn_Ver23.3.0f121";
  std::string flashWindow = "flashWindow";
  std::string manufacturing = "Manufacturing_Ver1.0.0d0";
  std::array<uint8_t, 8> formatTypes{};
  std::array<uint64_t, 8> formatMasks{};
  std::array<uint8_t, 16> windowCopy{};
  std::array<uint8_t, 16> windowRead{};
  uint32_t serialNumber = 0;
  uint32_t subroutines = 0;
  uint32_t imageWords = 0;
  std::vector<uint32_t> ids = std::vector<uint32_t>(kSubroutineCapacity);
  std::vector<uint32_t> addresses = std::vector<uint32_t>(kSubroutineCapacity);
  std::vector<uint32_t> downloadAddresses = std::vector<uint32_t>(kSubroutineCapacity);
  std::vector<uint32_t> listedIds = std::vector<uint32_t>(kSubroutineCapacity);
  std::vector<uint32_t> listedAddresses = std::vector<uint32_t>(kSubroutineCapacity);
  std::vector<uint64_t> image = std::vector<uint64_t>(kImageCapacity);
  std::array<uint32_t, 11> errorsA{};
  std::array<uint32_t, 11> errorsB{};
  std::vector<uint8_t> toDevice = std::vector<uint8_t>(100);
  std::vector<uint8_t> fromDevice = std::vector<uint8_t>(256);
  vorlan_driver::nKIVAPAL000::tNotifierCreationRecord notifier{0x1111, 7, 0x80000000u};
  // The first channel event source onto PXI trigger line 0 of the default
  // variant's graph.
  kivark::RouteCalculationSeedBase seed{51, 0, 0, {}};
  uint32_t destination = 99;
  kivark::RoutePossibilityBase route{};
  std::array<kivark::RouteConflict, 4> conflicts{};
  std::array<uint32_t, 16> path{};

  UserMemory() {
    for (size_t i = 0; i < toDevice.size(); ++i) toDevice[i] = static_cast<uint8_t>(i * 5 + 1);
  }
};

template <typename T>
std::string bytesOf(const T* data, size_t count) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data);
  for (size_t i = 0; i < count * sizeof(T); ++i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 0xF];
  }
  return text;
}

void named(Exchange& e, const std::string& name) {
  e.put<uint64_t>(0, address(name.data()));
  e.put<uint64_t>(8, name.size());
}

enum class Slot { kMain, kCooling };
enum class Act { kRequest, kListen, kRunEngine };

// One step of the life cycle at level 20. `fill` puts the inbound fields;
// `took`, after a success, keeps what later steps need and answers the
// caller's memory the request wrote, to be compared with the clean run's.
struct Step {
  Act act;
  Slot on;
  const char* request;  // the row; for the other acts, what the outcome is called
  uint32_t channel;     // kRunEngine's DMA channel
  void (*fill)(UserMemory&, Exchange&);
  std::string (*took)(UserMemory&, const Exchange&);
};

constexpr uint64_t kReserved = 0xD;  // instrument channels 0, 2 and 3
constexpr uint32_t kSignatureRegister = 0xC0000000u;
constexpr uint32_t kSerialNumberField = 12;
constexpr uint32_t kToDevice = 5;    // instrument channel 2's commands
constexpr uint32_t kFromDevice = 4;  // and its data

void none(UserMemory&, Exchange&) {}

// The Manufacturing record's serial-number field, and its raw bytes moved
// through the caller's copy of them.
void serialNumberField(UserMemory& m, Exchange& e) {
  named(e, m.manufacturing);
  e.put<uint32_t>(16, kSerialNumberField);
}
void serialNumberRaw(UserMemory& m, Exchange& e) {
  serialNumberField(m, e);
  e.put<uint64_t>(32, 1);
  e.put<uint64_t>(40, address(&m.serialNumber));
  e.put<uint64_t>(48, sizeof m.serialNumber);
}
// The flash window's first bytes into one of the caller's buffers.
using WindowBuffer = std::array<uint8_t, 16> UserMemory::*;
template <WindowBuffer Buffer>
void flashWindowInto(UserMemory& m, Exchange& e) {
  named(e, m.flashWindow);
  e.put<uint64_t>(24, (m.*Buffer).size());
  e.put<uint64_t>(32, address((m.*Buffer).data()));
}
template <WindowBuffer Buffer>
std::string tookFlashWindow(UserMemory& m, const Exchange&) {
  return bytesOf((m.*Buffer).data(), (m.*Buffer).size());
}

// One route from the seed to the destination, recorded under the owner.
template <uint64_t Owner>
void calculateRoute(UserMemory& m, Exchange& e) {
  e.put<uint64_t>(0, Owner);
  e.put<uint64_t>(8, address(&m.seed));
  e.put<uint32_t>(16, 1);
  e.put<uint64_t>(24, address(&m.destination));
  e.put<uint32_t>(32, 1);
  e.put<uint64_t>(40, address(&m.route));
  e.put<uint32_t>(48, 1);
}
std::string tookRoute(UserMemory& m, const Exchange&) { return bytesOf(&m.route, 1); }
// The route last calculated, with room for every conflict.
void reserveRoute(UserMemory& m, Exchange& e) {
  e.put<uint32_t>(0, m.route.routeId);
  e.put<uint64_t>(8, address(m.conflicts.data()));
  e.put<uint32_t>(16, static_cast<uint32_t>(m.conflicts.size()));
}

const Step kLevel20Steps[] = {
    // The device and the reservation the channel requests run under.
    {Act::kRequest, Slot::kMain, "vorlan_getSetupLevel", 0, none, nullptr},
    {Act::kRequest, Slot::kMain, "kdut_reserveResources", 0, [](UserMemory&, Exchange& e) { e.put<uint64_t>(0, kReserved); },
     nullptr},
    // Registers by name and windows.
    {Act::kRequest, Slot::kMain, "arm_read", 0,
     [](UserMemory& m, Exchange& e) {
       named(e, m.tarn);
       e.put<uint32_t>(16, kSignatureRegister);
     },
     nullptr},
    {Act::kRequest, Slot::kMain, "arm_getRegisterFormat", 0,
     [](UserMemory& m, Exchange& e) {
       named(e, m.tarn);
       e.put<uint32_t>(16, kSignatureRegister);
       e.put<uint32_t>(20, static_cast<uint32_t>(m.formatTypes.size()));
       e.put<uint64_t>(24, address(m.formatTypes.data()));
       e.put<uint64_t>(32, address(m.formatMasks.data()));
     },
     [](UserMemory& m, const Exchange&) {
       return bytesOf(m.formatTypes.data(), m.formatTypes.size()) + bytesOf(m.formatMasks.data(), m.formatMasks.size());
     }},
    {Act::kRequest, Slot::kMain, "arm_getNumberOfRegistrations", 0, none, nullptr},
    {Act::kRequest, Slot::kMain, "arm_getSizeOfRegistrationList", 0, none, nullptr},
    {Act::kRequest, Slot::kMain, "deviceWindow_getNumberOfRegistrations", 0, none, nullptr},
    {Act::kRequest, Slot::kMain, "deviceWindow_getSizeInBytes", 0,
     [](UserMemory& m, Exchange& e) { named(e, m.flashWindow); }, nullptr},
    {Act::kRequest, Slot::kMain, "deviceWindow_get", 0,
     flashWindowInto<&UserMemory::windowCopy>, tookFlashWindow<&UserMemory::windowCopy>},
    {Act::kRequest, Slot::kMain, "deviceWindow_read", 0,
     flashWindowInto<&UserMemory::windowRead>, tookFlashWindow<&UserMemory::windowRead>},
    // Storage maps: the board's serial number read, written back unchanged,
    // the record refreshed and checked.
    {Act::kRequest, Slot::kMain, "storageMap_getNumberOfRegistrations", 0, none, nullptr},
    {Act::kRequest, Slot::kMain, "storageMap_getElementCount", 0,
     serialNumberField, nullptr},
    {Act::kRequest, Slot::kMain, "storageMap_getElementSize", 0,
     serialNumberField, nullptr},
    {Act::kRequest, Slot::kMain, "storageMap_getRaw", 0,
     serialNumberRaw,
     [](UserMemory& m, const Exchange&) { return bytesOf(&m.serialNumber, 1); }},
    {Act::kRequest, Slot::kMain, "storageMap_setRaw", 0,
     serialNumberRaw,
     nullptr},
    {Act::kRequest, Slot::kMain, "storageMap_refresh", 0, [](UserMemory& m, Exchange& e) { named(e, m.manufacturing); },
     nullptr},
    {Act::kRequest, Slot::kMain, "storageMap_isChecksumValid", 0,
     [](UserMemory& m, Exchange& e) { named(e, m.manufacturing); }, nullptr},
    // The sequencer: its table listed, the same table downloaded over an
    // image of the caller's, listed back, a subroutine run.
    {Act::kRequest, Slot::kMain, "harrow_getNumSubroutines", 0, none,
     [](UserMemory& m, const Exchange& e) {
       m.subroutines = std::min(e.get<uint32_t>(0), UserMemory::kSubroutineCapacity);
       return std::string();
     }},
    {Act::kRequest, Slot::kMain, "harrow_getSubroutines", 0,
     [](UserMemory& m, Exchange& e) {
       e.put<uint64_t>(0, address(m.ids.data()));
       e.put<uint64_t>(8, address(m.addresses.data()));
       e.put<uint32_t>(16, m.subroutines);
     },
     [](UserMemory& m, const Exchange&) {
       m.imageWords = 0;
       for (uint32_t i = 0; i < m.subroutines; ++i) m.imageWords = std::max(m.imageWords, m.addresses[i] + 1);
       m.imageWords = std::min(m.imageWords, UserMemory::kImageCapacity);
       for (uint32_t w = 0; w < m.imageWords; ++w) m.image[w] = 0xFEED000000000000ull | w;
       m.downloadAddresses = m.addresses;
       return bytesOf(m.ids.data(), m.subroutines) + bytesOf(m.addresses.data(), m.subroutines);
     }},
    {Act::kRequest, Slot::kMain, "harrow_downloadSubroutines", 0,
     [](UserMemory& m, Exchange& e) {
       e.put<uint64_t>(0, address(m.image.data()));
       e.put<uint32_t>(8, m.imageWords);
       e.put<uint64_t>(16, address(m.ids.data()));
       e.put<uint64_t>(24, address(m.downloadAddresses.data()));
       e.put<uint32_t>(32, m.subroutines);
     },
     nullptr},
    {Act::kRequest, Slot::kMain, "harrow_getSubroutines", 0,
     [](UserMemory& m, Exchange& e) {
       e.put<uint64_t>(0, address(m.listedIds.data()));
       e.put<uint64_t>(8, address(m.listedAddresses.data()));
       e.put<uint32_t>(16, m.subroutines);
     },
     [](UserMemory& m, const Exchange&) {
       return bytesOf(m.listedIds.data(), m.subroutines) + bytesOf(m.listedAddresses.data(), m.subroutines);
     }},
    {Act::kRequest, Slot::kMain, "harrow_executeSubroutine", 0,
     [](UserMemory& m, Exchange& e) {
       e.put<uint64_t>(0, 0x5);
       e.put<uint32_t>(8, m.ids[0]);
       e.put<uint32_t>(12, 100000);
     },
     nullptr},
    {Act::kRequest, Slot::kMain, "harrow_isSequenceEngineRunning", 0, [](UserMemory&, Exchange& e) { e.put<uint64_t>(0, 0x1); },
     nullptr},
    // Measure units and events.
    {Act::kRequest, Slot::kMain, "measureUnit_arm", 0, [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, 3); }, nullptr},
    {Act::kRequest, Slot::kMain, "measureUnit_reset", 0, [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, 3); }, nullptr},
    {Act::kRequest, Slot::kMain, "triggersAndEvents_checkEventLatch", 0,
     [](UserMemory&, Exchange& e) {
       e.put<uint64_t>(0, 0x8);
       e.put<uint16_t>(8, 9);
     },
     nullptr},
    {Act::kRequest, Slot::kMain, "triggersAndEvents_clearEventLatch", 0,
     [](UserMemory&, Exchange& e) {
       e.put<uint64_t>(0, 0x8);
       e.put<uint16_t>(8, 9);
     },
     nullptr},
    {Act::kRequest, Slot::kMain, "triggersAndEvents_clearAllEventLatches", 0,
     [](UserMemory&, Exchange& e) { e.put<uint64_t>(0, 0x8); }, nullptr},
    {Act::kRequest, Slot::kMain, "vorlan_checkMeasureCompleteEventLatch", 0,
     [](UserMemory&, Exchange& e) { e.put<uint64_t>(0, 0x8); }, nullptr},
    {Act::kRequest, Slot::kMain, "basalt_getAlarmRaised", 0, [](UserMemory&, Exchange& e) { e.put<uint64_t>(0, 0x8); },
     nullptr},
    {Act::kRequest, Slot::kMain, "basalt_clearAlarm", 0, [](UserMemory&, Exchange& e) { e.put<uint64_t>(0, 0x8); }, nullptr},
    {Act::kRequest, Slot::kMain, "hwCondition_checkBoardAndChannelBasedHardwareErrors", 0,
     [](UserMemory&, Exchange& e) { e.put<uint64_t>(0, 0x8); }, nullptr},
    {Act::kRequest, Slot::kMain, "vorlan_getHardwareErrors", 0,
     [](UserMemory& m, Exchange& e) {
       e.put<uint64_t>(0, address(m.errorsA.data()));
       e.put<uint64_t>(8, address(m.errorsB.data()));
     },
     [](UserMemory& m, const Exchange&) {
       return bytesOf(m.errorsA.data(), m.errorsA.size()) + bytesOf(m.errorsB.data(), m.errorsB.size());
     }},
    {Act::kRequest, Slot::kMain, "hwCondition_clearChannelBasedHardwareErrors", 0,
     [](UserMemory&, Exchange& e) { e.put<uint64_t>(0, 0x8); }, nullptr},
    // DMA: a buffer streamed to the device, waited for, stopped and
    // cleared; one read from the device; one more list left for the
    // session's close to release.
    {Act::kRequest, Slot::kMain, "tarnTools_addTransferToDevice", 0,
     [](UserMemory& m, Exchange& e) {
       e.put<uint32_t>(0, kToDevice);
       e.put<uint64_t>(8, address(m.toDevice.data()));
       e.put<uint64_t>(16, m.toDevice.size());
       e.put<uint32_t>(24, 4);
     },
     nullptr},
    {Act::kRequest, Slot::kMain, "tarnTools_startDMA", 0,
     [](UserMemory&, Exchange& e) {
       e.put<uint32_t>(0, kToDevice);
       e.put<uint8_t>(4, 1);
     },
     nullptr},
    {Act::kRunEngine, Slot::kMain, "engine", kToDevice, none, nullptr},
    {Act::kRequest, Slot::kMain, "tarnTools_getTransferCount", 0, [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, kToDevice); },
     nullptr},
    {Act::kRequest, Slot::kMain, "tarnTools_waitUntilBytesTransferred", 0,
     [](UserMemory&, Exchange& e) {
       e.put<uint32_t>(0, kToDevice);
       e.put<uint32_t>(16, 400);
       e.put<uint8_t>(24, 1);
     },
     nullptr},
    {Act::kRequest, Slot::kMain, "tarnTools_stopDMA", 0, [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, kToDevice); },
     nullptr},
    {Act::kRequest, Slot::kMain, "tarnTools_clearTransfers", 0, [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, kToDevice); },
     nullptr},
    {Act::kRequest, Slot::kMain, "tarnTools_addTransferFromDevice", 0,
     [](UserMemory& m, Exchange& e) {
       e.put<uint32_t>(0, kFromDevice);
       e.put<uint64_t>(8, address(m.fromDevice.data()));
       e.put<uint64_t>(16, m.fromDevice.size());
     },
     nullptr},
    {Act::kRequest, Slot::kMain, "tarnTools_startDMA", 0, [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, kFromDevice); },
     nullptr},
    {Act::kRunEngine, Slot::kMain, "engine", kFromDevice, none, nullptr},
    {Act::kRequest, Slot::kMain, "tarnTools_getTransferCount", 0,
     [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, kFromDevice); },
     [](UserMemory& m, const Exchange&) { return bytesOf(m.fromDevice.data(), m.fromDevice.size()); }},
    {Act::kRequest, Slot::kMain, "tarnTools_stopDMA", 0, [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, kFromDevice); },
     nullptr},
    {Act::kRequest, Slot::kMain, "tarnTools_addTransferToDevice", 0,
     [](UserMemory& m, Exchange& e) {
       e.put<uint32_t>(0, kToDevice);
       e.put<uint64_t>(8, address(m.toDevice.data()));
       e.put<uint64_t>(16, m.toDevice.size());
       e.put<uint32_t>(24, 1);
     },
     nullptr},
    // Routing: the session listens; a route calculated, reserved,
    // programmed, walked and given back; a second one left programmed for
    // the reset to withdraw.
    {Act::kListen, Slot::kMain, "listen", 0, none, nullptr},
    {Act::kRequest, Slot::kMain, "routing_queryVersion", 0, none, nullptr},
    {Act::kRequest, Slot::kMain, "routing_calculateRoute", 0, calculateRoute<0x0A>, tookRoute},
    {Act::kRequest, Slot::kMain, "routing_reserveRoute", 0, reserveRoute, nullptr},
    {Act::kRequest, Slot::kMain, "routing_programRoute", 0,
     [](UserMemory& m, Exchange& e) { e.put<uint32_t>(0, m.route.routeId); }, nullptr},
    {Act::kRequest, Slot::kMain, "routing_getRouteTerminalPath", 0,
     [](UserMemory& m, Exchange& e) {
       e.put<uint32_t>(0, m.route.routeId);
       e.put<uint64_t>(8, address(m.path.data()));
       e.put<uint32_t>(16, static_cast<uint32_t>(m.path.size()));
     },
     [](UserMemory& m, const Exchange& e) { return bytesOf(m.path.data(), std::min<uint32_t>(e.get<uint32_t>(0), 16)); }},
    {Act::kRequest, Slot::kMain, "routing_unprogramRoute", 0,
     [](UserMemory& m, Exchange& e) { e.put<uint32_t>(0, m.route.routeId); }, nullptr},
    {Act::kRequest, Slot::kMain, "routing_unreserveRoute", 0,
     [](UserMemory& m, Exchange& e) { e.put<uint32_t>(0, m.route.routeId); }, nullptr},
    {Act::kRequest, Slot::kMain, "routing_destroyRoute", 0,
     [](UserMemory& m, Exchange& e) { e.put<uint32_t>(0, m.route.routeId); }, nullptr},
    {Act::kRequest, Slot::kMain, "routing_calculateRoute", 0, calculateRoute<0x0B>, tookRoute},
    {Act::kRequest, Slot::kMain, "routing_reserveRoute", 0, reserveRoute, nullptr},
    {Act::kRequest, Slot::kMain, "routing_programRoute", 0,
     [](UserMemory& m, Exchange& e) { e.put<uint32_t>(0, m.route.routeId); }, nullptr},
    // Cooling through both interfaces.
    {Act::kRequest, Slot::kMain, "voltarisPXICooling_getCoolingMode", 0, none, nullptr},
    {Act::kRequest, Slot::kMain, "pxiCooling_setCoolingMode", 0, [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, 17); },
     nullptr},
    {Act::kRequest, Slot::kMain, "pxiCooling_getRequestedCoolingMode", 0, none, nullptr},
    {Act::kRequest, Slot::kCooling, "pxiCooling_setCoolingMode", 0, [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, 18); },
     nullptr},
    {Act::kRequest, Slot::kCooling, "pxiCooling_getRequestedCoolingMode", 0, none, nullptr},
    {Act::kRequest, Slot::kMain, "voltarisPXICooling_overrideCoolingMode", 0,
     [](UserMemory&, Exchange& e) { e.put<uint32_t>(0, 20); }, nullptr},
    {Act::kRequest, Slot::kMain, "voltarisPXICooling_getCoolingMode", 0, none, nullptr},
};

// One outcome of a run: what it is, the value (and the values a successful
// request read), and the knob's calls so far.
struct Outcome {
  std::string what;
  int64_t value;
  std::string values;
  uint64_t calls;

  bool sameAs(const Outcome& other) const {
    return what == other.what && value == other.value && values == other.values;
  }
};

class LifeCycle {
 public:
  explicit LifeCycle(testsupport::InjectedFailure& failure) : failure_(failure) {}

  // The whole life; the knob is disarmed once the driver is unloaded. What
  // the test itself allocates is made in HostAllocations scopes, so the
  // knob counts and fails the driver's calls only.
  std::vector<Outcome> run() {
    std::unique_ptr<kalsim::tHostHarness> made;
    std::unique_ptr<simboard::QuillBoard> madeBoard;
    {
      kalsim::HostAllocations test;
      before_ = testsupport::layerObjects();
      made = std::make_unique<kalsim::tHostHarness>();
      madeBoard = std::make_unique<simboard::QuillBoard>();
      memory_ = std::make_unique<UserMemory>();
      outcomes_.reserve(512);
    }
    kalsim::tHostHarness& host = *made;
    simboard::QuillBoard& board = *madeBoard;
    if (note("load", host.load()) == 0) {
      if (note("add", host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size)) == 0) {
        void* main = open(host, requesttest::kMainInterface);
        void* cooling = open(host, requesttest::kCoolingInterface);
        if (main != nullptr && cooling != nullptr) {
          for (const Step& step : kLevel20Steps) perform(host, board, step, step.on == Slot::kMain ? main : cooling);
        }
        // Below 20 and back, each reset from a session of its own; the
        // sessions from before it stay open through both.
        for (uint32_t level : {kResetLevel, 20u}) {
          void* resetting = open(host, requesttest::kMainInterface);
          if (resetting == nullptr) continue;
          request(host, resetting, "kdut_reset", [level](UserMemory&, Exchange& e) { e.put<uint32_t>(0, level); });
          close(host, resetting);
        }
        void* after = open(host, requesttest::kMainInterface);
        if (after != nullptr) {
          request(host, after, "vorlan_getSetupLevel", none);
          request(host, after, "routing_queryVersion", none);
          close(host, after);
        }
        if (cooling != nullptr) close(host, cooling);
        if (main != nullptr) close(host, main);
        host.removeDevice();
        host.deleteDevice();
      }
      host.unload();
    }
    failure_.disarm();
    kalsim::HostAllocations test;
    made.reset();
    madeBoard.reset();
    memory_.reset();
    left_ = testsupport::leftBehind(before_, testsupport::layerObjects());
    return std::move(outcomes_);
  }
  // What the run left in the layer, or nothing.
  const std::string& left() const { return left_; }

 private:
  int64_t note(const char* what, int64_t value, const char* detail = "", std::string values = std::string()) {
    const uint64_t calls = failure_.callsSoFar();
    kalsim::HostAllocations test;
    outcomes_.push_back({std::string(what) + detail, value, std::move(values), calls});
    return value;
  }

  void* open(kalsim::tHostHarness& host, const char* interface) {
    // The harness takes the name as a string, which the cooling
    // interface's is long enough to allocate: the test's, not the driver's.
    std::string name;
    {
      kalsim::HostAllocations test;
      name = interface;
    }
    void* on = nullptr;
    return note("open", host.open(name, &on)) == 0 ? on : nullptr;
  }
  void close(kalsim::tHostHarness& host, void* on) {
    host.close(on);
    note("close", 0);
  }

  void perform(kalsim::tHostHarness& host, simboard::QuillBoard& board, const Step& step, void* on) {
    switch (step.act) {
      case Act::kRequest:
        request(host, on, step.request, step.fill, step.took);
        return;
      case Act::kListen:
        note("listen", host.ioctl(on, vorlan_driver::nKIVAPAL000::kIOControlCreateNotifier, address(&memory_->notifier)));
        return;
      case Act::kRunEngine: {
        uint64_t moved = 0;
        {
          kalsim::HostAllocations engine;
          moved = board.nisoFpga().dmaChannel(step.channel).run(1u << 20);
        }
        note("engine moved", static_cast<int64_t>(moved));
        return;
      }
    }
  }

  // The request's status word, its outbound record and what `took` read
  // noted when it answered with a clean status.
  template <typename Fill>
  void request(kalsim::tHostHarness& host, void* on, const char* name, Fill fill,
               std::string (*took)(UserMemory&, const Exchange&) = nullptr) {
    Exchange e;
    const tRequestRow* r = nullptr;
    {
      kalsim::HostAllocations test;
      r = &row(name);
      e.inbound.assign(r->inboundSize, 0);
      e.outbound.assign(r->outboundSize, requesttest::kUntouchedByte);
      fill(*memory_, e);
    }
    const int32_t result = host.request(on, r->code, e.inbound.data(), static_cast<uint32_t>(e.inbound.size()),
                                        e.outbound.data(), static_cast<uint32_t>(e.outbound.size()), &e.bytesReturned);
    if (note(name, result, " result") != 0) return;
    note(name, e.bytesReturned, " bytes returned");
    if (note(name, e.get<int32_t>(r->outboundStatusOffset), " status") != 0) return;
    std::string values;
    {
      kalsim::HostAllocations test;
      values = bytesOf(e.outbound.data(), r->outboundStatusOffset);
      if (took != nullptr) values += " " + took(*memory_, e);
    }
    // The record's first word as the value: the level, for the setup level.
    note(name, r->outboundStatusOffset >= 4 ? e.get<uint32_t>(0) : 0, " values", std::move(values));
  }

  testsupport::InjectedFailure& failure_;
  std::vector<Outcome> outcomes_;
  std::unique_ptr<UserMemory> memory_;
  testsupport::LayerObjects before_;
  std::string left_;
};

void armUserCopyFailure(uint32_t nth) { kalsim::failUserCopy(nth, -51009); }
const testsupport::FailureKnob kMutexKnob{"mutex creation", kalsim::failMutexCreation, kalsim::mutexCreations};
const testsupport::FailureKnob kUserCopyKnob{"user copy", armUserCopyFailure, kalsim::userCopies};

std::string describe(const std::vector<Outcome>& outcomes, bool withCalls = true) {
  std::ostringstream text;
  for (const Outcome& o : outcomes) {
    text << "\n  " << o.what << " = " << o.value;
    if (!o.values.empty()) text << " [" << o.values << "]";
    if (withCalls) text << " (after " << o.calls << ")";
  }
  return text.str();
}

// The clean run reaches every step: each request of the table answered
// success at level 20.
uint32_t requestsReached(const std::vector<Outcome>& clean) {
  uint32_t reached = 0;
  for (const Outcome& o : clean) {
    if (o.what.size() > 7 && o.what.compare(o.what.size() - 7, 7, " values") == 0) ++reached;
  }
  return reached;
}

// One knob's sweep: the codes a step may answer with when its call failed,
// and whether a failed call may go unseen (a static table's row for another
// model, say); a failed user copy or mutex creation always shows.
struct Knob {
  const testsupport::FailureKnob* knob;
  std::set<int64_t> codes;
  bool mayGoUnseen;
};
void PrintTo(const Knob& knob, std::ostream* out) { *out << knob.knob->name; }

constexpr int64_t kLayerNoMemory = -51352;
constexpr int64_t kLayerBadUserMemory = -51009;
const Knob kKnobs[] = {
    {&testsupport::kAllocationKnob, {kLayerNoMemory, -52000, -52010}, true},
    {&kMutexKnob, {kLayerNoMemory, -52000, -52008, -52010}, false},
    {&kUserCopyKnob, {kLayerBadUserMemory, -52005}, false},
};

class LifeCycleFailureSweepTest : public ::testing::TestWithParam<Knob> {};

INSTANTIATE_TEST_SUITE_P(Knobs, LifeCycleFailureSweepTest, ::testing::ValuesIn(kKnobs),
                         [](const ::testing::TestParamInfo<Knob>& info) {
                           std::string name = info.param.knob->name;
                           name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                           return name;
                         });

TEST_P(LifeCycleFailureSweepTest, EveryFailingCallEndsInADocumentedCodeAndLeavesNothing) {
  const Knob& k = GetParam();
  kalsim::reset();
  std::vector<Outcome> clean;
  uint64_t calls = 0;
  {
    testsupport::InjectedFailure none(*k.knob, 0xFFFFFFFFu);
    LifeCycle life(none);
    clean = life.run();
    calls = none.callsSoFar();
    EXPECT_EQ(life.left(), "");
  }
  ASSERT_FALSE(clean.empty());
  // Every request the life cycle sends answers success when nothing fails,
  // but the reset below 20, which reports where it stopped.
  bool below = true;
  for (const Outcome& o : clean) {
    if (o.what == "kdut_reset status" && below) {
      EXPECT_EQ(o.value, requesttest::kSetupStopped);
      below = false;
      continue;
    }
    const bool status = o.what.size() > 7 && o.what.compare(o.what.size() - 7, 7, " status") == 0;
    if (status || o.what.find(" result") != std::string::npos || o.what == "open" || o.what == "listen") {
      EXPECT_EQ(o.value, 0) << o.what << describe(clean);
    }
  }

  std::map<int64_t, uint32_t> answered;
  uint32_t runs = 0;
  uint32_t absorbed = 0;
  uint32_t stoppedStartUps = 0;
  const uint32_t last = testsupport::forEveryFailureOf(
      *k.knob,
      [&](testsupport::InjectedFailure& failure) {
        LifeCycle life(failure);
        const std::vector<Outcome> outcomes = life.run();
        const uint32_t nth = failure.nth();
        EXPECT_EQ(life.left(), "") << nth << describe(outcomes);
        if (!failure.hit()) {
          EXPECT_EQ(describe(outcomes, false), describe(clean, false)) << "a run with nothing failing is the clean run";
          return;
        }
        ++runs;
        size_t first = 0;
        while (first < outcomes.size() && first < clean.size() && outcomes[first].sameAs(clean[first])) ++first;
        if (first == outcomes.size() && first == clean.size()) {
          EXPECT_TRUE(k.mayGoUnseen) << nth << ": a failed call reported as success" << describe(outcomes);
          ++absorbed;
          return;
        }
        ASSERT_LT(first, outcomes.size()) << nth << describe(outcomes);
        const Outcome& differing = outcomes[first];
        EXPECT_GE(differing.calls, nth) << "differs before the failure came: " << nth << describe(outcomes);
        // A failure in start-up stays in the device's tracker: the level
        // reached shows it.
        if (differing.what == "vorlan_getSetupLevel values" && first < clean.size() &&
            clean[first].what == differing.what) {
          EXPECT_LT(differing.value, clean[first].value) << nth << describe(outcomes);
          ++stoppedStartUps;
          return;
        }
        EXPECT_TRUE(differing.values.empty()) << nth << ": " << differing.what
                                              << " answered success with other values over the failure"
                                              << describe(outcomes);
        EXPECT_EQ(k.codes.count(differing.value), 1u)
            << nth << ": " << differing.what << " answered " << differing.value << describe(outcomes);
        ++answered[differing.value];
      },
      sweepPlan(calls));
  EXPECT_GT(last, 0u);
  std::ostringstream tally;
  for (const auto& [code, count] : answered) tally << " " << code << " x" << count;
  std::printf(
      "[ sweep    ] %s: %llu calls, %u of them failed; requests reached: %u; first differing answer:%s; "
      "start-up stopped below 20: %u; unseen: %u\n",
      k.knob->name, static_cast<unsigned long long>(calls), runs, requestsReached(clean), tally.str().c_str(),
      stoppedStartUps, absorbed);
}

}  // namespace
