// What the hardware-error checkers and the channel-error controller ask of
// the board's error manager.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {

class ErrorCheckerInterface {
 public:
  virtual ~ErrorCheckerInterface() {}
  // Whether the error manager flags a channel of the mask or the board.
  virtual bool hasError(uint64_t channelMask, nKIVAPALS100::tStatus& status) = 0;
  // Sets the code of the first fault the error manager shows for the mask.
  virtual void checkForErrors(uint64_t channelMask, nKIVAPALS100::tStatus& status) = 0;

 protected:
  ErrorCheckerInterface() {}
  ErrorCheckerInterface(const ErrorCheckerInterface&) = delete;
  ErrorCheckerInterface& operator=(const ErrorCheckerInterface&) = delete;
};

}  // namespace vorlan_driver
