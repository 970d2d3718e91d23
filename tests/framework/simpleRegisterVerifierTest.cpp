// A register verifier reads the register again on every check and judges
// only the masked bits; a read that fails decides the outcome.
#include <gtest/gtest.h>

#include <cstdint>

#include "framework/kdut/SimpleSignatureVerifierTemplate.h"
#include "platform/status/statusCodes.h"
#include "platform/synchronization/tMutex.h"

namespace {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tMutex;

// Stands for a generated register: refresh copies the hardware word into the
// shadow, or fails as a map does for a register it cannot reach.
struct FakeRegister {
  void refresh(tStatus& status) {
    if (status.isFatal()) return;
    ++reads;
    if (lock != nullptr && !lock->isOwnedByCaller()) ++unlockedReads;
    if (!accessible) {
      vorlanSetCode(status, vorlan_driver::statusCodes::kNotFound);
      return;
    }
    shadow = hardware;
  }
  uint32_t getRegister() const { return shadow; }

  uint32_t hardware = 0;
  uint32_t shadow = 0;
  bool accessible = true;
  int reads = 0;
  // The lock the map's other users hold, and the reads made without it.
  const tMutex* lock = nullptr;
  int unlockedReads = 0;
};

constexpr int32_t kMismatch = static_cast<int32_t>(0xBFFA8078u);

TEST(SimpleRegisterVerifierTest, JudgesTheFreshlyReadMaskedValue) {
  struct Case {
    const char* what;
    uint32_t mask;
    uint32_t hardware;
    uint32_t staleShadow;
    bool accessible;
    int64_t preset;
    int64_t code;
    int reads;
  } cases[] = {
      {"match", 0xFFFFFFFFu, 0xC0107AD0u, 0, true, 0, 0, 1},
      {"one bit off", 0xFFFFFFFFu, 0xC0107AD1u, 0xC0107AD0u, true, 0, kMismatch, 1},
      {"bits outside the mask are ignored", 0xFFFF0000u, 0xC010FFFFu, 0, true, 0, 0, 1},
      {"unreachable register: the map's code, not the stale shadow", 0xFFFFFFFFu, 0xC0107AD0u, 0xC0107AD0u, false,
       0, vorlan_driver::statusCodes::kNotFound, 1},
      {"status already failed: nothing read", 0xFFFFFFFFu, 0, 0, true, -52013, -52013, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeRegister reg;
    reg.hardware = c.hardware;
    reg.shadow = c.staleShadow;
    reg.accessible = c.accessible;
    kdut::SimpleRegisterVerifier<FakeRegister> verifier(c.mask, 0xC0107AD0u & c.mask, kMismatch, reg, nullptr);
    tStatus status;
    if (c.preset != 0) vorlanSetCode(status, c.preset);
    verifier.checkHardwareState(status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(reg.reads, c.reads);
  }
}

// Every read is made under the lock the map's other users hold.
TEST(SimpleRegisterVerifierTest, ASignatureMustMatchInAllBitsOnEveryCheck) {
  tStatus created;
  tMutex mapLock(created);
  ASSERT_TRUE(mapLock.isCreated());
  FakeRegister reg;
  reg.hardware = 0xC0107AD0u;
  reg.lock = &mapLock;
  kdut::SimpleSignatureVerifierTemplate<FakeRegister, 0xC0107AD0u, kMismatch> verifier(reg, &mapLock);
  EXPECT_EQ(verifier.getMask(), 0xFFFFFFFFu);
  tStatus first;
  verifier.checkHardwareState(first);
  EXPECT_EQ(first.getCode(), 0);
  reg.hardware = 0x40107AD0u;
  tStatus second;
  verifier.checkHardwareState(second);
  EXPECT_EQ(second.getCode(), kMismatch) << "the board is read again, not the shadow of the first check";
  EXPECT_EQ(reg.reads, 2);
  EXPECT_EQ(reg.unlockedReads, 0);
  EXPECT_FALSE(mapLock.isOwnedByCaller());
}

}  // namespace
