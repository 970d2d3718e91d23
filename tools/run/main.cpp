// The main job: the driver end to end over the stand-in kernel layer.
#include <cstdio>

#include "kal/host/tHostHarness.h"
#include "kal/include/kalStandIn.h"

int main() {
  kalsim::setEcho(true);
  kalsim::tHostHarness host;

  std::printf("== load\n");
  const int32_t loaded = host.load();
  std::printf("driverEntry returned %d; driver name \"%s\"\n", loaded, host.record().name);
  if (loaded < 0) return 1;

  std::printf("== unload\n");
  host.unload();
  std::printf("unloaded; %llu kernel allocations still live\n",
              static_cast<unsigned long long>(kalsim::liveAllocations()));
  return 0;
}
