#include "device/caps/CoolingTierCaps.h"

#include "platform/cppRuntime/cppNewDelete.h"

namespace basalt_caps {

using nKIVAPALS100::tStatus;

CoolingTierCaps::CoolingTierCaps(const CoolingTierCaps& other) : status_(other.status_), head_(nullptr), count_(0) {
  copyFrom(other);
}

CoolingTierCaps& CoolingTierCaps::operator=(const CoolingTierCaps& other) {
  if (this == &other) return *this;
  CoolingTierCaps copy(other);
  if (copy.status_.isNotFatal()) {
    Node* const head = head_;
    const uint64_t count = count_;
    head_ = copy.head_;
    count_ = copy.count_;
    // The copy frees what this held.
    copy.head_ = head;
    copy.count_ = count;
  }
  status_.merge(copy.status_);
  return *this;
}

CoolingTierCaps::~CoolingTierCaps() { clear(); }

void CoolingTierCaps::copyFrom(const CoolingTierCaps& other) {
  Node** tail = &head_;
  for (const Node* node = other.head_; node != nullptr && status_.isNotFatal(); node = node->next) {
    Node* copy = kivNew(status_) Node{nullptr, node->entry};
    if (copy == nullptr) break;
    *tail = copy;
    tail = &copy->next;
    ++count_;
  }
  if (status_.isFatal()) clear();
}

void CoolingTierCaps::clear() {
  while (head_ != nullptr) {
    Node* next = head_->next;
    delete head_;
    head_ = next;
  }
  count_ = 0;
}

void CoolingTierCaps::insert(const CoolingTierLimit& entry) {
  if (status_.isFatal()) return;
  Node** link = &head_;
  while (*link != nullptr && (*link)->entry.tier < entry.tier) link = &(*link)->next;
  if (*link != nullptr && (*link)->entry.tier == entry.tier) return;
  Node* node = kivNew(status_) Node{*link, entry};
  if (node == nullptr) return;
  *link = node;
  ++count_;
}

PowerAllocationLimitInMircroWatts CoolingTierCaps::getPowerAllocationLimit(uint32_t tier) const {
  PowerAllocationLimitInMircroWatts found{0, 0};
  for (const Node* node = head_; node != nullptr && node->entry.tier <= tier; node = node->next) {
    found = node->entry.limits;
  }
  return found;
}

CoolingTierCaps getCoolingTierCaps(const CoolingTierLimit* pairs, uint64_t count) {
  CoolingTierCaps caps;
  for (uint64_t i = 0; i < count; ++i) caps.insert(pairs[i]);
  return caps;
}

}  // namespace basalt_caps
