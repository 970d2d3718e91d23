// Kernel sockets: buffers are counted so a test sees every one the driver
// leaks; a send takes over its buffer only when it succeeds.
#include <cstring>
#include <mutex>
#include <set>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalPciState.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
std::mutex gMutex;
std::atomic<uint32_t> gFailBufferNth{0};
std::atomic<uint32_t> gFailSendNth{0};
int32_t gSendCode = -51202;
std::set<void*> gBuffers;
std::vector<SocketMessage> gMessages;

struct Buffer {
  uint32_t size;
};
}  // namespace

void failSocketBufferCreation(uint32_t nth) { gFailBufferNth = nth; }

void failSocketSend(uint32_t nth, int32_t code) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFailSendNth = nth;
  gSendCode = code;
}

std::vector<SocketMessage> socketMessages() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gMessages;
}

uint64_t liveSocketBuffers() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gBuffers.size();
}

namespace detail {
void resetSockets() {
  std::lock_guard<std::mutex> lock(gMutex);
  gFailBufferNth = 0;
  gFailSendNth = 0;
  gSendCode = -51202;
  for (void* buffer : gBuffers) delete static_cast<Buffer*>(buffer);
  gBuffers.clear();
  gMessages.clear();
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

void* nKIVKAL250_createKernelSocketBuffer(uint32_t size) {
  kalsim::HostAllocations hostAllocations;
  if (kalsim::detail::countDown(kalsim::gFailBufferNth)) return nullptr;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  void* buffer = new kalsim::Buffer{size};
  kalsim::gBuffers.insert(buffer);
  return buffer;
}

int32_t nKIVKAL250_kernelSocketSend(void* buffer, uint32_t port, uint32_t type, const void* message, uint32_t size) {
  kalsim::HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  if (kalsim::gBuffers.count(buffer) == 0) return -51009;
  if (kalsim::detail::countDown(kalsim::gFailSendNth)) return kalsim::gSendCode;
  kalsim::Buffer* record = static_cast<kalsim::Buffer*>(buffer);
  if (message == nullptr || size > record->size || size > 48) return -51009;
  kalsim::SocketMessage sent{port, type, {}};
  std::memcpy(sent.bytes.data(), message, size);
  kalsim::gMessages.push_back(sent);
  kalsim::gBuffers.erase(buffer);
  delete record;
  return 0;
}

void nKIVKAL250_releaseKernelSocketBuffer(void* buffer) {
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  if (kalsim::gBuffers.erase(buffer) != 0) delete static_cast<kalsim::Buffer*>(buffer);
}

}  // extern "C"
