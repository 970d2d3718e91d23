#include "requests/tRecordTransfer.h"

#include "kal/include/nKIVKAL.h"
#include "platform/driver/kalStatus.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace requests {

bool tRecordTransfer::receive(uint64_t inboundPointer, uint32_t inboundSize, void* inbound,
                              uint32_t inboundRecordSize, uint32_t outboundSize, uint32_t outboundRecordSize,
                              nKIVAPALS100::tStatus& dispatchStatus) {
  // Exact sizes only: a larger buffer is as wrong as a smaller one, since no
  // record carries a size of its own.
  if (inboundSize != inboundRecordSize) {
    vorlanSetCode(dispatchStatus, statusCodes::kInvalidArgument);
    return false;
  }
  if (outboundSize != outboundRecordSize) {
    vorlanSetCode(dispatchStatus, statusCodes::kInvalidArgument);
    return false;
  }
  const int32_t copied = nKIVKAL100_replicateInboundIOControlBuffer(
      inbound, reinterpret_cast<const void*>(static_cast<uintptr_t>(inboundPointer)), inboundRecordSize);
  if (copied < 0) {
    kivTranslateKalStatus(copied, dispatchStatus);
    return false;
  }
  return true;
}

void tRecordTransfer::seed(int32_t statusWord, nKIVAPALS100::tStatus& status) {
  // The caller's word as sent: a warning stays a warning, an error an error.
  status.setCode(static_cast<int64_t>(statusWord), kivComponentName, __FILE__, __LINE__);
}

uint64_t tRecordTransfer::send(uint64_t outboundPointer, const void* outbound, uint32_t outboundRecordSize,
                               int32_t* outboundStatusWord, const nKIVAPALS100::tStatus& status,
                               nKIVAPALS100::tStatus& dispatchStatus) {
  *outboundStatusWord = static_cast<int32_t>(static_cast<uint64_t>(status.getCode()) & 0xFFFFFFFFu);
  nKIVAPAL200_copyIoctlOutBufferForCodegen(outboundPointer, outbound, outboundRecordSize, &dispatchStatus);
  // The method's effects stand whether or not the caller got its record.
  return outboundRecordSize;
}

void answerNotSupportedHere(nKIVAPALS100::tStatus& status) {
  vorlanSetCode(status, statusCodes::fromWord(kNotSupportedOnThisDeviceWord));
}

}  // namespace requests
}  // namespace vorlan_driver

void nKIVAPAL200_copyIoctlOutBufferForCodegen(uint64_t outboundPointer, const void* source, uint32_t size,
                                              nKIVAPALS100::tStatus* status) {
  const int32_t copied = nKIVKAL100_replicateOutboundIOControlBuffer(
      reinterpret_cast<void*>(static_cast<uintptr_t>(outboundPointer)), source, size);
  if (copied != 0) vorlanSetCode(*status, vorlan_driver::statusCodes::kInvalidArgument);
}
