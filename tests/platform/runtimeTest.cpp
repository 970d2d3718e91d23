#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/status/tStatus.h"

namespace rt = vorlan_driver::nKIVAPAL000;
using nKIVAPALS100::tStatus;

namespace {

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override { kalsim::failAllocationOnThisThread(0); }
};

const rt::tAllocationHeader& headerOf(const void* payload) {
  // Through an integer, so the compiler does not see a step outside the object.
  return *reinterpret_cast<const rt::tAllocationHeader*>(reinterpret_cast<uintptr_t>(payload) - 16);
}

TEST_F(RuntimeTest, HeaderRecordsTotalSizeAndKindFlag) {
  struct Case {
    uint8_t flag;
    size_t size;
  };
  for (const Case& c : {Case{0, 1}, Case{1, 40}, Case{0, 0}}) {
    tStatus status;
    void* payload = new (status, c.flag) uint8_t[c.size];
    ASSERT_NE(payload, nullptr);
    EXPECT_EQ(headerOf(payload).totalSize, c.size + 16);
    EXPECT_EQ(headerOf(payload).kindFlag, c.flag);
    EXPECT_EQ(status.getCode(), 0);
    delete[] static_cast<uint8_t*>(payload);
  }
  int* plain = new int(3);
  EXPECT_EQ(headerOf(plain).kindFlag, 1u) << "status-less forms mark their blocks";
  delete plain;
}

TEST_F(RuntimeTest, StatusFormsShortCutWithoutCallingTheLayer) {
  struct Case {
    const char* name;
    uint64_t size;
    int64_t initialCode;
    bool allocates;
    int64_t finalCode;
  };
  const Case cases[] = {
      {"size overflows the header", UINT64_MAX - 15, 0, false, -52000},
      {"overflow is checked before the status", UINT64_MAX, -52007, false, -52007},
      {"earlier error", 8, -52007, false, -52007},
      {"warning does not stop", 8, 240000, true, 240000},
  };
  for (const Case& c : cases) {
    tStatus status;
    status.setCode(c.initialCode, "t", "t", 1);
    const uint64_t callsBefore = kalsim::allocationCallsOnThisThread();
    void* payload = rt::allocate(c.size, status, 0);
    EXPECT_EQ(payload != nullptr, c.allocates) << c.name;
    EXPECT_EQ(kalsim::allocationCallsOnThisThread() - callsBefore, c.allocates ? 1u : 0u) << c.name;
    EXPECT_EQ(status.getCode(), c.finalCode) << c.name;
    rt::release(payload);
  }
}

TEST_F(RuntimeTest, LayerRefusalIsOutOfMemoryAndNamesTheAllocator) {
  nKIVAPALS100::tStatusExtended status;
  kalsim::failAllocationOnThisThread(1);
  EXPECT_EQ(rt::allocate(32, status, 1), nullptr);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_STREQ(status.getFile(), "platform/cppRuntime/cppNewDelete.cpp");
  EXPECT_STREQ(status.getComponent(), "vorlan_dr");
}

TEST_F(RuntimeTest, ReleaseFreesTheWholeBlockAndIgnoresNull) {
  const uint64_t live = kalsim::liveAllocations();
  tStatus status;
  void* payload = rt::allocate(10, status, 0);
  EXPECT_EQ(kalsim::liveAllocations(), live + 1);
  rt::release(payload);
  rt::release(nullptr);
  EXPECT_EQ(kalsim::liveAllocations(), live);
}

std::vector<int>* gCalls = nullptr;
void recordCall(void* argument) { gCalls->push_back(static_cast<int>(reinterpret_cast<intptr_t>(argument))); }

TEST_F(RuntimeTest, ConstructionPairsUpAndDestructorsRunLastRegisteredFirst) {
  std::vector<int> calls;
  gCalls = &calls;
  ASSERT_EQ(rt::runTimeReferenceCount(), 0u);
  rt::initializeRunTime();
  rt::initializeRunTime();
  EXPECT_EQ(rt::runTimeReferenceCount(), 2u);
  for (intptr_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(rt::registerStaticDestructor(&recordCall, reinterpret_cast<void*>(i), rt::staticDestructorListHead()), 0);
  }
  rt::finalizeRunTime();
  EXPECT_TRUE(calls.empty()) << "the first finalize only drops the count";
  rt::finalizeRunTime();
  EXPECT_EQ(calls, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(*rt::staticDestructorListHead(), nullptr);
  EXPECT_EQ(rt::runTimeReferenceCount(), 0u);
}

TEST_F(RuntimeTest, AnUnregistrableDestructorIsDropped) {
  std::vector<int> calls;
  gCalls = &calls;
  rt::tDestructorRecord* head = nullptr;
  kalsim::failAllocationOnThisThread(1);
  EXPECT_EQ(rt::registerStaticDestructor(&recordCall, nullptr, &head), -1);
  EXPECT_EQ(head, nullptr);
}

TEST(VersionRecord, NineNamedStringsThenNull) {
  const char* const* record = rt::getVersionRecord();
  int count = 0;
  for (; record[count] != nullptr; ++count) {
    EXPECT_EQ(std::string(record[count]).rfind("nKIVVersion_", 0), 0u) << record[count];
    EXPECT_NE(std::string(record[count]).find('='), std::string::npos);
  }
  EXPECT_EQ(count, 9);
}

}  // namespace
