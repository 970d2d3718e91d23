// Fuzzes the request path: arbitrary codes, sizes and record bytes through
// the driver record's ioctl callback on a started simulated device, on both
// interfaces. User memory is confined to one arena, so a wild pointer in a
// record fails its copy as it would in a kernel.
//
// Input: u16 arena length, that many arena bytes (copied to the arena's
// start), then requests, each
//   u8 flags, u32 code, u16 inbound size, u16 outbound size, inbound bytes
// flags bit 0: on the cooling interface; bit 1: the code picks a served
// request (code modulo their count); bit 2: the served request's own record
// sizes. In inbound records, 64-bit words whose top 16 bits are 0xA5A5 become
// arena addresses (low 16 bits as the offset), so names and buffers can be
// reached.
//
// Single blocks are capped like a kernel's allocator caps them, and asking
// for more than the cap is a finding: no number a caller sends may make the
// driver ask the kernel for a block of that size.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kal/host/tHostHarness.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/tIOControlEnvelope.h"
#include "requests/RequestTable.h"
#include "simboard/QuillBoard.h"

namespace {

using vorlan_driver::nKIVAPAL000::tIOControlEnvelope;
using vorlan_driver::requests::kRequestRows;

constexpr size_t kArenaSize = 0x10000;
constexpr size_t kEnvelopeAt = 0xE000;
constexpr size_t kInboundAt = 0xE100;
constexpr size_t kOutboundAt = 0xF000;
constexpr size_t kLargestRecord = 0x0F00;
constexpr uint64_t kArenaTag = 0xA5A5000000000000u;
constexpr uint64_t kArenaTagMask = 0xFFFF000000000000u;
constexpr uint64_t kLargestAllocation = 64u << 20;
constexpr uint32_t kRequestCount = sizeof(kRequestRows) / sizeof(kRequestRows[0]);

struct Fixture {
  Fixture() {
    kalsim::reset();
    host.load();
    host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size);
    kalsim::confineUserMemoryTo(arena.data(), arena.size());
  }
  simboard::QuillBoard board;
  kalsim::tHostHarness host;
  std::vector<uint8_t> arena = std::vector<uint8_t>(kArenaSize, 0);
};

Fixture* fixture = nullptr;
// The simulated board logs what the driver does to it; a fresh device now and
// then keeps those logs (which share the driver's allocator) small.
constexpr uint32_t kInputsPerDevice = 256;
uint32_t inputsOnThisDevice = 0;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  template <typename T>
  bool take(T* value) {
    if (size_ - at_ < sizeof(T)) return false;
    std::memcpy(value, data_ + at_, sizeof(T));
    at_ += sizeof(T);
    return true;
  }
  size_t takeBytes(uint8_t* destination, size_t wanted) {
    const size_t count = wanted < size_ - at_ ? wanted : size_ - at_;
    std::memcpy(destination, data_ + at_, count);
    at_ += count;
    return count;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Stops the run when the driver asked for a block past the cap since the
// last check, naming what it was doing.
void checkLargestAllocation(const char* during, uint32_t code) {
  const uint64_t largest = kalsim::largestAllocationOnThisThread();
  if (largest <= kLargestAllocation) return;
  std::fprintf(stderr, "the driver asked for a block of %llu bytes during %s 0x%X\n",
               static_cast<unsigned long long>(largest), during, code);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fixture = new Fixture;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (++inputsOnThisDevice > kInputsPerDevice) {
    delete fixture;
    fixture = new Fixture;
    inputsOnThisDevice = 1;
  }
  Fixture& f = *fixture;
  uint8_t* arena = f.arena.data();
  std::memset(arena, 0, kArenaSize);
  Reader input(data, size);
  uint16_t arenaLength = 0;
  if (!input.take(&arenaLength)) return 0;
  input.takeBytes(arena, arenaLength < kEnvelopeAt ? arenaLength : kEnvelopeAt);

  // Sessions opened per input: a reset among the requests invalidates them,
  // and closing runs whatever cleanup they registered.
  void* sessions[2] = {nullptr, nullptr};
  // A kernel hands the driver no block of gigabytes either.
  kalsim::refuseAllocationsAboveOnThisThread(kLargestAllocation);
  kalsim::resetLargestAllocationOnThisThread();
  f.host.open("smu_vorlan", &sessions[0]);
  f.host.open("nPXICOOLING_17_2_pxiCooling", &sessions[1]);
  checkLargestAllocation("open", 0);

  uint8_t flags = 0;
  uint32_t code = 0;
  uint16_t inboundSize = 0;
  uint16_t outboundSize = 0;
  while (input.take(&flags) && input.take(&code) && input.take(&inboundSize) && input.take(&outboundSize)) {
    if (flags & 2) code = kRequestRows[code % kRequestCount].code;
    if (flags & 4) {
      for (const auto& row : kRequestRows) {
        if (row.code == code) {
          inboundSize = static_cast<uint16_t>(row.inboundSize);
          outboundSize = static_cast<uint16_t>(row.outboundSize);
        }
      }
    }
    uint8_t* inbound = arena + kInboundAt;
    std::memset(inbound, 0, kLargestRecord);
    input.takeBytes(inbound, inboundSize < kLargestRecord ? inboundSize : kLargestRecord);
    for (size_t at = 0; at + 8 <= kLargestRecord; at += 8) {
      uint64_t word;
      std::memcpy(&word, inbound + at, 8);
      if ((word & kArenaTagMask) != kArenaTag) continue;
      word = reinterpret_cast<uintptr_t>(arena) + (word & 0xFFFF);
      std::memcpy(inbound + at, &word, 8);
    }
    // Sizes past the arena's record slots are passed as sent: the driver
    // refuses them or the confined copies do.
    tIOControlEnvelope envelope{reinterpret_cast<uintptr_t>(inbound), reinterpret_cast<uintptr_t>(arena + kOutboundAt),
                                inboundSize, outboundSize, 0, 0};
    std::memcpy(arena + kEnvelopeAt, &envelope, sizeof envelope);
    void* session = sessions[flags & 1];
    if (session != nullptr) f.host.ioctl(session, code, reinterpret_cast<uintptr_t>(arena + kEnvelopeAt));
    checkLargestAllocation("request", code);
  }

  for (void* session : sessions) {
    if (session != nullptr) f.host.close(session);
  }
  checkLargestAllocation("close", 0);
  kalsim::refuseAllocationsAboveOnThisThread(0);
  return 0;
}
