// Writes a package's image into the sequencer's local RAM from word 0. Built
// on the stack for one installation.
#pragma once

#include "controllers/localRAMController/LocalRAMController.h"
#include "controllers/subroutine/SubroutinePackageInterface.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class SubroutineDownload {
 public:
  using tLocalRAMController = harrowtools::LocalRAMController<vorlan_regmaps::tTheQuillIsoFpgaRegMap>;

  explicit SubroutineDownload(tLocalRAMController* localRam) : localRam_(localRam) {}
  virtual ~SubroutineDownload() {}

  // An image longer than the RAM is refused (-52005) with nothing written.
  virtual void download(SubroutinePackageInterface& package, nKIVAPALS100::tStatus& status);

 private:
  tLocalRAMController* localRam_;
};

}  // namespace vorlan_driver
