// A package user mode hands over: the image words, ids and start addresses
// are copied from three user arrays when it is built and never change
// afterwards. Nothing about the content is checked: ids may repeat and
// addresses may lie anywhere.
#pragma once

#include <stdint.h>

#include "controllers/subroutine/SubroutinePackageInterface.h"
#include "platform/device/tEventDescriptor.h"

namespace vorlan_driver {

class CustomSubroutinePackage : public SubroutinePackageInterface {
 public:
  // Copies the image, then the ids, then the addresses; once a copy has
  // failed the later ones do nothing and the status holds its code.
  CustomSubroutinePackage(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t imagePointer, uint32_t wordCount,
                          uint64_t idPointer, uint64_t addressPointer, uint32_t idCount,
                          nKIVAPALS100::tStatus& status);

  void getImage(nKIVAPAL000::tVector<uint64_t>& image, nKIVAPALS100::tStatus& status) override;
  void getSubroutineIds(nKIVAPAL000::tVector<harrowtools::SubroutineId>& ids, nKIVAPALS100::tStatus& status) override;
  void getAddresses(nKIVAPAL000::tVector<uint32_t>& addresses, nKIVAPALS100::tStatus& status) override;

 private:
  nKIVAPAL000::tVector<uint64_t> image_;
  nKIVAPAL000::tVector<harrowtools::SubroutineId> ids_;
  nKIVAPAL000::tVector<uint32_t> addresses_;
};

}  // namespace vorlan_driver
