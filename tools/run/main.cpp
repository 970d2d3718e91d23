// The main job: the driver end to end over the stand-in kernel layer and the
// simulated board, through the driver record as the real layer drives it.
// It prints one screen a newcomer can read: each step, what it answered in
// words, and one line saying whether the run succeeded.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "device/QuillDevice.h"
#include "device/QuillHelper.h"
#include "device/SetupLevel.h"
#include "kal/host/tHostHarness.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "platform/driver/kalStatus.h"
#include "platform/status/statusCodes.h"
#include "requests/RequestRecords.h"
#include "simboard/QuillBoard.h"

namespace {

namespace codes = vorlan_driver::statusCodes;

struct tStatusName {
  int64_t code;
  const char* name;
};
const tStatusName kStatusNames[] = {
    {0, "success"},
    {codes::kOutOfMemory, "out of memory"},
    {codes::kUserMemoryNotDescribable, "user memory not describable"},
    {codes::kNotSupported, "not supported"},
    {codes::kValueOutOfRange, "value out of range"},
    {codes::kInvalidArgument, "invalid argument"},
    {codes::kNotFound, "not found"},
    {codes::kTimeout, "time-out"},
    {codes::kKernelLayerFailure, "kernel layer failure"},
    {codes::kSessionClosing, "session closing"},
    {codes::kSetupStopped, "setup stopped"},
    {codes::kNoLinkMemory, "no link memory"},
    {codes::kInvalidCapabilityPointer, "invalid capability pointer"},
    {codes::kBufferTooSmall, "buffer too small"},
    {codes::kResourceNotAvailable, "resource not available"},
    {codes::kIONotAccepted, "I/O not accepted"},
    {codes::kWaitInterrupted, "wait interrupted"},
};

std::string driverStatusName(int64_t code) {
  for (const tStatusName& entry : kStatusNames) {
    if (entry.code == code) return entry.name;
  }
  return "driver status " + std::to_string(code);
}

// A driver status as "<code> (<name>)".
std::string describeDriverStatus(int64_t code) { return std::to_string(code) + " (" + driverStatusName(code) + ")"; }

// What the layer sees is its own code; the name is the driver's.
std::string describeLayerStatus(int32_t code) {
  if (code >= 0) return std::to_string(code) + " (success)";
  return std::to_string(code) + " (" + driverStatusName(vorlan_driver::nKIVAPAL000::fromKalStatus(code)) + ")";
}

// ---- property values in words

std::string asNumber(uint64_t value) { return std::to_string(value); }
std::string asHex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}
// Four characters, most significant byte first, blanks dropped.
std::string asFourCharacters(uint64_t value) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((value >> shift) & 0xFF);
    if (c != ' ') text += c;
  }
  return text;
}
std::string asLinkWidth(uint64_t value) { return "x" + std::to_string(value); }
std::string asLinkSpeed(uint64_t value) {
  static const char* const kSpeeds[] = {"no link", "2.5 GT/s", "5 GT/s", "8 GT/s", "16 GT/s", "32 GT/s"};
  return value < sizeof kSpeeds / sizeof kSpeeds[0] ? kSpeeds[value] : "speed code " + std::to_string(value);
}

struct tPropertyFormat {
  const char* name;
  std::string (*format)(uint64_t value);
};
const tPropertyFormat kPropertyFormats[] = {
    {"busType", asFourCharacters},      {"busSubType", asFourCharacters},       {"pciVendorID", asHex},
    {"pciDeviceID", asHex},             {"pciSubsystemVendorID", asHex},        {"pciSubsystemID", asHex},
    {"pcieMaxLinkWidth", asLinkWidth},  {"pcieLinkWidth", asLinkWidth},         {"pcieMaxTransferRate", asLinkSpeed},
    {"pcieTransferRate", asLinkSpeed},
};

// A text property is printable characters and its terminator.
bool isText(const unsigned char* bytes, int32_t size) {
  if (size < 1 || bytes[size - 1] != 0) return false;
  for (int32_t i = 0; i + 1 < size; ++i) {
    if (bytes[i] < 0x20 || bytes[i] > 0x7E) return false;
  }
  return true;
}

std::string describeValue(const kalsim::RegisteredProperty& property) {
  const auto* bytes = static_cast<const unsigned char*>(property.value);
  const bool isNumber = property.size == 4 || property.size == 8;
  uint64_t value = 0;
  if (isNumber) std::memcpy(&value, bytes, static_cast<size_t>(property.size));
  for (const tPropertyFormat& format : kPropertyFormats) {
    if (isNumber && property.name == format.name) return format.format(value);
  }
  if (isText(bytes, property.size)) return "\"" + std::string(reinterpret_cast<const char*>(bytes)) + "\"";
  if (isNumber) return asNumber(value);
  return "(" + std::to_string(property.size) + " bytes)";
}

// Items joined by ", ", wrapped under a label.
void printWrapped(const char* label, const std::vector<std::string>& items) {
  constexpr size_t kWidth = 100;
  std::string line = std::string("  ") + label;
  line.resize(17, ' ');
  const size_t indent = line.size();
  bool first = true;
  for (const std::string& item : items) {
    const std::string piece = (first ? "" : ", ") + item;
    if (!first && line.size() + piece.size() > kWidth) {
      std::printf("%s,\n", line.c_str());
      line = std::string(indent, ' ') + item;
    } else {
      line += piece;
    }
    first = false;
  }
  std::printf("%s\n", line.c_str());
}

// The names a dispatcher publishes.
template <typename Dispatcher>
std::vector<std::string> publishedNames(Dispatcher& dispatcher) {
  constexpr uint64_t kSlot = Dispatcher::kNameSlotSize;
  const uint64_t count = dispatcher.getNumberOfRegistrations();
  std::vector<char> slots(count * kSlot + 1, '\0');
  nKIVAPALS100::tStatus status;
  dispatcher.getRegistrationNames(slots.data(), status);
  std::vector<std::string> names;
  for (uint64_t i = 0; i < count; ++i) {
    const char* slot = slots.data() + i * kSlot;
    names.emplace_back(slot, strnlen(slot, kSlot));
  }
  return names;
}

// Remembers the first step that went wrong.
class tVerdict {
 public:
  // Prints the step's line; false when it failed.
  bool step(const char* name, bool ok, const std::string& detail) {
    std::printf("%-11s%-7s%s\n", name, ok ? "ok" : "FAILED", detail.c_str());
    if (!ok && failedStep_.empty()) failedStep_ = name;
    return ok;
  }
  bool failed() const { return !failedStep_.empty(); }
  const std::string& failedStep() const { return failedStep_; }

 private:
  std::string failedStep_;
};

// A request's line: what came back when the layer and the request's own
// status say it was served, both statuses in words when not.
void requestStep(tVerdict& verdict, const std::string& what, int32_t result, int32_t recordStatus, uint32_t bytes,
                 const std::string& answer) {
  const bool served = result >= 0 && recordStatus >= 0;
  const std::string detail =
      served ? what + ": " + answer + " (" + std::to_string(bytes) + " bytes back)"
             : what + ": layer " + describeLayerStatus(result) + ", status " + describeDriverStatus(recordStatus);
  verdict.step("request", served, detail);
}

void printUsage() {
  std::printf(
      "usage: vorlan_run [--debug]\n"
      "Loads the driver over the stand-in kernel layer, adds the simulated board, opens a session, reads\n"
      "the setup level and the bridge signature through requests, then removes the board and unloads.\n"
      "  --debug   also print the driver's debug lines (to standard error) as they are written\n");
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--debug") == 0) {
      kalsim::setEcho(true);
    } else {
      printUsage();
      return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
    }
  }

  kalsim::tHostHarness host;
  simboard::QuillBoard board;
  tVerdict verdict;
  std::printf("vorlan_driver end to end, over the stand-in kernel layer and a simulated board\n");

  const int32_t loaded = host.load();
  if (!verdict.step("load", loaded >= 0,
                    "entry returned " + describeLayerStatus(loaded) + ", driver \"" + host.record().name + "\"")) {
    std::printf("RESULT: FAILED at load\n");
    return 1;
  }

  const int32_t added = host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size);
  const auto* device = added >= 0 ? static_cast<const vorlan_driver::QuillDevice*>(
                                        reinterpret_cast<vorlan_driver::nKIVAPAL000::tDevice*>(host.deviceWord()))
                                  : nullptr;
  if (device == nullptr) {
    verdict.step("add device", false, "returned " + describeLayerStatus(added));
  } else {
    // A look inside, for the reader: the layer itself cannot see the level.
    const auto& tracker = device->getSetupTracker();
    const int64_t setupCode = tracker.getSetupStatus().getCode();
    const uint32_t reached = tracker.getCurrentLevel();
    std::string detail = "setup level " + std::to_string(reached) + " of " + std::to_string(tracker.getTargetLevel());
    // Start-up stops at the first level whose subsystem is not built yet;
    // that is the expected end of a healthy start until every level is.
    const char* missing = vorlan_driver::QuillHelper::missingSubsystemOf(reached + 1);
    const bool stoppedAtUnbuilt =
        setupCode == vorlan_driver::QuillHelper::kSubsystemNotBuilt && missing != nullptr;
    if (stoppedAtUnbuilt) {
      detail += "; stops before level " + std::to_string(reached + 1) + ": " + missing + " is not built";
    } else if (setupCode != 0) {
      detail += "; setup status " + describeDriverStatus(setupCode);
    }
    verdict.step("add device", stoppedAtUnbuilt || (reached == tracker.getTargetLevel() && setupCode == 0), detail);

    std::vector<std::string> interfaces;
    for (const auto& interface : kalsim::registeredInterfaces()) interfaces.push_back("\"" + interface.name + "\"");
    printWrapped("interfaces", interfaces);
    std::vector<std::string> properties;
    for (const auto& property : kalsim::registeredProperties()) {
      properties.push_back(property.name + " " + describeValue(property));
    }
    printWrapped("properties", properties);
    vorlan_driver::QuillHelper* owner = device->getHardwareOwner();
    if (owner != nullptr) {
      printWrapped("register maps", publishedNames(owner->getRegisterDispatcher()));
      printWrapped("device windows", publishedNames(owner->getDeviceWindowDispatcher()));
      printWrapped("storage maps", publishedNames(owner->getStorageMapDispatcher()));
    }
  }

  if (device != nullptr) {
    void* session = nullptr;
    const int32_t opened = host.open("smu_vorlan", &session);
    if (verdict.step("open", session != nullptr, "a session on \"smu_vorlan\": " + describeLayerStatus(opened))) {
      // Two requests through the envelope, laid out as the driver's own records.
      namespace records = vorlan_driver::requests;
      records::vorlan_getSetupLevel::In levelIn{};
      records::vorlan_getSetupLevel::Out levelOut{};
      uint32_t bytesReturned = 0;
      const int32_t levelResult = host.request(session, records::vorlan_getSetupLevel::kCode, &levelIn,
                                               sizeof levelIn, &levelOut, sizeof levelOut, &bytesReturned);
      requestStep(verdict, "vorlan_getSetupLevel", levelResult, levelOut.status, bytesReturned,
                  "setup level " + std::to_string(levelOut.setupLevel));

      const std::string tarn = "Tarn_Ver23.3.0f121";
      records::arm_read::In readIn{};
      records::arm_read::Out readOut{};
      readIn.namePointer = reinterpret_cast<uintptr_t>(tarn.data());
      readIn.nameLength = tarn.size();
      readIn.registerId = 0xC0000000u;  // register 0x0, whole, from its read side
      bytesReturned = 0;
      const int32_t readResult = host.request(session, records::arm_read::kCode, &readIn, sizeof readIn, &readOut,
                                              sizeof readOut, &bytesReturned);
      requestStep(verdict, "arm_read \"" + tarn + "\" " + asHex(readIn.registerId), readResult, readOut.status,
                  bytesReturned, "bridge signature " + asHex(readOut.value));
      host.close(session);
      verdict.step("close", true, "the session");
    }
  }

  if (added >= 0) {
    host.removeDevice();
    host.deleteDevice();
    const size_t interfacesLeft = kalsim::registeredInterfaces().size();
    const size_t propertiesLeft = kalsim::registeredProperties().size();
    verdict.step("remove", interfacesLeft == 0 && propertiesLeft == 0,
                 std::to_string(interfacesLeft) + " interfaces and " + std::to_string(propertiesLeft) +
                     " properties left registered");
  }
  host.unload();
  const uint64_t leftOver = kalsim::liveMutexes() + kalsim::liveSpinLocks() + kalsim::liveKernelMappings();
  verdict.step("unload", leftOver == 0,
               std::to_string(leftOver) + " kernel mutexes, spinlocks and mappings left over");

  const size_t debugLines = kalsim::printedLines().size();
  std::printf("the driver wrote %zu debug line%s (tools/run.sh --debug shows them)\n", debugLines,
              debugLines == 1 ? "" : "s");
  if (verdict.failed()) {
    std::printf("RESULT: FAILED at %s\n", verdict.failedStep().c_str());
    return 1;
  }
  std::printf("RESULT: success: the driver loaded, set up the board, answered its requests and unloaded cleanly\n");
  return 0;
}
