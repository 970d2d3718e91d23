// The per-channel measure-FIFO overflow flags the non-isolated FPGA
// latches: what the measure units' reset waits on.
#pragma once

#include <stdint.h>

#include "controllers/channel/MeasureOverflowQueryInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class MeasureFIFOOverflowStatusController : public MeasureOverflowQueryInterface {
 public:
  using tOverflowReg = vorlan_regmaps::tTheQuillNisoFpgaRegMap::tMeasureFifoOverflowStatusReg;
  static constexpr int64_t kOverflowed = statusCodes::fromWord(0xBFFA4037u);
  static constexpr uint32_t kChannelFlags = 0xFFFFFF;

  // The register is not owned and must outlive the controller.
  MeasureFIFOOverflowStatusController(tOverflowReg& overflow, nKIVAPALS100::tStatus& status)
      : overflow_(&overflow), mutex_(status) {}
  ~MeasureFIFOOverflowStatusController() override {}
  MeasureFIFOOverflowStatusController(const MeasureFIFOOverflowStatusController&) = delete;
  MeasureFIFOOverflowStatusController& operator=(const MeasureFIFOOverflowStatusController&) = delete;

  bool isOverflowed(uint8_t channel, nKIVAPALS100::tStatus& status) override;
  // Sets 0xBFFA4037 when a channel of the mask overflowed.
  virtual void checkOverflow(uint64_t channelMask, nKIVAPALS100::tStatus& status);

 private:
  tOverflowReg* overflow_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
