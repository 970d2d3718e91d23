// The FPGA map as a family: publishing itself and its 97 children by name,
// withdrawing every name, and staying safe when a child could not be made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/armki/ARMDispatcher.h"
#include "framework/kivregitools/DispatcherBase.h"
#include "framework/kivregitools/Version.h"
#include "platform/synchronization/tMutex.h"
#include "framework/armki/DynamicAccessInterfaceBase.h"
#include "tests/regmaps/nisoFixture.h"

namespace nisotest {
namespace {

using tRegisterInterface = arm::DynamicAccessInterfaceBase<tStatus>;
using vorlan_driver::nKIVAPAL000::tMutex;

// The registry's own lookup, "_Ver" handling and name list over a
// registration that records the map it publishes; withdrawals take effect
// whatever the status holds, as the register dispatcher's do.
struct TestRegistration {
  TestRegistration(tRegisterInterface& map, tStatus& status) : object(&map), mutex(status) {}
  void checkVersion(kivregitools::Version requested, tStatus& status) {
    tStatus parse;
    if (requested != kivregitools::Version(object->getVersion(), parse)) status.setCode(-240000, "t", "t", 1);
  }
  tMutex& getMutex() { return mutex; }
  tRegisterInterface* object;
  tMutex mutex;
};

class tDispatcher : public kivregitools::DispatcherBase<TestRegistration> {
  using Base = kivregitools::DispatcherBase<TestRegistration>;

 public:
  using Base::add;
  using Base::getRegistration;
  ~tDispatcher() override {
    for (uint64_t i = 0; i < entryCount(); ++i) delete registrationAt(i);
  }
  void add(const char* name, tRegisterInterface& map, tStatus& status) {
    if (status.isFatal()) return;
    if (++adds == failingAdd) {
      status.setCode(kOutOfMemory, "t", "t", 1);
      return;
    }
    auto* registration = new TestRegistration(map, status);
    Base::add(name, *registration, status);
    if (status.isFatal()) delete registration;
  }
  TestRegistration* remove(const char* name, tStatus& status) override {
    TestRegistration* registration = unlink(name);
    if (registration == nullptr) status.setCode(-240024, "t", "t", 1);
    delete registration;
    return nullptr;
  }
  tRegisterInterface* find(const char* name, tStatus& status, tMutex** mutex) {
    TestRegistration* registration = nullptr;
    Base::getRegistration(name, &registration, status, mutex);
    return registration != nullptr ? registration->object : nullptr;
  }
  uint32_t adds = 0;
  uint32_t failingAdd = 0;  // 0: none fails
};

constexpr int64_t kRegistrationNotFound = -240024;

template <typename Dispatcher>
std::vector<std::string> names(Dispatcher& dispatcher) {
  const uint64_t count = dispatcher.getNumberOfRegistrations();
  std::vector<char> buffer(count * tDispatcher::kNameSlotSize + 1, '\0');
  tStatus status;
  dispatcher.getRegistrationNames(buffer.data(), status);
  std::vector<std::string> out;
  for (uint64_t i = 0; i < count; ++i) {
    const char* slot = buffer.data() + i * tDispatcher::kNameSlotSize;
    out.emplace_back(slot, strnlen(slot, tDispatcher::kNameSlotSize));
  }
  return out;
}

std::vector<std::string> familyNames(const std::string& prefix, bool withOwn) {
  std::vector<std::string> out;
  if (withOwn) out.push_back(prefix);
  for (int i = 0; i < 48; ++i) out.push_back(prefix + "_StreamCircuit" + std::to_string(i) + "_StreamCircuitRegMap");
  out.push_back(prefix + "_DMACompanion_KivDmaCompanionRegMap");
  for (int i = 0; i < 48; ++i) out.push_back(prefix + "_DMA" + std::to_string(i) + "_KivDmaRegMap");
  return out;
}

using NisoFamily = NisoBoard;

TEST_F(NisoFamily, PublishesTheMapAndItsChildrenInWalkOrder) {
  auto map = build();
  // The register dispatcher the device publishes through.
  armki::ARMDispatcher dispatcher;
  tStatus status;
  map->addToDispatcher(dispatcher, status, nullptr, false);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(names(dispatcher), familyNames("TheQuillNisoFpgaRegMap", true));

  auto find = [&](const char* name, tMutex** mutex) {
    tRegisterInterface* object = nullptr;
    dispatcher.getRegistration(name, &object, status, mutex);
    return object;
  };
  // A child looked up by its full versioned name is the child over its part.
  tMutex* mutex = nullptr;
  tRegisterInterface* found = find("TheQuillNisoFpgaRegMap_DMA5_KivDmaRegMap_Ver2.1.0d19", &mutex);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(found, static_cast<tRegisterInterface*>(map->getDMA(5)));
  EXPECT_NE(mutex, nullptr);
  found->write(0x80000054, 0x77, false, status, 0);
  EXPECT_EQ(log(), (std::vector<BlockAccess>{W32(0x68000 + 0x500 + 0x54, 0x77)}));
  EXPECT_EQ(find("TheQuillNisoFpgaRegMap_Ver2.1.0d19", nullptr), static_cast<tRegisterInterface*>(map.get()));
  EXPECT_EQ(find("TheQuillNisoFpgaRegMap_StreamCircuit47_StreamCircuitRegMap_Ver2.1.0d19", nullptr),
            static_cast<tRegisterInterface*>(map->getStreamCircuit(47)));
  EXPECT_EQ(status.getCode(), 0);

  map->removeFromDispatcher(dispatcher, status, nullptr, false);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
}

TEST_F(NisoFamily, PrefixAndChildrenOnly) {
  auto map = build();
  struct Case {
    const char* prefix;
    bool childrenOnly;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {nullptr, true, familyNames("TheQuillNisoFpgaRegMap", false)},
      {"P", false, familyNames("P", true)},
      {"", false, familyNames("", true)},
  };
  for (const Case& c : cases) {
    tDispatcher dispatcher;
    tStatus status;
    map->addToDispatcher(dispatcher, status, c.prefix, c.childrenOnly);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(names(dispatcher), c.expected);
    map->removeFromDispatcher(dispatcher, status, c.prefix, c.childrenOnly);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
  }
}

TEST_F(NisoFamily, RemovalWithdrawsEveryNameWhateverTheStatusHolds) {
  auto map = build();
  tDispatcher dispatcher;
  tStatus status;
  map->addToDispatcher(dispatcher, status, nullptr, false);

  tStatus failed;
  failed.setCode(-7, "test", "test", 1);
  map->removeFromDispatcher(dispatcher, failed, nullptr, false);
  EXPECT_EQ(failed.getCode(), -7);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);

  // A name already gone is reported, and the rest still go.
  map->addToDispatcher(dispatcher, status, nullptr, false);
  tStatus ignored;
  dispatcher.remove("TheQuillNisoFpgaRegMap_StreamCircuit3_StreamCircuitRegMap", ignored);
  tStatus missing;
  map->removeFromDispatcher(dispatcher, missing, nullptr, false);
  EXPECT_EQ(missing.getCode(), kRegistrationNotFound);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
}

TEST_F(NisoFamily, PublishingStopsAtTheFirstFailureAndRefusesNamesThatDoNotFit) {
  auto map = build();
  tDispatcher dispatcher;
  tStatus failed;
  failed.setCode(-7, "test", "test", 1);
  map->addToDispatcher(dispatcher, failed, nullptr, false);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);

  const std::string longPrefix(300, 'x');
  tStatus status;
  map->addToDispatcher(dispatcher, status, longPrefix.c_str(), false);
  EXPECT_EQ(status.getCode(), kInvalidArgument);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);

  // The fifth registration fails: four stay published until the owner
  // removes the family.
  tStatus partial;
  dispatcher.adds = 0;
  dispatcher.failingAdd = 5;
  map->addToDispatcher(dispatcher, partial, nullptr, false);
  EXPECT_EQ(partial.getCode(), kOutOfMemory);
  const std::vector<std::string> all = familyNames("TheQuillNisoFpgaRegMap", true);
  EXPECT_EQ(names(dispatcher), std::vector<std::string>(all.begin(), all.begin() + 4));
  tStatus removal;
  map->removeFromDispatcher(dispatcher, removal, nullptr, false);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
}

// The nth child allocation fails: -52000, no child after it, and the map
// still walks, publishes, withdraws and is destroyed safely.
class NisoChildAllocation : public NisoBoard, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(NisoChildAllocation, FailureLeavesASafeMap) {
  const uint32_t nth = GetParam();
  {
    // The board keeps its log's room: let it grow to a whole family's walks
    // first, so that what is counted below is the map's alone.
    auto whole = build();
    whole->markDirtyRegMap();
    tStatus warmUp;
    whole->flushRegMap(false, warmUp);
    whole->refreshRegMap(warmUp);
    clearLog();
  }
  const uint64_t liveBefore = kalsim::liveAllocations();
  {
    tStatus status;
    // The map's own allocation comes first.
    kalsim::failAllocationOnThisThread(1 + nth);
    auto map = std::make_unique<tTheQuillNisoFpgaRegMap>(&accessor, status, 0, 0, 0xFFFFFFFFu);
    kalsim::failAllocationOnThisThread(0);
    EXPECT_EQ(status.getCode(), kOutOfMemory);
    const uint32_t streams = nth <= 48 ? nth - 1 : 48;
    const uint32_t channels = nth <= 48 ? 0 : nth - 49;
    for (uint32_t i = 0; i < 48; ++i) {
      EXPECT_EQ(map->getStreamCircuit(i) != nullptr, i < streams) << i;
      EXPECT_EQ(map->getDMA(i) != nullptr, i < channels) << i;
    }

    clearLog();
    map->markDirtyRegMap();
    tStatus walk;
    map->flushRegMap(false, walk);
    map->refreshRegMap(walk);
    map->reinitialize();
    EXPECT_EQ(walk.getCode(), 0);
    const uint64_t writes = 102u + streams * 22u + 9u + channels * 12u;
    const uint64_t reads = 260u + streams * 23u + 81u + channels * 16u;
    EXPECT_EQ(log().size(), writes + reads);

    tDispatcher dispatcher;
    tStatus publish;
    map->addToDispatcher(dispatcher, publish, nullptr, false);
    EXPECT_EQ(publish.getCode(), 0);
    EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 1u + streams + 1u + channels);
    tStatus removal;
    map->removeFromDispatcher(dispatcher, removal, nullptr, false);
    EXPECT_EQ(removal.getCode(), 0);
    EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
  }
  EXPECT_EQ(kalsim::liveAllocations(), liveBefore);
}

INSTANTIATE_TEST_SUITE_P(Cases, NisoChildAllocation, ::testing::Values(1u, 30u, 48u, 49u, 96u));

// Nor a lock: such a map is only to be destroyed, and refuses to be walked.
TEST_F(NisoFamily, AnErrorBeforeTheChildrenCreatesNone) {
  tStatus status;
  status.setCode(-7, "test", "test", 1);
  const uint64_t calls = kalsim::allocationCallsOnThisThread();
  const uint64_t mutexes = kalsim::liveMutexes();
  tTheQuillNisoFpgaRegMap map(&accessor, status, 0, 0, 0xFFFFFFFFu);
  EXPECT_EQ(kalsim::allocationCallsOnThisThread(), calls);
  EXPECT_EQ(kalsim::liveMutexes(), mutexes);
  for (uint32_t i = 0; i < 48; ++i) EXPECT_EQ(map.getStreamCircuit(i), nullptr);
  map.markDirtyRegMap();
  tStatus walk;
  map.flushRegMap(false, walk);
  EXPECT_EQ(walk.getCode(), -52000);
  EXPECT_EQ(log().size(), 0u);
}

}  // namespace
}  // namespace nisotest
