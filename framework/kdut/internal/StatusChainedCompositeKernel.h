// The list both composites stand on: elements in the order they were added,
// not owned. Duplicates are held (and run) as often as they were added.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace kdut {
namespace internal {

template <typename Element>
class StatusChainedCompositeKernel {
 public:
  explicit StatusChainedCompositeKernel(uint64_t initialCapacity, nKIVAPALS100::tStatus& status) {
    if (initialCapacity != 0) elements_.reserve(initialCapacity, status);
  }
  virtual ~StatusChainedCompositeKernel() {}

  virtual void add(Element* element, nKIVAPALS100::tStatus& status) { elements_.pushBack(element, status); }

  virtual void remove(Element* element, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    for (uint64_t i = 0; i < elements_.count(); ++i) {
      if (elements_[i] == element) {
        elements_.eraseAt(i);
        return;
      }
    }
    vorlanSetCode(status, vorlan_driver::statusCodes::kNotFound);
  }

  virtual void clear() { elements_.clear(); }

  virtual bool contains(const Element* element) const {
    for (uint64_t i = 0; i < elements_.count(); ++i) {
      if (elements_[i] == element) return true;
    }
    return false;
  }

  uint64_t count() const { return elements_.count(); }
  Element* at(uint64_t index) const { return elements_[index]; }

 private:
  vorlan_driver::nKIVAPAL000::tVector<Element*> elements_;
};

}  // namespace internal
}  // namespace kdut
