// An image unpacked from an LZ4 block into a buffer of exactly its unpacked
// size. A block that does not unpack to exactly that size leaves no image
// and the wrong-size code: a damaged block is never downloaded as if good.
#pragma once

#include <stdint.h>

#include "framework/kdut/FirmwareBase.h"
#include "framework/kdut/kdutStatusCodes.h"

// The LZ4 library's safe block decompressor: it never writes past the
// capacity and returns the number of bytes written, negative for a bad block.
extern "C" int LZ4_decompress_safe(const char* source, char* destination, int compressedSize, int capacity);

namespace kdut {

template <typename Target>
class LZ4CompressedFirmware : public FirmwareBase<Target> {
 public:
  LZ4CompressedFirmware(Target target, const uint8_t* block, uint64_t blockBytes, uint64_t unpackedBytes,
                        nKIVAPALS100::tStatus& status)
      : FirmwareBase<Target>(target) {
    uint8_t* out = this->sizeBuffer(unpackedBytes, status);
    if (out == nullptr) return;
    const bool fits = blockBytes <= 0x7FFFFFFFu && unpackedBytes <= 0x7FFFFFFFu;
    const int written = fits ? LZ4_decompress_safe(reinterpret_cast<const char*>(block), reinterpret_cast<char*>(out),
                                                   static_cast<int>(blockBytes), static_cast<int>(unpackedBytes))
                             : -1;
    if (!fits || written != static_cast<int>(unpackedBytes)) {
      this->dropBuffer();
      vorlanSetCode(status, codes::kFirmwareWrongSize);
    }
  }
  ~LZ4CompressedFirmware() override {}
};

// One built-in image: its target, block and sizes fixed at compile time.
template <typename Target, Target kTarget, const uint8_t* kBlock, const uint64_t& kBlockBytes,
          uint64_t kUnpackedBytes, typename Base = LZ4CompressedFirmware<Target>>
class InlayFirmware : public Base {
 public:
  explicit InlayFirmware(nKIVAPALS100::tStatus& status) : Base(kTarget, kBlock, kBlockBytes, kUnpackedBytes, status) {}
  ~InlayFirmware() override {}
};

}  // namespace kdut
