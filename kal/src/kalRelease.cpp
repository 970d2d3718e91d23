// The record of layer objects given back, in order: what a teardown released
// before what, for the objects a deferred call or a worker may still be using.
#include <atomic>
#include <mutex>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
std::atomic<bool> gRecording{false};
std::mutex gReleaseMutex;
std::vector<Release> gReleases;
}  // namespace

void recordReleases(bool on) {
  std::lock_guard<std::mutex> lock(gReleaseMutex);
  gReleases.clear();
  gRecording = on;
}

std::vector<Release> releases() {
  HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(gReleaseMutex);
  return gReleases;
}

namespace detail {

void noteRelease(Release what) {
  if (!gRecording.load()) return;
  HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(gReleaseMutex);
  gReleases.push_back(what);
}

void resetReleases() { recordReleases(false); }

}  // namespace detail
}  // namespace kalsim
