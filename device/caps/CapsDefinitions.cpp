#include "device/caps/CapsDefinitions.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/cppRuntime/cppRunTime.h"

namespace basalt_caps {

namespace {

using nKIVAPALS100::tStatus;

constexpr uint32_t kLark = 1;
constexpr uint32_t kWren = 0;

// A row as it is written down: the cooling tiers as pairs.
struct RowConstants {
  const char* modelName;
  uint32_t pciSubsystemId;
  uint64_t channelCount;
  uint32_t variantFlag;
  uint8_t sharedLoSense;
  uint32_t lastValue;
  const CoolingTierLimit* tiers;
  uint64_t tierCount;
  const char* alarmName;
};

const CoolingTierLimit kMeterTiers[] = {{16, {15000000, 20000000}}, {48, {30000000, 38000000}}};
const CoolingTierLimit kSourceTiers[] = {{32, {25000000, 25000000}}};

// Five rows of other models, the Lark variant under its two identifiers,
// the Wren variant under its two, and two rows of a further model. The
// identifiers of this driver's rows are those of the PCI identity table.
const RowConstants kRows[CapsDefinitions::kRowCount] = {
    {"Quill DMM 6", 0x7901, 1, 0, 0, 1, kMeterTiers, 2, ""},
    {"Quill DMM 7", 0x7902, 1, 0, 0, 1, kMeterTiers, 2, ""},
    {"Quill Source 4", 0x7911, 4, 0, 0, 2, kSourceTiers, 1, ""},
    {"Quill Source 8", 0x7912, 8, 0, 0, 2, kSourceTiers, 1, ""},
    {"Quill Switch 64", 0x7921, 64, 0, 0, 0, nullptr, 0, ""},
    {"Quill Lark SMU", 0x7A01, 24, kLark, 0, 3, nullptr, 0, "ComplianceAlarm"},
    {"Quill Lark SMU", 0x7A02, 24, kLark, 0, 3, nullptr, 0, "ComplianceAlarm"},
    {"Quill Wren SMU", 0x7A11, 24, kWren, 1, 4, nullptr, 0, "ComplianceAlarm"},
    {"Quill Wren SMU", 0x7A12, 24, kWren, 1, 4, nullptr, 0, "ComplianceAlarm"},
    {"Quill Scope 2", 0x7B01, 2, 0, 0, 0, kMeterTiers + 1, 1, ""},
    {"Quill Scope 4", 0x7B02, 4, 0, 0, 0, kMeterTiers + 1, 1, ""},
};

vorlan_driver::nKIVAPAL000::tStaticObject<CapsDefinitions> gDefinitions;

}  // namespace

CapsDefinitions::CapsDefinitions() : capacity_(0), count_(0), rows_(nullptr) {
  // Nothing reports a failure here: a table that could not be built has no
  // rows, and every device is then refused.
  tStatus status;
  rows_ = static_cast<Caps*>(operator new(sizeof(Caps) * CapsDefinitions::kRowCount, status, 0));
  if (rows_ == nullptr) return;
  capacity_ = kRowCount;
  for (const RowConstants& row : kRows) {
    new (&rows_[count_], vorlan_driver::nKIVAPAL000::kPlacement)
        Caps{row.modelName,
             row.pciSubsystemId,
             row.channelCount,
             row.variantFlag,
             256,
             1,
             row.sharedLoSense,
             1,
             4,
             1,
             getCoolingTierCaps(row.tiers, row.tierCount),
             row.alarmName,
             1,
             0,
             32,
             16,
             1,
             0,
             1,
             0,
             1,
             row.lastValue,
             1};
    ++count_;
  }
}

CapsDefinitions::~CapsDefinitions() {
  for (uint64_t i = count_; i > 0; --i) rows_[i - 1].~Caps();
  operator delete(rows_);
}

const Caps* CapsDefinitions::find(uint32_t pciSubsystemId) const {
  for (const Caps* row = begin(); row != end(); ++row) {
    if (row->pciSubsystemId == pciSubsystemId) return row;
  }
  return end();
}

CapsDefinitions& getCapsDefinitions() { return gDefinitions.get(); }

const Caps* findCaps(uint32_t pciSubsystemId) {
  if (!gDefinitions.isConstructed()) return nullptr;
  const CapsDefinitions& definitions = gDefinitions.get();
  const Caps* row = definitions.find(pciSubsystemId);
  return row != definitions.end() ? row : nullptr;
}

void constructCapsStatics() { gDefinitions.construct(); }

}  // namespace basalt_caps
