// The built-in package: its data are the driver's constant block and table
// (builtInSubroutinePackage.h). The image is decompressed anew into the
// caller's vector on every call and never kept.
#pragma once

#include <stdint.h>

#include "controllers/subroutine/SubroutinePackageInterface.h"

namespace vorlan_driver {

class DefaultSubroutinePackage : public SubroutinePackageInterface {
 public:
  void getImage(nKIVAPAL000::tVector<uint64_t>& image, nKIVAPALS100::tStatus& status) override;
  void getSubroutineIds(nKIVAPAL000::tVector<harrowtools::SubroutineId>& ids, nKIVAPALS100::tStatus& status) override;
  void getAddresses(nKIVAPAL000::tVector<uint32_t>& addresses, nKIVAPALS100::tStatus& status) override;

  // Decompresses one LZ4 block into exactly `imageWords` words. A block that
  // does not decompress to exactly that size is refused (-52005) and leaves
  // the vector empty, never a partly filled image.
  static void decompress(const uint8_t* block, uint64_t blockBytes, uint64_t imageWords,
                         nKIVAPAL000::tVector<uint64_t>& image, nKIVAPALS100::tStatus& status);
};

}  // namespace vorlan_driver
