#include "controllers/subroutine/DefaultSubroutinePackage.h"

#include "controllers/subroutine/builtInSubroutinePackage.h"
#include "platform/status/statusCodes.h"

// The LZ4 library's safe block decompressor: it never writes past the
// capacity and returns the number of bytes written, negative for a bad block.
extern "C" int LZ4_decompress_safe(const char* source, char* destination, int compressedSize, int capacity);

namespace vorlan_driver {

namespace pkg = builtInSubroutinePackage;

void DefaultSubroutinePackage::decompress(const uint8_t* block, uint64_t blockBytes, uint64_t imageWords,
                                          nKIVAPAL000::tVector<uint64_t>& image, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t imageBytes = imageWords * sizeof(uint64_t);
  if (blockBytes > 0x7FFFFFFFu || imageBytes > 0x7FFFFFFFu) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  image.resizeExactly(imageWords, status);
  if (status.isFatal()) return;
  const int written = LZ4_decompress_safe(reinterpret_cast<const char*>(block), reinterpret_cast<char*>(image.data()),
                                          static_cast<int>(blockBytes), static_cast<int>(imageBytes));
  if (written != static_cast<int>(imageBytes)) {
    image.clear();
    vorlanSetCode(status, statusCodes::kInvalidArgument);
  }
}

void DefaultSubroutinePackage::getImage(nKIVAPAL000::tVector<uint64_t>& image, nKIVAPALS100::tStatus& status) {
  decompress(pkg::kCompressedImage, pkg::kCompressedBytes, pkg::kImageWords, image, status);
}

void DefaultSubroutinePackage::getSubroutineIds(nKIVAPAL000::tVector<harrowtools::SubroutineId>& ids,
                                                nKIVAPALS100::tStatus& status) {
  ids.assign(pkg::kIds, pkg::kEntryCount, status);
}

void DefaultSubroutinePackage::getAddresses(nKIVAPAL000::tVector<uint32_t>& addresses, nKIVAPALS100::tStatus& status) {
  addresses.assign(pkg::kAddresses, pkg::kEntryCount, status);
}

}  // namespace vorlan_driver
