// The two records of one request, on the unmarshaller's stack.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "requests/tRecordTransfer.h"

namespace vorlan_driver {
namespace requests {

template <typename Request>
class tRecordPair {
 public:
  typename Request::In in;
  typename Request::Out out;

  bool receive(uint64_t inboundPointer, uint32_t inboundSize, uint32_t outboundSize, nKIVAPALS100::tStatus& status,
               nKIVAPALS100::tStatus& dispatchStatus) {
    if (!tRecordTransfer::receive(inboundPointer, inboundSize, &in, sizeof(in), outboundSize, sizeof(out),
                                  dispatchStatus)) {
      return false;
    }
    // Zeroed here, where its size is known, the record takes a few stores
    // instead of a call into the layer.
    out = typename Request::Out();
    // A clean word leaves the fresh status as it is.
    if (in.status != 0) tRecordTransfer::seed(in.status, status);
    return true;
  }

  uint64_t send(uint64_t outboundPointer, const nKIVAPALS100::tStatus& status,
                nKIVAPALS100::tStatus& dispatchStatus) {
    return tRecordTransfer::send(outboundPointer, &out, sizeof(out), &out.status, status, dispatchStatus);
  }
};

}  // namespace requests
}  // namespace vorlan_driver
