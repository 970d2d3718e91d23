#include "controllers/subroutine/CustomSubroutinePackage.h"

#include "platform/memory/tUserBuffer.h"

namespace vorlan_driver {

namespace {

// One user array into a vector of exactly its size, in pieces a single
// copy can carry.
template <typename T>
void copyIn(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t pointer, uint32_t count,
            nKIVAPAL000::tVector<T>& into, nKIVAPALS100::tStatus& status) {
  into.resizeExactly(count, status);
  const uint64_t bytes = static_cast<uint64_t>(count) * sizeof(T);
  const nKIVAPAL000::tUserBuffer user(descriptor, pointer, bytes);
  constexpr uint64_t kPiece = 1u << 30;
  for (uint64_t done = 0; done < bytes && status.isNotFatal(); done += kPiece) {
    const uint64_t piece = bytes - done < kPiece ? bytes - done : kPiece;
    user.copyFromUser(done, reinterpret_cast<uint8_t*>(into.data()) + done, static_cast<uint32_t>(piece), status);
  }
}

}  // namespace

CustomSubroutinePackage::CustomSubroutinePackage(const nKIVAPAL000::tEventDescriptor* descriptor,
                                                 uint64_t imagePointer, uint32_t wordCount, uint64_t idPointer,
                                                 uint64_t addressPointer, uint32_t idCount,
                                                 nKIVAPALS100::tStatus& status) {
  copyIn(descriptor, imagePointer, wordCount, image_, status);
  copyIn(descriptor, idPointer, idCount, ids_, status);
  copyIn(descriptor, addressPointer, idCount, addresses_, status);
}

void CustomSubroutinePackage::getImage(nKIVAPAL000::tVector<uint64_t>& image, nKIVAPALS100::tStatus& status) {
  image.assign(image_.data(), image_.count(), status);
}

void CustomSubroutinePackage::getSubroutineIds(nKIVAPAL000::tVector<harrowtools::SubroutineId>& ids,
                                               nKIVAPALS100::tStatus& status) {
  ids.assign(ids_.data(), ids_.count(), status);
}

void CustomSubroutinePackage::getAddresses(nKIVAPAL000::tVector<uint32_t>& addresses, nKIVAPALS100::tStatus& status) {
  addresses.assign(addresses_.data(), addresses_.count(), status);
}

}  // namespace vorlan_driver
