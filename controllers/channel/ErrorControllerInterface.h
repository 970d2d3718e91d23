// The error controller of one channel as a per-channel controller list
// holds it: shared, and deleted with its last reference.
#pragma once

namespace basalt_shared {

class ErrorControllerInterface {
 public:
  virtual ~ErrorControllerInterface() {}
};

}  // namespace basalt_shared
