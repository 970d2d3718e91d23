// A chip's signature word: all 32 bits must match.
#pragma once

#include <stdint.h>

#include "framework/kdut/SimpleRegisterVerifier.h"

namespace kdut {

template <typename Register, uint32_t kExpected, int32_t kFailureCode>
class SimpleSignatureVerifierTemplate : public SimpleRegisterVerifier<Register> {
 public:
  static constexpr uint32_t kMask = 0xFFFFFFFFu;

  SimpleSignatureVerifierTemplate(Register& reg, vorlan_driver::nKIVAPAL000::tMutex* mapLock)
      : SimpleRegisterVerifier<Register>(kMask, kExpected, kFailureCode, reg, mapLock) {}
  ~SimpleSignatureVerifierTemplate() override {}
};

}  // namespace kdut
