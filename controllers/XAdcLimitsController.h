// The alarm windows of the isolated FPGA's analog monitor: four dedicated
// window registers (transformer rails, reference and CPLD temperatures) and
// 41 indexed windows loaded one by one, from the 92-byte limits record of
// the reset parameters or, without one, from the built-in defaults.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class XAdcLimitsController {
 public:
  static constexpr uint32_t kRecordSize = 92;
  static constexpr uint32_t kPairCount = kRecordSize / 4;
  static constexpr uint32_t kWindowCount = 41;

  // One pair of the record: the lower and the upper limit.
  struct Limits {
    uint16_t lower;
    uint16_t upper;
  };
  static_assert(sizeof(Limits) == 4, "a limits pair is two u16");

  // The record's pairs in record order when no record is given.
  static const Limits kDefaults[kPairCount];
  // Which pair of the record each indexed window takes.
  static const uint8_t kWindowPair[kWindowCount];
  // The pairs of the dedicated registers.
  static constexpr uint32_t kCpldTempPair = 2;
  static constexpr uint32_t kVrefTempPair = 20;
  static constexpr uint32_t kXfmrMinusPair = 21;
  static constexpr uint32_t kXfmrPlusPair = 22;

  static constexpr uint16_t kRailFieldMask = 0x7FFF;
  static constexpr uint16_t kFieldMask = 0xFFF;

  // The map is not owned and must outlive the controller.
  explicit XAdcLimitsController(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso) : iso_(&iso) {}
  virtual ~XAdcLimitsController() {}
  XAdcLimitsController(const XAdcLimitsController&) = delete;
  XAdcLimitsController& operator=(const XAdcLimitsController&) = delete;

  // `record` is null or kRecordSize bytes in kernel memory.
  void configureWindowLimits(const uint8_t* record, nKIVAPALS100::tStatus& status);

  // Pair `pair` of a record (little-endian u16 at 4 * pair and 4 * pair + 2),
  // or its default when there is no record.
  static Limits pairOf(const uint8_t* record, uint32_t pair);

 private:
  vorlan_regmaps::tTheQuillIsoFpgaRegMap* iso_;
};

}  // namespace vorlan_driver
