// The generic route programmer: each program pair is a register write, the
// pair's opcode naming the register and the programmer argument the map, all
// with one force flag. The board's own programmer is
// vorlan_driver::RegMapRouteProgrammer.
#pragma once

#include <stdint.h>

#include "framework/armki/DynamicAccessInterfaceBase.h"
#include "platform/status/tStatus.h"
#include "routing/topography/RouteProgrammerInterface.h"

namespace atut {

class RegMapRouteProgrammer : public kivark::RouteProgrammerInterface {
 public:
  typedef arm::DynamicAccessInterfaceBase<nKIVAPALS100::tStatus> tRegMap;

  RegMapRouteProgrammer(tRegMap* map, bool force) : map_(map), mapCount_(1), force_(force) {}
  ~RegMapRouteProgrammer() override {}

  void begin(nKIVAPALS100::tStatus&) override {}
  // An argument naming no map writes nothing.
  void execute(uint32_t programmerArgument, uint32_t opcode, uint32_t value,
               nKIVAPALS100::tStatus& status) override {
    if (status.isFatal() || programmerArgument >= mapCount_ || map_ == nullptr) return;
    map_->write(opcode, value, force_, status, 0);
  }
  void end(nKIVAPALS100::tStatus&) override {}

 private:
  tRegMap* map_;
  uint32_t mapCount_;
  bool force_;
};

}  // namespace atut
