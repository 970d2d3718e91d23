// Holds a lock for exactly one scope, so no return path can leave it taken.
#pragma once

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename Lock>
class tAutoLock {
 public:
  explicit tAutoLock(Lock& lock) : lock_(&lock) { lock_->acquire(); }
  // A lock that may not exist: null holds nothing.
  explicit tAutoLock(Lock* lock) : lock_(lock) {
    if (lock_ != nullptr) lock_->acquire();
  }
  ~tAutoLock() {
    if (lock_ != nullptr) lock_->release();
  }
  tAutoLock(const tAutoLock&) = delete;
  tAutoLock& operator=(const tAutoLock&) = delete;

 private:
  Lock* lock_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
