// A started board device over a stand-in PCI function whose BAR 0 is the
// simulated board, reached the way the callbacks and request methods reach it: sessions through openSession and
// closeSession, requests as a gate at their required level.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "device/QuillDevice.h"
#include "device/QuillHelper.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/driver/createDevice.h"
#include "framework/kdut/AutoIOGate.h"
#include "framework/kdut/kdutStatusCodes.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "simboard/QuillBoard.h"
#include "tests/platform/pciTestSupport.h"

namespace quilltest {

using meridansharedsource::KernelSession;
using nKIVAPALS100::tStatus;
using vorlan_driver::QuillDevice;
using vorlan_driver::QuillHelper;
using vorlan_driver::nKIVAPAL000::tDeviceCore;
using vorlan_driver::nKIVAPAL000::tEventDescriptor;

typedef kdut::AutoIOGate<vorlan_shared::SetupLevel, KernelSession> tRequestGate;

constexpr int64_t kSetupStopped = -52010;
constexpr int64_t kInvalidated = kdut::codes::kSessionInvalidated;
// Where a start-up aimed at level 20 ends on a healthy board, and with what:
// it stops before the first level whose subsystem is not built yet.
const uint32_t kTopLevel = QuillHelper::highestBuiltLevel();
const int64_t kFullStartCode = kTopLevel == vorlan_shared::SetupLevel::kFull ? 0 : QuillHelper::kSubsystemNotBuilt;

class QuillDeviceTest : public ::testing::Test {
 protected:
  // The driver's statics (the capability table among them) exist as they
  // do between load and unload.
  void SetUp() override {
    kalsim::reset();
    vorlan_driver::nKIVAPAL000::initializeRunTime();
  }
  void TearDown() override {
    if (device != nullptr) {
      removeDevice();
      delete device;
    }
    vorlan_driver::nKIVAPAL000::finalizeRunTime();
  }

  // Started as add device starts it.
  void startDevice(kalsim::PciFunctionSetup setup = kalsim::PciFunctionSetup()) {
    const uint64_t physical = reinterpret_cast<uintptr_t>(board.bar0());
    kalsim::mapPhysicalRangeTo(physical, simboard::SimBoard::kBar0Size, board.bar0());
    setup.resources[0] = kalsim::PciResource{physical, simboard::SimBoard::kBar0Size, 1u << 1};
    description = pcitest::describe(kalsim::addPciFunction(setup));
    tStatus status;
    device = static_cast<vorlan_driver::QuillDevice*>(vorlan_driver::createDevice(description, status));
    ASSERT_EQ(status.getCode(), 0);
    device->changePnPState(tEventDescriptor(), tDeviceCore::kPnPStateReady,
                           vorlan_driver::nKIVAPAL000::kSuspendReasonAddDevice, false, status);
    ASSERT_EQ(status.getCode(), 0);
  }

  void removeDevice() {
    tStatus status;
    device->changePnPState(tEventDescriptor(), tDeviceCore::kPnPStateNotPresent,
                           vorlan_driver::nKIVAPAL000::kSuspendReasonRemove, false, status);
  }

  KernelSession* open(int64_t* code = nullptr) {
    tStatus status;
    auto* session = device->openSession(tEventDescriptor(), device->getDeviceInterfaces()[0], status);
    if (code != nullptr) *code = status.getCode();
    return static_cast<KernelSession*>(session);
  }

  void close(KernelSession* session) {
    const tEventDescriptor descriptor(session);
    device->cancelSessionIO(descriptor);
    device->closeSession(descriptor, session);
  }

  // What a request method of that level sees at its gate.
  int64_t request(KernelSession* session, uint32_t level) {
    tStatus status;
    tRequestGate gate(device, session, &device->getSetupTracker(), level, status);
    return status.getCode();
  }

  int64_t reset(KernelSession* session, uint32_t level, const void* record = nullptr) {
    tStatus status;
    device->reset(tEventDescriptor(session), level, reinterpret_cast<uintptr_t>(record), status);
    return status.getCode();
  }

  int64_t reserve(KernelSession* session, uint64_t mask) {
    tStatus status;
    session->reserveResources(mask, status);
    return status.getCode();
  }

  uint32_t level() const { return device->getSetupTracker().getCurrentLevel(); }

  simboard::QuillBoard board;
  vorlan_driver::nKIVAPAL000::tPCIDescription description{};
  QuillDevice* device = nullptr;
};

}  // namespace quilltest
