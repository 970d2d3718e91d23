// The board's route programmer: turns each pair of an edge's program into a
// register write in one of the board's maps or a slot route of the
// isolated-port switch. The map, register ID and slot chosen stay chosen
// from one pair to the next, across edges and routes; the routing
// resources call it under their own mutex.
#pragma once

#include <stdint.h>

#include "controllers/routing/IsolatedPortRouter.h"
#include "framework/armki/DynamicAccessInterfaceBase.h"
#include "platform/status/tStatus.h"
#include "routing/topography/RouteProgrammerInterface.h"

namespace vorlan_driver {

class RegMapRouteProgrammer : public kivark::RouteProgrammerInterface {
 public:
  typedef arm::DynamicAccessInterfaceBase<nKIVAPALS100::tStatus> tRegMap;

  static constexpr uint32_t kChannelMapCount = 24;
  enum : uint32_t {
    kSelectNisoFpga = 0,
    kSelectIsoFpga = 1,
    kSelectFirstChannel = 2,
    kSelectLastChannel = kSelectFirstChannel + kChannelMapCount - 1,
    kSetRegisterID = 26,
    kWrite = 27,
    kSetSlot = 28,
    kRouteSlot = 29,
  };
  static constexpr uint32_t kNone = 0xFFFFFFFFu;

  // channelMaps holds kChannelMapCount maps. Nothing is owned.
  RegMapRouteProgrammer(tRegMap* nisoFpgaMap, tRegMap* isoFpgaMap, tRegMap* const* channelMaps,
                        IsolatedPortRouter* isolatedPort)
      : nisoFpgaMap_(nisoFpgaMap),
        isoFpgaMap_(isoFpgaMap),
        channelMaps_(channelMaps),
        isolatedPort_(isolatedPort),
        currentMap_(nullptr),
        registerID_(kNone),
        slot_(kNone) {}
  ~RegMapRouteProgrammer() override {}
  RegMapRouteProgrammer(const RegMapRouteProgrammer&) = delete;
  RegMapRouteProgrammer& operator=(const RegMapRouteProgrammer&) = delete;

  void begin(nKIVAPALS100::tStatus&) override {}
  // The programmer argument is not used; opcodes past 29 are ignored, and a
  // write with no map selected writes nothing.
  void execute(uint32_t programmerArgument, uint32_t opcode, uint32_t value,
               nKIVAPALS100::tStatus& status) override;
  void end(nKIVAPALS100::tStatus&) override {}

 private:
  tRegMap* nisoFpgaMap_;
  tRegMap* isoFpgaMap_;
  tRegMap* const* channelMaps_;
  IsolatedPortRouter* isolatedPort_;
  tRegMap* currentMap_;
  uint32_t registerID_;
  uint32_t slot_;
};

}  // namespace vorlan_driver
