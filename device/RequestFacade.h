// The thin operations the request methods reach the board with: a channel
// mask or index turned into calls on the per-channel controllers, the
// cooling mode, the isolated-port switch's version and the interrupt
// status. The request methods have passed their gate, checked their channel
// arguments and the session's reservation; the facade adds only its own
// checks, and refuses a channel outside the board (0xBFFA4303) rather than
// index past a table.
//
// A value over the owner's objects, built where needed; it holds no lock
// (each controller takes its own). An object the owner has not built is
// refused with 0xBFFA4311.
#pragma once

#include <stdint.h>

#include "controllers/CoolingModeController.h"
#include "controllers/WispController.h"
#include "controllers/channel/IsolatedControllers.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

class RequestFacade {
 public:
  static constexpr uint32_t kChannelCount = IsolatedControllers::kChannelCount;
  static constexpr uint64_t kAllChannels = (uint64_t{1} << kChannelCount) - 1;
  static constexpr int64_t kValueOutOfRange = statusCodes::fromWord(0xBFFA4300u);
  static constexpr int64_t kBadChannel = statusCodes::fromWord(0xBFFA4303u);
  static constexpr int64_t kMissingObject = statusCodes::fromWord(0xBFFA4311u);
  static constexpr uint32_t kNoFirmwareRevision = 0xFFFFFFFFu;
  // The only alarm type a channel has.
  static constexpr uint32_t kAlarmType = 0;
  // Trigger ids: the measure trigger of every channel of the mask, or one
  // channel's abstracted event 1, 2 or 3.
  static constexpr uint32_t kAbstractedEvent1Trigger = 1034;
  static constexpr uint32_t kAbstractedEvent2Trigger = 1035;
  static constexpr uint32_t kMeasureTrigger = 1036;
  static constexpr uint32_t kAbstractedEvent3Trigger = 1037;

  // Any pointer may be null: the operations needing it then refuse.
  RequestFacade(IsolatedControllers* isolated, CoolingModeController* coolingMode, WispController* wisp)
      : isolated_(isolated), coolingMode_(coolingMode), wisp_(wisp) {}

  void generateBusEvent(uint16_t code, nKIVAPALS100::tStatus& status);
  // An index naming no abstracted event is refused before any channel is
  // touched.
  void mapBusEventToAbstractedEvent(uint64_t channelMask, uint16_t code, uint32_t index,
                                    nKIVAPALS100::tStatus& status);
  // Whether every channel of the mask shows the latch; stops at the first
  // that does not. True for an empty mask, with nothing read.
  bool checkEventLatch(uint64_t channelMask, uint32_t kind, nKIVAPALS100::tStatus& status);
  void clearEventLatch(uint64_t channelMask, uint32_t kind, nKIVAPALS100::tStatus& status);
  void clearAllEventLatches(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  uint32_t overrideTrigger(uint64_t channelMask, uint32_t triggerId, nKIVAPALS100::tStatus& status);
  bool queryInCompliance(uint32_t channel, nKIVAPALS100::tStatus& status);
  bool getAlarmRaised(uint32_t channel, uint32_t alarmType, nKIVAPALS100::tStatus& status);
  void clearAlarm(uint32_t channel, uint32_t alarmType, nKIVAPALS100::tStatus& status);
  void maskAlarm(uint32_t channel, uint32_t alarmType, nKIVAPALS100::tStatus& status);
  void unmaskAlarm(uint32_t channel, uint32_t alarmType, nKIVAPALS100::tStatus& status);
  uint32_t getFirmwareRevision(nKIVAPALS100::tStatus& status);
  void setCoolingMode(uint32_t mode, uint32_t source, nKIVAPALS100::tStatus& status);
  uint32_t getCoolingMode(nKIVAPALS100::tStatus& status);
  uint32_t getRequestedCoolingMode(nKIVAPALS100::tStatus& status);
  // At least two channels: the lowest linked upwards only, the highest
  // downwards only, the ones between both ways; channels outside the mask
  // are left alone, also between the mask's. A mask of one channel has no
  // neighbour to gang with and is refused (0xBFFA4303).
  void gangChannels(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  void ungangChannels(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  void resetChannelErrorFlags(uint64_t channelMask, nKIVAPALS100::tStatus& status);
  bool isIsoInterruptActive(uint32_t channel, uint32_t bit, nKIVAPALS100::tStatus& status);

 private:
  bool haveChannels(uint64_t channelMask, nKIVAPALS100::tStatus& status) const;
  bool haveChannel(uint32_t channel, nKIVAPALS100::tStatus& status) const;
  bool haveAlarm(uint32_t channel, uint32_t alarmType, nKIVAPALS100::tStatus& status) const;
  template <typename Operation>
  void forEachChannel(uint64_t channelMask, nKIVAPALS100::tStatus& status, Operation operation);

  IsolatedControllers* isolated_;
  CoolingModeController* coolingMode_;
  WispController* wisp_;
};

}  // namespace vorlan_driver
