// The gate a request method builds first and keeps for its whole run: the
// reference it takes spans exactly the method.
#pragma once

#include "framework/kdut/IOGate.h"
#include "framework/kdut/InvalidatableSessionIOGateSentry.h"
#include "framework/kdut/SetupLevelIOGateSentry.h"
#include "framework/kdut/SetupTracker.h"

namespace kdut {

template <typename Level, typename Session>
class AutoIOGate {
 public:
  typedef typename Level::type LevelType;

  // Every session the device hands out is a Session, so its validity is
  // found through it.
  AutoIOGate(vorlan_driver::nKIVAPAL000::tDeviceCore* device, vorlan_driver::nKIVAPAL000::tSession* session,
             const SetupTracker<Level>* tracker, LevelType requiredLevel, nKIVAPALS100::tStatus& status)
      : gate_(device, session),
        sessionSentry_(validityOf(session)),
        levelSentry_(tracker, requiredLevel) {
    if (status.isFatal()) return;
    gate_.addSentry(&sessionSentry_, status);
    gate_.addSentry(&levelSentry_, status);
    gate_.enter(status);
  }
  virtual ~AutoIOGate() { gate_.leave(); }
  AutoIOGate(const AutoIOGate&) = delete;
  AutoIOGate& operator=(const AutoIOGate&) = delete;

  bool isEntered() const { return gate_.isEntered(); }

 private:
  static const InvalidatableSessionInterface* validityOf(vorlan_driver::nKIVAPAL000::tSession* session) {
    if (session == nullptr) return nullptr;
    return static_cast<const InvalidatableSessionInterface*>(static_cast<Session*>(session));
  }

  IOGate gate_;
  InvalidatableSessionIOGateSentry sessionSentry_;
  SetupLevelIOGateSentry<Level> levelSentry_;
};

}  // namespace kdut
