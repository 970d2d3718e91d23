// Names the session a device operation is served for; none for add device,
// remove and open.
#pragma once

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tSession;

class tEventDescriptor {
 public:
  tEventDescriptor() : session_(nullptr) {}
  explicit tEventDescriptor(tSession* session) : session_(session) {}

  tSession* getSession() const { return session_; }

 private:
  tSession* session_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
