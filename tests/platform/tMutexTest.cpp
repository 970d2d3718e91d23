#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "kal/include/kalStandIn.h"
#include "platform/status/statusCodes.h"
#include "platform/synchronization/tMutex.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;
namespace codes = vorlan_driver::statusCodes;

namespace {

class Mutex : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override { kalsim::reset(); }
};

TEST_F(Mutex, TheOwnerReentersAndKeepsTheMutexUntilTheLastRelease) {
  tStatus status;
  tMutex mutex(status);
  ASSERT_EQ(status.getCode(), 0);
  for (int i = 0; i < 3; ++i) mutex.acquire();
  EXPECT_EQ(mutex.getDepth(), 3u);
  mutex.release();
  mutex.release();
  EXPECT_TRUE(mutex.isOwnedByCaller());
  EXPECT_EQ(mutex.getDepth(), 1u);
  mutex.release();
  EXPECT_FALSE(mutex.isOwnedByCaller());
  EXPECT_EQ(mutex.getDepth(), 0u);
  {
    tAutoLock<tMutex> outer(mutex);
    tAutoLock<tMutex> inner(mutex);
    EXPECT_EQ(mutex.getDepth(), 2u);
  }
  EXPECT_FALSE(mutex.isOwnedByCaller());
}

TEST_F(Mutex, AnotherThreadBlocksUntilTheDepthReturnsToZero) {
  tStatus status;
  tMutex mutex(status);
  mutex.acquire();
  mutex.acquire();
  std::atomic<bool> acquired{false};
  std::thread other([&] {
    tAutoLock<tMutex> lock(mutex);
    acquired = true;
    EXPECT_TRUE(mutex.isOwnedByCaller());
    EXPECT_EQ(mutex.getDepth(), 1u);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(acquired);
  mutex.release();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(acquired);
  mutex.release();
  other.join();
  EXPECT_TRUE(acquired);
  EXPECT_FALSE(mutex.isOwnedByCaller());
}

TEST_F(Mutex, CreationIsSkippedAfterAnErrorAndAFailedCreationReportsOutOfMemory) {
  {
    tStatus status;
    vorlanSetCode(status, codes::kNotFound);
    tMutex mutex(status);
    EXPECT_EQ(kalsim::liveMutexes(), 0u);
    EXPECT_EQ(status.getCode(), codes::kNotFound);
  }
  {
    kalsim::failMutexCreation(1);
    tStatus status;
    tMutex mutex(status);
    EXPECT_EQ(status.getCode(), codes::kOutOfMemory);
    EXPECT_EQ(kalsim::liveMutexes(), 0u);
  }
  {
    tStatus status;
    tMutex mutex(status);
    EXPECT_EQ(kalsim::liveMutexes(), 1u);
  }
  EXPECT_EQ(kalsim::liveMutexes(), 0u);
}

}  // namespace
