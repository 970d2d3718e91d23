#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "framework/kivregitools/registrationStatusCodes.h"
#include "kal/include/kalStandIn.h"
#include "platform/synchronization/tMutex.h"
#include "simboard/GoldenFlashImage.h"
#include "storage/storageMap/StorageMapDispatcher.h"
#include "storage/storageStatusCodes.h"
#include "tests/storage/goldenBoardFixture.h"

using nKIVAPALS100::tStatus;
using storagemap::StorageMapDispatcher;
using Bytes = std::vector<uint8_t>;

namespace {

namespace golden = simboard::goldenflash;
namespace codes = kivregitools::codes;

constexpr uint32_t kSerialKey = 12;     // "Manufacturing": u32 "boardSerialNumber"
constexpr uint32_t kChecksumKey = 0;    // every checked record
constexpr uint32_t kCommentsKey = 44;   // "Header": 1024-byte text
constexpr uint64_t kRecord = 0x1000;

class StorageMapDispatcherTest : public storagetest::GoldenBoardTest {
 protected:
  // Requests name the map as user mode does: name, "_Ver", version, without
  // a terminator. The name stays in the caller's memory.
  static void* user(const char* name) { return const_cast<char*>(name); }
  uint64_t elementCount(const char* name, uint32_t key, tStatus& s) {
    return dispatcher->getElementCount(storagetest::someRequest(), user(name), std::strlen(name), key, s);
  }
  void setRaw(const char* name, uint32_t key, uint64_t first, uint64_t count, void* data, uint64_t size,
              tStatus& s) {
    dispatcher->setRaw(storagetest::someRequest(), user(name), std::strlen(name), key, first, count, data, size, s);
  }
  void getRaw(const char* name, uint32_t key, uint64_t first, uint64_t count, void* data, uint64_t size,
              tStatus& s) {
    dispatcher->getRaw(storagetest::someRequest(), user(name), std::strlen(name), key, first, count, data, size, s);
  }
  void flush(const char* name, tStatus& s) {
    dispatcher->flush(storagetest::someRequest(), user(name), std::strlen(name), false, s);
  }
  void refresh(const char* name, tStatus& s) {
    dispatcher->refresh(storagetest::someRequest(), user(name), std::strlen(name), s);
  }
  bool checksumValid(const char* name, tStatus& s) {
    return dispatcher->isChecksumValid(storagetest::someRequest(), user(name), std::strlen(name), s);
  }
  // What the window holds of a record now, flushed or not.
  Bytes image(uint64_t address, uint64_t length) {
    Bytes bytes(length);
    tStatus s;
    window->get(address, length, bytes.data(), s);
    EXPECT_EQ(s.getCode(), 0);
    return bytes;
  }
};

TEST_F(StorageMapDispatcherTest, NamesAndVersionsDecideTheLookup) {
  struct Case {
    const char* name;
    uint32_t key;
    int64_t code;
    uint64_t answer;
  };
  const uint64_t none = StorageMapDispatcher::kNoAnswer;
  const Case cases[] = {
      {"Manufacturing_Ver1.0.0d0", kSerialKey, 0, 1},
      {"Manufacturing", kSerialKey, codes::kVersionRequired, none},
      {"Manufacturing_Ver1.0.0d3", kSerialKey, codes::kNewerVersionWarning, 1},  // newer: served with a warning
      {"DefaultCalibration_Ver1.0.0d4", 11909, codes::kIncompatibleVersion, none},
      {"DefaultCalibration_Ver1.0.0d5", 11909, 0, 24},
      {"SelfCalibration_Ver1.0.0d7", 11909, 0, 24},
      {"Posc_Ver1.0.0d0", 0, 0, 32768},
      {"Manufactur_Ver1.0.0d0", kSerialKey, codes::kRegistrationNotFound, none},
      {"ManufacturingX_Ver1.0.0d0", kSerialKey, codes::kRegistrationNotFound, none},
      {"manufacturing_Ver1.0.0d0", kSerialKey, codes::kRegistrationNotFound, none},
      {"Manufacturing_Ver1.0.0q0", kSerialKey, codes::kMalformedVersionText, none},
      {"Manufacturing_Ver1.0.0d0", 13, storagecodes::kFieldNotDefined, 0},  // found, but no such field
  };
  for (const Case& c : cases) {
    tStatus s;
    EXPECT_EQ(elementCount(c.name, c.key, s), c.answer) << c.name;
    EXPECT_EQ(s.getCode(), c.code) << c.name;
  }
  tStatus s;
  EXPECT_FALSE(checksumValid("Posc_Ver1.0.0d0", s));
  EXPECT_EQ(s.getCode(), storagecodes::kNoChecksum);
}

TEST_F(StorageMapDispatcherTest, ARawHeaderWriteIsCommittedWithAFreshChecksum) {
  std::string text = "board passed final test";
  Bytes element(1024, 0);
  std::memcpy(element.data(), text.data(), text.size());
  setRaw("Header_Ver1.0.0d0", kCommentsKey, 0, 1, element.data(), 1024, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_FALSE(checksumValid("Header_Ver1.0.0d0", status));
  EXPECT_EQ(flash.memory[golden::kHeader + 44], golden::kHeaderComments[0]) << "nothing reaches the flash before flush";

  flush("Header_Ver1.0.0d0", status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_TRUE(checksumValid("Header_Ver1.0.0d0", status));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(flash.memory.data() + golden::kHeader + 44)), text);
  EXPECT_EQ(flashWord(golden::kHeader), crcOfRecord(golden::kHeader, kRecord));
}

TEST_F(StorageMapDispatcherTest, ARawReadMovesTheWholeFieldInOneCall) {
  flash.memory[0x10] = 0x42;
  flash.memory[0x7FFF] = 0x24;
  Bytes out(0x8000, 0);
  getRaw("Posc_Ver1.0.0d0", 0, 0, 0x8000, out.data(), 1, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(out, Bytes(flash.memory.begin(), flash.memory.begin() + 0x8000));
}

// Every refusal leaves the caller's buffer, the window image and the flash as
// they were, and allocates no buffer sized by the caller's numbers: at most
// the name's copy.
TEST_F(StorageMapDispatcherTest, RawTransfersRefusedBeforeAnyBufferIsSized) {
  struct Case {
    const char* what;
    const char* name;
    uint32_t key;
    uint64_t first, count, size;
    int64_t code;
  };
  const Case cases[] = {
      {"element size 0, before the lookup", "NoSuchMap", kSerialKey, 0, 1, 0, storagecodes::kOutOfRange},
      {"more than 32 bits of bytes", "Posc_Ver1.0.0d0", 0, 0, 1ull << 32, 1, storagecodes::kOutOfRange},
      // One copy moves at most 32 bits' worth of bytes: a larger transfer is
      // refused with the size test, before the name is looked up; the
      // largest that fits goes on to the lookup.
      {"above 4 GiB, before the lookup", "NoSuchMap_Ver1.0.0d0", 0, 0, (1ull << 32) + 1, 1, storagecodes::kOutOfRange},
      {"4 GiB less one byte reaches the lookup", "NoSuchMap_Ver1.0.0d0", 0, 0, 0xFFFFFFFFull, 1,
       codes::kRegistrationNotFound},
      {"32 bits of bytes by size", "Posc_Ver1.0.0d0", 0, 0, 1ull << 31, 2, storagecodes::kOutOfRange},
      {"a product past 64 bits", "Posc_Ver1.0.0d0", 0, 0, 1ull << 62, 8, storagecodes::kOutOfRange},
      {"no such map", "NoSuchMap_Ver1.0.0d0", kSerialKey, 0, 1, 4, codes::kRegistrationNotFound},
      {"no elements, so no buffer", "Manufacturing_Ver1.0.0d0", kSerialKey, 0, 0, 4, storagecodes::kNullBuffer},
      {"no such field", "Manufacturing_Ver1.0.0d0", 13, 0, 1, 4, storagecodes::kFieldNotDefined},
      {"first past the field", "Posc_Ver1.0.0d0", 0, 0x8000, 1, 1, storagecodes::kOutOfRange},
      {"range past the field", "Posc_Ver1.0.0d0", 0, 0x7FFF, 2, 1, storagecodes::kOutOfRange},
      {"a huge count", "Posc_Ver1.0.0d0", 0, 0, 0xFFFFFFFFull, 1, storagecodes::kOutOfRange},
      {"another element size", "Manufacturing_Ver1.0.0d0", kSerialKey, 0, 1, 2, storagecodes::kElementSizeMismatch},
  };
  const Bytes flashBefore = flash.memory;
  const Bytes imageBefore = image(0, 0x17000);
  for (bool writing : {false, true}) {
    for (const Case& c : cases) {
      Bytes user(64, 0xA5);
      tStatus s;
      const uint64_t allocations = kalsim::allocationCallsOnThisThread();
      if (writing) {
        setRaw(c.name, c.key, c.first, c.count, user.data(), c.size, s);
      } else {
        getRaw(c.name, c.key, c.first, c.count, user.data(), c.size, s);
      }
      EXPECT_EQ(s.getCode(), c.code) << c.what << (writing ? " (set)" : " (get)");
      EXPECT_LE(kalsim::allocationCallsOnThisThread() - allocations, 1u) << c.what;
      EXPECT_EQ(user, Bytes(64, 0xA5)) << c.what;
    }
  }
  EXPECT_EQ(image(0, 0x17000), imageBefore);
  EXPECT_EQ(flash.memory, flashBefore);
}

TEST_F(StorageMapDispatcherTest, TheChecksumIsReadableButNotWritable) {
  uint32_t word = 0;
  getRaw("Manufacturing_Ver1.0.0d0", kChecksumKey, 0, 1, &word, 4, status);
  EXPECT_EQ(word, flashWord(golden::kManufacturing));
  setRaw("Manufacturing_Ver1.0.0d0", kChecksumKey, 0, 1, &word, 4, status);
  EXPECT_EQ(status.getCode(), storagecodes::kChecksumFieldReadOnly);
}

TEST_F(StorageMapDispatcherTest, AFailedCopyFromTheCallerLeavesTheMapUnchanged) {
  Bytes element(1024, 'x');
  element.back() = 0;
  kalsim::markUserRangeBad(element.data() + 512, 1);
  const Bytes before = image(golden::kHeader, kRecord);
  setRaw("Header_Ver1.0.0d0", kCommentsKey, 0, 1, element.data(), 1024, status);
  EXPECT_TRUE(status.isFatal());
  EXPECT_EQ(image(golden::kHeader, kRecord), before);
  tStatus s;
  EXPECT_TRUE(checksumValid("Header_Ver1.0.0d0", s));
}

// The map's own tests run before the caller's bytes are fetched, so a wrong
// element size is reported even when those bytes could not be read.
TEST_F(StorageMapDispatcherTest, TheMapsTestsComeBeforeTheCopyFromTheCaller) {
  uint16_t half = 0;
  kalsim::markUserRangeBad(&half, sizeof half);
  setRaw("Manufacturing_Ver1.0.0d0", kSerialKey, 0, 1, &half, 2, status);
  EXPECT_EQ(status.getCode(), storagecodes::kElementSizeMismatch);
}

TEST_F(StorageMapDispatcherTest, AFailedCopyToTheCallerIsReported) {
  uint32_t serial = 0;
  kalsim::markUserRangeBad(&serial, sizeof serial);
  getRaw("Manufacturing_Ver1.0.0d0", kSerialKey, 0, 1, &serial, 4, status);
  EXPECT_TRUE(status.isFatal());
  EXPECT_EQ(serial, 0u);
}

TEST_F(StorageMapDispatcherTest, EachOperationHoldsTheRegistrationsMutexThroughout) {
  storagemap::StorageMapInterface* header = nullptr;
  vorlan_driver::nKIVAPAL000::tMutex* mutex = nullptr;
  dispatcher->getRegistration("Header_Ver1.0.0d0", &header, status, &mutex);
  ASSERT_NE(mutex, nullptr);
  int unlocked = 0;
  hooked->onCall = [&] { unlocked += mutex->isOwnedByCaller() ? 0 : 1; };

  Bytes element(1024, 0);
  element[0] = 'a';
  const int before = hooked->calls;
  setRaw("Header_Ver1.0.0d0", kCommentsKey, 0, 1, element.data(), 1024, status);
  getRaw("Header_Ver1.0.0d0", kCommentsKey, 0, 1, element.data(), 1024, status);
  EXPECT_FALSE(checksumValid("Header_Ver1.0.0d0", status));
  flush("Header_Ver1.0.0d0", status);
  refresh("Header_Ver1.0.0d0", status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_GT(hooked->calls, before + 4);
  EXPECT_EQ(unlocked, 0);
  EXPECT_FALSE(mutex->isOwnedByCaller()) << "released after each operation";
}

// Writers and flushers on one record: every image a flush commits carries
// its own checksum.
TEST_F(StorageMapDispatcherTest, ConcurrentWritesAndFlushesCommitMatchingChecksums) {
  std::atomic<bool> broken{false};
  auto writer = [&] {
    Bytes element(1024, 0);
    for (int i = 0; i < 200; ++i) {
      element[0] = static_cast<uint8_t>('A' + i % 26);
      tStatus s;
      setRaw("Header_Ver1.0.0d0", kCommentsKey, 0, 1, element.data(), 1024, s);
      if (s.getCode() != 0) broken = true;
    }
  };
  auto flusher = [&] {
    for (int i = 0; i < 200; ++i) {
      tStatus s;
      flush("Header_Ver1.0.0d0", s);
      if (s.getCode() != 0) broken = true;
    }
  };
  std::thread a(writer), b(flusher);
  a.join();
  b.join();
  EXPECT_FALSE(broken);
  EXPECT_EQ(flashWord(golden::kHeader), crcOfRecord(golden::kHeader, kRecord));
}

}  // namespace
