#include "device/KeltRegMaps.h"

namespace vorlan_driver {

namespace {

// Publication order; withdrawal runs it backwards.
constexpr const char* kRegistrationNames[KeltRegMaps::kRegistrationCount] = {
    KeltRegMaps::tBusInterfaceMap::kName,  KeltRegMaps::tCoreMap::kName,
    KeltRegMaps::tIOPort2Map::kName,       KeltRegMaps::tIsolationPortMap::kName,
    KeltRegMaps::tConfigPortSPIMap::kName, KeltRegMaps::tConfigPortWindowMap::kName,
    KeltRegMaps::tTriggersMap::kName,      KeltRegMaps::tDOMap::kName,
};

// The kernel-address window of a map on BAR 0, as its description places it.
template <typename Map>
KeltRegMaps::tMemorySpace spaceOf(uint64_t bar0) {
  static_assert(Map::kBar == 0, "the maps built here lie on BAR 0");
  return KeltRegMaps::tMemorySpace(bar0 + Map::kBarOffset, Map::kSize);
}

constexpr uint32_t kPortSelector = 0;
constexpr uint32_t kPort = 2;

}  // namespace

KeltRegMaps::KeltRegMaps(uint64_t bar0, uint64_t bar0Size, armki::ARMDispatcher& dispatcher,
                         nKIVAPALS100::tStatus& status)
    : bar0Space_(bar0, bar0Size),
      busInterfaceSpace_(spaceOf<tBusInterfaceMap>(bar0)),
      coreSpace_(spaceOf<tCoreMap>(bar0)),
      configPortWindowSpace_(spaceOf<tConfigPortWindowMap>(bar0)),
      configPortSPISpace_(spaceOf<tConfigPortSPIMap>(bar0)),
      triggersSpace_(spaceOf<tTriggersMap>(bar0)),
      doSpace_(spaceOf<tDOMap>(bar0)),
      busInterface_(busInterfaceSpace_, &status),
      core_(coreSpace_, &status),
      portAccessor_(busInterface_, kPortSelector, kPort, status),
      isolationPort_(portAccessor_, &status),
      ioPort2_(portAccessor_, &status),
      configPortWindow_(configPortWindowSpace_, &status),
      configPortSPI_(configPortSPISpace_, &status),
      triggers_(triggersSpace_, &status),
      do_(doSpace_, 0, 0, 0xFFFFFFFFu, &status),
      dispatcher_(dispatcher),
      published_(0) {
  for (uint32_t i = 0; i < kRegistrationCount && status.isNotFatal(); ++i) {
    dispatcher_.add(kRegistrationNames[i], publishedMap(i), status);
    if (status.isNotFatal()) ++published_;
  }
  // Tunnelled accesses and everyone else who reaches the bus-interface map
  // share the command and data registers: one lock for both, the map's.
  if (status.isNotFatal()) portAccessor_.shareLock(busInterface_.getLock());
}

KeltRegMaps::~KeltRegMaps() {
  portAccessor_.shareLock(nullptr);
  // Only what was published is withdrawn, so withdrawal cannot miss a name;
  // each removal still runs with its own status so that one cannot stop the
  // others.
  while (published_ > 0) {
    --published_;
    nKIVAPALS100::tStatus removal;
    dispatcher_.remove(kRegistrationNames[published_], removal);
  }
}

const char* KeltRegMaps::registrationName(uint32_t index) {
  return index < kRegistrationCount ? kRegistrationNames[index] : nullptr;
}

armki::tRegisterMapInterface& KeltRegMaps::publishedMap(uint32_t index) {
  switch (index) {
    case 0: return busInterface_;
    case 1: return core_;
    case 2: return ioPort2_;
    case 3: return isolationPort_;
    case 4: return configPortSPI_;
    case 5: return configPortWindow_;
    case 6: return triggers_;
    default: return do_;
  }
}

}  // namespace vorlan_driver
