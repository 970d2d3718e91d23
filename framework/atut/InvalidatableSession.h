// A session that something outside it can make invalid for good; requests
// check it before they touch anything.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace atut {

class InvalidatableSession {
 public:
  // `code` is what checkValid reports once the session is invalid.
  explicit InvalidatableSession(int32_t code) : code_(code) {}
  virtual ~InvalidatableSession() {}
  InvalidatableSession(const InvalidatableSession&) = delete;
  InvalidatableSession& operator=(const InvalidatableSession&) = delete;

  virtual bool isValid() = 0;

  void checkValid(nKIVAPALS100::tStatus& status) {
    if (status.isNotFatal() && !isValid()) vorlanSetCode(status, code_);
  }
  int32_t getInvalidCode() const { return code_; }

 private:
  int32_t code_;
};

}  // namespace atut
