#include "requests/InstrumentRequest.h"

#include "framework/kdut/kdutStatusCodes.h"
#include "platform/memory/tUserBuffer.h"
#include "requests/requestSteps.h"

namespace vorlan_driver {
namespace requests {

bool InstrumentRequest::checkHeld(uint64_t mask, nKIVAPALS100::tStatus& status) {
  checkChannelBitmaskInRange(mask, status);
  checkChannelBitmaskNotEmpty(mask, status);
  return checkReserved(mask, status);
}

uint32_t InstrumentRequest::heldChannel(uint64_t mask, nKIVAPALS100::tStatus& status) {
  if (!checkHeld(mask, status)) return kNoChannel;
  const uint32_t channel = getPhysicalChannelNumberFromBitmask(mask, status);
  return status.isNotFatal() ? channel : kNoChannel;
}

uint32_t InstrumentRequest::heldChannelAt(uint32_t index, nKIVAPALS100::tStatus& status) {
  return checkHeld(getBitmaskFromPhysicalChannelNumber(index), status) ? index : kNoChannel;
}

bool InstrumentRequest::checkReserved(uint64_t mask, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  if (session_ == nullptr) {
    vorlanSetCode(status, kdut::codes::kResourceNotReserved);
    return false;
  }
  session_->checkReserved(mask, status);
  return status.isNotFatal();
}

kdut::CleanupOperationComposite* InstrumentRequest::composite(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (session_ == nullptr) {
    vorlanSetCode(status, kdut::codes::kResourceNotReserved);
    return nullptr;
  }
  return &session_->getCleanupOperationComposite();
}

namespace {
// The layer copies at most 32 bits' worth at once; longer runs are refused
// rather than cut.
bool fitsOneCopy(uint64_t length, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  if (length > 0xFFFFFFFFu) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return false;
  }
  return length != 0;
}
}  // namespace

void InstrumentRequest::copyFromUser(uint64_t pointer, void* destination, uint64_t length,
                                     nKIVAPALS100::tStatus& status) const {
  if (!fitsOneCopy(length, status)) return;
  nKIVAPAL000::tUserBuffer(&descriptor_, pointer, length)
      .copyFromUser(0, destination, static_cast<uint32_t>(length), status);
}

void InstrumentRequest::copyToUser(uint64_t pointer, const void* source, uint64_t length,
                                   nKIVAPALS100::tStatus& status) const {
  if (!fitsOneCopy(length, status)) return;
  nKIVAPAL000::tUserBuffer(&descriptor_, pointer, length).copyToUser(0, source, static_cast<uint32_t>(length), status);
}

}  // namespace requests
}  // namespace vorlan_driver
