#pragma once

namespace kdut {

class CleanupOperationComposite;

class CleanupOperationSessionInterface {
 public:
  virtual ~CleanupOperationSessionInterface() {}
  virtual CleanupOperationComposite& getCleanupOperationComposite() = 0;
};

}  // namespace kdut
