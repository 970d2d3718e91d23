#include "device/RequestFacade.h"

#include "controllers/channel/channelMasks.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

bool RequestFacade::haveChannels(uint64_t channelMask, tStatus& status) const {
  if (status.isFatal()) return false;
  if (isolated_ == nullptr) {
    vorlanSetCode(status, kMissingObject);
    return false;
  }
  if ((channelMask & ~kAllChannels) != 0) {
    vorlanSetCode(status, kBadChannel);
    return false;
  }
  return true;
}

bool RequestFacade::haveChannel(uint32_t channel, tStatus& status) const {
  if (status.isFatal()) return false;
  if (channel >= kChannelCount) {
    vorlanSetCode(status, kBadChannel);
    return false;
  }
  return haveChannels(0, status);
}

bool RequestFacade::haveAlarm(uint32_t channel, uint32_t alarmType, tStatus& status) const {
  if (status.isFatal()) return false;
  if (alarmType != kAlarmType) {
    vorlanSetCode(status, kValueOutOfRange);
    return false;
  }
  return haveChannel(channel, status);
}

template <typename Operation>
void RequestFacade::forEachChannel(uint64_t channelMask, tStatus& status, Operation operation) {
  if (!haveChannels(channelMask, status)) return;
  for (uint32_t c = 0; c < kChannelCount && status.isNotFatal(); ++c) {
    if ((channelMask >> c & 1) != 0) operation(c);
  }
}

void RequestFacade::generateBusEvent(uint16_t code, tStatus& status) {
  if (!haveChannels(0, status)) return;
  isolated_->busEvents.generateBusEvent(code, status);
}

void RequestFacade::mapBusEventToAbstractedEvent(uint64_t channelMask, uint16_t code, uint32_t index,
                                                 tStatus& status) {
  if (status.isFatal()) return;
  if (index >= AbstractedEventController::kAbstractedEventCount) {
    vorlanSetCode(status, kValueOutOfRange);
    return;
  }
  forEachChannel(channelMask, status, [&](uint32_t c) {
    isolated_->abstractedEventTable[c]->mapBusEventToAbstractedEvent(code, index, status);
  });
}

bool RequestFacade::checkEventLatch(uint64_t channelMask, uint32_t kind, tStatus& status) {
  bool latched = true;
  forEachChannel(channelMask, status, [&](uint32_t c) {
    if (latched) latched = isolated_->eventLatchTable[c]->isEventLatched(kind, status);
  });
  return status.isNotFatal() && latched;
}

void RequestFacade::clearEventLatch(uint64_t channelMask, uint32_t kind, tStatus& status) {
  forEachChannel(channelMask, status,
                 [&](uint32_t c) { isolated_->eventLatchTable[c]->clearEventLatch(kind, status); });
}

void RequestFacade::clearAllEventLatches(uint64_t channelMask, tStatus& status) {
  forEachChannel(channelMask, status, [&](uint32_t c) { isolated_->eventLatchTable[c]->clearAllEventLatches(status); });
}

uint32_t RequestFacade::overrideTrigger(uint64_t channelMask, uint32_t triggerId, tStatus& status) {
  if (!haveChannels(channelMask, status)) return 0;
  uint32_t event = 0;
  switch (triggerId) {
    case kMeasureTrigger:
      return isolated_->triggerOverride.overrideTrigger(channelMask, status) ? 1 : 0;
    case kAbstractedEvent1Trigger:
      event = 1;
      break;
    case kAbstractedEvent2Trigger:
      event = 2;
      break;
    case kAbstractedEvent3Trigger:
      event = 3;
      break;
    default:
      vorlanSetCode(status, kValueOutOfRange);
      return 0;
  }
  // One channel, and only one, chooses its event.
  if (channelMask == 0 || (channelMask & (channelMask - 1)) != 0) {
    vorlanSetCode(status, kBadChannel);
    return 0;
  }
  uint32_t channel = 0;
  while ((channelMask >> channel) != 1) ++channel;
  return isolated_->sequenceEngineTable[channel]->selectAbstractedEvent(event, status) ? 1 : 0;
}

bool RequestFacade::queryInCompliance(uint32_t channel, tStatus& status) {
  if (!haveChannel(channel, status)) return false;
  return isolated_->isoChannelTable[channel]->isInCompliance(status);
}

bool RequestFacade::getAlarmRaised(uint32_t channel, uint32_t alarmType, tStatus& status) {
  if (!haveAlarm(channel, alarmType, status)) return false;
  return isolated_->alarmTable[channel]->getAlarmRaised(status);
}

void RequestFacade::clearAlarm(uint32_t channel, uint32_t alarmType, tStatus& status) {
  if (haveAlarm(channel, alarmType, status)) isolated_->alarmTable[channel]->clearAlarm(status);
}

void RequestFacade::maskAlarm(uint32_t channel, uint32_t alarmType, tStatus& status) {
  if (haveAlarm(channel, alarmType, status)) isolated_->alarmTable[channel]->maskAlarm(status);
}

void RequestFacade::unmaskAlarm(uint32_t channel, uint32_t alarmType, tStatus& status) {
  if (haveAlarm(channel, alarmType, status)) isolated_->alarmTable[channel]->unmaskAlarm(status);
}

uint32_t RequestFacade::getFirmwareRevision(tStatus& status) {
  if (status.isFatal()) return kNoFirmwareRevision;
  if (wisp_ == nullptr) {
    vorlanSetCode(status, kMissingObject);
    return kNoFirmwareRevision;
  }
  return wisp_->getVersion(status);
}

void RequestFacade::setCoolingMode(uint32_t mode, uint32_t source, tStatus& status) {
  if (status.isFatal()) return;
  if (coolingMode_ == nullptr) {
    vorlanSetCode(status, kMissingObject);
    return;
  }
  coolingMode_->setCoolingMode(mode, source, status);
}

uint32_t RequestFacade::getCoolingMode(tStatus& status) {
  if (status.isFatal()) return 0;
  if (coolingMode_ == nullptr) {
    vorlanSetCode(status, kMissingObject);
    return 0;
  }
  return coolingMode_->getCoolingMode(status);
}

uint32_t RequestFacade::getRequestedCoolingMode(tStatus& status) {
  if (status.isFatal()) return 0;
  if (coolingMode_ == nullptr) {
    vorlanSetCode(status, kMissingObject);
    return 0;
  }
  return coolingMode_->getRequestedCoolingMode();
}

void RequestFacade::gangChannels(uint64_t channelMask, tStatus& status) {
  if (!haveChannels(channelMask, status)) return;
  if ((channelMask & (channelMask - 1)) == 0) {
    vorlanSetCode(status, kBadChannel);
    return;
  }
  const uint64_t lowest = channelMask & (~channelMask + 1);
  const uint64_t highest = uint64_t{1} << getHighestChannelNumber(channelMask);
  forEachChannel(channelMask, status, [&](uint32_t c) {
    const uint64_t bit = uint64_t{1} << c;
    isolated_->isoChannelTable[c]->configureGanging(bit != lowest, bit != highest, status);
  });
}

void RequestFacade::ungangChannels(uint64_t channelMask, tStatus& status) {
  forEachChannel(channelMask, status,
                 [&](uint32_t c) { isolated_->isoChannelTable[c]->configureGanging(false, false, status); });
}

void RequestFacade::resetChannelErrorFlags(uint64_t channelMask, tStatus& status) {
  forEachChannel(channelMask, status, [&](uint32_t c) {
    isolated_->isoChannelTable[c]->strobeErrorResetBit26(status);
    isolated_->isoChannelTable[c]->strobeErrorResetBit27(status);
  });
}

bool RequestFacade::isIsoInterruptActive(uint32_t channel, uint32_t bit, tStatus& status) {
  if (!haveChannel(channel, status)) return false;
  return isolated_->interruptGenerator.isInterruptActive(static_cast<uint8_t>(channel), bit, status);
}

}  // namespace vorlan_driver
