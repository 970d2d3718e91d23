// What every unmarshaller does with its two records, on raw bytes: the exact
// size checks, the copy-in, the zeroed outbound record, the request status
// seeded from the caller's status word, and the copy-out. Failures of these
// steps go to the dispatch status; the request's own failures travel in the
// outbound record.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace requests {

// The 32-bit form of the code that the unsupported platform-wide requests answer.
constexpr uint32_t kNotSupportedOnThisDeviceWord = 0xBFFA4308u;

class tRecordTransfer {
 public:
  // False, with the dispatch status set, when the request goes no further.
  // The caller zeroes its outbound record once this succeeds.
  static bool receive(uint64_t inboundPointer, uint32_t inboundSize, void* inbound, uint32_t inboundRecordSize,
                      uint32_t outboundSize, uint32_t outboundRecordSize, nKIVAPALS100::tStatus& dispatchStatus);
  // The request status starts as the caller's status word.
  static void seed(int32_t statusWord, nKIVAPALS100::tStatus& status);
  // Stores the status word and copies the record out; returns the record
  // size, also when the copy failed.
  static uint64_t send(uint64_t outboundPointer, const void* outbound, uint32_t outboundRecordSize,
                       int32_t* outboundStatusWord, const nKIVAPALS100::tStatus& status,
                       nKIVAPALS100::tStatus& dispatchStatus);
};

// A platform-wide request this device has no function for.
void answerNotSupportedHere(nKIVAPALS100::tStatus& status);

}  // namespace requests
}  // namespace vorlan_driver

// Copies an outbound record to the caller; any failure of the layer is -52005.
void nKIVAPAL200_copyIoctlOutBufferForCodegen(uint64_t outboundPointer, const void* source, uint32_t size,
                                              nKIVAPALS100::tStatus* status);
