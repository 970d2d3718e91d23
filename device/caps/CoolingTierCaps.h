// Power allocation limits by chassis cooling tier: an ordered map from tier
// to a pair of limits, answered for the greatest tier not above the one
// asked for. Built once at load; its status records an allocation that
// failed while it was built or copied.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace basalt_caps {

struct PowerAllocationLimitInMircroWatts {
  uint32_t first;
  uint32_t second;
};

struct CoolingTierLimit {
  uint32_t tier;
  PowerAllocationLimitInMircroWatts limits;
};

class CoolingTierCaps {
 public:
  CoolingTierCaps() : status_(), head_(nullptr), count_(0) {}
  // A source whose status holds an error gives an empty copy with that error.
  CoolingTierCaps(const CoolingTierCaps& other);
  // Takes the copy only when it could be made whole; its error is merged in.
  CoolingTierCaps& operator=(const CoolingTierCaps& other);
  ~CoolingTierCaps();

  // A tier already present keeps its first limits.
  void insert(const CoolingTierLimit& entry);
  // {0, 0} when every tier is above `tier` or there is none.
  PowerAllocationLimitInMircroWatts getPowerAllocationLimit(uint32_t tier) const;
  uint32_t getFirstPowerAllocationLimit(uint32_t tier) const { return getPowerAllocationLimit(tier).first; }
  uint32_t getSecondPowerAllocationLimit(uint32_t tier) const { return getPowerAllocationLimit(tier).second; }

  uint64_t getTierCount() const { return count_; }
  const nKIVAPALS100::tStatus& getStatus() const { return status_; }

 private:
  // Ascending by tier.
  struct Node {
    Node* next;
    CoolingTierLimit entry;
  };
  void copyFrom(const CoolingTierCaps& other);
  void clear();

  nKIVAPALS100::tStatus status_;
  Node* head_;
  uint64_t count_;
};

// The map of `count` pairs entered in array order.
CoolingTierCaps getCoolingTierCaps(const CoolingTierLimit* pairs, uint64_t count);

}  // namespace basalt_caps
