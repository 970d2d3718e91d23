// The CRC-32 of IEEE 802.3 and zlib (reflected polynomial 0xEDB88320, preset
// and final complement); the check value of "123456789" is 0xCBF43926.
#pragma once

#include "storage/storageMap/ChecksumInterface.h"

namespace storagemap {

class CRC32Checksum : public ChecksumInterface {
 public:
  CRC32Checksum() {}
  ~CRC32Checksum() {}

  // A null block of nonzero length is refused with -240031 rather than
  // answered with a value that looks like a checksum.
  uint32_t compute(const void* data, uint64_t length, nKIVAPALS100::tStatus& status) const override;
};

}  // namespace storagemap
