// Refuses a request of a session that a reset invalidated.
#pragma once

#include "framework/kdut/IOGateSentryInterface.h"
#include "framework/kdut/InvalidatableSessionInterface.h"

namespace kdut {

class InvalidatableSessionIOGateSentry : public IOGateSentryInterface {
 public:
  // No session (null) passes always.
  explicit InvalidatableSessionIOGateSentry(const InvalidatableSessionInterface* session) : session_(session) {}
  ~InvalidatableSessionIOGateSentry() override {}

  void onEnterIOGate(nKIVAPALS100::tStatus& status) override {
    if (status.isFatal() || session_ == nullptr) return;
    session_->checkValid(status);
  }

 private:
  const InvalidatableSessionInterface* session_;
};

}  // namespace kdut
