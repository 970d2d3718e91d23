#include "controllers/subroutine/SubroutineDownload.h"

namespace vorlan_driver {

void SubroutineDownload::download(SubroutinePackageInterface& package, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  nKIVAPAL000::tVector<uint64_t> image;
  package.getImage(image, status);
  localRam_->write(image, 0, status);
}

}  // namespace vorlan_driver
