// Lets a getter that takes no status stand where the register poller expects
// one that does: poll it as `(adapter, &Adapter::poll)`.
#pragma once

#include "platform/status/tStatus.h"

namespace atut {

template <typename Object, typename Getter, typename Value>
class PollerStatusAdapter {
 public:
  // The object is not owned and must outlive the adapter.
  PollerStatusAdapter(Object& object, Getter getter) : object_(&object), getter_(getter) {}

  // The getter's value; the status is not looked at, since the getter
  // cannot fail.
  Value poll(nKIVAPALS100::tStatus&) { return static_cast<Value>((object_->*getter_)()); }

 private:
  Object* object_;
  Getter getter_;
};

}  // namespace atut
