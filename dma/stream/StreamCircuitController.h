// A DMA channel's stream circuit: enables the data path at start, resets it
// at stop, and takes transfer-count credit.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace tarntools {

template <typename StreamCircuitMap>
class StreamCircuitController {
 public:
  static constexpr uint32_t kCommandReset = 4;
  static constexpr uint32_t kCommandModeTrue = 1;
  static constexpr uint32_t kCommandModeFalse = 2;
  static constexpr uint32_t kCommandEnable = 0x100;
  static constexpr uint32_t kCommandStop = 0x200;
  static constexpr uint32_t kDataTransferEnable = 1u << 8;
  static constexpr uint32_t kResetComplete = 1u << 10;
  static constexpr uint64_t kEnableTimeoutMicroseconds = 100;
  static constexpr uint64_t kResetTimeoutMicroseconds = 500;

  explicit StreamCircuitController(StreamCircuitMap& map) : map_(&map), started_(0) {}
  virtual ~StreamCircuitController() {}
  StreamCircuitController(const StreamCircuitController&) = delete;
  StreamCircuitController& operator=(const StreamCircuitController&) = delete;

  virtual void start(bool flag, nKIVAPALS100::tStatus& status);
  virtual void stop(nKIVAPALS100::tStatus& status);
  virtual void writeStreamAdditiveTransferCount(uint32_t count, nKIVAPALS100::tStatus& status);

  bool isStarted() const { return started_ != 0; }

 private:
  void waitForStreamControlStatusRegValueTrue(uint32_t bit, uint64_t timeoutMicroseconds,
                                              nKIVAPALS100::tStatus& status);

  StreamCircuitMap* map_;
  uint8_t started_;
};

}  // namespace tarntools
