#include "simboard/IsolatedRegisterSpace.h"

namespace simboard {

IsolatedRegisterSpace::IsolatedRegisterSpace() : words_(kWordCount, 0) { words_[kSignatureAddress] = kSignature; }

uint32_t IsolatedRegisterSpace::read(uint32_t window, uint32_t address) {
  const uint32_t value = peek(address);
  log_.push_back(Access{window, address & kAddressMask, false, value});
  return value;
}

void IsolatedRegisterSpace::write(uint32_t window, uint32_t address, uint32_t value) {
  address &= kAddressMask;
  log_.push_back(Access{window, address, true, value});
  if (address == kSignatureAddress) return;
  words_[address] = value;
}

}  // namespace simboard
