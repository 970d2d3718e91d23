// Kernel threads of the stand-in: real threads of the process, named for
// debuggers, joined by handle.
#include <pthread.h>

#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
struct KernelThread {
  std::thread thread;
};
std::atomic<uint32_t> gFailThreadNth{0};
std::atomic<uint64_t> gLiveThreads{0};
std::mutex gNamesMutex;
std::vector<std::string> gThreadNames;
}  // namespace

void failThreadCreation(uint32_t nth) { gFailThreadNth = nth; }
uint64_t liveThreads() { return gLiveThreads.load(); }
std::vector<std::string> createdThreadNames() {
  std::lock_guard<std::mutex> lock(gNamesMutex);
  return gThreadNames;
}

namespace detail {
void resetThreads() {
  gFailThreadNth = 0;
  std::lock_guard<std::mutex> lock(gNamesMutex);
  gThreadNames.clear();
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

void* nKIVKAL250_createNamedThread(const char* name, void (*entry)(void* context), void* context) {
  // The record, its name and the thread's own state are the layer's.
  kalsim::HostAllocations hostAllocations;
  if (entry == nullptr || kalsim::detail::countDown(kalsim::gFailThreadNth)) return nullptr;
  kalsim::KernelThread* record = new (std::nothrow) kalsim::KernelThread;
  if (record == nullptr) return nullptr;
  const std::string label = name != nullptr ? name : "";
  {
    std::lock_guard<std::mutex> lock(kalsim::gNamesMutex);
    kalsim::gThreadNames.push_back(label);
  }
  ++kalsim::gLiveThreads;
  record->thread = std::thread([entry, context, label] {
    // Linux keeps thread names to 15 characters.
    pthread_setname_np(pthread_self(), label.substr(0, 15).c_str());
    entry(context);
  });
  return record;
}

void nKIVKAL200_joinThread(void* thread) {
  if (thread == nullptr) return;
  kalsim::detail::noteRelease(kalsim::Release::kThread);
  kalsim::KernelThread* record = static_cast<kalsim::KernelThread*>(thread);
  if (record->thread.joinable()) record->thread.join();
  --kalsim::gLiveThreads;
  delete record;
}

}  // extern "C"
