#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/kivregitools/Dispatcher.h"
#include "framework/kivregitools/WrapperDispatcher.h"
#include "kal/include/kalStandIn.h"
#include "tests/support/allocationFailures.h"
#include "platform/containers/tString.h"
#include "platform/cppRuntime/cppRunTime.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tEventDescriptor;
using vorlan_driver::nKIVAPAL000::tMutex;
using vorlan_driver::nKIVAPAL000::tString;

namespace {

// Anything published by name answers its two version texts.
struct FakeMap {
  const char* version;
  const char* oldest;
  const char* getVersion() const { return version; }
  const char* getOldestCompatibleVersion() const { return oldest; }
};

// A type published without versions, whatever it might answer.
struct FakeWindow {
  const char* getVersion() const { return "9.9.9d9"; }
  const char* getOldestCompatibleVersion() const { return "9.9.9d9"; }
};

}  // namespace

template <>
struct kivregitools::RegisteredObjectTraits<FakeWindow> : kivregitools::UnversionedObjectTraits<FakeWindow> {};

namespace {

using MapDispatcher = kivregitools::Dispatcher<FakeMap, kivregitools::WrapperDispatcher>;
using MapWrapper = kivregitools::RegistrationWrapper<FakeMap>;

// The request descriptor is only passed through to the user-buffer copy.
const tEventDescriptor& someRequest() {
  alignas(16) static unsigned char bytes[64];
  return *reinterpret_cast<const tEventDescriptor*>(bytes);
}

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    vorlan_driver::nKIVAPAL000::initializeRunTime();
    // The stand-in's own registry of bad user ranges allocates through the
    // same counter; give it its room before counting.
    kalsim::markUserRangeBad(nullptr, 0);
    kalsim::clearBadUserRanges();
    liveAllocations_ = kalsim::liveAllocations();
    liveMutexes_ = kalsim::liveMutexes();
    dispatcher_ = std::make_unique<MapDispatcher>();
  }
  void TearDown() override {
    dispatcher_.reset();
    EXPECT_EQ(kalsim::liveAllocations(), liveAllocations_) << "a dispatcher leaves nothing behind";
    EXPECT_EQ(kalsim::liveMutexes(), liveMutexes_);
    vorlan_driver::nKIVAPAL000::finalizeRunTime();
  }

  void publish(const char* name, FakeMap& map) {
    tStatus status;
    dispatcher_->add(name, map, status);
    ASSERT_EQ(status.getCode(), 0) << name;
  }

  FakeMap* lookUp(const char* name, int64_t expectedCode) {
    FakeMap* object = reinterpret_cast<FakeMap*>(0x1);
    tStatus status;
    dispatcher_->getRegistration(name, &object, status, nullptr);
    EXPECT_EQ(status.getCode(), expectedCode) << name;
    return object;
  }

  std::string list() {
    tString text;
    tStatus status;
    dispatcher_->getRegistrationList(text, status);
    EXPECT_EQ(status.getCode(), 0);
    return text.text();
  }

  std::unique_ptr<MapDispatcher> dispatcher_;
  FakeMap tarn_{"23.3.0f121", "23.3.0f121"};
  FakeMap ranged_{"3.0.0d0", "2.0.0d0"};
  FakeMap unversioned_{"", nullptr};
  uint64_t liveAllocations_ = 0;
  uint64_t liveMutexes_ = 0;
};

TEST_F(DispatcherTest, LookupNamesWithAndWithoutVersions) {
  publish("Tarn", tarn_);
  publish("Ranged", ranged_);
  publish("flashWindow", unversioned_);
  struct Case {
    const char* name;
    int64_t code;
    FakeMap* object;
  } const cases[] = {
      {"Tarn", -240023, nullptr},
      {"Tarn_Ver23.3.0f121", 0, &tarn_},
      {"Tarn_Ver", -240023, nullptr},
      {"Tarn_Ver23.3.0f122", 240000, &tarn_},
      {"Tarn_Ver23.3.0f120", -240000, nullptr},
      {"Tarn_Ver23.3.0", -240008, nullptr},
      {"Tarn_Ver256.0.0d0", -240026, nullptr},
      {"Tarn_Ver23.3.0f121_Ver23.3.0f121", -240008, nullptr},
      {"Ranged_Ver2.0.0d0", 0, &ranged_},
      {"Ranged_Ver2.5.0b3", 0, &ranged_},
      {"Ranged_Ver1.15.15f16383", -240000, nullptr},
      {"Ranged_Ver3.0.0d1", 240000, &ranged_},
      {"flashWindow", 0, &unversioned_},
      {"flashWindow_Ver", 0, &unversioned_},
      {"flashWindow_Ver1.0.0d0", -240022, nullptr},
      {"tarn_Ver23.3.0f121", -240024, nullptr},
      {"Tar_Ver23.3.0f121", -240024, nullptr},
      {"Tarn _Ver23.3.0f121", -240024, nullptr},
      {"TarnX", -240024, nullptr},
      {"", -240024, nullptr},
      {"_Ver1.0.0d0", -240024, nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lookUp(c.name, c.code), c.object) << c.name;
  }
}

TEST_F(DispatcherTest, LookupHandsOverTheRegistrationsMutexUnlocked) {
  publish("Tarn", tarn_);
  publish("DO", ranged_);
  MapWrapper* wrappers[2] = {};
  const char* const names[2] = {"Tarn_Ver23.3.0f121", "DO_Ver3.0.0d0"};
  for (int i = 0; i < 2; ++i) {
    tStatus status;
    tMutex* mutex = nullptr;
    dispatcher_->getRegistration(names[i], &wrappers[i], status, &mutex);
    ASSERT_EQ(status.getCode(), 0);
    ASSERT_NE(wrappers[i], nullptr);
    EXPECT_EQ(mutex, &wrappers[i]->getMutex());
    EXPECT_EQ(mutex->getDepth(), 0u);
  }
  EXPECT_NE(&wrappers[0]->getMutex(), &wrappers[1]->getMutex()) << "each registration has its own mutex";
  EXPECT_TRUE(wrappers[0]->getSupportsVersioning());
  EXPECT_EQ(wrappers[0]->getObject(), &tarn_);

  tStatus status;
  tMutex* mutex = nullptr;
  FakeMap* object = nullptr;
  dispatcher_->getRegistration("Tarn_Ver23.3.0f122", &object, status, &mutex);
  EXPECT_EQ(status.getCode(), 240000);
  EXPECT_EQ(object, &tarn_);
  EXPECT_EQ(mutex, &wrappers[0]->getMutex()) << "a warning still hands over the mutex";

  tStatus failed;
  tMutex* untouched = reinterpret_cast<tMutex*>(0x1);
  dispatcher_->getRegistration("Tarn", &object, failed, &untouched);
  EXPECT_EQ(failed.getCode(), -240023);
  EXPECT_EQ(untouched, reinterpret_cast<tMutex*>(0x1)) << "a failed lookup hands over no mutex";
}

TEST_F(DispatcherTest, UnversionedTypesIgnoreWhatTheObjectAnswers) {
  kivregitools::WrapperDispatcher<FakeWindow> windows;
  FakeWindow window;
  tStatus status;
  windows.add("flashWindow", window, status);
  FakeWindow* found = nullptr;
  windows.getRegistration("flashWindow", &found, status, nullptr);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(found, &window);
  windows.getRegistration("flashWindow_Ver9.9.9d9", &found, status, nullptr);
  EXPECT_EQ(status.getCode(), -240022);
  EXPECT_EQ(found, nullptr);
}

TEST_F(DispatcherTest, SameNameTwiceFirstIsFoundAndRemovedFirst) {
  FakeMap second{"23.3.0f121", "23.3.0f121"};
  publish("Tarn", tarn_);
  publish("Tarn", second);
  EXPECT_EQ(lookUp("Tarn_Ver23.3.0f121", 0), &tarn_);
  tStatus status;
  EXPECT_EQ(dispatcher_->remove("Tarn", status), nullptr);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(lookUp("Tarn_Ver23.3.0f121", 0), &second);
  dispatcher_->remove("Tarn", status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(dispatcher_->getNumberOfRegistrations(), 0u);
  dispatcher_->remove("Tarn", status);
  EXPECT_EQ(status.getCode(), -240024);
}

TEST_F(DispatcherTest, RemovalKeepsTheOrderOfTheOthers) {
  FakeMap maps[4] = {tarn_, tarn_, tarn_, tarn_};
  publish("A", maps[0]);
  publish("B", maps[1]);
  publish("C", maps[2]);
  publish("D", maps[3]);
  EXPECT_EQ(dispatcher_->remove("B"), nullptr) << "the wrapper dispatcher deletes, never hands back";
  EXPECT_EQ(list(), "A\tC\tD");
  EXPECT_EQ(dispatcher_->remove("nothing"), nullptr);
  EXPECT_EQ(list(), "A\tC\tD");
}

TEST_F(DispatcherTest, RemovalWithdrawsWhateverTheStatusHolds) {
  publish("Tarn", tarn_);
  tStatus status;
  status.setCode(-52007, "c", "f", 1);
  dispatcher_->remove("Tarn", status);
  EXPECT_EQ(status.getCode(), -52007);
  EXPECT_EQ(dispatcher_->getNumberOfRegistrations(), 0u);
  EXPECT_EQ(kalsim::liveMutexes(), liveMutexes_);
}

TEST_F(DispatcherTest, NullNamesAndBuffersAreRefused) {
  publish("Tarn", tarn_);
  tStatus add;
  dispatcher_->add(nullptr, tarn_, add);
  EXPECT_EQ(add.getCode(), -240031);
  tStatus remove;
  dispatcher_->remove(nullptr, remove);
  EXPECT_EQ(remove.getCode(), -240031);
  EXPECT_EQ(dispatcher_->remove(nullptr), nullptr);
  EXPECT_EQ(lookUp(nullptr, -240031), nullptr);
  tStatus names;
  dispatcher_->getRegistrationNames(nullptr, names);
  EXPECT_EQ(names.getCode(), -240031);
  EXPECT_EQ(dispatcher_->getNumberOfRegistrations(), 1u);
}

TEST_F(DispatcherTest, AnErrorOnEntryPublishesAndFindsNothing) {
  publish("Tarn", tarn_);
  const uint64_t calls = kalsim::allocationCallsOnThisThread();
  tStatus status;
  status.setCode(-52007, "c", "f", 1);
  dispatcher_->add("DO", ranged_, status);
  EXPECT_EQ(dispatcher_->getNumberOfRegistrations(), 1u);
  EXPECT_EQ(kalsim::allocationCallsOnThisThread(), calls);
  FakeMap* object = &ranged_;
  dispatcher_->getRegistration("Tarn_Ver23.3.0f121", &object, status, nullptr);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(status.getCode(), -52007);
}

TEST_F(DispatcherTest, MalformedVersionTextsPublishNothing) {
  struct Case {
    FakeMap map;
    int64_t code;
  } cases[] = {
      {{"2.1.0", "2.1.0d19"}, -240008},
      {{"2.1.0d19", "2.1.0x19"}, -240008},
      {{"2.16.0d19", "2.1.0d19"}, -240026},
  };
  for (Case& c : cases) {
    const uint64_t liveAllocations = kalsim::liveAllocations();
    tStatus status;
    dispatcher_->add("Bad", c.map, status);
    const int64_t code = status.getCode();
    EXPECT_EQ(kalsim::liveAllocations(), liveAllocations) << c.map.version << " " << c.map.oldest;
    EXPECT_EQ(code, c.code) << c.map.version << " " << c.map.oldest;
    EXPECT_EQ(dispatcher_->getNumberOfRegistrations(), 0u);
    EXPECT_EQ(kalsim::liveMutexes(), liveMutexes_);
  }
}

TEST_F(DispatcherTest, AnyFailedAllocationLeavesNoHalfRegistration) {
  // Four entries fill the list's first block, so publishing a fifth also
  // needs a larger list.
  FakeMap maps[4] = {tarn_, tarn_, tarn_, tarn_};
  for (int i = 0; i < 4; ++i) publish(("M" + std::to_string(i)).c_str(), maps[i]);
  const std::string before = list();
  const uint64_t liveAllocations = kalsim::liveAllocations();
  const uint64_t liveMutexes = kalsim::liveMutexes();
  const uint32_t failures = testsupport::forEveryAllocationFailure([&](testsupport::AllocationFailure& failure) {
    tStatus status;
    dispatcher_->add("Triggers", ranged_, status);
    failure.disarm();
    if (!failure.hit()) {
      EXPECT_EQ(status.getCode(), 0);
      return;
    }
    const uint32_t nth = failure.nth();
    EXPECT_EQ(status.getCode(), -52000) << nth;
    EXPECT_EQ(list(), before) << nth;
    EXPECT_EQ(kalsim::liveAllocations(), liveAllocations) << nth;
    EXPECT_EQ(kalsim::liveMutexes(), liveMutexes) << nth;
  });
  EXPECT_EQ(failures, 3u) << "wrapper, name copy, larger list (the kernel mutex is the layer's)";
  EXPECT_EQ(lookUp("Triggers_Ver3.0.0d0", 0), &ranged_);
}

TEST_F(DispatcherTest, AFailedKernelMutexPublishesNothing) {
  const uint64_t liveAllocations = kalsim::liveAllocations();
  kalsim::failMutexCreation(1);
  tStatus status;
  dispatcher_->add("Tarn", tarn_, status);
  EXPECT_EQ(kalsim::liveAllocations(), liveAllocations);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_EQ(dispatcher_->getNumberOfRegistrations(), 0u);
}

TEST_F(DispatcherTest, ListingJoinsNamesWithTabs) {
  publish("DO", ranged_);
  publish("Triggers", tarn_);
  EXPECT_EQ(dispatcher_->getNumberOfRegistrations(), 2u);
  EXPECT_EQ(list(), "DO\tTriggers");
  EXPECT_EQ(dispatcher_->getSizeOfRegistrationList(), 12u);

  publish("", unversioned_);
  publish("Tarn", tarn_);
  EXPECT_EQ(list(), "DO\tTriggers\tTarn") << "empty names add nothing";
  EXPECT_EQ(dispatcher_->getSizeOfRegistrationList(), list().size() + 1);

  tString text;
  tStatus status;
  text.append("stale", status);
  status.setCode(-52007, "c", "f", 1);
  dispatcher_->getRegistrationList(text, status);
  EXPECT_EQ(text.length(), 0u) << "emptied even when the status holds an error";

  tString fresh;
  tStatus growth;
  kalsim::failAllocationOnThisThread(2);
  dispatcher_->getRegistrationList(fresh, growth);
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(growth.getCode(), -52000);
  const std::string partial = fresh.text();
  EXPECT_EQ(partial, "DO\t") << "names stop at the failed append";
}

TEST_F(DispatcherTest, AnEmptyDispatcherListsNothing) {
  EXPECT_EQ(dispatcher_->getNumberOfRegistrations(), 0u);
  EXPECT_EQ(dispatcher_->getSizeOfRegistrationList(), 1u);
  EXPECT_EQ(list(), "");
  char buffer[64];
  std::memset(buffer, 0x5A, sizeof buffer);
  tStatus status;
  dispatcher_->getRegistrationNames(buffer, status);
  EXPECT_EQ(status.getCode(), 0);
  for (char c : buffer) EXPECT_EQ(c, 0x5A);
}

TEST_F(DispatcherTest, NamesGoIntoSixtyFourByteSlots) {
  const std::string exactly64(64, 'x');
  const std::string longer(70, 'y');
  publish("DO", ranged_);
  publish(exactly64.c_str(), tarn_);
  publish(longer.c_str(), tarn_);
  publish("Triggers", tarn_);
  std::vector<char> buffer(64 * dispatcher_->getNumberOfRegistrations() + 8, 0x5A);
  tStatus status;
  dispatcher_->getRegistrationNames(buffer.data(), status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(std::string(buffer.data(), 3), std::string("DO\0", 3));
  EXPECT_EQ(buffer[3], 0x5A) << "the rest of a slot is not written";
  EXPECT_EQ(buffer[63], 0x5A);
  EXPECT_EQ(std::string(buffer.data() + 64, 64), exactly64) << "a full slot has no terminator";
  EXPECT_EQ(std::string(buffer.data() + 128, 64), longer.substr(0, 64));
  EXPECT_EQ(std::string(buffer.data() + 192, 9), std::string("Triggers\0", 9));
  for (size_t i = 192 + 9; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0x5A) << i;
}

TEST_F(DispatcherTest, DestructionWithdrawsEveryRegistration) {
  FakeMap same = tarn_;
  publish("Tarn", tarn_);
  publish("Tarn", same);
  publish("", unversioned_);
  publish("DO", ranged_);
  EXPECT_GT(kalsim::liveMutexes(), liveMutexes_);
  dispatcher_.reset();
  EXPECT_EQ(kalsim::liveMutexes(), liveMutexes_);
  EXPECT_EQ(kalsim::liveAllocations(), liveAllocations_);
  EXPECT_STREQ(tarn_.version, "23.3.0f121") << "objects are left alone";
}

// ---- names in user memory

class UserNameTest : public DispatcherTest {
 protected:
  void SetUp() override {
    DispatcherTest::SetUp();
    publish("Tarn", tarn_);
    publish("flashWindow", unversioned_);
  }

  int64_t lookUpUser(const void* name, uint64_t length, FakeMap*& object, tMutex** mutex = nullptr) {
    tStatus status;
    dispatcher_->getRegistration(someRequest(), const_cast<void*>(name), length, &object, status, mutex);
    return status.getCode();
  }

  FakeMap* const kUntouched = reinterpret_cast<FakeMap*>(0x1);
};

TEST_F(UserNameTest, NamesAreCopiedAndLookedUp) {
  struct Case {
    std::string bytes;
    uint64_t length;
    int64_t code;
    FakeMap* object;
  } const cases[] = {
      {"Tarn_Ver23.3.0f121", 18, 0, &tarn_},
      {"Tarn_Ver23.3.0f122", 18, 240000, &tarn_},
      {"Tarn", 4, -240023, nullptr},
      {"flashWindowXYZ", 11, 0, &unversioned_},
      {std::string("flashWindow\0junk", 16), 16, 0, &unversioned_},
      {"flashWindow_Ver1.0.0d0", 22, -240022, nullptr},
      {"flash", 5, -240024, nullptr},
      {"", 0, -240024, nullptr},
  };
  for (const Case& c : cases) {
    FakeMap* object = kUntouched;
    const uint64_t liveAllocations = kalsim::liveAllocations();
    const int64_t code = lookUpUser(c.bytes.data(), c.length, object);
    EXPECT_EQ(kalsim::liveAllocations(), liveAllocations) << "the copy is freed: " << c.bytes;
    EXPECT_EQ(code, c.code) << c.bytes;
    EXPECT_EQ(object, c.object) << c.bytes;
  }
}

TEST_F(UserNameTest, AFailedCopyLeavesTheObjectUntouched) {
  const std::string name = "Tarn_Ver23.3.0f121";
  kalsim::markUserRangeBad(name.data() + 5, 1, -51101);
  FakeMap* object = kUntouched;
  tMutex* mutex = nullptr;
  EXPECT_EQ(lookUpUser(name.data(), name.size(), object, &mutex), -52006);
  EXPECT_EQ(object, kUntouched);
  EXPECT_EQ(mutex, nullptr);

  EXPECT_EQ(lookUpUser(nullptr, 4, object), -52005) << "a null user pointer fails in the copy";
  EXPECT_EQ(object, kUntouched);
}

// The length sizes the kernel's copy of the name: past the longest name
// taken, it is refused before anything is allocated or copied. As a
// kernel's allocator would, the layer refuses large blocks, so a length that
// got through fails instead of taking the machine's memory.
TEST_F(UserNameTest, LengthsPastTheLongestNameAreRefusedBeforeAllocating) {
  const std::string name = "Tarn_Ver23.3.0f121";
  const uint64_t longest = MapDispatcher::kMaximumUserNameLength;
  for (uint64_t length : {UINT64_MAX, UINT64_MAX - 1, uint64_t{UINT32_MAX} + 1, uint64_t{UINT32_MAX}, longest + 1}) {
    const uint64_t allocations = kalsim::allocationCallsOnThisThread();
    const uint64_t copies = kalsim::userCopies();
    FakeMap* object = kUntouched;
    kalsim::refuseAllocationsAboveOnThisThread(1u << 20);
    const int64_t code = lookUpUser(name.data(), length, object);
    kalsim::refuseAllocationsAboveOnThisThread(0);
    EXPECT_EQ(code, -52005) << length;
    EXPECT_EQ(object, kUntouched);
    EXPECT_EQ(kalsim::allocationCallsOnThisThread(), allocations) << length;
    EXPECT_EQ(kalsim::userCopies(), copies) << length;
  }
  // A caller's buffer of the longest length, the name and its NUL first:
  // a copy of that length is a small block.
  ASSERT_LT(longest, uint64_t{1} << 20);
  std::string buffer(longest, 'x');
  buffer.replace(0, name.size() + 1, name.c_str(), name.size() + 1);
  FakeMap* object = kUntouched;
  EXPECT_EQ(lookUpUser(buffer.data(), buffer.size(), object), 0);
  EXPECT_EQ(object, &tarn_);
}

TEST_F(UserNameTest, ShortNamesAreCopiedToTheStackAndLongOnesToTheHeap) {
  const std::string name = "Tarn_Ver23.3.0f121";
  const uint64_t allocations = kalsim::allocationCallsOnThisThread();
  FakeMap* object = nullptr;
  EXPECT_EQ(lookUpUser(name.data(), name.size(), object), 0);
  EXPECT_EQ(object, &tarn_);
  EXPECT_EQ(kalsim::allocationCallsOnThisThread(), allocations) << "a lookup by a short name allocates nothing";

  // 255 characters and the NUL still fit; one more goes to the heap.
  for (uint64_t length : {255u, 256u}) {
    const std::string longName = "Tarn" + std::string(length - 4, 'x');
    const uint64_t before = kalsim::allocationCallsOnThisThread();
    const uint64_t live = kalsim::liveAllocations();
    EXPECT_EQ(lookUpUser(longName.data(), longName.size(), object), -240024) << length;
    EXPECT_EQ(kalsim::allocationCallsOnThisThread(), before + (length == 256u ? 1u : 0u)) << length;
    EXPECT_EQ(kalsim::liveAllocations(), live) << "the copy is freed";
  }

  const std::string longName = "Tarn" + std::string(300, 'x');
  const uint64_t copies = kalsim::userCopies();
  kalsim::failAllocationOnThisThread(1);
  object = kUntouched;
  EXPECT_EQ(lookUpUser(longName.data(), longName.size(), object), -52000);
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(object, kUntouched);
  EXPECT_EQ(kalsim::userCopies(), copies);
}

TEST_F(UserNameTest, AnErrorOnEntryCopiesNothing) {
  const std::string name = "Tarn_Ver23.3.0f121";
  const uint64_t allocations = kalsim::allocationCallsOnThisThread();
  tStatus status;
  status.setCode(-52007, "c", "f", 1);
  FakeMap* object = kUntouched;
  dispatcher_->getRegistration(someRequest(), const_cast<char*>(name.data()), name.size(), &object, status, nullptr);
  EXPECT_EQ(status.getCode(), -52007);
  EXPECT_EQ(object, kUntouched);
  EXPECT_EQ(kalsim::allocationCallsOnThisThread(), allocations);
}

}  // namespace
