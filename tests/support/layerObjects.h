// What the stand-in layer holds for whoever made it, counted by kind, so a
// test can hold that a run of the driver leaves the layer as it found it:
// no allocation, lock, thread, mapping, pinned page, scatter-gather list,
// deferred call, reserved interrupt, registration or socket buffer.
//
//   const auto before = testsupport::layerObjects();
//   ... load, add, requests, remove, unload ...
//   EXPECT_EQ(testsupport::leftBehind(before, testsupport::layerObjects()), "");
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "kal/include/kalDma.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"

namespace testsupport {

using LayerObjects = std::map<std::string, uint64_t>;

inline LayerObjects layerObjects() {
  kalsim::HostAllocations test;
  return {
      {"driver allocations", kalsim::liveDriverAllocations()},
      {"mutexes", kalsim::liveMutexes()},
      {"spinlocks", kalsim::liveSpinLocks()},
      {"threads", kalsim::liveThreads()},
      {"kernel mappings", kalsim::liveKernelMappings()},
      {"page lists", kalsim::livePageLists()},
      {"pinned user pages", kalsim::livePinnedUserPages()},
      {"scatter-gather lists", kalsim::liveSGLs()},
      {"kernel views", kalsim::liveKernelViews()},
      {"bus mappings", kalsim::liveBusMappings()},
      {"deferred calls", kalsim::liveDPCs()},
      {"reserved interrupts", kalsim::reservedInterrupts().size()},
      {"properties", kalsim::registeredProperties().size()},
      {"interfaces", kalsim::registeredInterfaces().size()},
      {"socket buffers", kalsim::liveSocketBuffers()},
      {"driver registration", kalsim::registeredDriverRecord() != nullptr ? 1u : 0u},
  };
}

// The kinds whose count changed between the snapshots, as " kind was->now",
// or nothing.
inline std::string leftBehind(const LayerObjects& before, const LayerObjects& after) {
  kalsim::HostAllocations test;
  std::string left;
  for (const auto& [what, count] : after) {
    const uint64_t was = before.at(what);
    if (count != was) left += " " + what + " " + std::to_string(was) + "->" + std::to_string(count);
  }
  return left;
}

}  // namespace testsupport
